#!/usr/bin/env bash
# Compiles the board library's calling-convention header for 32-bit Windows
# and for the host, then proves the check bites: the same header with
# __stdcall taken out must not compile for Windows.
# Usage: mingw_abi_check.sh SOURCE_DIR HOST_CXX
set -euo pipefail
src="$1"
host_cxx="$2"
win_cxx=i686-w64-mingw32-g++
source "$(dirname "$0")/require_tools.sh"
require_tools "$win_cxx"
flags=(-std=c++17 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror)
check="$src/tests/install/mingw_abi_check.cpp"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

machine="$("$win_cxx" -dumpmachine)"
[[ "$machine" == i686-*-mingw32 ]] || { echo "FAIL: $win_cxx targets $machine"; exit 1; }

echo "== $win_cxx: board/BoardPortAbi.h"
"$win_cxx" "${flags[@]}" -I"$src/board" -c "$check" -o "$tmp/win.o"
file_type="$(od -An -tx1 -N2 "$tmp/win.o" | tr -d ' ')"
[[ "$file_type" == 4c01 ]] || { echo "FAIL: object is not i386 COFF ($file_type)"; exit 1; }

echo "== $host_cxx: board/BoardPortAbi.h"
"$host_cxx" "${flags[@]}" -I"$src/board" -fsyntax-only "$check"

echo "== $win_cxx: the header without __stdcall must be refused"
mkdir "$tmp/nostdcall"
sed 's/__stdcall//g' "$src/board/BoardPortAbi.h" >"$tmp/nostdcall/BoardPortAbi.h"
cmp -s "$src/board/BoardPortAbi.h" "$tmp/nostdcall/BoardPortAbi.h" &&
    { echo "FAIL: BoardPortAbi.h has no __stdcall"; exit 1; }
if "$win_cxx" "${flags[@]}" -I"$tmp/nostdcall" -c "$check" -o "$tmp/nostdcall.o" \
    2>"$tmp/nostdcall.log"; then
    echo "FAIL: a cdecl header passed the check"
    exit 1
fi
grep -q "invalid conversion" "$tmp/nostdcall.log" ||
    { echo "FAIL: refused for another reason:"; cat "$tmp/nostdcall.log"; exit 1; }
echo "refused as expected: $(grep -c 'error:' "$tmp/nostdcall.log") errors"
echo "mingw ABI check passed"

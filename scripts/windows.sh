#!/usr/bin/env bash
# Cross-builds the panel for 64-bit Windows into build-windows/ (or
# $QV_WINDOWS_BUILD_DIR) with Debian's MinGW and the Qt 6 for MinGW of
# ../shared/toolchains, and makes its installer and portable .zip there:
#   bin/qv7310.exe               the panel (PE32+, x86-64), the Qt DLLs and
#                                plug-ins, the 64-bit simulated BoardPort.dll,
#                                the 64-bit bridge (for the tests), QV7310.hex
#   win32/qv7310-board-bridge.exe, win32/BoardPort.dll
#                                the 32-bit bridge and the simulated board
#                                built the maker's way
#   qv7310-<version>-win64.exe, .zip
# The artwork is rendered, and the Linux panel the checks compare with is
# built, by the Linux build in $QV_BUILD_DIR (default build/), made here if
# needed. Then: ctest --test-dir build-windows (the checks under wine64).
# QV_QT_MINGW_ARCHIVE names the Qt archive where it is elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
host="${QV_BUILD_DIR:-build}"
out="${QV_WINDOWS_BUILD_DIR:-build-windows}"

# The Linux build's renderer and panel (and the packages both builds need).
QV_PACKAGE_LISTS="scripts/windows-packages.txt ${QV_PACKAGE_LISTS:-}" \
    QV_BUILD_DIR="$host" QV_BUILD_TARGETS="qv-render-art qv7310 BoardPort" scripts/setup.sh werror

# The Qt archive lies in shared/toolchains beside the repository (for a git
# worktree: beside the main checkout).
archive="${QV_QT_MINGW_ARCHIVE:-}"
if [ -z "$archive" ]; then
    common=$(cd "$(git rev-parse --git-common-dir 2>/dev/null || echo .git)/.." && pwd)
    for dir in .. "$common/.."; do
        if [ -f "$dir/shared/toolchains/qt6.4.2-mingw64.tar.xz" ]; then
            archive="$dir/shared/toolchains/qt6.4.2-mingw64.tar.xz"
            break
        fi
    done
fi
if [ -z "$archive" ] || [ ! -f "$archive" ]; then
    echo "windows: no qt6.4.2-mingw64.tar.xz in ../shared/toolchains; set QV_QT_MINGW_ARCHIVE" >&2
    exit 1
fi
mkdir -p "$out"
qt="$PWD/$out/qt6-mingw64"
if [ ! -f "$qt/.unpacked" ] || [ "$archive" -nt "$qt/.unpacked" ]; then
    rm -rf "$qt"
    tar -C "$out" -xJf "$archive"
    touch "$qt/.unpacked"
fi

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset windows-cross -B "$out" -DCMAKE_PREFIX_PATH="$qt" \
    -DQV_RENDER_ART="$PWD/$host/tools/qv-render-art" -DQV_LINUX_BUILD="$PWD/$host" "${launcher[@]}" "$@"
cmake --build "$out"
(cd "$out" && cpack -G "NSIS;ZIP" >cpack.log) || { cat "$out/cpack.log"; exit 1; }
ls -l "$out"/qv7310-*-win64.*

#!/usr/bin/env bash
# Runs a program of the Windows build under wine64 in the checks' prefix:
# CTest's emulator for the cross-built suites. With QV_WINE_PLATFORM=NAME,
# on that Qt platform (Wine passes no QT_* variable, so it is an argument).
#   wine_run.sh BUILD PROGRAM.exe [ARGS...]
set -euo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-lib.sh"
program=$1
shift
if [ -n "${QV_WINE_PLATFORM:-}" ]; then
    set -- -platform "$QV_WINE_PLATFORM" "$@"
fi
exec "$wine" "$program" "$@"

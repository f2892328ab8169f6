#!/usr/bin/env bash
# Runs a program of the Windows build under wine64 in the checks' prefix,
# offscreen (Wine passes no QT_* variable, so the platform is an argument):
# CTest's emulator for the cross-built suites.
#   wine_run.sh BUILD PROGRAM.exe [ARGS...]
set -euo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-lib.sh"
program=$1
shift
exec "$wine" "$program" -platform offscreen "$@"

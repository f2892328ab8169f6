#!/usr/bin/env bash
# Writes PNG images of both pages for both parts, the part dialog, the File
# menu and the credits dialog into the folder given (default: screenshots/).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-screenshots}")"
scripts/setup.sh >/dev/null
QT_QPA_PLATFORM=offscreen "${QV_BUILD_DIR:-build}/bin/qv7310-screenshots" "$out"

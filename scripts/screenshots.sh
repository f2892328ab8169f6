#!/usr/bin/env bash
# Writes PNG images of both pages for both parts, both quad pages side by
# side, the part dialog, the File menu and the credits dialog into the folder
# given (default: screenshots/), without a display.
#   --scale N   N pixels per logical pixel, as on a screen scaled to N x 100 %
#   --readme    only the README's picture, docs/qv7310-pages.png, at scale 2
set -euo pipefail
cd "$(dirname "$0")/.."
scale=1
out=screenshots
readme=false
while (($#)); do
    case "$1" in
    --scale) scale="$2" && shift 2 ;;
    --readme) readme=true scale=2 out="$(mktemp -d)" && shift ;;
    -*) echo "usage: $0 [--scale N] [DIR] | --readme" >&2 && exit 2 ;;
    *) out="$1" && shift ;;
    esac
done
out="$(realpath -m "$out")"
scripts/setup.sh >/dev/null
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="$scale" \
    "${QV_BUILD_DIR:-build}/bin/qv7310-screenshots" "$out"
if $readme; then
    mkdir -p docs
    cp "$out/qv7310-pages.png" docs/
    rm -r "$out"
fi

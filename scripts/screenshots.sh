#!/usr/bin/env bash
# Writes PNG images of both pages for both parts, both quad pages side by
# side, the part dialog, the File menu and the credits dialog into the folder
# given (default: screenshots/), without a display.
#   --scale N   N pixels per logical pixel, as on a screen scaled to N x 100 %
#   --readme    only the README's picture, docs/qv7310-pages.png, at scale 2
#   --windows   only the Windows build's picture of both pages,
#               docs/qv7310-pages-windows.png: the build in build-windows/
#               (scripts/windows.sh) under wine64 on Xvfb, with the `windows`
#               platform and the Windows style
set -euo pipefail
cd "$(dirname "$0")/.."
scale=1
out=screenshots
readme=false
windows=false
while (($#)); do
    case "$1" in
    --scale) scale="$2" && shift 2 ;;
    --readme) readme=true scale=2 out="$(mktemp -d)" && shift ;;
    --windows) windows=true out="$(mktemp -d)" && shift ;;
    -*) echo "usage: $0 [--scale N] [DIR] | --readme | --windows" >&2 && exit 2 ;;
    *) out="$1" && shift ;;
    esac
done
out="$(realpath -m "$out")"
if $windows; then
    build="$(realpath "${QV_WINDOWS_BUILD_DIR:-build-windows}")"
    export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" 2>/dev/null &
    xvfb=$!
    trap 'kill $xvfb; rm -rf "$out"' EXIT
    while [ ! -s "$out/display" ]; do sleep 0.1; done
    export DISPLAY=":$(head -n 1 "$out/display")"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    # Windows' menus and tabs use the system's message font, Tahoma, which
    # Debian's Wine does not give Qt: without this, Qt falls back to the first
    # family it finds (DejaVu Math TeX Gyre). The form's own captions ask for
    # "MS Sans Serif", which Wine lacks too, and get Liberation Sans, as on Linux.
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /t REG_SZ \
        /d 'Liberation Sans' /f >/dev/null
    /usr/lib/wine/wine64 "$build/bin/qv7310-screenshots.exe" -platform windows:fontengine=freetype -style windowsvista \
        "Z:${out//\//\\}"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    mkdir -p docs
    cp "$out/qv7310-pages.png" docs/qv7310-pages-windows.png
    exit 0
fi
scripts/setup.sh >/dev/null
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="$scale" \
    "${QV_BUILD_DIR:-build}/bin/qv7310-screenshots" "$out"
if $readme; then
    mkdir -p docs
    cp "$out/qv7310-pages.png" docs/
    rm -r "$out"
fi

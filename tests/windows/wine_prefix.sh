#!/usr/bin/env bash
# Makes the Wine prefix the Windows checks share, new on every run (the
# checks that follow need a prefix without a former run's settings or
# installation), inside the build folder.
#   wine_prefix.sh BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/wine-lib.sh"
[ -x "$wine" ] || { echo "$wine is not installed (Debian's wine64)"; exit 1; }
"$WINESERVER" -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
start=$SECONDS
"$wine" wineboot -i
"$WINESERVER" -w
echo "wine prefix $WINEPREFIX made in $((SECONDS - start)) s ($("$wine" --version))"

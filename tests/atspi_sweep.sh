#!/usr/bin/env bash
# The AT-SPI action sweep (atspi_sweep.py) against PANEL under Xvfb, with an
# accessibility bus in a D-Bus session of its own. Exit 77 (skipped) where
# Xvfb, D-Bus, the AT-SPI bus or pyatspi is missing.
set -euo pipefail
panel="$1"
missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v dbus-run-session >/dev/null || missing+=(dbus)
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi2-core)
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=(python3-pyatspi)
if [ ${#missing[@]} -gt 0 ]; then
    echo "skipped: missing ${missing[*]}"
    exit 77
fi
runtime="$(mktemp -d)"
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/atspi_sweep.py" "$panel" "$runtime"

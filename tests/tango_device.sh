#!/usr/bin/env bash
# Runs tests/TEST.py (tango_device or tango_database) with a Python that has
# PyTango; ends with 77 (skipped) where there is none.
# Usage: tango_device.sh TEST PANEL SERVER
set -euo pipefail
test="$(dirname "$0")/$1.py"
shift
# A Python of its own on PATH may lack the Debian packages: try the system's too.
for python in python3 /usr/bin/python3; do
    if command -v "$python" >/dev/null && "$python" -c 'import tango' 2>/dev/null; then
        exec "$python" "$test" "$@"
    fi
done
echo "SKIPPED: no python3 with PyTango (Debian: python3-tango)"
exit 77

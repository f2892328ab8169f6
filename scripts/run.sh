#!/usr/bin/env bash
# Builds the panel and the simulated board (not the test suites) and starts
# the panel on the board.
set -euo pipefail
cd "$(dirname "$0")/.."
# The panel's target brings the board library and its firmware with it.
QV_BUILD_TARGETS=qv7310 scripts/setup.sh
exec "${QV_BUILD_DIR:-build}/bin/qv7310" "$@"

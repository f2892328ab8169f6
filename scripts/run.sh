#!/usr/bin/env bash
# Builds the panel and starts it on the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec "${QV_BUILD_DIR:-build}/bin/qv7310"

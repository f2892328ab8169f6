#!/usr/bin/env bash
# Builds the panel with warnings as errors and runs every test suite offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh -DQV_WERROR=ON -DQV_BUILD_TESTS=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${QV_BUILD_DIR:-build}" --output-on-failure --timeout 300

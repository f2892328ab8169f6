#!/usr/bin/env bash
# Builds the panel and runs every test suite offscreen: first a clang build
# with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzz targets, then
# the regular build with warnings as errors, whose CTest summary ends the run.
set -euo pipefail
cd "$(dirname "$0")/.."
export QV_PACKAGE_LISTS="scripts/test-packages.txt"
export QT_QPA_PLATFORM=offscreen
build="${QV_BUILD_DIR:-build}"

QV_BUILD_DIR="$build-sanitize" scripts/setup.sh sanitize
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build-sanitize" --output-on-failure --timeout 600

QV_BUILD_DIR="$build" scripts/setup.sh werror -DQV_BUILD_TESTS=ON
ctest --test-dir "$build" --output-on-failure --timeout 600

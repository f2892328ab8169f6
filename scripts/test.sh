#!/usr/bin/env bash
# Builds the panel and runs every test suite offscreen: first a clang build
# with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzz targets, then
# a build with Unix Makefiles, then the regular build with warnings as errors
# and the Windows build under Wine, then the regular build's CTest summary
# ends the run. This is what CI runs.
#   scripts/test.sh --quick   rebuilds the regular build only and runs the
#                             suites labelled "quick" (no Xvfb, Wine or
#                             database), for the loop between two edits
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
build="${QV_BUILD_DIR:-build}"

if [ "${1:-}" = --quick ]; then
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    QV_BUILD_DIR="$build" scripts/setup.sh werror -DQV_BUILD_TESTS=ON "${launcher[@]}"
    exec ctest --test-dir "$build" --label-regex '^quick$' --output-on-failure \
        --parallel "$(nproc)" --timeout 600
fi

export QV_PACKAGE_LISTS="scripts/test-packages.txt"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

QV_BUILD_DIR="$build-sanitize" scripts/setup.sh sanitize

# The Windows bridge check runs the 32-bit bridge under Wine, whose 32-bit
# loader (wine32) is an i386 package. A mirror whose i386 lists are being
# synced cannot give it; the check then reports itself skipped.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq || true
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends wine32:i386 ||
        echo "test: wine32:i386 could not be installed; the Windows bridge check will be skipped"
fi
scripts/run-32bit.sh
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build-sanitize" --output-on-failure --timeout 600

# Everything once more with the default generator, in parallel (at least
# three jobs): Makefiles, unlike Ninja, only know the rules for files made by
# targets of their own folder.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build-make" -G "Unix Makefiles" -DQV_WERROR=ON "${launcher[@]}"
cmake --build "$build-make" -j "$(($(nproc) + 2))"

QV_BUILD_DIR="$build" scripts/setup.sh werror -DQV_BUILD_TESTS=ON

# The Windows build (cross-built, with its installer) and its checks under
# wine64, against the Linux panel just built.
QV_BUILD_DIR="$build" QV_WINDOWS_BUILD_DIR="$build-windows" scripts/windows.sh
ctest --test-dir "$build-windows" --output-on-failure --timeout 900 -j2

ctest --test-dir "$build" --output-on-failure --timeout 600

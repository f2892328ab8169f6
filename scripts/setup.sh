#!/usr/bin/env bash
# Installs the Debian packages the panel needs (when missing), then configures
# and builds it with a preset of CMakePresets.json (default: "default"), in
# the preset's folder or in $QV_BUILD_DIR. Extra arguments go to CMake.
#   scripts/setup.sh [PRESET] [CMAKE_ARGS...]
# QV_PACKAGE_LISTS names further package lists to install (space-separated);
# QV_BUILD_TARGETS the targets to build (space-separated; default: all).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=()
for list in scripts/packages.txt ${QV_PACKAGE_LISTS:-}; do
    while read -r p; do
        [[ -z "$p" || "$p" == \#* ]] || packages+=("$p")
    done <"$list"
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    # tango-db would make a system-wide Tango database through dbconfig-common,
    # asking questions; its test makes a database of its own instead.
    if [[ " ${missing[*]} " == *" tango-db "* ]]; then
        echo "tango-db tango-db/dbconfig-install boolean false" | $sudo debconf-set-selections
    fi
    # A mirror in the middle of a sync fails one list now and then: try again,
    # then install from the lists that did come.
    for attempt in 1 2 3; do
        $sudo apt-get update -qq && break
        [ "$attempt" = 3 ] && echo "setup: some package lists could not be refreshed"
        sleep 5
    done
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

preset="default"
if (($#)) && [[ "$1" != -* ]]; then
    preset="$1"
    shift
fi
targets=()
for t in ${QV_BUILD_TARGETS:-}; do
    targets+=(--target "$t")
done
if [ -n "${QV_BUILD_DIR:-}" ]; then
    cmake --preset "$preset" -B "$QV_BUILD_DIR" "$@"
    cmake --build "$QV_BUILD_DIR" "${targets[@]}"
else
    cmake --preset "$preset" "$@"
    cmake --build --preset "$preset" "${targets[@]}"
fi

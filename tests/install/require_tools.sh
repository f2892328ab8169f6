# Sourced by the install and package checks. A tool they cannot find makes
# the check exit 77, which CTest reports as SKIPPED (SKIP_RETURN_CODE), not
# as a failure; scripts/test.sh installs them all.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool not found (a package of scripts/test-packages.txt)"
            exit 77
        fi
    done
}

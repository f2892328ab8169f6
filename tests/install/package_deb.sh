#!/usr/bin/env bash
# Builds the Debian package from the build folder's CPack configuration into a
# scratch folder and checks its control data, its contents, that apt could
# install it here, the desktop entry and AppStream data it carries, and that
# lintian finds no errors in it.
# Usage: package_deb.sh CPACK BUILD_DIR
set -euo pipefail
cpack_cmd="$1"
build="$2"
source "$(dirname "$0")/require_tools.sh"
require_tools dpkg-deb dpkg-shlibdeps apt-get desktop-file-validate appstreamcli lintian file

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cpack_cmd" --config "$build/CPackConfig.cmake" -B "$tmp/out"
debs=("$tmp"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "expected one .deb, got: ${debs[*]}"
deb="${debs[0]}"
arch="$(dpkg --print-architecture)"
version="$(dpkg-deb -f "$deb" Version)"
[[ "$(basename "$deb")" == "qv7310-panel_${version}_${arch}.deb" ]] || fail "file name $(basename "$deb")"

# --- Control data.
dpkg-deb -I "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == qv7310-panel ]] || fail "Package: $(field Package)"
[[ "$version" =~ ^[0-9]+\.[0-9]+$ ]] || fail "Version: $version"
[[ "$(field Architecture)" == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ "$(field Section)" == electronics ]] || fail "Section: $(field Section)"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
depends="$(field Depends)"
# Package names of the comma-separated list, one a line, versions dropped.
depends_names="$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")"
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6 \
    fonts-liberation2 qt6-qpa-plugins; do
    grep -qxF "$needed" <<<"$depends_names" || fail "Depends lacks $needed: $depends"
done

# --- Contents.
dpkg-deb -c "$deb" >"$tmp/contents"
cat "$tmp/contents"
id="$(grep -oE '\./usr/share/applications/[^ ]+\.desktop$' "$tmp/contents" | sed 's|.*/||; s|\.desktop$||')"
[[ -n "$id" ]] || fail "no desktop entry"
has() { grep -Eq "$1" "$tmp/contents" || fail "package lacks $1"; }
has '^-rwxr-xr-x root/root .* \./usr/lib/qv7310/qv7310$'
has '^-rw-r--r-- root/root .* \./usr/lib/qv7310/libBoardPort\.so$'
has '^-rw-r--r-- root/root .* \./usr/lib/qv7310/QV7310\.hex$'
has '^lrwxrwxrwx root/root .* \./usr/bin/qv7310 -> \.\./lib/qv7310/qv7310$'
has "^-rw-r--r-- root/root .* \./usr/share/applications/$id\.desktop$"
has "^-rw-r--r-- root/root .* \./usr/share/metainfo/$id\.metainfo\.xml$"
has "^-rw-r--r-- root/root .* \./usr/share/icons/hicolor/scalable/apps/$id\.svg$"
has "^-rw-r--r-- root/root .* \./usr/share/icons/hicolor/32x32/apps/$id\.png$"
has '^-rw-r--r-- root/root .* \./usr/share/doc/qv7310-panel/copyright$'
has '^-rw-r--r-- root/root .* \./usr/share/doc/qv7310-panel/changelog\.gz$'
has '^-rw-r--r-- root/root .* \./usr/share/man/man1/qv7310\.1\.gz$'
if grep -Eq 'tst_|screenshots|render-art|/usr/local/|/tmp/' "$tmp/contents"; then
    fail "package carries test, tool or stray files"
fi
[[ "$(grep -c '^-' "$tmp/contents")" -eq 11 ]] || fail "expected 11 regular files"

# --- apt resolves its dependencies on this machine (nothing is installed).
apt-get install --simulate --no-install-recommends "$deb" >"$tmp/apt.log" 2>&1 ||
    { cat "$tmp/apt.log"; fail "apt-get cannot install the package"; }
grep -q '^Inst qv7310-panel ' "$tmp/apt.log" || { cat "$tmp/apt.log"; fail "apt would not install it"; }
echo "apt-get --simulate: $(grep -c '^Inst ' "$tmp/apt.log") package(s) to install"

# --- Desktop entry and AppStream data, as installed.
dpkg-deb -x "$deb" "$tmp/root"
desktop-file-validate "$tmp/root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$tmp/root/usr/share/metainfo/$id.metainfo.xml"
file "$tmp/root/usr/lib/qv7310/qv7310" | grep -q 'ELF .*, stripped' || fail "panel not stripped"

# --- lintian: warnings are tolerated, errors are not.
lintian_rc=0
lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 || lintian_rc=$?
echo "--- lintian (exit $lintian_rc)"
cat "$tmp/lintian.log"
if grep -q '^E: ' "$tmp/lintian.log"; then
    fail "lintian reports errors"
fi
[[ $lintian_rc -eq 0 ]] || fail "lintian failed"

echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, Installed-Size $(field Installed-Size) KiB"
echo "Depends: $depends"
echo "package_deb passed"

#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands where, then
# starts the installed panel from / on a private X server, answers the part
# dialog with the keyboard and checks that the simulated board saw the
# firmware download from the installed folder and the start request.
# Usage: install_run.sh CMAKE BUILD_DIR
set -euo pipefail
cmake_cmd="$1"
build="$2"
source "$(dirname "$0")/require_tools.sh"
require_tools Xvfb xdotool readelf

tmp="$(realpath "$(mktemp -d)")"
xvfb_pid=""
panel_pid=""
cleanup() {
    if [[ -n "$panel_pid" ]]; then kill -KILL "$panel_pid" 2>/dev/null || true; fi
    if [[ -n "$xvfb_pid" ]]; then kill -TERM "$xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$tmp"/panel.log "$tmp"/xvfb.log; do
        [[ -s "$log" ]] && { echo "--- $(basename "$log")"; cat "$log"; } >&2
    done
    exit 1
}

prefix="$tmp/prefix"
"$cmake_cmd" --install "$build" --prefix "$prefix"
cd "$prefix"

# --- What is installed, and nothing else (no tests, no screenshot tool).
desktops=(share/applications/*.desktop)
[[ ${#desktops[@]} -eq 1 && -f "${desktops[0]}" ]] || fail "expected one desktop entry"
id="$(basename "${desktops[0]}" .desktop)"
expected="$(sort <<EOF
./bin/qv7310
./lib/qv7310/QV7310.hex
./lib/qv7310/libBoardPort.so
./lib/qv7310/qv7310
./lib/qv7310/qv7310-board-bridge
./share/applications/$id.desktop
./share/doc/qv7310-panel/changelog.gz
./share/doc/qv7310-panel/copyright
./share/icons/hicolor/32x32/apps/$id.png
./share/icons/hicolor/scalable/apps/$id.svg
./share/man/man1/qv7310.1.gz
./share/metainfo/$id.metainfo.xml
EOF
)"
actual="$(find . \( -type f -o -type l \) | sort)"
diff <(echo "$expected") <(echo "$actual") || fail "installed files differ (< expected, > installed)"

[[ -L bin/qv7310 ]] || fail "bin/qv7310 is not a symlink"
[[ "$(readlink bin/qv7310)" == ../lib/qv7310/qv7310 ]] || fail "bin/qv7310 -> $(readlink bin/qv7310)"
[[ -x lib/qv7310/qv7310 && ! -x lib/qv7310/QV7310.hex ]] || fail "permissions in lib/qv7310"
# The installed bridge runs and answers as one.
[[ "$(lib/qv7310/qv7310-board-bridge </dev/null)" == QVB1 ]] || fail "the installed bridge does not answer"
if readelf -d lib/qv7310/qv7310 | grep -E 'RPATH|RUNPATH'; then
    fail "installed panel carries a run-time search path"
fi
grep -qx 'Exec=qv7310' "${desktops[0]}" || fail "desktop entry does not start qv7310"
grep -qx "Icon=$id" "${desktops[0]}" || fail "desktop entry names another icon"
grep -q "<id>$id</id>" "share/metainfo/$id.metainfo.xml" || fail "metainfo id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "share/metainfo/$id.metainfo.xml" ||
    fail "metainfo does not launch $id.desktop"
png="share/icons/hicolor/32x32/apps/$id.png"
[[ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" == 89504e470d0a1a0a ]] || fail "$png is not a PNG"
[[ "$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')" == 0000002000000020 ]] || fail "$png is not 32x32"
gzip -t share/doc/qv7310-panel/changelog.gz share/man/man1/qv7310.1.gz || fail "bad gzip file"
echo "installed layout OK ($id)"

# --- A private X server on a display it picks itself. -noreset: the server
# would reset when its last client (xdotool) leaves and drop a panel that is
# still connecting.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s "$tmp/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start"
    sleep 0.1
done
display_number="$(head -n1 "$tmp/display")"
[[ "$display_number" =~ ^[0-9]+$ ]] || fail "Xvfb reported no display"
export DISPLAY=":$display_number"
echo "Xvfb on $DISPLAY"

# --- The installed panel, started through bin/ from another folder.
trace="$tmp/trace.txt"
mkdir -m 700 "$tmp/runtime"
(
    cd /
    exec env -u BOARDPORT_ABSENT -u BOARDPORT_FAIL_AFTER -u BOARDPORT_FAIL_STATUS \
        QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$tmp/runtime" BOARDPORT_TRACE="$trace" \
        "$prefix/bin/qv7310"
) >"$tmp/panel.log" 2>&1 &
panel_pid=$!

dialog="$(timeout 30 xdotool search --sync --onlyvisible --name '^Select Part$' | head -n1)" ||
    fail "no Select Part window within 30 s"
echo "Select Part window: $dialog"
# QV7301 has the focus; its buttons are not default buttons, so Space, not Return.
# A key sent before Qt has settled the focus is lost, so it is sent again while
# the dialog stays open.
for _ in $(seq 10); do
    xdotool key --window "$dialog" space
    for _ in $(seq 20); do
        [[ -s "$trace" ]] && break 2
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Select Part$' >/dev/null || break
done

for _ in $(seq 300); do
    [[ -f "$trace" && $(wc -l <"$trace") -ge 2 ]] && break
    kill -0 "$panel_pid" 2>/dev/null || fail "panel exited"
    sleep 0.1
done
[[ -f "$trace" ]] || fail "no board trace written"
echo "--- trace"
cat "$trace"
line1="$(sed -n 1p "$trace")"
line2="$(sed -n 2p "$trace")"
[[ "$line1" == "LoadFirmWare $prefix/lib/qv7310/QV7310.hex = 0" ]] || fail "first call: $line1"
[[ "$line2" == "VendorIORequest 224 0 0 0 0 0 = 0" ]] || fail "second call: $line2"

main="$(timeout 20 xdotool search --sync --onlyvisible --name '^QV7301 High Voltage DAC$' | head -n1)" ||
    fail "no QV7301 main window"
echo "main window: $main ($(xdotool getwindowname "$main"))"
kill -0 "$panel_pid" 2>/dev/null || fail "panel exited"
grep -q "BoardPort library" "$tmp/panel.log" && fail "panel could not bind the board library"

# The exit path is covered elsewhere; here the panel is just stopped.
kill -TERM "$panel_pid"
for _ in $(seq 100); do
    kill -0 "$panel_pid" 2>/dev/null || break
    sleep 0.1
done
wait "$panel_pid" 2>/dev/null || true
panel_pid=""
echo "install_run passed"

#!/usr/bin/env bash
# The Windows installer under wine64: installed silently (the panel a window
# program, with its Start-menu entry), the installed panel's --version and a
# short remote session (with the 64-bit simulated board put in place of the
# installed 32-bit one, which only 32-bit Wine could reach through the
# bridge), then the silent uninstall, which leaves
# no file, no Start-menu entry and no "Apps & features" entry behind.
#   windows_installer.sh BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
. "$here/wine-lib.sh"
pid=""
cleanup() {
    [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true
    wine_cleanup
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM
# Before Wine's first program: Wine's desktop keeps the display it started with.
start_display

installer=$(ls "$build"/qv7310-*-win64.exe 2>/dev/null | head -n 1)
[ -n "$installer" ] || { echo "no installer in $build (cpack makes it)"; exit 1; }
name="qv7310-check-$$"
dir="$WINEPREFIX/drive_c/$name"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QV7310 Panel'
start_menu() { find "$WINEPREFIX/drive_c" -name 'QV7310 Panel.lnk' 2>/dev/null; }

"$wine" "$installer" /S "/D=C:\\$name"
for f in qv7310.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll \
    libstdc++-6.dll BoardPort.dll qv7310-board-bridge.exe QV7310.hex Uninstall.exe; do
    [ -f "$dir/$f" ] || { echo "not installed: $f"; ls -R "$dir"; exit 1; }
done
for f in BoardPort.dll qv7310-board-bridge.exe; do
    file "$dir/$f" | grep -q 'PE32 executable.*Intel 80386' || { echo "$f: $(file -b "$dir/$f")"; exit 1; }
done
[ -n "$(start_menu)" ] || { echo "no Start-menu entry"; exit 1; }
# A window program (subsystem 2), which Windows starts from the Start menu
# without a console window beside it; a console program (3) would get one.
# The subsystem: two bytes, 92 bytes after the "PE" signature that the
# 4-byte value at 0x3c points to.
u16le() { od -An -j "$2" -N "$3" -t u"$3" --endian=little "$1" | tr -d ' '; }
subsystem=$(u16le "$dir/qv7310.exe" $(($(u16le "$dir/qv7310.exe" 60 4) + 92)) 2)
[ "$subsystem" = 2 ] || { echo "qv7310.exe: subsystem $subsystem, not a window program (2)"; exit 1; }
"$wine" reg query "$key" /v DisplayName | grep -q 'QV7310 Panel' ||
    { echo "no Apps & features entry"; exit 1; }

version=$("$wine" "$dir/qv7310.exe" --version 2>&1 | tr -d '\r')
echo "installed: $version"
grep -q "$(sed -n 's/^project(QV7310Panel VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")" \
    <<<"$version" || { echo "--version says: $version"; exit 1; }

# A short session of the installed panel, on the simulated board's 64-bit
# build, and its orderly exit (WM_CLOSE).
cp "$build/bin/BoardPort.dll" "$dir/BoardPort.dll"
"$wine" reg delete 'HKCU\Software\QVPANEL' /f >/dev/null 2>&1 || true
BOARDPORT_TRACE=$(winpath "$work/trace") "$wine" "$dir/qv7310.exe" --part QV7310 --remote-port 0 \
    >"$work/out" 2>"$work/err" &
pid=$!
port=$(wait_port "$pid" "$work/out")
[ -n "$port" ] || { echo "the installed panel announced no server:"; cat "$work/out" "$work/err"; exit 1; }
wait_window
python3 "$here/session.py" "$port" "DAC1:CODE 2048" "LDAC:PULS" "DAC1:CODE:OUTP?" "*OPC?" >"$work/replies"
"$wine" taskkill /IM qv7310.exe >/dev/null
status=0
wait "$pid" || status=$?
pid=""
grep -qx 'DAC1:CODE:OUTP? -> 2048' "$work/replies" && [ "$status" = 0 ] &&
    grep -q "^LoadFirmWare .*$name.*QV7310.hex = 0" "$work/trace" &&
    [ "$(tail -n 4 "$work/trace")" = "$safe_state" ] || {
    echo "installed panel: status $status"
    cat "$work/replies" "$work/trace" "$work/err"
    exit 1
}
echo "installed panel: $(wc -l <"$work/trace") board calls, the firmware from the install folder"

# The uninstaller copies itself away and returns at once: wait for the files.
"$wine" "$dir/Uninstall.exe" /S
for _ in $(seq 300); do
    [ -e "$dir" ] || break
    sleep 0.1
done
"$WINESERVER" -w
if [ -e "$dir" ] || [ -n "$(start_menu)" ] || "$wine" reg query "$key" >/dev/null 2>&1; then
    echo "left behind after the uninstall:"
    find "$dir" 2>/dev/null
    start_menu
    "$wine" reg query "$key" 2>/dev/null
    exit 1
fi
echo "uninstalled: no file, no Start-menu entry, no Apps & features entry left"

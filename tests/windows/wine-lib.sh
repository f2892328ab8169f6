# Shared by the checks of the Windows build under wine64 (sourced): the
# prefix in the build folder, Windows paths, a display, starting the panel
# and waiting for its remote control.
# Needs: $build (the Windows build folder).
wine=/usr/lib/wine/wine64
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver64

# winpath /abs/path: the same file as Wine's Z: drive names it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Trace lines as the board saw them, with the firmware path left out.
calls() { sed 's/^LoadFirmWare .* = /LoadFirmWare = /' "$1"; }

safe_state=$'VendorIORequest 221 28672 0 0 0 0 = 0\nVendorIORequest 221 20480 0 0 0 0 = 0\nVendorIORequest 222 0 0 0 0 0 = 0\nVendorIORequest 228 0 0 0 0 0 = 0'

# start_display: an X server of its own for the `windows` platform plug-in.
xvfb_pid=""
start_display() {
    local fd_file="$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" 2>"$work/xvfb.err" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$fd_file" ] && break
        sleep 0.1
    done
    [ -s "$fd_file" ] || { echo "Xvfb did not start"; cat "$work/xvfb.err"; exit 1; }
    export DISPLAY=":$(head -1 "$fd_file")"
}

# wait_port PID OUTFILE: the port the panel announced on its standard output.
wait_port() {
    local pid=$1 out=$2 port=""
    for _ in $(seq 600); do
        port=$(sed -n 's/^qv7310: remote control on 127\.0\.0\.1:\([0-9][0-9]*\)\r\{0,1\}$/\1/p' "$out")
        if [ -n "$port" ] || ! kill -0 "$pid" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    echo "$port"
}

# wait_window: until the panel's window is shown on the display, so that
# WM_CLOSE finds it (the panel serves remote control before it shows it).
wait_window() {
    timeout 60 xdotool search --sync --onlyvisible --name 'QV73' >/dev/null ||
        { echo "the panel's window was not shown"; exit 1; }
}

# Ends what a check left running in the prefix, and its display.
wine_cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}

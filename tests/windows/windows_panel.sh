#!/usr/bin/env bash
# The Windows panel under wine64, with the `windows` platform on an X server of
# its own (where WM_CLOSE and the session's end reach it), driven by remote
# control.
#   windows_panel.sh session BUILD LINUX_BUILD
#     the same session on the Linux panel and on the Windows panel with the
#     64-bit simulated board in-process: the board's traces are the same call
#     for call, and so are the replies; then through the 64-bit bridge, and
#     `taskkill /F` at 58.6 V: the bridge's safe state within 2 s.
#   windows_panel.sh bridge32 BUILD
#     the session on the Windows panel beside the simulated board built the
#     maker's way (32-bit, decorated names): the panel reads its PE header and
#     reaches it through the 32-bit bridge, started by itself; the trace is
#     the in-process one's. Skipped (77) where Wine runs no 32-bit program.
#   windows_panel.sh ways-out BUILD
#     WM_CLOSE, the session's end, and from a console Ctrl+C, Ctrl+Break and
#     the console's close each give one safe state; a second panel
#     is refused and makes no board call; with "Exit without reseting DACs"
#     nothing follows `taskkill /F`.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
linux=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
bin="$build/bin"
work=$(mktemp -d)
. "$here/wine-lib.sh"
pids=()
cleanup() {
    for p in "${pids[@]}"; do
        kill -KILL "$p" 2>/dev/null || true
    done
    wine_cleanup
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM
start_display

# win_start NAME [ARGS...]: the Windows panel with remote control on a free
# port and the board's trace in $work/NAME.trace; sets $pid and $port. With
# $console_event, on a console of its own that gives it that event once
# $work/NAME.go exists (qv-console-event.exe; $pid is then that one's). Its
# kept settings (limits) are cleared first, as a test's own XDG_CONFIG_HOME
# does on Linux.
win_start() {
    local name=$1
    shift
    "$wine" reg delete 'HKCU\Software\QVPANEL' /f >/dev/null 2>&1 || true
    : >"$work/$name.trace"
    local program=("$bin/qv7310.exe")
    if [ -n "${console_event:-}" ]; then
        program=("$bin/qv-console-event.exe" "$console_event" "$(winpath "$work/$name.go")"
            "$(winpath "$bin/qv7310.exe")")
    fi
    BOARDPORT_TRACE=$(winpath "$work/$name.trace") \
        "$wine" "${program[@]}" --part QV7310 --remote-port 0 "$@" \
        >"$work/$name.out" 2>"$work/$name.err" &
    pid=$!
    pids+=("$pid")
    port=$(wait_port "$pid" "$work/$name.out")
    if [ -z "$port" ]; then
        echo "$name: the Windows panel announced no server:"
        cat "$work/$name.out" "$work/$name.err"
        exit 1
    fi
    wait_window
}

# finish NAME STATUS...: waits for the panel and checks how it ended.
finish() {
    local name=$1 status=0
    shift
    wait "$pid" || status=$?
    if [[ " $* " != *" $status "* ]]; then
        echo "$name: the panel ended with status $status, not $*"
        cat "$work/$name.err"
        exit 1
    fi
}

# wait_tail FILE LINES SECONDS START: waits until FILE ends with LINES; prints
# the milliseconds since START (from now_us), or "none" when that took over
# SECONDS.
now_us() { echo "${EPOCHREALTIME/./}"; }
wait_tail() {
    local file=$1 lines=$2 limit=$(($3 * 1000000)) start=$4 n now
    n=$(printf '%s\n' "$lines" | wc -l)
    while [ "$(tail -n "$n" "$file")" != "$lines" ]; do
        now=${EPOCHREALTIME/./}
        if ((now - start > limit)); then
            echo none
            return
        fi
        sleep 0.01
    done
    now=${EPOCHREALTIME/./}
    echo $(((now - start) / 1000))
}

# kill_at_58v NAME: sets every output to 58.6 V, ends the panel with
# `taskkill /F` (as kill -9 does) and prints the milliseconds until the trace
# ended with the safe state ("none" within 2 s).
kill_at_58v() {
    local name=$1 start
    python3 "$here/session.py" "$port" "RANG 60" "DAC:ALL:CODE 4000" "LDAC:PULS" "DAC1:VOLT:OUTP?" \
        "*OPC?" >"$work/$name.high"
    grep -q 'DAC1:VOLT:OUTP? -> 58\.[56]' "$work/$name.high" || {
        echo "$name: not at 58.6 V:"
        cat "$work/$name.high"
        exit 1
    }
    cp "$work/$name.trace" "$work/$name.before"
    start=$(now_us)
    "$wine" taskkill /F /IM qv7310.exe >/dev/null
    wait_tail "$work/$name.trace" "$safe_state" 2 "$start"
}

session_check() {
    [ -x "$linux/bin/qv7310" ] || { echo "no Linux panel in $linux/bin"; exit 1; }
    # The Linux panel, headless, ended with SIGTERM.
    mkdir -m 700 "$work/runtime" "$work/config"
    XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
        BOARDPORT_TRACE="$work/linux.trace" "$linux/bin/qv7310" --part QV7310 --remote-port 0 \
        >"$work/linux.out" 2>"$work/linux.err" &
    pid=$!
    pids+=("$pid")
    port=$(wait_port "$pid" "$work/linux.out")
    [ -n "$port" ] || { cat "$work/linux.out" "$work/linux.err"; exit 1; }
    python3 "$here/session.py" "$port" >"$work/linux.replies"
    kill -TERM "$pid"
    finish linux 0

    # The Windows panel, the 64-bit simulated board in-process, ended by
    # WM_CLOSE (taskkill without /F).
    win_start windows
    python3 "$here/session.py" "$port" >"$work/windows.replies"
    "$wine" taskkill /IM qv7310.exe >/dev/null
    finish windows 0
    local failed=0
    grep -q '^VendorIORequest 229 ' "$work/linux.trace" || { echo "no range request traced"; failed=1; }
    diff -u <(calls "$work/linux.trace") <(calls "$work/windows.trace") || failed=1
    diff -u "$work/linux.replies" "$work/windows.replies" || failed=1
    [ "$failed" = 0 ] || exit 1
    echo "windows panel: $(wc -l <"$work/windows.trace") board calls and $(wc -l <"$work/windows.replies") replies, the same as the Linux panel's"
    echo "firmware paths: $(sed -n 's/^LoadFirmWare \(.*\) = .*/\1/p' "$work/linux.trace" "$work/windows.trace" | tr '\n' ' ')"

    # The same through the 64-bit bridge, then taskkill /F at 58.6 V.
    win_start bridge --board-bridge "$(winpath "$bin/qv7310-board-bridge.exe")"
    python3 "$here/session.py" "$port" >"$work/bridge.replies"
    diff -u "$work/windows.replies" "$work/bridge.replies" || exit 1
    local ms
    ms=$(kill_at_58v bridge) || { echo "$ms"; exit 1; }
    wait "$pid" || true
    local upto=$(($(wc -l <"$work/windows.trace") - 4))
    diff -u <(calls "$work/windows.trace" | head -n "$upto") \
        <(calls "$work/bridge.trace" | head -n "$upto") || exit 1
    if [ "$ms" = none ]; then
        echo "taskkill /F at 58.6 V: no safe state within 2 s; the trace ends:"
        tail -n 6 "$work/bridge.trace"
        exit 1
    fi
    echo "bridge: the same calls; taskkill /F at 58.6 V, the safe state after $ms ms"
}

# after NAME: the trace's lines since $work/NAME.before.
after() { tail -n +$(($(wc -l <"$work/$1.before") + 1)) "$work/$1.trace"; }

# high NAME: every output at 58.6 V, and the trace so far kept.
high() {
    python3 "$here/session.py" "$port" "RANG 60" "DAC:ALL:CODE 4000" "LDAC:PULS" "*OPC?" >/dev/null
    cp "$work/$1.trace" "$work/$1.before"
}

ways_out_check() {
    local failed=0
    # WM_CLOSE, as `taskkill` without /F and the window's close box send it.
    win_start close
    high close
    "$wine" taskkill /IM qv7310.exe >/dev/null
    finish close 0
    [ "$(after close)" = "$safe_state" ] || { echo "WM_CLOSE:"; after close; failed=1; }

    # The session's end: WM_QUERYENDSESSION, then WM_ENDSESSION.
    win_start endsession
    high endsession
    "$wine" wineboot --end-session >/dev/null 2>&1 || true
    # The panel ends itself while it handles WM_ENDSESSION, before the
    # system would.
    finish endsession 0
    [ "$(after endsession)" = "$safe_state" ] || { echo "session end:"; after endsession; failed=1; }

    # From a console: Ctrl+C, Ctrl+Break, and the console closed (which
    # gives the panel 5 s before it is ended).
    # Ctrl+C also through the 64-bit bridge, which must not end on it before
    # the panel's exit has used it.
    local event
    for event in ctrl-c ctrl-break close ctrl-c-bridge; do
        if [ "$event" = ctrl-c-bridge ]; then
            console_event=ctrl-c win_start "$event" \
                --board-bridge "$(winpath "$bin/qv7310-board-bridge.exe")"
        else
            console_event=$event win_start "$event"
        fi
        high "$event"
        touch "$work/$event.go"
        finish "$event" 0
        [ "$(after "$event")" = "$safe_state" ] || { echo "$event:"; after "$event"; failed=1; }
    done

    # A second panel on the same board is refused and calls nothing.
    win_start first
    cp "$work/first.trace" "$work/first.before"
    : >"$work/second.trace"
    local status=0
    BOARDPORT_TRACE=$(winpath "$work/second.trace") timeout 120 \
        "$wine" "$bin/qv7310.exe" --part QV7310 --remote-port 0 >"$work/second.out" \
        2>"$work/second.err" || status=$?
    if ! grep -q "Another panel is already using the evaluation board." "$work/second.err" ||
        [ "$status" = 0 ] || [ "$status" = 124 ] || [ -s "$work/second.trace" ] ||
        [ -n "$(after first)" ]; then
        echo "second panel: status $status, said:"
        cat "$work/second.out" "$work/second.err"
        echo "and called:"
        cat "$work/second.trace"
        failed=1
    fi
    "$wine" taskkill /IM qv7310.exe >/dev/null
    finish first 0

    # "Exit without reseting DACs" (File menu, chosen with the keyboard),
    # then taskkill /F through the bridge: the outputs stay as they are.
    win_start noreset --board-bridge "$(winpath "$bin/qv7310-board-bridge.exe")"
    local window
    window=$(xdotool search --onlyvisible --name 'QV73' | head -n 1)
    xdotool windowfocus --sync "$window"
    xdotool key --delay 200 alt+f Up Return
    local ms
    ms=$(kill_at_58v noreset) || { echo "$ms"; exit 1; }
    wait "$pid" || true
    if [ "$ms" != none ] || [ -n "$(after noreset)" ]; then
        echo "Exit without reseting DACs, then taskkill /F: the board was called:"
        after noreset
        failed=1
    fi
    [ "$failed" = 0 ] || exit 1
    echo "ways out: WM_CLOSE, the session's end, Ctrl+C, Ctrl+Break and the console's close one" \
        "safe state each and status 0; a second panel refused" \
        "without a board call; nothing after taskkill /F with Exit without reseting DACs"
}

bridge32_check() {
    local hello
    hello=$(timeout 600 "$wine" "$build/win32/qv7310-board-bridge.exe" </dev/null 2>"$work/probe.err" |
        head -c 4) || true
    if [ "$hello" != QVB1 ]; then
        echo "SKIPPED: this Wine runs no 32-bit Windows program (wine32:i386 missing?):"
        grep -v '^$' "$work/probe.err" | head -n 5 || true
        exit 77
    fi
    win_start windows
    python3 "$here/session.py" "$port" >"$work/windows.replies"
    "$wine" taskkill /IM qv7310.exe >/dev/null
    finish windows 0
    # The panel's folder as installed: the 32-bit DLL and bridge beside it.
    local maker="$work/maker"
    cp -r "$bin" "$maker"
    cp "$build/win32/BoardPort.dll" "$build/win32/qv7310-board-bridge.exe" "$maker/"
    bin="$maker" win_start maker
    python3 "$here/session.py" "$port" >"$work/maker.replies"
    "$wine" taskkill /IM qv7310.exe >/dev/null
    finish maker 0
    diff -u <(calls "$work/windows.trace") <(calls "$work/maker.trace") || exit 1
    diff -u "$work/windows.replies" "$work/maker.replies" || exit 1
    echo "32-bit bridge: $(wc -l <"$work/maker.trace") board calls, the same as in-process"
}

case "$mode" in
session) session_check ;;
ways-out) ways_out_check ;;
bridge32) bridge32_check ;;
*) echo "usage: $0 session|ways-out|bridge32 BUILD [LINUX_BUILD]"; exit 2 ;;
esac

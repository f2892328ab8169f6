#!/usr/bin/env bash
# Builds the benchmarks (preset "bench": Release, in build-bench/ or
# $QV_BUILD_DIR) and runs them: the panel's start-up to its first paint
# against two floors, an empty window of its size and a plain window of its
# size that shows text in its font, counted under callgrind and timed; handler costs beside the bare board
# call; instructions per command under callgrind; remote-control round trips
# and pipelined throughput over TCP; a full linearity run's cost per point.
# Ends with a summary in
# Markdown, ready to paste; targets are reported, not enforced.
#   QV_BENCH_RUNS=N   timed start-up rounds (default 25, at least 20)
#   QV_BENCH_XVFB=0   skip the timed start-up rounds under Xvfb
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QV_BUILD_DIR:-build-bench}"
runs="${QV_BENCH_RUNS:-25}"
((runs >= 20)) || { echo "QV_BENCH_RUNS must be at least 20" >&2; exit 2; }

QV_PACKAGE_LISTS="${QV_PACKAGE_LISTS:-} bench/packages.txt" QV_BUILD_DIR="$build" \
    scripts/setup.sh bench
bin="$PWD/$build/bin"
panel=qv7310-startup-bench
text=qv7310-text-floor-bench
empty=qv7310-floor-bench

# The simulated board as a person would meet it: present, no faults, no trace.
unset BOARDPORT_ABSENT BOARDPORT_TRACE BOARDPORT_FAIL_AFTER BOARDPORT_FAIL_STATUS
export QT_QPA_PLATFORM=offscreen
tmp="$(mktemp -d)"
chmod 700 "$tmp"
export XDG_RUNTIME_DIR="$tmp"
xvfb_pid=""
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
verdict() { awk -v v="$1" -v max="$2" 'BEGIN {print (v <= max) ? "met" : "MISSED"}'; }
callgrind_totals() { awk '/^totals:/ {print $2}' "$1"; }

echo
echo "== Machine"
cpu="$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)"
ram="$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
os="$(. /etc/os-release && echo "$PRETTY_NAME")"
machine="$(nproc) CPUs, $cpu, $ram RAM, $os, Qt $(qtpaths6 --qt-version 2>/dev/null || echo '?')"
echo "$machine"
load_start="$(cut -d' ' -f1-3 /proc/loadavg)"
echo "load average at start: $load_start"

echo
echo "== Start-up instructions over the whole process (callgrind, offscreen, --exit-at-paint)"
for program in $panel $text $empty; do
    valgrind --tool=callgrind --callgrind-out-file="$tmp/cg.$program" \
        "$bin/$program" --exit-at-paint >/dev/null 2>"$tmp/cg.log" || {
        cat "$tmp/cg.log"
        exit 1
    }
    printf '  %-26s %12d Ir\n' "$program" "$(callgrind_totals "$tmp/cg.$program")"
done
ir_panel="$(callgrind_totals "$tmp/cg.$panel")"
ir_text="$(callgrind_totals "$tmp/cg.$text")"
ir_empty="$(callgrind_totals "$tmp/cg.$empty")"

# $1 label: the three programs in interleaved rounds, spawned and timed by
# qv7310-bench-runner after two untimed rounds; prints its table.
startup_series() {
    local label="$1" program
    "$bin/qv7310-bench-runner" "$runs" 2 "$bin/$panel" "$bin/$text" "$bin/$empty" \
        -- --exit-at-paint >"$tmp/$label.txt"
    cat "$tmp/$label.txt"
    for program in $panel $text $empty; do
        echo "  one run's steps, $program: $("$bin/$program" --exit-at-paint | grep '^phases')"
    done
}
# $1 label, $2 program, $3 column of the runner's table: 3 wall, 5 CPU, 7 RSS, 9 paint.
figure() { awk -v p="$2" -v c="$3" '$1 == p {print $c}' "$tmp/$1.txt"; }

echo
echo "== Start-up timed: $runs interleaved rounds, medians and IQR (offscreen, --exit-at-paint)"
startup_series offscreen

xvfb_done=0
if [ "${QV_BENCH_XVFB:-1}" != 0 ] && command -v Xvfb >/dev/null; then
    echo
    echo "== Start-up timed under Xvfb (xcb platform), for information"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 50); do
        [ -s "$tmp/display" ] && break
        sleep 0.1
    done
    if [ -s "$tmp/display" ]; then
        export DISPLAY=":$(head -n 1 "$tmp/display")"
        QT_QPA_PLATFORM=xcb startup_series xvfb
        xvfb_done=1
    else
        echo "Xvfb did not start; skipped"
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
fi

echo
echo "== Command cost (offscreen, through the handlers and the simulated board)"
"$bin/qv7310-command-bench" -iterations 100000 >"$tmp/command.txt" 2>&1 || {
    cat "$tmp/command.txt"
    exit 1
}
echo "QBENCHMARK, wall time, 100000 iterations:"
awk '/^RESULT/ {name = $3; sub(/^CommandBench::/, "", name); sub(/\(\):$/, "", name); next}
     name != "" && /msecs per iteration/ {printf "  %-28s %9.3f us\n", name, $1 * 1000; name = ""}' \
    "$tmp/command.txt"
echo "CPU time per call (CLOCK_PROCESS_CPUTIME_ID):"
grep '^PERCALL' "$tmp/command.txt" | sed 's/^PERCALL /  /'
percall() { awk -v n="$1" '$1 == "PERCALL" && $2 == n {print $4}' "$tmp/command.txt"; }
bare_cpu="$(percall bare-board-call)"
write_cpu="$(percall load-dac-write)"
write_new_cpu="$(percall load-dac-write-new-code)"
change_cpu="$(percall code-change-only)"
write_beside="$(awk -v w="$write_cpu" -v b="$bare_cpu" 'BEGIN {printf "%.3f", w - b}')"
write_new_beside="$(awk -v w="$write_new_cpu" -v c="$change_cpu" -v b="$bare_cpu" \
    'BEGIN {printf "%.3f", w - c - b}')"
echo "write handler beside the board call: $write_beside us CPU (same code each time),"
echo "  $write_new_beside us CPU (new code each time, less the entry change)"

echo
echo "== Remote control over TCP (offscreen, window shown, one client on loopback)"
"$bin/qv7310-remote-bench" 50000 >"$tmp/remote.txt" 2>&1 || {
    cat "$tmp/remote.txt"
    exit 1
}
grep '^REMOTE' "$tmp/remote.txt" | sed 's/^REMOTE /  /'
# $1 measure, $2 the word before the figure.
remote() {
    awk -v n="$1" -v f="$2" '$1 == "REMOTE" && $2 == n {
        for (i = 3; i < NF; i++) if ($i == f) print $(i + 1) }' "$tmp/remote.txt"
}

echo
echo "== pyvisa-py: a query, and a write followed by a query (headless panel, loopback)"
pyvisa_python=""
for candidate in python3 /usr/bin/python3; do
    if command -v "$candidate" >/dev/null && "$candidate" -c 'import pyvisa, pyvisa_py' 2>/dev/null; then
        pyvisa_python=$candidate
        break
    fi
done
if [ -n "$pyvisa_python" ]; then
    mkdir -m 700 -p "$tmp/pyvisa-runtime"
    XDG_RUNTIME_DIR="$tmp/pyvisa-runtime" XDG_CONFIG_HOME="$tmp/pyvisa-config" \
        "$bin/qv7310" --part QV7310 --remote-port 0 >"$tmp/pyvisa-panel.txt" 2>&1 &
    pyvisa_panel=$!
    port=""
    for _ in $(seq 100); do
        port=$(sed -n 's/^qv7310: remote control on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$tmp/pyvisa-panel.txt")
        [ -z "$port" ] || break
        sleep 0.1
    done
    "$pyvisa_python" bench/pyvisa_round_trips.py "$port" 500 >"$tmp/pyvisa.txt" || true
    kill "$pyvisa_panel" 2>/dev/null || true
    wait "$pyvisa_panel" 2>/dev/null || true
    sed 's/^PYVISA /  /' "$tmp/pyvisa.txt"
fi
pyvisa() { awk -v n="$1" -v c="$2" '$2 == n {print $c}' "$tmp/pyvisa.txt" 2>/dev/null; }

echo
echo "== Remote control under load: *IDN? beside a client flooding *RST; SIGTERM during a three-client flood"
mkdir -m 700 "$tmp/load"
python3 bench/remote_load.py "$bin/qv7310" "$tmp/load" >"$tmp/load.txt" || true
sed 's/^LOAD /  /' "$tmp/load.txt"
load() { awk -v n="$1" -v c="$2" '$2 == n {print $c}' "$tmp/load.txt" 2>/dev/null; }

echo
echo "== One board request through the board link: in-process, native bridge, bridge under Wine"
"$bin/qv7310-bridge-bench" in-process 20000 0 >"$tmp/bridge.txt"
"$bin/qv7310-bridge-bench" native-bridge 20000 0 "$bin/qv7310-board-bridge" >>"$tmp/bridge.txt"
# Alone: 2 ms between requests, so that both processes sleep before each.
"$bin/qv7310-bridge-bench" native-bridge-alone 2000 2000 "$bin/qv7310-board-bridge" \
    >>"$tmp/bridge.txt"
win32="$PWD/$build/win32"
if command -v wine >/dev/null && [ -f "$win32/qv7310-board-bridge.exe" ]; then
    # Wine makes its prefix on the first run: minutes where 32-bit programs run emulated.
    WINEPREFIX="$win32/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        QV7310_BRIDGE_START_SECONDS=900 "$bin/qv7310-bridge-bench" wine-bridge 2000 0 \
        "wine $win32/qv7310-board-bridge.exe" >>"$tmp/bridge.txt" || true
    WINEPREFIX="$win32/wineprefix" wineserver -k 2>/dev/null || true
fi
# The Windows build under wine64 (scripts/windows.sh makes it; QV_BENCH_WINDOWS=0
# leaves it out): one request through the 64-bit bridge, and the Windows
# panel's Load DAC write.
windows_build="${QV_WINDOWS_BUILD_DIR:-build-windows}"
if [ "${QV_BENCH_WINDOWS:-1}" != 0 ] && [ -f "$windows_build/CMakeCache.txt" ] &&
    cmake --build "$windows_build" --target qv7310-bridge-bench qv7310-pipe-bench \
        qv7310-command-bench >/dev/null; then
    echo "(Windows build, wine64: $(/usr/lib/wine/wine64 --version))"
    wbin="$PWD/$windows_build/bin"
    export WINEPREFIX="$tmp/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    # A console program without a window: no platform option.
    /usr/lib/wine/wine64 "$wbin/qv7310-bridge-bench.exe" windows-in-process 20000 0 |
        tr -d '\r' >>"$tmp/bridge.txt"
    /usr/lib/wine/wine64 "$wbin/qv7310-bridge-bench.exe" windows-bridge 20000 0 \
        "Z:${wbin//\//\\}\\qv7310-board-bridge.exe" | tr -d '\r' >>"$tmp/bridge.txt"
    /usr/lib/wine/wine64 "$wbin/qv7310-pipe-bench.exe" windows-pipe 20000 | tr -d '\r' >>"$tmp/bridge.txt"
    /usr/lib/wine/wine64 "$wbin/qv7310-command-bench.exe" -platform offscreen -iterations 20000 \
        2>&1 | tr -d '\r' >"$tmp/command-windows.txt" || true
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    unset WINEPREFIX
fi
sed 's/^ROUNDTRIP /  /' "$tmp/bridge.txt"
roundtrip() { awk -v l="$1" -v c="$2" '$2 == l {print $c}' "$tmp/bridge.txt"; }
below20() { awk -v v="$1" 'BEGIN {print (v <= 20) ? "<= 20: met" : "<= 20: MISSED"}'; }
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    wine_note="32-bit programs run natively"
else
    wine_note="32-bit programs run under qemu-i386: the kernel has 32-bit support turned off"
fi

echo
echo "== A full linearity run (4,096 codes) against the simulated multimeter, no settle or reading time"
mkdir -m 700 "$tmp/linearity"
python3 bench/linearity_run.py "$bin" "$tmp/linearity" >"$tmp/linearity.txt" || true
sed 's/^LINEARITY /  /' "$tmp/linearity.txt"
linearity() { awk -v f="$1" '$1 == "LINEARITY" {for (i = 2; i < NF; i++) if ($i == f) print $(i + 1)}' \
    "$tmp/linearity.txt"; }

echo
echo "== Instructions per command under callgrind (1000 calls after 100 uncounted)"
for command in write write-history-off ldac control bare; do
    valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$tmp/cg.$command" \
        "$bin/qv7310-write-once" "$command" 1000 >/dev/null 2>"$tmp/cg.log" || {
        cat "$tmp/cg.log"
        exit 1
    }
    # Only what runs inside the board library's entry point, with its callees.
    valgrind --tool=callgrind --instr-atstart=no --toggle-collect=VendorIORequest \
        --callgrind-out-file="$tmp/cg.$command.board" \
        "$bin/qv7310-write-once" "$command" 1000 >/dev/null 2>"$tmp/cg.log" || {
        cat "$tmp/cg.log"
        exit 1
    }
    total="$(callgrind_totals "$tmp/cg.$command")"
    board="$(callgrind_totals "$tmp/cg.$command.board")"
    printf '  %-18s %7d Ir per call: %7d inside libBoardPort (VendorIORequest), %7d the rest\n' \
        "$command" $((total / 1000)) $((board / 1000)) $(((total - board) / 1000))
    eval "cg_${command//-/_}_total=$((total / 1000)) cg_${command//-/_}_board=$((board / 1000))"
done
load_end="$(cut -d' ' -f1-3 /proc/loadavg)"

# One Markdown row: measure, panel, text floor, empty floor, the two ratios,
# and the target with its verdict (empty for figures given for information).
start_row() {
    local measure="$1" p="$2" t="$3" e="$4" unit="$5" target="${6:-}" to_text to_empty
    to_text="$(ratio "$p" "$t")"
    to_empty="$(ratio "$p" "$e")"
    [ -z "$target" ] || target="<= $target: $(verdict "$to_text" "$target")"
    echo "| $measure | $p $unit | $t $unit | $e $unit | $to_text | $target | $to_empty |"
}
below10() { awk -v v="$1" 'BEGIN {print (v < 10) ? "< 10: met" : "< 10: MISSED"}'; }

echo
echo "== Summary (Markdown)"
echo
echo "$machine; offscreen; $runs timed rounds; load average $load_start at start, $load_end at end."
echo
echo "| Start-up to first paint | Panel | Text floor | Empty floor | Panel / text floor | Target | Panel / empty floor |"
echo "|---|---|---|---|---|---|---|"
start_row "instructions, whole process (callgrind)" "$ir_panel" "$ir_text" "$ir_empty" Ir 1.00
start_row "wall time, median" "$(figure offscreen $panel 3)" "$(figure offscreen $text 3)" \
    "$(figure offscreen $empty 3)" ms 1.10
start_row "CPU time, median" "$(figure offscreen $panel 5)" "$(figure offscreen $text 5)" \
    "$(figure offscreen $empty 5)" ms 1.10
start_row "peak RSS, median" "$(figure offscreen $panel 7)" "$(figure offscreen $text 7)" \
    "$(figure offscreen $empty 7)" kB 1.02
start_row "main() to first paint in process, median" "$(figure offscreen $panel 9)" \
    "$(figure offscreen $text 9)" "$(figure offscreen $empty 9)" ms
if ((xvfb_done)); then
    # For information: an X server, and a D-Bus autolaunch in every program,
    # make these runs far noisier than the offscreen ones.
    start_row "Xvfb: wall time, median" "$(figure xvfb $panel 3)" "$(figure xvfb $text 3)" \
        "$(figure xvfb $empty 3)" ms
    start_row "Xvfb: peak RSS, median" "$(figure xvfb $panel 7)" "$(figure xvfb $text 7)" \
        "$(figure xvfb $empty 7)" kB
fi
echo
echo "| Command | CPU per call | Instructions per call (inside libBoardPort + rest) | Target |"
echo "|---|---|---|---|"
echo "| bare board call (request 221) | $bare_cpu µs | $cg_bare_total ($cg_bare_board + $((cg_bare_total - cg_bare_board))) | |"
echo "| Load DAC write, \`cmdWrite_Click(1)\` | $write_cpu µs | $cg_write_total ($cg_write_board + $((cg_write_total - cg_write_board))) | |"
echo "| same, the request history off | $(percall load-dac-write-history-off) µs | $cg_write_history_off_total ($cg_write_history_off_board + $((cg_write_history_off_total - cg_write_history_off_board))) | |"
echo "| same, with \`--journal\` (a JSON line written and flushed per request) | $(percall load-dac-write-journal) µs | | |"
echo "| write handler beside the board call | $write_beside µs | $((cg_write_total - cg_write_board)) | $(below10 "$write_beside") |"
echo "| same, with a new code each write | $write_new_beside µs | | $(below10 "$write_new_beside") |"
echo "| Pulse LDAC with voltage refresh, \`cmdLDAC_Click(0)\` | $(percall pulse-ldac) µs | $cg_ldac_total ($cg_ldac_board + $((cg_ldac_total - cg_ldac_board))) | $(below10 "$(percall pulse-ldac)") |"
echo "| control-register click with a toggle, \`optPD1_Click(3)\` | $(percall control-register) µs | $cg_control_total ($cg_control_board + $((cg_control_total - cg_control_board))) | $(below10 "$(percall control-register)") |"
echo
echo "| Remote control | Median | 99th percentile | Target |"
echo "|---|---|---|---|"
echo "| \`*IDN?\` round trip | $(remote query-round-trip-us median) µs | $(remote query-round-trip-us p99) µs | |"
echo "| \`DAC1:CODE n;:WORD?\` round trip | $(remote write-round-trip-us median) µs | $(remote write-round-trip-us p99) µs | |"
ratio_median="$(remote write-to-query-ratio median)"
echo "| write / query | $ratio_median | $(remote write-to-query-ratio p99) | <= 1.2: $(verdict "$ratio_median" 1.2) |"
paint_max="$(remote write-to-paint-ms max)"
echo "| write sent to the window painted | $(remote write-to-paint-ms median) ms | $(remote write-to-paint-ms p99) ms (max $paint_max ms) | max <= 20 ms: $(verdict "$paint_max" 20) |"
echo "| pipelined \`*OPC?\` lines | $(remote pipelined-queries lines-per-s) per s | | |"
echo "| pipelined \`DAC1:CODE 7\` lines | $(remote pipelined-writes lines-per-s) per s | | |"
if [ -n "$(pyvisa query 3)" ]; then
    pv_ratio="$(ratio "$(pyvisa write-then-query 3)" "$(pyvisa query 3)")"
    echo "| pyvisa-py \`query()\` | $(pyvisa query 3) ms | $(pyvisa query 4) ms | |"
    echo "| pyvisa-py \`write()\` then \`query()\` | $(pyvisa write-then-query 3) ms | $(pyvisa write-then-query 4) ms | <= 3x a query: $pv_ratio, $(verdict "$pv_ratio" 3) |"
fi
if [ -n "$(load idn-under-flood 3)" ]; then
    echo "| \`*IDN?\` round trip beside a client flooding \`*RST\` | $(load idn-under-flood 3) ms | $(load idn-under-flood 4) ms | p99 <= 5 ms: $(verdict "$(load idn-under-flood 4)" 5) |"
    echo "| SIGTERM during a three-client flood to the safe state's first request | $(load sigterm-to-safe-state 3) ms, $(load sigterm-to-safe-state 4) flood requests after the signal | | <= 50 ms: $(verdict "$(load sigterm-to-safe-state 3)" 50) |"
fi
if [ -n "$(linearity panel-cpu-ms-per-point)" ]; then
    echo
    echo "| Linearity run, 4,096 codes, simulated multimeter | Per point | Target |"
    echo "|---|---|---|"
    echo "| the panel's own CPU time | $(linearity panel-cpu-ms-per-point) ms | <= 0.5 ms: $(verdict "$(linearity panel-cpu-ms-per-point)" 0.5) |"
    echo "| wall time (panel, multimeter and loopback) | $(linearity wall-ms-per-point) ms | |"
fi
echo
echo "| One board request (LDAC high/low) | Median | 99th percentile | Target |"
echo "|---|---|---|---|"
echo "| in-process library | $(roundtrip in-process 4) µs | $(roundtrip in-process 5) µs | |"
echo "| native board bridge, back to back | $(roundtrip native-bridge 4) µs | $(roundtrip native-bridge 5) µs | $(below20 "$(roundtrip native-bridge 4)") |"
echo "| native board bridge, 2 ms between requests | $(roundtrip native-bridge-alone 4) µs | $(roundtrip native-bridge-alone 5) µs | $(below20 "$(roundtrip native-bridge-alone 4)") |"
if [ -n "$(roundtrip wine-bridge 4)" ]; then
    echo "| 32-bit bridge under Wine ($wine_note) | $(roundtrip wine-bridge 4) µs | $(roundtrip wine-bridge 5) µs | for information |"
fi
if [ -n "$(roundtrip windows-bridge 4)" ]; then
    echo "| Windows build under wine64, in-process 64-bit library | $(roundtrip windows-in-process 4) µs | $(roundtrip windows-in-process 5) µs | |"
    echo "| Windows build under wine64, 64-bit bridge, back to back | $(roundtrip windows-bridge 4) µs | $(roundtrip windows-bridge 5) µs | $(below20 "$(roundtrip windows-bridge 4)") |"
    echo "| wine64: 8 bytes there and back over an anonymous pipe, nothing else (the floor) | $(roundtrip windows-pipe 4) µs | $(roundtrip windows-pipe 5) µs | for information |"
fi
if [ -s "$tmp/command-windows.txt" ]; then
    wpercall() { awk -v n="$1" '$1 == "PERCALL" && $2 == n {print $4}' "$tmp/command-windows.txt"; }
    echo
    echo "| Windows build under wine64 | CPU per call |"
    echo "|---|---|"
    echo "| bare board call (request 221) | $(wpercall bare-board-call) µs |"
    echo "| Load DAC write, \`cmdWrite_Click(1)\` | $(wpercall load-dac-write) µs |"
fi

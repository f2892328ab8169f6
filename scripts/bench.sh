#!/usr/bin/env bash
# Builds the benchmarks (preset "bench": Release, in build-bench/ or
# $QV_BUILD_DIR) and runs them: start-up to the first paint against an empty
# window of the same size (the floor), handler costs beside the bare board
# call, and instructions per write under callgrind. Ends with a summary table;
# targets are reported, not enforced.
#   QV_BENCH_RUNS=N   start-up runs of each program (default 25, at least 20)
#   QV_BENCH_XVFB=0   skip the start-up runs under Xvfb
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QV_BUILD_DIR:-build-bench}"
runs="${QV_BENCH_RUNS:-25}"
((runs >= 20)) || { echo "QV_BENCH_RUNS must be at least 20" >&2; exit 2; }

QV_PACKAGE_LISTS="${QV_PACKAGE_LISTS:-} bench/packages.txt" QV_BUILD_DIR="$build" \
    scripts/setup.sh bench
bin="$PWD/$build/bin"

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

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
verdict() { awk -v v="$1" -v max="$2" 'BEGIN {print (v <= max) ? "met" : "MISSED"}'; }

echo
echo "== Machine"
cpu="$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)"
ram="$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
os="$(. /etc/os-release && echo "$PRETTY_NAME")"
echo "$(nproc) CPUs, $cpu, $ram RAM, $os, Qt $(qtpaths6 --qt-version 2>/dev/null || echo '?')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# One run: wall time (bash's clock, no extra process) and peak RSS (GNU time),
# appended as "wall_ms peak_kb in_process_ms" to $2.
run_once() {
    local program="$1" out="$2" start end
    start=$EPOCHREALTIME
    if ! /usr/bin/time -f '%M' -o "$tmp/rss" "$bin/$program" >"$tmp/stdout" 2>"$tmp/stderr"; then
        echo "$program failed:" >&2
        cat "$tmp/stderr" >&2
        exit 1
    fi
    end=$EPOCHREALTIME
    echo "$(awk -v s="$start" -v e="$end" 'BEGIN {printf "%.2f", (e - s) * 1000}') \
$(tail -n 1 "$tmp/rss") $(awk '/^first-paint-ms/ {print $2}' "$tmp/stdout")" >>"$out"
}

# $1 label: runs panel and floor interleaved (order alternating), after two
# untimed runs of each, and prints their medians.
startup_series() {
    local label="$1" i
    : >"$tmp/$label.panel"
    : >"$tmp/$label.floor"
    for i in 1 2; do
        run_once qv7310-startup-bench /dev/null
        run_once qv7310-floor-bench /dev/null
    done
    for ((i = 0; i < runs; i++)); do
        if ((i % 2)); then
            run_once qv7310-floor-bench "$tmp/$label.floor"
            run_once qv7310-startup-bench "$tmp/$label.panel"
        else
            run_once qv7310-startup-bench "$tmp/$label.panel"
            run_once qv7310-floor-bench "$tmp/$label.floor"
        fi
    done
    for who in panel floor; do
        eval "${label}_${who}_ms=$(cut -d' ' -f1 "$tmp/$label.$who" | median)"
        eval "${label}_${who}_kb=$(cut -d' ' -f2 "$tmp/$label.$who" | median)"
        eval "${label}_${who}_main=$(cut -d' ' -f3 "$tmp/$label.$who" | median)"
    done
    eval "local pm=\$${label}_panel_ms pk=\$${label}_panel_kb pi=\$${label}_panel_main"
    eval "local fm=\$${label}_floor_ms fk=\$${label}_floor_kb fi=\$${label}_floor_main"
    printf '%-8s %-7s wall %8s ms  peak RSS %7s kB  main() to first paint %8s ms\n' \
        "$label" panel "$pm" "$pk" "$pi" "$label" floor "$fm" "$fk" "$fi"
    echo "$label: ratio panel/floor: time $(ratio "$pm" "$fm"), peak RSS $(ratio "$pk" "$fk")"
    echo "$label: one panel run's steps: $("$bin/qv7310-startup-bench" 2>/dev/null | grep '^phases')"
    echo "$label: one floor run's steps: $("$bin/qv7310-floor-bench" 2>/dev/null | grep '^phases')"
}

echo
echo "== Start-up to first paint: $runs runs each, interleaved, medians (offscreen)"
startup_series offscreen

xvfb_done=0
if [ "${QV_BENCH_XVFB:-1}" != 0 ] && command -v Xvfb >/dev/null; then
    echo
    echo "== Start-up to first paint under Xvfb (xcb platform)"
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
echo "== Instructions per command under callgrind (1000 calls after 100 untimed)"
callgrind_totals() { awk '/^totals:/ {print $2}' "$1"; }
for command in write ldac control bare; do
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
    printf '  %-8s %7d Ir per call: %7d inside libBoardPort (VendorIORequest), %7d the rest\n' \
        "$command" $((total / 1000)) $((board / 1000)) $(((total - board) / 1000))
    eval "cg_${command}_total=$((total / 1000)) cg_${command}_board=$((board / 1000))"
done

echo
echo "== Summary"
printf '%-44s %-34s %-9s %s\n' "measure" "value" "target" "verdict"
row() { printf '%-44s %-34s %-9s %s\n' "$@"; }
t_ratio="$(ratio "$offscreen_panel_ms" "$offscreen_floor_ms")"
m_ratio="$(ratio "$offscreen_panel_kb" "$offscreen_floor_kb")"
row "start-up wall, panel / floor (offscreen)" \
    "$offscreen_panel_ms / $offscreen_floor_ms ms = $t_ratio" "<= 1.3x" "$(verdict "$t_ratio" 1.3)"
row "peak RSS, panel / floor (offscreen)" \
    "$offscreen_panel_kb / $offscreen_floor_kb kB = $m_ratio" "<= 1.2x" "$(verdict "$m_ratio" 1.2)"
if ((xvfb_done)); then
    xt="$(ratio "$xvfb_panel_ms" "$xvfb_floor_ms")"
    xm="$(ratio "$xvfb_panel_kb" "$xvfb_floor_kb")"
    # For information: an X server, and a D-Bus autolaunch in both programs,
    # make these runs far noisier than the offscreen ones.
    row "start-up wall, panel / floor (Xvfb)" "$xvfb_panel_ms / $xvfb_floor_ms ms = $xt" "(info)" ""
    row "peak RSS, panel / floor (Xvfb)" "$xvfb_panel_kb / $xvfb_floor_kb kB = $xm" "(info)" ""
fi
row "bare board call (CPU)" "$bare_cpu us" "" ""
row "Load DAC write (CPU)" "$write_cpu us" "" ""
row "write handler beside the board call (CPU)" "$write_beside us" "< 20 us" \
    "$(awk -v v="$write_beside" 'BEGIN {print (v < 20) ? "met" : "MISSED"}')"
row "  same, new code each write" "$write_new_beside us" "< 20 us" \
    "$(awk -v v="$write_new_beside" 'BEGIN {print (v < 20) ? "met" : "MISSED"}')"
row "Pulse LDAC with voltage refresh (CPU)" "$(percall pulse-ldac) us" "" ""
row "control-register click incl. toggle (CPU)" "$(percall control-register) us" "" ""
row "instructions per write (callgrind)" "$cg_write_total Ir" "" ""
row "  inside libBoardPort / the rest" "$cg_write_board / $((cg_write_total - cg_write_board)) Ir" "" ""
row "instructions per bare board call" "$cg_bare_total Ir" "" ""
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

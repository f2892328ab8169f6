#!/usr/bin/env bash
# Runs examples/sweep.py, then examples/generic_client.py (what a generic
# IEEE 488.2 driver does), against the panel started headless with remote
# control on a free port it announces, then checks what the examples printed
# and what reached the board. Usage: remote_sweep.sh PANEL SWEEP_PY. Ends
# with 77 (skipped) where no Python with pyvisa and pyvisa-py can be found.
set -euo pipefail
panel=$1
sweep=$2

python=""
# A Python of its own on PATH may lack the Debian packages: try the system's too.
for candidate in python3 /usr/bin/python3; do
    if command -v "$candidate" >/dev/null && "$candidate" -c 'import pyvisa, pyvisa_py' 2>/dev/null; then
        python=$candidate
        break
    fi
done
if [ -z "$python" ]; then
    echo "SKIPPED: no python3 with pyvisa and pyvisa-py"
    exit 77
fi

work=$(mktemp -d)
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# A runtime folder of its own, so a panel running elsewhere for this user does
# not hold the board's lock.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" BOARDPORT_TRACE="$work/trace.txt" \
    "$panel" --part QV7310 --remote-port 0 >"$work/stdout.txt" 2>"$work/stderr.txt" &
pid=$!

# The port, as a script reads it from the line the panel prints.
port=""
for _ in $(seq 150); do
    port=$(sed -n 's/^qv7310: remote control on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$work/stdout.txt")
    if [ -n "$port" ] || ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    sleep 0.2
done
if [ -z "$port" ]; then
    echo "the panel announced no server:"
    cat "$work/stdout.txt" "$work/stderr.txt"
    exit 1
fi

"$python" "$sweep" "$port" >"$work/output.txt"
"$python" "$(dirname "$sweep")/generic_client.py" "$port" >>"$work/output.txt"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
if [ "$status" != 0 ]; then
    echo "the panel ended with status $status:"
    cat "$work/stderr.txt"
    exit 1
fi

cat >"$work/expected-output.txt" <<'END'
QVPANEL,QV7310,0,1.04
0 0.0000
1024 7.5000
2048 15.0000
3072 22.5000
4095 29.9927
identity: QVPANEL,QV7310,0,1.04
reset complete: 1
status byte: 0
status byte: 4
error count: 1
error: -222,"Data out of range"
error: 0,"No error"
status byte: 0
DAC1:POW 0, read back: 0.0
DAC1:POW 1, read back: 1.0
DAC1:VOLT 7.5, read back: 7.5
END

# Start-up, the range with its refresh's warning-off, then per code its word (DAC1 address 0x1000), the
# LDAC pulse and the refresh's warning-off; the generic client's *RST (the
# safe state, CLR high, warning off), its power off and on and its 7.5 V
# (code 1024, LDAC high); SIGTERM leaves the safe state.
{
    echo "LoadFirmWare = 0"
    echo "VendorIORequest 224 0 0 0 0 0 = 0"
    echo "VendorIORequest 228 0 0 0 0 0 = 0"
    echo "VendorIORequest 231 0 0 0 0 0 = 0"
    for code in 0 1024 2048 3072 4095; do
        echo "VendorIORequest 221 $((0x1000 | code)) 0 0 0 0 = 0"
        echo "VendorIORequest 222 0 0 0 0 0 = 0"
        echo "VendorIORequest 231 0 0 0 0 0 = 0"
    done
    echo "VendorIORequest 221 $((0x7000)) 0 0 0 0 = 0"
    echo "VendorIORequest 221 $((0x5000)) 0 0 0 0 = 0"
    echo "VendorIORequest 222 0 0 0 0 0 = 0"
    echo "VendorIORequest 228 0 0 0 0 0 = 0"
    echo "VendorIORequest 218 0 0 0 0 0 = 0"
    echo "VendorIORequest 231 0 0 0 0 0 = 0"
    echo "VendorIORequest 221 $((0x7000)) 0 0 0 0 = 0"
    echo "VendorIORequest 221 $((0x7004)) 0 0 0 0 = 0"
    echo "VendorIORequest 221 $((0x1400)) 0 0 0 0 = 0"
    echo "VendorIORequest 221 $((0x7000)) 0 0 0 0 = 0"
    echo "VendorIORequest 221 $((0x5000)) 0 0 0 0 = 0"
    echo "VendorIORequest 222 0 0 0 0 0 = 0"
    echo "VendorIORequest 228 0 0 0 0 0 = 0"
} >"$work/expected-trace.txt"
sed 's/^LoadFirmWare .* = /LoadFirmWare = /' "$work/trace.txt" >"$work/trace-calls.txt"

failed=0
diff -u "$work/expected-output.txt" "$work/output.txt" || failed=1
diff -u "$work/expected-trace.txt" "$work/trace-calls.txt" || failed=1
if [ "$failed" != 0 ]; then
    exit 1
fi
cat "$work/output.txt"
echo "sweep: output and board trace as expected"

#!/usr/bin/env bash
# Runs examples/sweep.py against the panel started headless with remote
# control, then checks what the example printed and what reached the board.
# Usage: remote_sweep.sh PANEL SWEEP_PY. Ends with 77 (skipped) where no
# Python with pyvisa and pyvisa-py can be found.
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

port=$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# A runtime folder of its own, so a panel running elsewhere for this user does
# not hold the board's lock.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" BOARDPORT_TRACE="$work/trace.txt" \
    "$panel" --part QV7310 --remote --remote-port "$port" 2>"$work/stderr.txt" &
pid=$!

listening=0
for _ in $(seq 150); do
    if "$python" -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1).close()' \
        "$port" 2>/dev/null; then
        listening=1
        break
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    sleep 0.2
done
if [ "$listening" != 1 ]; then
    echo "the panel did not start its server on port $port:"
    cat "$work/stderr.txt"
    exit 1
fi

"$python" "$sweep" "$port" >"$work/output.txt"
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
END

# Start-up, the range with its refresh's warning-off, then per code its word (DAC1 address 0x1000), the
# LDAC pulse and the refresh's warning-off; SIGTERM leaves the safe state.
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

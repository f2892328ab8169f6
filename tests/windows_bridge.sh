#!/usr/bin/env bash
# One session of the panel, driven by remote control, run twice: with the
# simulated board loaded in-process, and through the 32-bit Windows board
# bridge under Wine with the simulated board built as a 32-bit BoardPort.dll
# that exports only the maker's decorated names. The two board traces must be
# the same call for call (the firmware path may differ in form).
# Usage: windows_bridge.sh PANEL WIN32_DIR. Ends with 77 (skipped) where Wine,
# the cross build or the cross tools are missing; installs nothing itself.
set -euo pipefail
panel=$1
win32=$2
dll="$win32/BoardPort.dll"
bridge="$win32/qv7310-board-bridge.exe"

for tool in wine i686-w64-mingw32-objdump python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool not installed"
        exit 77
    fi
done
if [ ! -f "$dll" ] || [ ! -f "$bridge" ]; then
    echo "SKIPPED: no 32-bit Windows build in $win32"
    exit 77
fi
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "SKIPPED: this machine runs no 32-bit programs (scripts/run-32bit.sh says why)"
    exit 77
fi

work=$(mktemp -d)
pid=""
export WINEPREFIX="$win32/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
    fi
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Where the kernel runs no 32-bit programs, scripts/run-32bit.sh hands them to
# qemu-i386, under which Wine may not get as far as its own kernel32.dll. The
# bridge, given no input, only says hello and ends: if it cannot do that there,
# Wine cannot run here and the check is skipped, saying what Wine printed.
if grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    # Wine's first start makes its prefix, which under qemu-i386 has taken
    # more than three minutes: a slow Wine is not a broken one.
    timeout 600 wine "$bridge" </dev/null >"$work/probe.out" 2>"$work/probe.err" || true
    if [ "$(head -c 4 "$work/probe.out")" != QVB1 ]; then
        echo "SKIPPED: Wine under qemu-i386 cannot run a 32-bit Windows program here:"
        grep -v '^$' "$work/probe.err" | head -5
        exit 77
    fi
fi

# The DLL exports the maker's two decorated names and, besides them, only the
# simulated board's inspection calls.
exports=$(i686-w64-mingw32-objdump -p "$dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' |
    grep -v '^simboard_' || true)
expected=$'?LoadFirmWare@@YGFPAD@Z\n?VendorIORequest@@YGFFJJFFPAD@Z'
if [ "$exports" != "$expected" ]; then
    echo "BoardPort.dll exports other names than the maker's:"
    echo "$exports"
    exit 1
fi
machine=$(od -An -tx1 -j "$(($(od -An -tu4 -j 60 -N4 "$dll") + 4))" -N2 "$dll" | tr -d ' ')
[ "$machine" = 4c01 ] || { echo "BoardPort.dll is not a 32-bit x86 DLL ($machine)"; exit 1; }

# The remote lines of the session: writes with LDAC high and then low, the
# lines, the range, the control register; *OPC? waits for all of them.
cat >"$work/session.py" <<'END'
import socket, sys
lines = ["DAC1:CODE #H800", "DAC2:CODE 1024", "LDAC:PULS", "LDAC LOW", "DAC3:CODE #HFFF",
         "DAC:ALL:CODE 3500", "RANG 60", "LDAC HIGH", "DAC4:CODE 7", "LDAC:PULS",
         "CLR LOW", "CLR HIGH", "CLR:PULS", "DAC2:POW OFF", "PDM TRIS", "DAC2:POW ON",
         "PDM GND", "RANG 30", "*OPC?"]
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=900) as s:
    s.sendall(("\n".join(lines) + "\n").encode())
    reply = s.makefile().readline().strip()
print("opc", reply)
END

# session NAME [PANEL ARGUMENTS...]: runs the panel through the session and
# ends it with SIGTERM; the board's trace goes to $work/NAME.trace.
session() {
    local name=$1
    shift
    mkdir -m 700 "$work/$name.runtime"
    XDG_RUNTIME_DIR="$work/$name.runtime" BOARDPORT_TRACE="$work/$name.trace" \
        QV7310_BRIDGE_START_SECONDS=900 \
        "$panel" --part QV7310 --remote-port 0 "$@" >"$work/$name.out" 2>"$work/$name.err" &
    pid=$!
    local port=""
    for _ in $(seq 300); do
        port=$(sed -n 's/^qv7310: remote control on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$work/$name.out")
        if [ -n "$port" ] || ! kill -0 "$pid" 2>/dev/null; then
            break
        fi
        sleep 0.2
    done
    if [ -z "$port" ]; then
        echo "$name: the panel announced no server:"
        cat "$work/$name.out" "$work/$name.err"
        exit 1
    fi
    local started=$SECONDS
    python3 "$work/session.py" "$port" >"$work/$name.session"
    kill -TERM "$pid"
    local status=0
    wait "$pid" || status=$?
    pid=""
    echo "$name: session of $((SECONDS - started)) s, panel ended with status $status"
    if [ "$status" != 0 ] || [ "$(cat "$work/$name.session")" != "opc 1" ]; then
        cat "$work/$name.session" "$work/$name.err"
        exit 1
    fi
}

session in-process
# The bridge says goodbye after the panel's own safe state and ends by itself.
session wine --board-bridge "wine $bridge"
for _ in $(seq 100); do
    pgrep -f qv7310-board-bridge.exe >/dev/null || break
    sleep 0.1
done

failed=0
for name in in-process wine; do
    sed 's/^LoadFirmWare .* = /LoadFirmWare = /' "$work/$name.trace" >"$work/$name.calls"
done
grep -q '^VendorIORequest 229 ' "$work/in-process.calls" || { echo "no range request traced"; failed=1; }
diff -u "$work/in-process.calls" "$work/wine.calls" || failed=1
if grep -q 'without its goodbye' "$work/wine.err"; then
    echo "the bridge sent a safe state of its own after the panel's orderly exit"
    failed=1
fi
[ "$failed" = 0 ] || exit 1
echo "firmware paths: $(sed -n 's/^LoadFirmWare \(.*\) = .*/\1/p' "$work/wine.trace")"
echo "windows bridge: $(wc -l <"$work/wine.calls") calls, the same through Wine as in-process"

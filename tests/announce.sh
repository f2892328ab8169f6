#!/usr/bin/env bash
# DNS-SD announcement (--announce), tested in a network namespace of its own
# with a private D-Bus and avahi daemon on loopback only, so nothing reaches
# the machine's network and no system daemon is needed:
# - without a daemon, one line on stderr and the server still answers;
# - with it, avahi-browse and lxi discover find the server, with its TXT
#   record, and lxi reaches it at the address and port found;
# - the announcement ends with the panel; without --announce there is none.
# Usage: announce.sh PANEL. Ends with 77 (skipped) where the namespace or the
# tools are not available.
set -euo pipefail
panel=$1

skip() {
    echo "SKIPPED: $*"
    exit 77
}

if [ "${QV_ANNOUNCE_INSIDE:-}" != 1 ]; then
    [ "$(id -u)" = 0 ] || skip "needs root for a network namespace"
    for tool in unshare ip dbus-daemon avahi-daemon avahi-browse lxi; do
        command -v "$tool" >/dev/null || skip "$tool not installed"
    done
    unshare --net --mount true 2>/dev/null || skip "cannot make a network namespace here"
    exec unshare --net --mount --propagation private env QV_ANNOUNCE_INSIDE=1 bash "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Private /run (avahi's pid file and socket) and loopback up.
mount -t tmpfs tmpfs /run
ip link set lo up
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/bus"
port=5025

# Starts the panel with the given options; its pid in $panel_pid.
start_panel() {
    "$panel" "$@" >"$work/stdout.txt" 2>"$work/stderr.txt" &
    panel_pid=$!
    pids+=("$panel_pid")
    for _ in $(seq 100); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            return 0
        fi
        kill -0 "$panel_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "the panel did not start its server:"
    cat "$work/stderr.txt"
    exit 1
}

stop_panel() {
    kill -TERM "$panel_pid"
    local status=0
    wait "$panel_pid" || status=$?
    if [ "$status" != 0 ]; then
        echo "the panel ended with status $status:"
        cat "$work/stderr.txt"
        exit 1
    fi
}

identity() {
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf '*IDN?\n' >&3
    local reply=""
    read -r -t 5 reply <&3 || true
    exec 3<&-
    echo "$reply"
}

# The services avahi finds now, resolved: one ';'-separated line each.
browse() {
    avahi-browse --resolve --parsable --terminate _scpi-raw._tcp 2>/dev/null |
        grep '^=' | sed 's/\\032/ /g' || true
}

failed=0
check() { # what, expected, actual
    if [ "$2" != "$3" ]; then
        echo "$1: expected \"$2\", got \"$3\""
        failed=1
    fi
}

# 1. No daemon (not even a bus): one line, and the server answers.
start_panel --part QV7310 --remote-port "$port" --announce
sleep 0.3
check "identity without a daemon" "QVPANEL,QV7310,0,1.04" "$(identity)"
stop_panel
if grep -q "built without libavahi-client" "$work/stderr.txt"; then
    skip "the panel was built without libavahi-client"
fi
check "stderr without a daemon" "1 qv7310: not announced on the network:" \
    "$(wc -l <"$work/stderr.txt") $(cut -d' ' -f1-6 "$work/stderr.txt")"

# 2. A private bus and avahi daemon, on loopback only.
cat >"$work/bus.conf" <<END
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
END
cat >"$work/avahi.conf" <<END
[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
[publish]
publish-hinfo=no
publish-workstation=no
END
# Disowned: the shell says nothing when cleanup ends them.
dbus-daemon --config-file="$work/bus.conf" --nofork 2>"$work/dbus.txt" &
pids+=($!)
disown
for _ in $(seq 50); do
    [ -S "$work/bus" ] && break
    sleep 0.1
done
avahi-daemon --file="$work/avahi.conf" --no-drop-root --no-chroot --no-rlimits \
    2>"$work/avahi.txt" &
pids+=($!)
disown
for _ in $(seq 50); do
    avahi-daemon --check 2>/dev/null && break
    sleep 0.1
done

start_panel --part QV7301 --remote-port "$port" --announce
found=""
for _ in $(seq 50); do
    found=$(browse)
    [ -n "$found" ] && break
    sleep 0.2
done
host=$(uname -n)
# =;lo;IPv4;NAME;TYPE;DOMAIN;HOST.local;ADDRESS;PORT;TXT
check "service found" "=;lo;IPv4;QVPANEL QV7301 on $host;_scpi-raw._tcp;local;127.0.0.1;$port" \
    "$(echo "$found" | cut -d';' -f1-6,8,9)"
txt=$(echo "$found" | cut -d';' -f10- | tr ' ' '\n' | sort | tr '\n' ' ')
check "TXT record" '"FirmwareVersion=1.04" "Manufacturer=QVPANEL" "Model=QV7301" "SerialNumber=0" "txtvers=1" ' \
    "$txt"
check "stderr with a daemon" "" "$(cat "$work/stderr.txt")"

lxi discover -m -t 2 >"$work/lxi.txt"
check "lxi discover" "1 1" \
    "$(grep -c "Found \"QVPANEL QV7301 on $host\" on address 127.0.0.1" "$work/lxi.txt") $(grep -c "scpi-raw service on port $port" "$work/lxi.txt")"
check "lxi scpi at the address found" "QVPANEL,QV7301,0,1.04" \
    "$(lxi scpi -a 127.0.0.1 -p "$port" -r '*IDN?' | tr -d '\r')"

stop_panel
for _ in $(seq 50); do
    [ -z "$(browse)" ] && break
    sleep 0.2
done
check "announcement after the panel ended" "" "$(browse)"

# 3. Without --announce nothing is announced.
start_panel --part QV7310 --remote-port "$port"
sleep 1
check "announcement without --announce" "" "$(browse)"
stop_panel

if [ "$failed" != 0 ]; then
    cat "$work/lxi.txt"
    exit 1
fi
echo "announce: found by avahi-browse and lxi with its TXT record; none without --announce"

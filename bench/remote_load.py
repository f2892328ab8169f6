#!/usr/bin/env python3
"""Remote control under load, against a panel this script starts itself:
 - fairness: one client floods *RST lines while another times *IDN? round
   trips;
 - exit: three clients flood *RST lines, the panel gets SIGTERM, and its
   journal tells when the exit's safe state sent its first request and how
   many flood requests went out after the signal; then the same with three
   clients that flood writes (DAC1:CODE, one request a line).
Prints
  LOAD idn-under-flood <median ms> <p99 ms>
  LOAD sigterm-to-safe-state <ms> <flood requests after the signal>
  LOAD sigterm-to-safe-state-writes <ms> <flood requests after the signal>
Usage: remote_load.py PANEL WORKDIR"""
import datetime
import json
import os
import re
import signal
import socket
import statistics
import subprocess
import sys
import threading
import time

FLOOD = b"*RST\n" * 2000
WRITES = b"DAC1:CODE 100\n" * 2000


def start(panel, work, name):
    runtime = os.path.join(work, name + "-runtime")
    os.mkdir(runtime, 0o700)
    journal = os.path.join(work, name + ".jsonl")
    out = open(os.path.join(work, name + ".txt"), "w+")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=runtime,
               QT_QPA_PLATFORM="offscreen")
    process = subprocess.Popen([panel, "--part", "QV7310", "--remote-port", "0",
                                "--journal", journal], stdout=out, stderr=subprocess.STDOUT,
                               env=env)
    for _ in range(200):
        out.seek(0)
        found = re.search(r"remote control on 127\.0\.0\.1:(\d+)", out.read())
        if found:
            return process, int(found.group(1)), journal
        time.sleep(0.05)
    process.kill()
    sys.exit("the panel announced no port")


def flooder(port, stop, flood=FLOOD):
    """A client that sends `flood` as fast as the panel takes it."""
    def run():
        with socket.create_connection(("127.0.0.1", port)) as s:
            while not stop.is_set():
                try:
                    s.sendall(flood)
                except OSError:
                    return
    thread = threading.Thread(target=run, daemon=True)
    thread.start()
    return thread


def fairness(panel, work):
    process, port, _ = start(panel, work, "fairness")
    stop = threading.Event()
    try:
        flooder(port, stop)
        time.sleep(0.5)
        times = []
        with socket.create_connection(("127.0.0.1", port)) as s:
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            reader = s.makefile("rb")
            for _ in range(300):
                begin = time.perf_counter()
                s.sendall(b"*IDN?\n")
                reader.readline()
                times.append(time.perf_counter() - begin)
        times.sort()
        print(f"LOAD idn-under-flood {statistics.median(times) * 1e3:.3f} "
              f"{times[len(times) * 99 // 100] * 1e3:.3f}")
    finally:
        stop.set()
        process.terminate()
        process.wait(30)


def exit_under_flood(panel, work, flood=FLOOD, name="exit", label="sigterm-to-safe-state"):
    process, port, journal = start(panel, work, name)
    stop = threading.Event()
    for _ in range(3):
        flooder(port, stop, flood)
    time.sleep(1.0)
    signalled = time.time()
    process.send_signal(signal.SIGTERM)
    process.wait(30)
    stop.set()
    safe, after = None, 0
    with open(journal) as lines:
        for line in lines:
            record = json.loads(line)
            when = datetime.datetime.fromisoformat(record["time"].replace("Z", "+00:00"))
            if when.timestamp() < signalled:
                continue
            if record["action"] == "Safe state":
                safe = when.timestamp()
                break
            after += 1
    if safe is None:
        sys.exit("the journal shows no safe state after the signal")
    # The journal's times have whole milliseconds: a safe state within the
    # signal's millisecond reads as 0.
    print(f"LOAD {label} {max(0.0, safe - signalled) * 1e3:.1f} {after}")


def main():
    panel, work = sys.argv[1], sys.argv[2]
    fairness(panel, work)
    exit_under_flood(panel, work)
    exit_under_flood(panel, work, WRITES, "exit-writes", "sigterm-to-safe-state-writes")


if __name__ == "__main__":
    main()

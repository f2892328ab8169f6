#!/usr/bin/env python3
"""A full 4,096-code linearity run over remote control against the simulated
multimeter, with no settle time and no reading time: what the panel itself
spends per point (its CPU time, read from /proc) and the wall time per point.

usage: linearity_run.py BIN_DIR WORK_DIR
Prints one line: LINEARITY points N panel-cpu-ms-per-point X wall-ms-per-point Y
  dmm-cpu-ms-per-point Z result <LIN:RES? reply>"""
import os
import socket
import subprocess
import sys
import time

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def first_line(process, prefix, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        line = process.stdout.readline()
        if line.startswith(prefix):
            return line[len(prefix):].strip()
    sys.exit(f"no '{prefix}' line")


def main():
    bin_dir, work = sys.argv[1], sys.argv[2]
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=runtime,
               QT_QPA_PLATFORM="offscreen",
               BOARDPORT_OUTPUTS=os.path.join(work, "outputs"))
    dmm = subprocess.Popen([f"{bin_dir}/qv7310-sim-dmm", "--port", "0", "--channel", "1"],
                           stdout=subprocess.PIPE, text=True, env=env)
    panel = subprocess.Popen([f"{bin_dir}/qv7310", "--part", "QV7310", "--remote-port", "0"],
                             stdout=subprocess.PIPE, text=True, env=env)
    try:
        dmm_port = first_line(dmm, "listening on ")
        endpoint = first_line(panel, "qv7310: remote control on ")
        host, port = endpoint.rsplit(":", 1)
        client = socket.create_connection((host, int(port)))
        client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        replies = client.makefile("r")

        def ask(line):
            client.sendall(line.encode() + b"\n")
            return replies.readline().strip()

        ask(f'DAC1:POW ON;:LIN:DMM "127.0.0.1:{dmm_port}";CHAN 1;COD 0,4095,1;SETT 0;'
            'AVER 1;*OPC?')
        panel_cpu, dmm_cpu = cpu_seconds(panel.pid), cpu_seconds(dmm.pid)
        start = time.monotonic()
        ask("LIN:INIT;*OPC?")
        wall = time.monotonic() - start
        panel_cpu = cpu_seconds(panel.pid) - panel_cpu
        dmm_cpu = cpu_seconds(dmm.pid) - dmm_cpu
        state, progress = ask("LIN:STAT?;PROG?").split(";")
        points = int(progress.split(",")[0])
        if state != "DONE" or points == 0:
            sys.exit(f"the run ended {state} after {progress} points")
        print(f"LINEARITY points {points} panel-cpu-ms-per-point {panel_cpu * 1000 / points:.3f}"
              f" wall-ms-per-point {wall * 1000 / points:.3f}"
              f" dmm-cpu-ms-per-point {dmm_cpu * 1000 / points:.3f} result {ask('LIN:RES?')}")
    finally:
        panel.terminate()
        dmm.terminate()
        panel.wait()
        dmm.wait()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The Tango device server with a real Tango client.

Starts the panel headless with --remote-port 0 and reads the port it
announces, starts integrations/tango/QV7310Panel.py with a file database,
then drives it through tango.DeviceProxy: settings and their read-back, the
simulated board's trace, refusals that reach nothing, ALARM at 58.6 V, FAULT
once the panel has ended, ON again when it is back, FAULT without a board. Prints the server's
start-up time and the median time of one attribute read and write.
Usage: tango_device.py PANEL SERVER
"""
import os
import re
import select
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

import tango

DEVICE = "test/qv7310/1"
failures = []


def check(what, expected, actual):
    if expected != actual:
        failures.append(f"{what}: expected {expected!r}, got {actual!r}")


def failure(action):
    """The DevFailed that action raises, as "reason: description"."""
    try:
        action()
    except tango.DevFailed as error:
        return f"{error.args[0].reason}: {error.args[0].desc}"
    return "no error"


class Panel:
    def __init__(self, program, work, port, board="present"):
        env = dict(os.environ, XDG_RUNTIME_DIR=f"{work}/runtime",
                   BOARDPORT_TRACE=f"{work}/trace.txt",
                   BOARDPORT_ABSENT="1" if board == "absent" else "")
        self.stderr = open(f"{work}/panel-stderr.txt", "a")
        self.process = subprocess.Popen(
            [program, "--part", "QV7310", "--remote-port", str(port)],
            stdout=subprocess.PIPE, stderr=self.stderr, env=env)
        # The panel says where it listens once it does.
        line = b""
        deadline = time.monotonic() + 30
        while not line.endswith(b"\n") and time.monotonic() < deadline:
            if select.select([self.process.stdout], [], [], 1)[0]:
                byte = os.read(self.process.stdout.fileno(), 1)
                if not byte:
                    break
                line += byte
        found = re.fullmatch(rb"qv7310: remote control on 127\.0\.0\.1:(\d+)\n", line)
        if not found:
            self.process.kill()
            sys.exit(f"the panel did not say where it listens: {line!r}")
        self.port = int(found.group(1))

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(30)
        self.stderr.close()
        return status


def trace(work):
    with open(f"{work}/trace.txt") as lines:
        return [line.split(" = ")[0].removeprefix("VendorIORequest ") for line in lines]


def word(value):
    return f"221 {value} 0 0 0 0"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def start_server(script, work, panel_port):
    with open(f"{work}/tango.db", "w") as db:
        db.write(f'QV7310Panel/test/DEVICE/QV7310Panel: "{DEVICE}"\n'
                 f"{DEVICE}->Host: 127.0.0.1\n"
                 f"{DEVICE}->Port: {panel_port}\n"
                 f"{DEVICE}->Timeout: 3\n")
    port = free_port()
    started = time.monotonic()
    server = subprocess.Popen(
        [sys.executable, script, "test", f"-file={work}/tango.db",
         "-ORBendPoint", f"giop:tcp:127.0.0.1:{port}"],
        stdout=open(f"{work}/server.txt", "w"), stderr=subprocess.STDOUT)
    while True:
        try:
            proxy = tango.DeviceProxy(f"tango://127.0.0.1:{port}/{DEVICE}#dbase=no")
            proxy.ping()
            return server, proxy, time.monotonic() - started
        except tango.DevFailed:
            if server.poll() is not None or time.monotonic() - started > 30:
                server.kill()
                with open(f"{work}/server.txt") as log:
                    sys.exit("the device server did not start:\n" + log.read())
            time.sleep(0.02)


def median_ms(action, count=50):
    times = []
    for i in range(count):
        started = time.perf_counter()
        action(i)
        times.append(time.perf_counter() - started)
    return statistics.median(times) * 1000


def main():
    program, script = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        os.mkdir(f"{work}/runtime", 0o700)
        panel = Panel(program, work, 0)
        server = None
        try:
            server, proxy, startup = start_server(script, work, panel.port)
            run(proxy, work)
            read = median_ms(lambda i: proxy.read_attribute("Dac1Code"))
            write = median_ms(lambda i: proxy.write_attribute("Dac1Code", i))
            check("state after timing", tango.DevState.ON, proxy.state())
            check("the panel's exit status", 0, panel.stop())
            check("state once the panel has ended", tango.DevState.FAULT, proxy.state())
            check("status once the panel has ended", True,
                  "cannot be reached" in proxy.status())
            check("a read without the panel", "PanelUnreachable",
                  failure(lambda: proxy.Range).split(":")[0])
            panel = Panel(program, work, panel.port)
            check("state once the panel is back", tango.DevState.ON, proxy.state())
            # A restart between two requests: the first one after it works.
            panel.stop()
            panel = Panel(program, work, panel.port)
            check("a read after a restart", "no error",
                  failure(lambda: proxy.read_attribute("Range")))
            panel.stop()
            panel = Panel(program, work, panel.port, board="absent")
            check("without a board", (tango.DevState.FAULT, "The board is not ready"),
                  (proxy.state(), proxy.status().split(" (")[0]))
        finally:
            if server:
                server.send_signal(signal.SIGTERM)
                try:
                    server.wait(10)
                except subprocess.TimeoutExpired:
                    server.kill()
            if panel.process.poll() is None:
                panel.stop()
        print(f"device server start-up: {startup:.2f} s; one attribute read: {read:.2f} ms, "
              f"one write: {write:.2f} ms (medians of 50)")
    if failures:
        print("\n".join(failures))
        return 1
    print("tango_device: settings, refusals, ALARM, FAULT and reconnection as expected")
    return 0


def run(proxy, work):
    check("state at start", tango.DevState.ON, proxy.state())
    check("identity", ("QV7310", "QVPANEL,QV7310,0,1.04", "Board: ready"),
          (proxy.Part, proxy.Identity, proxy.BoardStatus))
    channels = sorted(a for a in proxy.get_attribute_list() if a.startswith("Dac"))
    check("channel attributes", sorted(f"Dac{n}{kind}" for n in range(1, 5)
                                       for kind in ("Code", "Voltage", "Power", "Limit")), channels)

    start = len(trace(work))
    proxy.Range = 60
    proxy.LDAC = "LOW"
    proxy.Dac1Code = 2048
    proxy.Dac2Code = 4000
    proxy.Dac3Power = True
    check("read back", (60, "LOW", 2048, 30.0, 4000, 58.5938, True, False, "0x7010"),
          (proxy.Range, proxy.LDAC, proxy.Dac1Code, proxy.Dac1Voltage, proxy.Dac2Code,
           proxy.Dac2Voltage, proxy.Dac3Power, proxy.Dac4Power, proxy.LastWord))
    # Range line, LDAC low, the two input registers (passed straight on while
    # LDAC is low) and the control register powering up channel 3 (bit 4).
    check("board requests", ["229 0 0 0 0 0", "227 0 0 0 0 0", word(0x1800), word(0x2FA0),
                             word(0x7010)],
          [call for call in trace(work)[start:] if not call.startswith(("230", "231"))])
    check("state at 58.6 V", tango.DevState.ALARM, proxy.state())

    start = len(trace(work))
    check("a voltage above the range",
          'PanelRefused: The panel refused "DAC1:VOLTage 75.0": -222,"Data out of range"',
          failure(lambda: proxy.write_attribute("Dac1Voltage", 75.0)))
    check("a range the board lacks",
          'PanelRefused: The panel refused "RANGe 45": -224,"Illegal parameter value"',
          failure(lambda: proxy.write_attribute("Range", 45)))
    check("a code above the limits", "API_WAttrOutsideLimit",
          failure(lambda: proxy.write_attribute("Dac1Code", 4096)).split(":")[0])
    # A limit of DAC1 under what a write asks: refused before any request.
    proxy.Dac1Limit = 35.0
    check("limit read back", 35.0, proxy.Dac1Limit)
    check("a code above the limit",
          'PanelRefused: The panel refused "DAC1:CODE 2400": '
          '-222,"Data out of range;above the DAC1 limit of 35 V"',
          failure(lambda: proxy.write_attribute("Dac1Code", 2400)))
    check("a limit above the largest range", "API_WAttrOutsideLimit",
          failure(lambda: proxy.write_attribute("Dac1Limit", 75.0)).split(":")[0])
    proxy.Dac1Limit = -1.0
    check("no limit", -1.0, proxy.Dac1Limit)
    check("requests after refusals", [], trace(work)[start:])
    check("settings after refusals", (60, 2048), (proxy.Range, proxy.Dac1Code))

    start = len(trace(work))
    proxy.Reset()
    # The safe state (control register cleared, code 0 to all, LDAC pulse,
    # 30 V range), then CLR released.
    check("reset's requests", [word(0x7000), word(0x5000), "222 0 0 0 0 0", "228 0 0 0 0 0",
                               "218 0 0 0 0 0"],
          [call for call in trace(work)[start:] if not call.startswith(("230", "231"))])
    check("after reset", (tango.DevState.ON, 30, "HIGH", 0, 0.0, False),
          (proxy.state(), proxy.Range, proxy.LDAC, proxy.Dac2Code, proxy.Dac2Voltage,
           proxy.Dac3Power))
    proxy.Dac1Voltage = 15.0
    start = len(trace(work))
    proxy.PulseLdac()
    check("pulse", ["222 0 0 0 0 0"],
          [call for call in trace(work)[start:] if not call.startswith(("230", "231"))])
    check("voltage after the pulse", (2048, 15.0), (proxy.Dac1Code, proxy.Dac1Voltage))


if __name__ == "__main__":
    sys.exit(main())

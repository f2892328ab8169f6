#!/usr/bin/env python3
"""The Tango device server with a real Tango client.

Starts the panel headless with --remote-port 0 and reads the port it
announces, starts integrations/tango/QV7310Panel.py with a file database,
then drives it through tango.DeviceProxy: settings and their read-back, the
simulated board's trace, refusals and injections that reach nothing, ALARM
at 50 V, FAULT once the panel has ended or while it hangs, the reset told
once it is back, RestoreSetpoints, the single part's channels, FAULT without
a board. Prints the server's start-up time and the median time of one
attribute read and write. tango_database.py runs the same against a real
Tango database.
Usage: tango_device.py PANEL SERVER
"""
import ctypes
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
LIBC = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1


def ends_with_this_run():
    """In a child before exec: it gets SIGTERM when this run ends, even
    killed (as by CTest's time-out), so no process outlives the test."""
    LIBC.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


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
    def __init__(self, program, work, port, board="present", part="QV7310"):
        env = dict(os.environ, XDG_RUNTIME_DIR=f"{work}/runtime",
                   BOARDPORT_TRACE=f"{work}/trace.txt",
                   BOARDPORT_ABSENT="1" if board == "absent" else "")
        self.stderr = open(f"{work}/panel-stderr.txt", "a")
        self.process = subprocess.Popen(
            [program, "--part", part, "--remote-port", str(port)],
            stdout=subprocess.PIPE, stderr=self.stderr, env=env, preexec_fn=ends_with_this_run)
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


def board_calls(work, start):
    """The board requests since start, without the warning lamp's."""
    return [call for call in trace(work)[start:] if not call.startswith(("230", "231"))]


def word(value):
    return f"221 {value} 0 0 0 0"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class FileDatabase:
    """The server with a file database and a fixed endpoint, reached with
    #dbase=no."""

    def __init__(self, work):
        self.work = work
        self.port = free_port()

    def start(self):
        pass

    def close(self):
        pass

    def register(self, panel_port):
        with open(f"{self.work}/tango.db", "w") as db:
            db.write(f'QV7310Panel/test/DEVICE/QV7310Panel: "{DEVICE}"\n'
                     f"{DEVICE}->Host: 127.0.0.1\n"
                     f"{DEVICE}->Port: {panel_port}\n")

    def server(self, script):
        return [sys.executable, script, "test", f"-file={self.work}/tango.db",
                "-ORBendPoint", f"giop:tcp:127.0.0.1:{self.port}"]

    def device(self):
        return f"tango://127.0.0.1:{self.port}/{DEVICE}#dbase=no"


class Session:
    """The processes of one run: the panel and the device server."""

    def __init__(self, program, script, work, database):
        self.program, self.script, self.work, self.database = program, script, work, database
        self.panel = self.server = self.proxy = None
        self.port = 0

    def start_panel(self, **options):
        self.panel = Panel(self.program, self.work, self.port, **options)
        self.port = self.panel.port
        return self.panel

    def stop_panel(self):
        return self.panel.stop()

    def start_server(self):
        """Starts the device server; returns its proxy and the time it took to answer."""
        started = time.monotonic()
        self.server = subprocess.Popen(self.database.server(self.script),
                                       stdout=open(f"{self.work}/server.txt", "a"),
                                       stderr=subprocess.STDOUT,
                                       preexec_fn=ends_with_this_run)
        while True:
            try:
                proxy = tango.DeviceProxy(self.database.device())
                proxy.ping()
                # Read as any client reads, with Tango's default source.
                return proxy, time.monotonic() - started
            except tango.DevFailed:
                if self.server.poll() is not None or time.monotonic() - started > 30:
                    with open(f"{self.work}/server.txt") as log:
                        raise SystemExit("the device server did not start:\n" + log.read())
                time.sleep(0.02)

    def stop_server(self):
        self.server.send_signal(signal.SIGTERM)
        try:
            self.server.wait(10)
        except subprocess.TimeoutExpired:
            self.server.kill()
            self.server.wait()

    def close(self):
        if self.server and self.server.poll() is None:
            self.stop_server()
        if self.panel and self.panel.process.poll() is None:
            self.panel.process.kill()
            self.panel.process.wait()
        self.database.close()


def median_ms(action, count=50):
    times = []
    for i in range(count):
        started = time.perf_counter()
        action(i)
        times.append(time.perf_counter() - started)
    return statistics.median(times) * 1000


def until(condition, seconds=5):
    """Whether condition() comes true within seconds."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def main(database=FileDatabase, more=None, last=None, name="tango_device"):
    """Runs the checks; more(session, proxy) adds those of a database, and
    returns the proxy to go on with; last(session) runs at the end."""
    program, script = sys.argv[1], sys.argv[2]
    # A stop from CTest still ends every process this run started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    with tempfile.TemporaryDirectory() as work:
        os.mkdir(f"{work}/runtime", 0o700)
        session = Session(program, script, work, database(work))
        try:
            session.database.start()
            session.start_panel()
            session.database.register(session.port)
            proxy, startup = session.start_server()
            run(proxy, work)
            others = others_changes(proxy, session.port)
            if more:
                proxy = more(session, proxy)
            read = median_ms(lambda i: proxy.read_attribute("Dac1Code"))
            write = median_ms(lambda i: proxy.write_attribute("Dac1Code", i + 1))
            check("state after timing", tango.DevState.ON, proxy.state())
            outages(session, proxy)
            if last:
                last(session)
        finally:
            session.close()
        print(f"device server start-up: {startup:.2f} s; one attribute read: {read:.2f} ms, "
              f"one write: {write:.2f} ms (medians of 50); a change by another client "
              f"heard in {others}")
    if failures:
        print("\n".join(failures))
        return 1
    print(f"{name}: settings, refusals, ALARM, FAULT, reconnection and restore as expected")
    return 0


def outages(session, proxy):
    """The panel hung, ended, restarted, with the single part and without a board."""
    session.panel.process.send_signal(signal.SIGSTOP)
    started = time.monotonic()
    check("state while the panel hangs", tango.DevState.FAULT, proxy.state())
    check("status while the panel hangs",
          f"The panel at 127.0.0.1:{session.port} does not answer within 1 s: it hangs",
          proxy.status())
    check("FAULT within the client's time-out", True, time.monotonic() - started < 3)
    session.panel.process.send_signal(signal.SIGCONT)
    check("state once the panel answers again", True,
          until(lambda: proxy.state() == tango.DevState.ON))

    check("the panel's exit status", 0, session.stop_panel())
    check("state once the panel has ended", tango.DevState.FAULT, proxy.state())
    check("status once the panel has ended", True, "cannot be reached" in proxy.status())
    check("a read without the panel", "PanelUnreachable",
          failure(lambda: proxy.Range).split(":")[0])
    session.start_panel()
    # It came back at the safe state, while DAC 1 had code 50 when it ended.
    check("state once the panel is back", tango.DevState.ON, proxy.state())
    check("the reset told", True,
          "The panel restarted and reset its outputs to the safe state" in proxy.status())
    restore(session.work, proxy)

    # A restart between two requests: the first one after it works.
    session.stop_panel()
    session.start_panel(part="QV7301")
    check("a read after a restart", "no error", failure(lambda: proxy.read_attribute("Range")))
    check("the single part's other channels", (tango.AttrQuality.ATTR_INVALID, None),
          (proxy.read_attribute("Dac2Code").quality, proxy.read_attribute("Dac4Power").value))
    check("a write to a channel the part lacks",
          "NoSuchChannel: The QV7301 has one channel, DAC 1: Dac3Voltage cannot be written",
          failure(lambda: proxy.write_attribute("Dac3Voltage", 1.0)))
    # The quad part, then the single part: a write as the first request after
    # the restart counts the channels of the part now in force.
    session.stop_panel()
    session.start_panel()
    check("the quad part again", "no error", failure(lambda: proxy.read_attribute("Dac4Code")))
    session.stop_panel()
    session.start_panel(part="QV7301")
    check("a write first after the restart, to a channel the part lacks",
          "NoSuchChannel: The QV7301 has one channel, DAC 1: Dac2Limit cannot be written",
          failure(lambda: proxy.write_attribute("Dac2Limit", 5.0)))
    session.stop_panel()
    session.start_panel(board="absent")
    check("without a board", (tango.DevState.FAULT, "The board is not ready"),
          (proxy.state(), proxy.status().split(" (")[0]))


def restore(work, proxy):
    """RestoreSetpoints writes the memorized setpoints through LDAC low: the
    range, DAC 1's code from the timing writes, each channel's code and power
    as read_back() left them, then LDAC as last written."""
    start = len(trace(work))
    proxy.RestoreSetpoints()
    check("restored requests", ["229 0 0 0 0 0", "227 0 0 0 0 0", word(0x1032), word(0x7000),
                                word(0x2FA0), word(0x7000), word(0x3000), word(0x7010),
                                word(0x4000), word(0x7010), "227 0 0 0 0 0"],
          board_calls(work, start))
    check("restored", (60, 50, 4000, True, "LOW", tango.DevState.ALARM),
          (proxy.Range, proxy.Dac1Code, proxy.Dac2Code, proxy.Dac3Power, proxy.LDAC.name,
           proxy.state()))
    check("the notice gone once restored", False, "restarted" in proxy.status())
    proxy.Reset()


def run(proxy, work):
    check("state at start", tango.DevState.ON, proxy.state())
    check("identity", ("QV7310", "QVPANEL,QV7310,0,1.04", "Board: ready"),
          (proxy.Part, proxy.Identity, proxy.BoardStatus))
    channels = sorted(a for a in proxy.get_attribute_list() if a.startswith("Dac"))
    check("channel attributes", sorted(f"Dac{n}{kind}" for n in range(1, 5)
                                       for kind in ("Code", "Voltage", "Power", "Limit")), channels)
    # Tango's own State, Status and Init say nothing of this device.
    undescribed = [a.name for a in proxy.attribute_list_query()
                   if a.name not in ("State", "Status") and a.description == "No description"]
    undescribed += [c.cmd_name for c in proxy.command_list_query()
                    if c.cmd_name not in ("Init", "State", "Status")
                    and c.out_type_desc == "Uninitialised"]
    check("descriptions", ([], "The QV7301/QV7310 evaluation board", "V"),
          (undescribed, proxy.description()[:34],
           proxy.get_attribute_config("Dac1Voltage").unit))
    settings(proxy, work)
    read_back(proxy)
    alarm_at_once(proxy)
    refusals(proxy, work)
    injections(proxy, work)

    start = len(trace(work))
    proxy.Reset()
    # The safe state (control register cleared, code 0 to all, LDAC pulse,
    # 30 V range), then CLR released.
    check("reset's requests", [word(0x7000), word(0x5000), "222 0 0 0 0 0", "228 0 0 0 0 0",
                               "218 0 0 0 0 0"], board_calls(work, start))
    check("after reset", (tango.DevState.ON, 30, "HIGH", 0, 0.0, False),
          (proxy.state(), proxy.Range, proxy.LDAC.name, proxy.Dac2Code, proxy.Dac2Voltage,
           proxy.Dac3Power))
    check("largest voltage at 30 V", "29.99267578125",
          proxy.get_attribute_config("Dac1Voltage").max_value)
    check("a voltage above the 30 V range", "API_WAttrOutsideLimit",
          failure(lambda: proxy.write_attribute("Dac1Voltage", 45.0)).split(":")[0])
    proxy.Dac1Voltage = 15.0
    # With LDAC high the setting waits: the attributes read the output.
    check("voltage waiting for LDAC", (0, 0.0), (proxy.Dac1Code, proxy.Dac1Voltage))
    start = len(trace(work))
    proxy.PulseLdac()
    check("pulse", ["222 0 0 0 0 0"], board_calls(work, start))
    check("voltage after the pulse", (2048, 15.0), (proxy.Dac1Code, proxy.Dac1Voltage))
    proxy.LDAC = "LOW"  # the level the timing writes and the restore use


def settings(proxy, work):
    start = len(trace(work))
    proxy.Range = 60
    proxy.LDAC = "LOW"
    proxy.Dac1Code = 2048
    proxy.Dac2Code = 4000
    proxy.Dac3Power = True
    check("read back", (60, "LOW", 2048, 30.0, 4000, 58.5938, True, False, "0x7010"),
          (proxy.Range, proxy.LDAC.name, proxy.Dac1Code, proxy.Dac1Voltage, proxy.Dac2Code,
           proxy.Dac2Voltage, proxy.Dac3Power, proxy.Dac4Power, proxy.LastWord))
    # Range line, LDAC low, the two input registers (passed straight on while
    # LDAC is low) and the control register powering up channel 3 (bit 4).
    check("board requests", ["229 0 0 0 0 0", "227 0 0 0 0 0", word(0x1800), word(0x2FA0),
                             word(0x7010)], board_calls(work, start))
    check("state at 58.6 V", tango.DevState.ALARM, proxy.state())
    check("largest voltage at 60 V", "59.9853515625",
          proxy.get_attribute_config("Dac1Voltage").max_value)
    # The panel's caution is at 50 V and above: code 3413 is 49.9951 V, 3414
    # 50.0098 V.
    for code, quality in ((3414, tango.AttrQuality.ATTR_ALARM),
                          (3413, tango.AttrQuality.ATTR_VALID)):
        proxy.Dac4Code = code
        check(f"quality at code {code}", quality, proxy.read_attribute("Dac4Voltage").quality)
    proxy.Dac4Code = 0


def output_volts(volts, volts_range=60):
    """The voltage of the code nearest to volts, as the panel gives it."""
    return round(round(volts * 4096 / volts_range) * volts_range / 4096, 4)


def read_back(proxy):
    """Every writable attribute read at once after its write, as a client reads
    by default: the read value what the output holds, the write value the
    setting. LDAC high keeps a new code from the output."""
    rows = [("Range", 60, 60, 60), ("LDAC", 1, 1, 1)]  # LDAC 0 is HIGH, 1 LOW
    for n in range(1, 5):
        volts = output_volts(10.0 * n)
        rows += [(f"Dac{n}Code", 100 * n, 100 * n, 100 * n),
                 (f"Dac{n}Voltage", 10.0 * n, volts, volts),
                 (f"Dac{n}Power", n % 2 == 0, n % 2 == 0, n % 2 == 0),
                 (f"Dac{n}Limit", 50.0 + n, 50.0 + n, 50.0 + n)]
    rows += [("LDAC", 0, 0, 0), ("Dac1Code", 7, 683, 7),
             ("Dac1Voltage", 20.0, output_volts(10.0), output_volts(20.0))]
    rows += [(f"Dac{n}Limit", -1.0, -1.0, -1.0) for n in range(1, 5)]
    # Back to the settings run() made, which the restore at the end repeats.
    rows += [("LDAC", 1, 1, 1), ("Dac1Code", 2048, 2048, 2048), ("Dac2Code", 4000, 4000, 4000),
             ("Dac3Code", 0, 0, 0), ("Dac4Code", 0, 0, 0), ("Dac2Power", False, False, False),
             ("Dac3Power", True, True, True), ("Dac4Power", False, False, False)]
    for name, written, output, setting in rows:
        proxy.write_attribute(name, written)
        read = proxy.read_attribute(name)
        check(f"{name} read at once after writing {written!r}", (output, setting),
              (read.value, read.w_value))


def alarm_at_once(proxy):
    """The first read after a write that crosses 50 V says ALARM, and the
    first after one back under it does not."""
    for code, volts, quality in ((3500, 51.2695, tango.AttrQuality.ATTR_ALARM),
                                 (3000, 43.9453, tango.AttrQuality.ATTR_VALID)):
        proxy.Dac1Code = code
        read = proxy.read_attribute("Dac1Voltage")
        check(f"first read after code {code}", (volts, quality),
              (round(read.value, 4), read.quality))
    proxy.Dac1Code = 2048


def others_changes(proxy, port, count=10):
    """Changes made by another remote client: a subscriber hears each within
    100 ms of the panel taking it, and a read at once shows it. Returns the
    latencies heard, as text."""
    heard = {}
    event_id = proxy.subscribe_event(
        "Dac2Code", tango.EventType.CHANGE_EVENT,
        lambda event: event.err or heard.setdefault(event.attr_value.value, time.monotonic()))
    latencies = []
    with socket.create_connection(("127.0.0.1", port)) as panel:
        for i in range(count):
            code = 1000 + i
            sent = time.monotonic()
            panel.sendall(f"DAC2:CODE {code}\n*OPC?\n".encode())
            panel.recv(16)
            read = proxy.read_attribute("Dac2Code")
            check(f"a read at once after another client set code {code}", (code, code),
                  (read.value, read.w_value))
            until(lambda: code in heard, 2)
            latencies.append((heard.get(code, sent + 2) - sent) * 1000)
    proxy.unsubscribe_event(event_id)
    # Every change heard, and in time: on a machine busy with other work one
    # of the ten may be late through scheduling alone, while a server that
    # looks at the panel too seldom is late in most.
    late = [f"{ms:.1f} ms" for ms in latencies if ms > 100]
    check(f"another client's changes heard within 100 ms (late: {late})", True,
          len(late) <= 1 and max(latencies) < 1000)
    latencies.sort()
    return f"{latencies[len(latencies) // 2]:.1f} ms (median), {latencies[-1]:.1f} ms (slowest)"


def refusals(proxy, work):
    start = len(trace(work))
    check("a voltage above the range", "API_WAttrOutsideLimit",
          failure(lambda: proxy.write_attribute("Dac1Voltage", 75.0)).split(":")[0])
    check("a range the board lacks", "InvalidRange: The range is 30 or 60 V, not 45",
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


def injections(proxy, work):
    """Text that would be a second command, or a query putting every later
    reply one behind, never reaches the panel."""
    start = len(trace(work))
    for text in ("HIGH;DAC1:CODE 7", "HIGH;*IDN?", "HIGH\nDAC1:CODE 7"):
        # LDAC is an enumeration: PyTango finds no such label to send.
        try:
            proxy.write_attribute("LDAC", text)
            refused = "no error"
        except (tango.DevFailed, TypeError, ValueError) as error:
            refused = type(error).__name__
        check(f"LDAC written {text!r}", True, refused != "no error")
    check("LDAC written 7", "API_WAttrOutsideLimit",
          failure(lambda: proxy.write_attribute("LDAC", 7)).split(":")[0])
    check("requests after injections", [], trace(work)[start:])
    check("reads in step after injections", (2048, "LOW", 60, "QV7310"),
          (proxy.Dac1Code, proxy.LDAC.name, proxy.Range, proxy.Part))


if __name__ == "__main__":
    sys.exit(main())

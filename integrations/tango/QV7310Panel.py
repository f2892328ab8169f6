#!/usr/bin/env python3
"""Tango device server for the QV7301/QV7310 panel, over its remote control.

The panel stays the only program that touches the board: this server talks
to a running panel (`qv7310 --remote`) over TCP and puts its settings within
reach of every Tango client. Needs PyTango (Debian: python3-tango, for
/usr/bin/python3).

With a Tango database, register it with tango_admin (see docs/tango.md) and
start it as `/usr/bin/python3 QV7310Panel.py lab`. Without one:
    /usr/bin/python3 QV7310Panel.py lab -file=COPY_OF_QV7310Panel.db \\
        -ORBendPoint giop:tcp:127.0.0.1:10100
and a client connects to tango://127.0.0.1:10100/lab/qv7310/1#dbase=no.
"""
import math
import re
import select
import socket
import threading
import time

import tango
from tango import AttrQuality, AttrWriteType, DevState, LatestDeviceImpl
from tango.server import Device, attribute, command, device_property, run

# Every query the device sends, in one place; {n} is the channel. Code and
# voltage are what the attributes read, the outputs; setting and volts are
# what they show as written, the code last loaded, which LDAC high keeps from
# the output.
QUERIES = {
    "identity": "*IDN?",
    "errors": "SYSTem:ERRor?",
    "operation": "STATus:OPERation:CONDition?",
    "questionable": "STATus:QUEStionable:CONDition?",
    "board": "BOARd:STATus?",
    "word": "WORD?",
    "range": "RANGe?",
    "ldac": "LDAC?",
    "code": "DAC{n}:CODE:OUTPut?",
    "setting": "DAC{n}:CODE?",
    "volts": "DAC{n}:VOLTage?",
    "voltage": "DAC{n}:VOLTage:OUTPut?",
    "power": "DAC{n}:POWer?",
    "limit": "DAC{n}:VOLTage:LIMit?",
    # Names this connection to the panel once it is made, for its history.
    "client": 'SYSTem:CLIent "Tango"',
}

# The device looks at the panel this often (seconds), so that a change made in
# its window or by another client reaches subscribers well within 100 ms.
# Clients' reads never come from these looks: each read asks the panel.
WATCH_PERIOD = 0.02
RECONNECT_PERIOD = 1.0  # between tries while the panel cannot be reached
ARCHIVE_PERIOD = 1.0  # every value offered to the archive's period this often
OPERATION_HIGH_VOLTAGE = 1 << 9  # an output at or above 50 V
QUESTIONABLE_BOARD = 1 << 9  # the board is not ready
CHANNELS = 4  # the quad part's; the single part has DAC 1 only
RANGES = (30, 60)
LDAC_LEVELS = ("HIGH", "LOW")
CODES = 4096
# What a client's value may look like once it is text: a number or a word,
# never a separator, a newline or a common command.
SAFE_ARGUMENT = re.compile(r"[0-9A-Za-z.+-]+")

DESCRIPTION = ("The QV7301/QV7310 evaluation board of a 12-bit high-voltage DAC "
               "(30 V or 60 V range), reached through the qv7310 panel's remote control")


class PanelLink:
    """One remote-control connection: lines out, lines back."""

    def __init__(self, host, port, timeout):
        self.sock = socket.create_connection((host, port), timeout)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.buffer = b""

    def close(self):
        self.sock.close()

    def closed_by_panel(self):
        """True when the panel has closed its end (it ended or restarted)."""
        if not select.select([self.sock], [], [], 0)[0]:
            return False
        try:
            return self.sock.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True

    def send(self, *lines):
        self.sock.sendall("".join(line + "\n" for line in lines).encode())

    def reply(self):
        while b"\n" not in self.buffer:
            data = self.sock.recv(4096)
            if not data:
                raise ConnectionError("the panel closed the connection")
            self.buffer += data
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode().rstrip("\r")

    def query(self, *queries):
        self.send(*queries)
        replies = [self.reply() for _ in queries]
        return replies if len(replies) > 1 else replies[0]


def unquote(text):
    return text[1:-1] if len(text) >= 2 and text[0] == text[-1] == '"' else text


def power_on(text):
    """The panel answers ON/OFF, or 1/0."""
    if text in ("ON", "1"):
        return True
    if text in ("OFF", "0"):
        return False
    raise ValueError(f"not a power state: {text!r}")


def limit_volts(text):
    return -1.0 if text == "OFF" else float(text)


def largest_volts(volts_range):
    return volts_range * (CODES - 1) / CODES


def fail(reason, text):
    tango.Except.throw_exception(reason, text, "QV7310Panel")


# -- the channels' attributes, DAC 1 to 4 -------------------------------------
def channel_attribute(n, kind, **settings):
    """Dac<n><kind>, read and written through the device's channel methods."""
    made = attribute(name=f"Dac{n}{kind}", access=AttrWriteType.READ_WRITE,
                     fget=lambda self, attr: self.read_channel(attr, n, kind.lower()),
                     **settings)
    return made.setter(lambda self, value: getattr(self, f"write_{kind.lower()}")(n, value))


def channel_attributes(n):
    """DAC n's attributes: made for all four at start, so that their polling
    and event settings in the database survive a start without the panel."""
    volts = dict(unit="V", standard_unit="1", display_unit="1", format="%8.4f")
    return {
        f"Dac{n}Code": channel_attribute(
            n, "Code", dtype=int, min_value="0", max_value=str(CODES - 1), format="%4d",
            memorized=True, abs_change="1", archive_abs_change="1", archive_period="60000",
            doc=f"code of DAC {n}, 0 to 4095; a write loads it (through to the output "
                "while LDAC is low, else at the next LDAC pulse)"),
        f"Dac{n}Voltage": channel_attribute(
            n, "Voltage", dtype=float, **volts, min_value="0",
            max_value=repr(largest_volts(RANGES[-1])), max_alarm="50",
            abs_change="0.005", archive_abs_change="0.005",
            archive_period="60000",
            doc=f"output of DAC {n} at the range in force; a write takes the nearest code. "
                "ALARM at 50 V and above, the panel's caution"),
        f"Dac{n}Power": channel_attribute(
            n, "Power", dtype=bool, memorized=True, archive_period="60000",
            doc=f"DAC {n} powered up (True) or powered down (False), "
                "the control register's bit for it"),
        f"Dac{n}Limit": channel_attribute(
            n, "Limit", dtype=float, **volts, max_value="60", abs_change="0.0001",
            doc=f"no write, range change or LDAC may take DAC {n} above this; "
                "-1 (any negative value) for no limit. The panel keeps it between runs"),
    }


ChannelAttributes = type("ChannelAttributes", (), {
    name: made for n in range(1, CHANNELS + 1) for name, made in channel_attributes(n).items()})



class QV7310Panel(ChannelAttributes, Device):
    """The QV7301/QV7310 evaluation board of a 12-bit high-voltage DAC, reached
    through the qv7310 panel's remote control: codes, voltages, power and
    limits of each channel, the LDAC and CLR lines and the output range.
    Setpoints are memorized but never written at start-up: RestoreSetpoints
    writes them back on request."""

    Host = device_property(dtype=str, default_value="127.0.0.1",
                           doc="address of the panel's remote control")
    Port = device_property(dtype=int, default_value=5025,
                           doc="TCP port of the panel's remote control")
    Timeout = device_property(dtype=float, default_value=1.0,
                              doc="seconds to wait for the panel: under a client's 3 s, so a "
                                  "hung panel shows as FAULT rather than a client time-out")

    def __init__(self, cl, name):
        # The high-level Device gives every device the same "A Tango device".
        self._tango_properties = {}
        LatestDeviceImpl.__init__(self, cl, name, DESCRIPTION)
        self.init_device()

    def init_device(self):
        super().init_device()
        self.link = None
        self.part = None
        self.channels = CHANNELS
        self.volts_range = None
        self.outputs_set = False  # outputs last seen away from the safe state
        self.reconnected = False
        self.notice = ""  # what Status says until the next setting
        self.retry_at = 0.0
        self.seen = {}  # the values last told to subscribers
        self.archived_at = 0.0
        self.set_state(DevState.FAULT)
        self.set_status("Not connected to the panel yet")
        # Pushed by this server, with Tango checking the change criteria.
        for name in self.event_attributes():
            self.set_change_event(name, True, True)
            if not name.endswith("Limit"):
                self.set_archive_event(name, True, True)
        self.set_change_event("State", True, False)
        self.stop_old_polling()
        try:
            self.panel()
        except tango.DevFailed:
            pass  # FAULT with the reason; the next request tries again
        self.watching = threading.Event()
        threading.Thread(target=self.watch, args=(self.watching,), daemon=True).start()

    def delete_device(self):
        self.watching.set()
        self.drop()

    def stop_old_polling(self):
        """Earlier versions polled State and the voltages every second, and a
        client's read of them then came from the polling buffer: that polling
        left in the database is taken out before it starts. Tango polls State
        as an attribute. Polling a site set itself stays."""
        for name in ["State"] + [f"Dac{n}Voltage" for n in range(1, CHANNELS + 1)]:
            if self.is_attribute_polled(name) and self.get_attribute_poll_period(name) == 1000:
                self.stop_poll_attribute(name)

    @staticmethod
    def event_attributes():
        names = ["Range", "LDAC", "LastWord"]
        for n in range(1, CHANNELS + 1):
            names += [f"Dac{n}Code", f"Dac{n}Voltage", f"Dac{n}Power", f"Dac{n}Limit"]
        return names

    def watched(self):
        """(attribute, query, conversion) of what the device tells subscribers."""
        watched = [("Range", QUERIES["range"], int), ("LDAC", QUERIES["ldac"], LDAC_LEVELS.index),
                   ("LastWord", QUERIES["word"], unquote)]
        for n in range(1, self.channels + 1):
            watched += [(f"Dac{n}Code", QUERIES["code"].format(n=n), int),
                        (f"Dac{n}Voltage", QUERIES["voltage"].format(n=n), float),
                        (f"Dac{n}Power", QUERIES["power"].format(n=n), power_on),
                        (f"Dac{n}Limit", QUERIES["limit"].format(n=n), limit_volts)]
        return watched

    # -- state and status, said once and logged ----------------------------
    def enter(self, state, status):
        if state != self.get_state():
            log = self.error_stream if state == DevState.FAULT else self.info_stream
            log(f"State {state}: {status}")
            self.set_state(state)
            self.push_change_event("State")
        self.set_status(status)

    # -- the connection -------------------------------------------------------
    def panel(self):
        """The connection, made anew when there is none or the panel has
        closed it; DevFailed (and FAULT) when the panel cannot be reached."""
        if self.link and self.link.closed_by_panel():
            self.warn_stream(f"The panel at {self.Host}:{self.Port} closed the connection")
            self.drop()
            self.reconnected = True
        if self.link is None:
            if time.monotonic() < self.retry_at:
                fail("PanelUnreachable", self.get_status())
            try:
                link = PanelLink(self.Host, self.Port, self.Timeout)
                identity = link.query(QUERIES["identity"])
                part = identity.split(",")[1]
            except (OSError, IndexError) as error:
                self.unreachable(error)
            self.link = link
            self.info_stream(f"Connected to the panel at {self.Host}:{self.Port}: {identity}")
            self.adopt_part(part)
            if "client" in QUERIES:
                self.write(QUERIES["client"])
            if self.reconnected:
                self.refresh_state()  # a restart is told before anything is set
        return self.link

    def drop(self):
        if self.link:
            self.link.close()
        self.link = None

    def unreachable(self, error):
        if self.link:
            self.reconnected = True  # the next connection is judged for a restart
        self.drop()
        if isinstance(error, socket.timeout):
            # Each try would hold the device for the whole wait: pause them.
            self.retry_at = time.monotonic() + self.Timeout
            text = (f"The panel at {self.Host}:{self.Port} does not answer within "
                    f"{self.Timeout:g} s: it hangs")
        else:
            text = f"The panel at {self.Host}:{self.Port} cannot be reached: {error}"
        self.enter(DevState.FAULT, text)
        fail("PanelUnreachable", text)

    def talk(self, action):
        link = self.panel()
        try:
            return action(link)
        except OSError as error:
            self.unreachable(error)

    def query(self, *queries):
        return self.talk(lambda link: link.query(*queries))

    def write(self, line):
        """Sends one setting and reads the panel's error queue: a refusal
        becomes a DevFailed with the panel's own text."""
        def send(link):
            link.send(line, QUERIES["errors"])
            errors = [link.reply()]
            while not errors[-1].startswith("0,"):
                errors.append(link.query(QUERIES["errors"]))
            return errors[:-1]
        errors = self.talk(send)
        if errors:
            self.refuse("PanelRefused", f'The panel refused "{line}": {"; ".join(errors)}')
        self.notice = ""

    def setting(self, header, value):
        """A setting with a client's value, which must be one plain word."""
        text = str(value)
        if not SAFE_ARGUMENT.fullmatch(text):
            self.refuse("InvalidValue", f"{text!r} is no value for {header}")
        self.write(f"{header} {text}")

    def refuse(self, reason, text):
        self.warn_stream(text)
        fail(reason, text)

    # -- the part and the channels it has ---------------------------------------
    def adopt_part(self, part):
        if self.part and part != self.part:
            self.reconnected = True  # another panel, or the same with another part
        self.part = part
        self.channels = CHANNELS if part == "QV7310" else 1

    def channel_present(self, n, name):
        self.panel()  # the part in force, which a restarted panel may have changed
        if not 1 <= n <= self.channels:
            self.refuse("NoSuchChannel", f"The {self.part} has one channel, DAC 1: "
                                         f"{name} cannot be written")

    def read_channel(self, attr, n, kind):
        """The read value is what the output holds, the write value the
        setting, both asked of the panel now."""
        self.panel()  # the part, for the channels it has
        if n > self.channels:
            attr.set_quality(AttrQuality.ATTR_INVALID)
            return
        if kind == "code":
            output, setting = self.query(QUERIES["code"].format(n=n),
                                         QUERIES["setting"].format(n=n))
            attr.set_value(int(output))
            self.show_setting(attr, int(setting))
        elif kind == "voltage":
            output, setting = self.query(QUERIES["voltage"].format(n=n),
                                         QUERIES["volts"].format(n=n))
            attr.set_value(float(output))
            self.show_setting(attr, float(setting))
        else:
            convert = power_on if kind == "power" else limit_volts
            value = convert(self.query(QUERIES[kind].format(n=n)))
            attr.set_value(value)
            self.show_setting(attr, value)

    def show_setting(self, attr, value):
        self.get_device_attr().get_w_attr_by_name(attr.get_name()).set_write_value(value)

    # -- settings -------------------------------------------------------------
    def write_code(self, n, code):
        self.channel_present(n, f"Dac{n}Code")
        self.setting(f"DAC{n}:CODE", int(code))
        self.announce()

    def write_voltage(self, n, volts):
        self.channel_present(n, f"Dac{n}Voltage")
        if not math.isfinite(volts):
            self.refuse("InvalidValue", f"{volts} is no voltage")
        self.setting(f"DAC{n}:VOLTage", repr(float(volts)))
        self.memorize_code(n)
        self.announce()

    def write_power(self, n, on):
        self.channel_present(n, f"Dac{n}Power")
        self.setting(f"DAC{n}:POWer", "ON" if on else "OFF")
        self.announce()

    def write_limit(self, n, volts):
        self.channel_present(n, f"Dac{n}Limit")
        # Tango itself refuses NaN; a negative value means none.
        self.setting(f"DAC{n}:VOLTage:LIMit", "OFF" if volts < 0 else f"{volts:.6f}")
        self.announce()

    def memorize_code(self, n):
        """A voltage setting is memorized as the code it loaded, so that one
        setpoint per channel is restored."""
        code = int(self.query(QUERIES["setting"].format(n=n)))
        name = f"Dac{n}Code"
        self.get_device_attr().get_w_attr_by_name(name).set_write_value(code)
        tango.Util.instance().get_database().put_device_attribute_property(
            self.get_name(), {name: {"__value": [str(code)]}})

    # -- what changed, told to subscribers --------------------------------------
    def watch(self, stopped):
        """Looks at the panel every WATCH_PERIOD and tells subscribers what
        changed, whoever changed it. Holds the device while it looks, as a
        client's request does."""
        next_try = 0.0  # while the panel cannot be reached
        while not stopped.wait(WATCH_PERIOD):
            with tango.AutoTangoMonitor(self):
                if stopped.is_set():
                    return
                if self.link is None and time.monotonic() < next_try:
                    continue
                next_try = time.monotonic() + RECONNECT_PERIOD
                self.refresh_state()

    def announce(self):
        """After a setting or command: its effects told at once."""
        self.refresh_state()

    def tell(self, values):
        """Pushes change and archive events for the values that changed; every
        value goes to the archive's criteria once each ARCHIVE_PERIOD, so that
        its period holds."""
        archive_all = time.monotonic() >= self.archived_at + ARCHIVE_PERIOD
        if archive_all:
            self.archived_at = time.monotonic()
        for name, value in values.items():
            changed = self.seen.get(name) != value
            if changed:
                self.push_change_event(name, value)
            if (changed or archive_all) and not name.endswith("Limit"):
                self.push_archive_event(name, value)
        self.seen = values

    def follow_range(self, volts_range):
        """The voltages' limits follow the range in force."""
        if volts_range == self.volts_range:
            return
        self.volts_range = volts_range
        largest = largest_volts(volts_range)
        for n in range(1, CHANNELS + 1):
            self.get_device_attr().get_w_attr_by_name(f"Dac{n}Voltage").set_max_value(largest)

    # -- state ----------------------------------------------------------------
    def refresh_state(self):
        """Asks the panel for everything at once: the state, and the events
        of what changed since the last time."""
        try:
            self.panel()
            watched = self.watched()
            replies = self.query(QUERIES["operation"], QUERIES["questionable"],
                                 QUERIES["board"], *(query for _, query, _ in watched))
        except tango.DevFailed:
            self.seen = {}  # FAULT, said by unreachable(); all told anew once back
            return
        operation, questionable, board = replies[:3]
        values = {name: convert(reply)
                  for (name, _, convert), reply in zip(watched, replies[3:])}
        self.follow_range(values["Range"])
        self.judge_outputs(values)
        board = unquote(board.split(",", 1)[-1])
        if int(questionable) & QUESTIONABLE_BOARD:
            state, status = DevState.FAULT, f"The board is not ready ({board})"
        elif int(operation) & OPERATION_HIGH_VOLTAGE:
            state, status = DevState.ALARM, "An output is at or above 50 V"
        else:
            state = DevState.ON
            status = f"The panel answers and the board is ready ({self.part})"
        self.enter(state, f"{status}. {self.notice}" if self.notice else status)
        self.tell(values)

    def judge_outputs(self, values):
        """A panel that comes back with its outputs at the safe state after
        they had been set has restarted: its outputs went to 0 V."""
        n = self.channels
        safe = (values["Range"] == 30
                and all(values[f"Dac{c}Code"] == 0 for c in range(1, n + 1))
                and not any(values[f"Dac{c}Power"] for c in range(1, n + 1)))
        if self.reconnected and self.outputs_set and safe:
            self.notice = ("The panel restarted and reset its outputs to the safe state "
                           "(0 V, 30 V range): RestoreSetpoints writes the memorized "
                           "setpoints back")
            self.warn_stream(self.notice)
            self.seen = {}  # every value told anew
        self.reconnected = False
        self.outputs_set = not safe

    def dev_state(self):
        self.refresh_state()
        return self.get_state()

    def dev_status(self):
        self.refresh_state()
        return self.get_status()

    # -- attributes -----------------------------------------------------------
    @attribute(dtype=str, doc="the part the panel drives, QV7301 or QV7310")
    def Part(self):
        return self.query(QUERIES["identity"]).split(",")[1]

    @attribute(dtype=str, doc="the panel's *IDN? reply: maker, part, serial number, version")
    def Identity(self):
        return self.query(QUERIES["identity"])

    @attribute(dtype=str, doc="the board status as the panel shows it, e.g. Board: ready")
    def BoardStatus(self):
        return unquote(self.query(QUERIES["board"]).split(",", 1)[-1])

    @attribute(dtype=str, doc="the last serial word sent to the converter, e.g. 0x2800")
    def LastWord(self):
        return unquote(self.query(QUERIES["word"]))

    Range = attribute(dtype=int, access=AttrWriteType.READ_WRITE, unit="V",
                      standard_unit="1", display_unit="1", format="%2d",
                      min_value=str(RANGES[0]), max_value=str(RANGES[-1]), memorized=True,
                      abs_change="1", archive_abs_change="1", archive_period="60000",
                      doc="output range in volts, 30 or 60; the codes stay, the outputs scale")

    def read_Range(self, attr):
        volts_range = int(self.query(QUERIES["range"]))
        attr.set_value(volts_range)
        self.show_setting(attr, volts_range)

    def write_Range(self, volts):
        if volts not in RANGES:
            self.refuse("InvalidRange", f"The range is 30 or 60 V, not {volts}")
        self.setting("RANGe", volts)
        self.announce()

    LDAC = attribute(dtype=tango.DevEnum, enum_labels=list(LDAC_LEVELS),
                     access=AttrWriteType.READ_WRITE, memorized=True, archive_period="60000",
                     doc="the LDAC line: HIGH holds the outputs, LOW passes codes "
                         "straight to them")

    def read_LDAC(self, attr):
        level = LDAC_LEVELS.index(self.query(QUERIES["ldac"]))
        attr.set_value(level)
        self.show_setting(attr, level)

    def write_LDAC(self, level):
        if not 0 <= level < len(LDAC_LEVELS):
            self.refuse("InvalidValue", f"LDAC is HIGH (0) or LOW (1), not {level}")
        self.setting("LDAC", LDAC_LEVELS[level])
        self.announce()

    # -- commands -------------------------------------------------------------
    @command(doc_in="no argument",
             doc_out="none; the panel's *RST: the safe state, then as after start-up")
    def Reset(self):
        self.write("*RST")
        self.outputs_set = False
        self.announce()

    @command(doc_in="no argument",
             doc_out="none; pulses LDAC: the input registers go to the outputs")
    def PulseLdac(self):
        self.write("LDAC:PULSe")
        self.announce()

    @command(doc_in="no argument",
             doc_out="none; pulses CLR: the outputs go to 0 until the next LDAC")
    def PulseClr(self):
        self.write("CLR:PULSe")
        self.announce()

    @command(doc_in="no argument",
             doc_out="none; downloads the board's firmware again")
    def Reload(self):
        self.write("BOARd:RELoad")
        self.announce()

    @command(doc_in="no argument",
             doc_out="none; writes the memorized range, codes, power and LDAC to the board, "
                     "never done at start-up")
    def RestoreSetpoints(self):
        names = ["Range", "LDAC"] + [f"Dac{n}{kind}" for n in range(1, self.channels + 1)
                                     for kind in ("Code", "Power")]
        stored = tango.Util.instance().get_database().get_device_attribute_property(
            self.get_name(), names)
        memorized = {name: stored[name]["__value"][0] for name in names
                     if "__value" in stored.get(name, {})}
        if not memorized:
            self.refuse("NothingMemorized", "No setpoint has been written yet")
        self.info_stream(f"Restoring setpoints: {memorized}")
        # Through LDAC low, so the codes reach the outputs; then the level set.
        if "Range" in memorized:
            self.write_Range(int(memorized["Range"]))
        self.setting("LDAC", "LOW")
        for n in range(1, self.channels + 1):
            if f"Dac{n}Code" in memorized:
                self.setting(f"DAC{n}:CODE", int(memorized[f"Dac{n}Code"]))
            if f"Dac{n}Power" in memorized:
                on = memorized[f"Dac{n}Power"].lower() in ("1", "true")
                self.setting(f"DAC{n}:POWer", "ON" if on else "OFF")
        self.setting("LDAC", LDAC_LEVELS[int(memorized.get("LDAC", 0))])
        self.announce()


if __name__ == "__main__":
    run((QV7310Panel,))

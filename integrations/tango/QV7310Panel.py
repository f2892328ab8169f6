#!/usr/bin/env python3
"""Tango device server for the QV7301/QV7310 panel, over its remote control.

The panel stays the only program that touches the board: this server talks
to a running panel (`qv7310 --remote`) over TCP and puts its settings within
reach of every Tango client. Needs PyTango (Debian: python3-tango).

Without a Tango database:
    python3 QV7310Panel.py lab -file=QV7310Panel.db \\
        -ORBendPoint giop:tcp:127.0.0.1:10000
and a client connects to tango://127.0.0.1:10000/lab/qv7310/1#dbase=no.
With a database, register it with tango_admin (see the README) and start it
as `python3 QV7310Panel.py lab`.
"""
import re
import select
import socket

import tango
from tango import AttrWriteType, DevState
from tango.server import Device, attribute, command, device_property, run

OPERATION_HIGH_VOLTAGE = 1 << 9  # an output at or above 50 V
QUESTIONABLE_BOARD = 1 << 9  # the board is not ready


class PanelLink:
    """One remote-control connection: lines out, lines back."""

    def __init__(self, host, port, timeout):
        self.where = f"{host}:{port}"
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


class QV7310Panel(Device):
    """The QV7301/QV7310 evaluation panel, reached over remote control."""

    Host = device_property(dtype=str, default_value="127.0.0.1",
                           doc="address of the panel's remote control")
    Port = device_property(dtype=int, default_value=5025,
                           doc="TCP port of the panel's remote control")
    Timeout = device_property(dtype=float, default_value=3.0,
                              doc="seconds to wait for the panel")

    # Kept over the Init command, which keeps the attributes too.
    channels = 0  # channel attributes in place
    dynamic = False  # attributes may be added (after the server's start-up)

    def init_device(self):
        super().init_device()
        self.link = None
        self.part = None
        self.set_state(DevState.FAULT)
        self.set_status("Not connected to the panel yet")
        try:
            self.panel()
        except tango.DevFailed:
            pass  # FAULT with the reason; the next request tries again

    def delete_device(self):
        if self.link:
            self.link.close()
            self.link = None

    # -- the connection ---------------------------------------------------
    def panel(self):
        """The connection, made anew when there is none or the panel has
        closed it; DevFailed (and FAULT) when the panel cannot be reached."""
        if self.link and self.link.closed_by_panel():
            self.drop()
        if self.link is None:
            try:
                link = PanelLink(self.Host, self.Port, self.Timeout)
                part = link.query("*IDN?").split(",")[1]
            except (OSError, IndexError) as error:
                self.unreachable(error)
            self.link = link
            self.adopt_part(part)
        return self.link

    def drop(self):
        if self.link:
            self.link.close()
        self.link = None

    def unreachable(self, error):
        self.drop()
        text = f"The panel at {self.Host}:{self.Port} cannot be reached: {error}"
        self.set_state(DevState.FAULT)
        self.set_status(text)
        tango.Except.throw_exception("PanelUnreachable", text, "QV7310Panel")

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
            link.send(line, "SYSTem:ERRor?")
            errors = [link.reply()]
            while not errors[-1].startswith("0,"):
                errors.append(link.query("SYSTem:ERRor?"))
            return errors[:-1]
        errors = self.talk(send)
        if errors:
            tango.Except.throw_exception(
                "PanelRefused", f'The panel refused "{line}": {"; ".join(errors)}',
                "QV7310Panel")

    # -- channels follow the part -------------------------------------------
    def adopt_part(self, part):
        self.part = part
        if not self.dynamic:
            return
        channels = 4 if part == "QV7310" else 1
        for n in range(channels + 1, self.channels + 1):
            for kind in ("Code", "Voltage", "Power", "Limit"):
                self.remove_attribute(f"Dac{n}{kind}")
        for n in range(self.channels + 1, channels + 1):
            self.add_channel(n)
        self.channels = channels

    def initialize_dynamic_attributes(self):
        # Without the panel the part is not known yet: the channels come
        # with the first connection.
        self.dynamic = True
        if self.part:
            self.adopt_part(self.part)

    def add_channel(self, n):
        code = tango.Attr(f"Dac{n}Code", tango.DevLong, AttrWriteType.READ_WRITE)
        limits = tango.UserDefaultAttrProp()
        limits.set_min_value("0")
        limits.set_max_value("4095")
        limits.set_description(f"code of DAC {n}, 0 to 4095")
        code.set_default_properties(limits)
        self.add_attribute(code, self.read_code, self.write_code)

        volts = tango.Attr(f"Dac{n}Voltage", tango.DevDouble, AttrWriteType.READ_WRITE)
        unit = tango.UserDefaultAttrProp()
        unit.set_unit("V")
        unit.set_format("%.4f")
        unit.set_description(f"output of DAC {n}; a setting takes the nearest code")
        volts.set_default_properties(unit)
        self.add_attribute(volts, self.read_voltage, self.write_voltage)

        power = tango.Attr(f"Dac{n}Power", tango.DevBoolean, AttrWriteType.READ_WRITE)
        self.add_attribute(power, self.read_power, self.write_power)

        limit = tango.Attr(f"Dac{n}Limit", tango.DevDouble, AttrWriteType.READ_WRITE)
        props = tango.UserDefaultAttrProp()
        props.set_unit("V")
        props.set_format("%.4f")
        props.set_description(f"no write, range change or LDAC may take DAC {n} above this; "
                              "-1 (any negative value) for no limit")
        props.set_max_value("60")
        limit.set_default_properties(props)
        self.add_attribute(limit, self.read_limit, self.write_limit)

    @staticmethod
    def channel(attr):
        return int(re.match(r"Dac(\d+)", attr.get_name()).group(1))

    def read_code(self, attr):
        attr.set_value(int(self.query(f"DAC{self.channel(attr)}:CODE?")))

    def write_code(self, attr):
        self.write(f"DAC{self.channel(attr)}:CODE {int(attr.get_write_value())}")

    def read_voltage(self, attr):
        attr.set_value(float(self.query(f"DAC{self.channel(attr)}:VOLTage?")))

    def write_voltage(self, attr):
        self.write(f"DAC{self.channel(attr)}:VOLTage {float(attr.get_write_value())!r}")

    def read_limit(self, attr):
        text = self.query(f"DAC{self.channel(attr)}:VOLTage:LIMit?")
        attr.set_value(-1.0 if text == "OFF" else float(text))

    def write_limit(self, attr):
        volts = float(attr.get_write_value())
        # Only a number or OFF reaches the panel; Tango itself refuses NaN.
        setting = "OFF" if volts < 0 else f"{volts:.6f}"
        self.write(f"DAC{self.channel(attr)}:VOLTage:LIMit {setting}")

    def read_power(self, attr):
        attr.set_value(self.query(f"DAC{self.channel(attr)}:POWer?") in ("ON", "1"))

    def write_power(self, attr):
        on = bool(attr.get_write_value())
        self.write(f"DAC{self.channel(attr)}:POWer {'ON' if on else 'OFF'}")

    # -- state ----------------------------------------------------------------
    def refresh_state(self):
        try:
            operation, questionable, board = self.query(
                "STATus:OPERation:CONDition?", "STATus:QUEStionable:CONDition?",
                "BOARd:STATus?")
        except tango.DevFailed:
            return  # FAULT, said by unreachable()
        board = unquote(board.split(",", 1)[-1])
        if int(questionable) & QUESTIONABLE_BOARD:
            self.set_state(DevState.FAULT)
            self.set_status(f"The board is not ready ({board})")
        elif int(operation) & OPERATION_HIGH_VOLTAGE:
            self.set_state(DevState.ALARM)
            self.set_status("An output is at or above 50 V")
        else:
            self.set_state(DevState.ON)
            self.set_status(f"The panel answers and the board is ready ({self.part})")

    def dev_state(self):
        self.refresh_state()
        return self.get_state()

    def dev_status(self):
        self.refresh_state()
        return self.get_status()

    # -- attributes -----------------------------------------------------------
    @attribute(dtype=str, doc="the part the panel drives, QV7301 or QV7310")
    def Part(self):
        return self.query("*IDN?").split(",")[1]

    @attribute(dtype=str, doc="the panel's *IDN? reply")
    def Identity(self):
        return self.query("*IDN?")

    @attribute(dtype=str, doc="the board status as the panel shows it")
    def BoardStatus(self):
        return unquote(self.query("BOARd:STATus?").split(",", 1)[-1])

    @attribute(dtype=str, doc="the last serial word sent to the converter, e.g. 0x2800")
    def LastWord(self):
        return unquote(self.query("WORD?"))

    Range = attribute(dtype=int, access=AttrWriteType.READ_WRITE, unit="V",
                      doc="output range, 30 or 60")

    def read_Range(self):
        return int(self.query("RANGe?"))

    def write_Range(self, volts):
        self.write(f"RANGe {volts}")

    LDAC = attribute(dtype=str, access=AttrWriteType.READ_WRITE,
                     doc="the LDAC line, HIGH or LOW")

    def read_LDAC(self):
        return self.query("LDAC?")

    def write_LDAC(self, level):
        self.write(f"LDAC {level}")

    # -- commands -------------------------------------------------------------
    @command(doc_in="the panel's *RST: safe outputs, then as after start-up")
    def Reset(self):
        self.write("*RST")

    @command(doc_in="pulses LDAC: the input registers go to the outputs")
    def PulseLdac(self):
        self.write("LDAC:PULSe")

    @command(doc_in="pulses CLR: the outputs go to 0 until the next LDAC")
    def PulseClr(self):
        self.write("CLR:PULSe")

    @command(doc_in="downloads the board's firmware again")
    def Reload(self):
        self.write("BOARd:RELoad")


if __name__ == "__main__":
    run((QV7310Panel,))

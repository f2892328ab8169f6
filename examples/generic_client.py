#!/usr/bin/env python3
"""What a generic IEEE 488.2 instrument driver does with the panel.

Start the panel with remote control first, e.g.
    qv7310 --part QV7310 --remote
then run:
    python3 generic_client.py [PORT]

Needs pyvisa with the pyvisa-py backend (Debian: python3-pyvisa,
python3-pyvisa-py). Identifies the instrument, clears its status, resets it,
waits for the reset with *OPC?, makes a mistake on purpose, polls the status
byte and drains the error queue. Then sets and reads back two settings as a
driver's typed properties do.
"""
import sys

import pyvisa


def status_byte(panel):
    """The status byte by read_stb(). pyvisa-py 0.5 (Debian 12) does not offer
    read_stb() on SOCKET resources and says so before sending anything; the
    panel's *STB? then gives the same byte."""
    try:
        return panel.read_stb()
    except pyvisa.errors.VisaIOError as error:
        if error.error_code != pyvisa.constants.StatusCode.error_nonsupported_operation:
            raise
        return int(panel.query("*STB?"))


def round_trips(panel):
    """What a driver's typed properties do: write a value, read it back as a
    number, and expect the value written. As PyMeasure's
    Instrument.control("DAC1:POW?", "DAC1:POW %d", ..., values=[0, 1]) does
    for a boolean, and a set-then-get of DAC1:VOLT (LDAC is high after *RST:
    the query answers the setting, not the output). True when all came back."""
    settings = [("DAC1:POW", "%d", value) for value in [0, 1]]
    settings.append(("DAC1:VOLT", "%g", 7.5))
    for header, form, value in settings:
        panel.write(f"{header} {form % value}")
        read = float(panel.query(f"{header}?"))
        print(f"{header} {form % value}, read back:", read)
        if read != value:
            return False
    return True


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 5025
    rm = pyvisa.ResourceManager("@py")
    panel = rm.open_resource(f"TCPIP0::127.0.0.1::{port}::SOCKET",
                             read_termination="\n", write_termination="\n",
                             timeout=5000)
    try:
        print("identity:", panel.query("*IDN?"))
        panel.write("*CLS")
        panel.write("*RST")
        print("reset complete:", panel.query("*OPC?"))
        print("status byte:", status_byte(panel))
        panel.write("DAC1:CODE 5000")  # beyond the last code: -222
        print("status byte:", status_byte(panel))  # 4: the error queue holds something
        print("error count:", panel.query("SYSTem:ERRor:COUNt?"))
        while True:
            error = panel.query("SYSTem:ERRor?")
            print("error:", error)
            if error.startswith("0,"):
                break
        print("status byte:", status_byte(panel))
        if not round_trips(panel):
            return 1
    finally:
        panel.close()
        rm.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

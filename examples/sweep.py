#!/usr/bin/env python3
"""Steps DAC1 of the panel through a few codes over remote control.

Start the panel with remote control first, e.g.
    qv7310 --part QV7310 --remote
then run:
    python3 sweep.py [PORT]

Needs pyvisa with the pyvisa-py backend (Debian: python3-pyvisa,
python3-pyvisa-py). Prints the panel's identity, then each code with the
voltage the panel shows for it, the output's (DAC1:VOLTage:OUTPut?).
"""
import sys

import pyvisa

CODES = (0, 1024, 2048, 3072, 4095)


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 5025
    rm = pyvisa.ResourceManager("@py")
    panel = rm.open_resource(f"TCPIP0::127.0.0.1::{port}::SOCKET",
                             read_termination="\n", timeout=5000)
    try:
        print(panel.query("*IDN?"))
        panel.write("RANGe 30")
        for code in CODES:
            panel.write(f"DAC1:CODE {code}")
            panel.write("LDAC:PULSe")
            print(code, panel.query("DAC1:VOLTage:OUTPut?"))
        error = panel.query("SYSTem:ERRor?")
        if not error.startswith("0,"):
            print("panel reported:", error, file=sys.stderr)
            return 1
    finally:
        panel.close()
        rm.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""A plain pyvisa-py session against a running panel, as a lab script has it:
a query alone, and a write followed by a query (where a delayed ACK on the
panel's side would hold the query back). Prints
  PYVISA query <median ms> <p99 ms>
  PYVISA write-then-query <median ms> <p99 ms>
Usage: pyvisa_round_trips.py PORT [ROUNDS]"""
import statistics
import sys
import time

import pyvisa


def main():
    port = int(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 500
    resources = pyvisa.ResourceManager("@py")
    panel = resources.open_resource(f"TCPIP0::127.0.0.1::{port}::SOCKET",
                                    read_termination="\n", write_termination="\n")
    query, write = [], []
    for i in range(rounds):
        start = time.perf_counter()
        panel.query("*IDN?")
        query.append(time.perf_counter() - start)
        start = time.perf_counter()
        panel.write(f"DAC1:CODE {i % 4096}")
        panel.query("*OPC?")
        write.append(time.perf_counter() - start)
    for name, times in (("query", query), ("write-then-query", write)):
        times.sort()
        print(f"PYVISA {name} {statistics.median(times) * 1e3:.3f} "
              f"{times[len(times) * 99 // 100] * 1e3:.3f}")


if __name__ == "__main__":
    main()

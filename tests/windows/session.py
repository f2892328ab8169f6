# One remote-control session of the panel: writes with LDAC high and low, the
# lines, the range, the control register, limits and a refused entry, then
# what was asked. Prints every reply, so two panels' answers compare too.
# Usage: session.py PORT [LINES...]  (default: the whole session)
import socket
import sys

SESSION = ["DAC1:CODE #H800", "DAC2:CODE 1024", "LDAC:PULS", "LDAC LOW", "DAC3:CODE #HFFF",
           "DAC:ALL:CODE 3500", "RANG 60", "LDAC HIGH", "DAC4:CODE 7", "LDAC:PULS",
           "CLR LOW", "CLR HIGH", "CLR:PULS", "DAC2:POW OFF", "PDM TRIS", "DAC2:POW ON",
           "PDM GND", "DAC1:VOLT:LIM 20", "DAC1:VOLT:LIM?", "DAC1:VOLT 25", "DAC1:CODE 5000",
           "SYST:ERR:ALL?", "DAC1:VOLT 12.5", "DAC1:VOLT:LIM OFF", "RANG 30", "WORD?",
           "DAC3:VOLT:OUTP?", "*OPC?"]

lines = sys.argv[2:] or SESSION
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=60) as s:
    replies = s.makefile("r", newline="\n")
    for line in lines:
        s.sendall((line + "\n").encode())
        if line.endswith("?"):
            print(line, "->", replies.readline().strip(), flush=True)

#!/usr/bin/env python3
"""Writes QV7310.hex: a small stand-in firmware image for the simulated board.

The bytes carry no meaning; the image only has to be well-formed Intel HEX so
that the download path is exercised exactly as with a real image.
Run from this folder: python3 make_firmware.py
"""


def record(address, rtype, data):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, rtype]) + bytes(data)
    checksum = (-sum(body)) & 0xFF
    return ":" + (body + bytes([checksum])).hex().upper()


def main():
    # Fixed linear congruential sequence so the file is reproducible.
    seed = 0x7310
    lines = [record(0, 0x04, [0x00, 0x00])]
    for block in range(12):
        data = []
        for _ in range(16):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            data.append((seed >> 16) & 0xFF)
        lines.append(record(block * 16, 0x00, data))
    lines.append(record(0, 0x01, []))
    with open("QV7310.hex", "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the files of a sample car: a car archive "car.viv" (a directory of
members like the game's, with "fedata.eng" carrying the serial number at byte
798) and a second file "Lstm.qfs".

Usage: make_sample_car.py OUT_DIR [SERIAL]
"""
import os
import random
import struct
import sys


def car_archive(members):
    header = 16 + sum(8 + len(n) + 1 for n, _ in members)
    entries, body, offset = b"", b"", header
    for name, data in members:
        entries += struct.pack(">II", offset, len(data)) + name.encode() + b"\0"
        offset += len(data)
        body += data
    return b"BIGF" + struct.pack(">III", header + len(body), len(members), header) + entries + body


def main():
    out, serial = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 26
    rng = random.Random(serial)
    fedata = bytearray(rng.getrandbits(8) for _ in range(1600))
    fedata[798:802] = struct.pack("<I", serial)
    model = bytes(rng.getrandbits(8) for _ in range(60000))
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "car.viv"), "wb") as f:
        f.write(car_archive([("car.fce", model), ("fedata.eng", bytes(fedata))]))
    with open(os.path.join(out, "Lstm.qfs"), "wb") as f:
        f.write(bytes(rng.getrandbits(8) for _ in range(20000)))


if __name__ == "__main__":
    main()

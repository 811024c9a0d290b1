#!/usr/bin/env python3
"""Writes the seed inputs of the car installer's fuzz targets."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "assets"))
from make_sample_car import car_archive  # noqa: E402


def payload(kind, serial, entries):
    out = struct.pack("<IIi", kind, serial, len(entries))
    for name, data in entries:
        out += struct.pack("<i", len(data)) + name.encode().ljust(12, b"\0")
    return out + b"".join(d for _, d in entries)


def fedata(serial):
    data = bytearray(range(256)) * 5
    data[798:802] = struct.pack("<I", serial)
    return bytes(data[:1200])


def write(folder, name, data):
    with open(os.path.join(HERE, "seeds", folder, name), "wb") as f:
        f.write(data)


write("payload", "two-entries", payload(1, 26, [("car.viv", b"x" * 700), ("Lstm.qfs", b"y" * 20)]))
write("payload", "showcase-empty-entry", payload(0, 7, [("abcdefgh.ijk", b"")]))
write("payload", "no-entries", payload(1, 26, []))
write("payload", "name-leaving-folder", payload(1, 26, [("a.bin", b"a" * 10), ("..\\evil.bin", b"e" * 10)]))
write("cardir", "car", car_archive([("car.fce", b"m" * 100), ("fedata.eng", fedata(26))]))
write("cardir", "upper-case", car_archive([("FEDATA.ENG", fedata(3))]))

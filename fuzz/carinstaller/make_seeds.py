#!/usr/bin/env python3
"""Writes the seed inputs of the car installer's fuzz targets."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def payload(kind, serial, entries):
    out = struct.pack("<IIi", kind, serial, len(entries))
    for name, data in entries:
        out += struct.pack("<i", len(data)) + name.encode().ljust(12, b"\0")
    return out + b"".join(d for _, d in entries)


def car_archive(members):
    header = 16 + sum(8 + len(n) + 1 for n, _ in members)
    body, entries, offset = b"", b"", header
    for name, data in members:
        entries += struct.pack(">II", offset, len(data)) + name.encode() + b"\0"
        offset += len(data)
        body += data
    size = header + len(body)
    return b"BIGF" + struct.pack(">III", size, len(members), header) + entries + body


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
write("cardir", "car", car_archive([("car.fce", b"m" * 100), ("fedata.eng", fedata(26))]))
write("cardir", "upper-case", car_archive([("FEDATA.ENG", fedata(3))]))

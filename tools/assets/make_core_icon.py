#!/usr/bin/env python3
"""Draws the car installer's program icon: 32 x 32 pixels, 16 colours.

Usage: make_core_icon.py OUT.ico
"""
import struct
import sys

# The 16-colour Windows palette, each as (blue, green, red).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, DARK_GREY, LIGHT_GREY, RED, YELLOW, WHITE, CYAN = 0, 8, 7, 9, 11, 15, 14
TRANSPARENT = None


def draw():
    px = [[TRANSPARENT] * 32 for _ in range(32)]

    def rect(x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                px[y][x] = c

    def disc(cx, cy, r, c):
        for y in range(32):
            for x in range(32):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    px[y][x] = c

    rect(2, 16, 30, 23, RED)            # body
    rect(9, 10, 22, 16, RED)            # cabin
    rect(11, 11, 15, 16, CYAN)          # windows
    rect(16, 11, 20, 16, CYAN)
    rect(2, 18, 30, 19, YELLOW)         # stripe
    rect(26, 16, 30, 18, WHITE)         # head lamp
    for cx in (8, 23):                  # wheels
        disc(cx, 23, 4, BLACK)
        disc(cx, 23, 2, LIGHT_GREY)
    rect(0, 28, 32, 29, DARK_GREY)      # road
    return px


def encode(px):
    rows_xor, rows_and = [], []
    for row in reversed(px):            # bottom-up
        nibbles = [c if c is not None else 0 for c in row]
        rows_xor.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, 32, 2)))
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (31 - x)
        rows_and.append(struct.pack(">I", bits))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in
                       [(p[2], p[1], p[0]) for p in PALETTE])
    xor, mask = b"".join(rows_xor), b"".join(rows_and)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(encode(draw()))

#!/usr/bin/env python3
"""Draws AFGold's placeholder pictures: plain 16-colour bitmaps of each
picture's exact size with the button labels painted where the buttons lie,
stored as picture data (the length-prefixed class name "TBitmap", then the
toolkit's bitmap stream: width, height, bits per pixel, palette, rows).

Usage: make_launcher_assets.py OUT_FOLDER
"""
import os
import struct
import sys

PALETTE = [  # (red, green, blue)
    (255, 0, 255),   # 0 transparent key
    (0, 0, 0),       # 1 black
    (255, 255, 255), # 2 white
    (230, 180, 40),  # 3 gold
    (20, 30, 80),    # 4 dark blue
    (200, 20, 20),   # 5 red
    (40, 220, 60),   # 6 green
    (150, 150, 150), # 7 grey
    (120, 0, 0),     # 8 dark red
    (80, 110, 190),  # 9 light blue
]
KEY, BLACK, WHITE, GOLD, NAVY, RED, GREEN, GREY, DARKRED, BLUE = range(10)

FONT = {  # 5 x 7 capitals
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'G': ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'J': ["00111", "00010", "00010", "00010", "00010", "10010", "01100"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'N': ["10001", "10001", "11001", "10101", "10011", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'Q': ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'W': ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    'Y': ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    'Z': ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    '.': ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    ',': ["00000", "00000", "00000", "00000", "01100", "00100", "01000"],
    '?': ["01110", "10001", "00001", "00010", "00100", "00000", "00100"],
    '-': ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    ' ': ["00000"] * 7,
}


class Picture:
    def __init__(self, width, height, fill):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(y0, 0), min(y1, self.h)):
            for x in range(max(x0, 0), min(x1, self.w)):
                self.px[y][x] = c

    def ellipse(self, x0, y0, x1, y1, c, ring=0, ring_colour=None):
        cx, cy = (x0 + x1 - 1) / 2, (y0 + y1 - 1) / 2
        rx, ry = (x1 - x0) / 2, (y1 - y0) / 2
        for y in range(y0, y1):
            for x in range(x0, x1):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if d <= 1:
                    inner = ((x - cx) / (rx - ring)) ** 2 + ((y - cy) / (ry - ring)) ** 2 if ring else 0
                    self.px[y][x] = ring_colour if ring and inner > 1 else c

    def text(self, x, y, s, c, scale=1):
        for ch in s:
            glyph = FONT[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == '1':
                        self.rect(x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale, c)
            x += 6 * scale

    def label(self, left, top, width, height, s, c):
        """A button label, centred in the button's area, as large as fits."""
        scale = 2 if len(s) * 12 - 2 <= width - 4 and 14 <= height - 2 else 1
        tw, th = len(s) * 6 * scale - scale, 7 * scale
        self.text(left + (width - tw) // 2, top + (height - th) // 2, s, c, scale)

    def centred(self, y, s, c, scale=1):
        self.text((self.w - (len(s) * 6 * scale - scale)) // 2, y, s, c, scale)

    def data(self):
        """Picture data: class name, then the toolkit's bitmap stream (4 bits per pixel)."""
        out = bytearray(b"\x07TBitmap")
        out += struct.pack("<IIBH", self.w, self.h, 4, 16)
        for r, g, b in PALETTE + [(0, 0, 0)] * (16 - len(PALETTE)):
            out += bytes((r, g, b, 0))
        row_bytes = (self.w * 4 + 31) // 32 * 4
        for row in self.px:
            line = bytearray(row_bytes)
            for x, c in enumerate(row):
                line[x // 2] |= c << 4 if x % 2 == 0 else c
            out += line
        return bytes(out)


def main_background():
    p = Picture(442, 331, KEY)
    p.ellipse(0, 0, 440, 331, NAVY, ring=4, ring_colour=GOLD)
    p.centred(40, "ASHFALL GOLD", GOLD, 4)
    p.centred(86, "ADD-ON LAUNCHER", BLUE, 2)
    for (l, t, w, h), s in [((31, 147, 62, 21), "CLOSE"), ((31, 171, 84, 21), "MINIMIZE"),
                            ((31, 195, 68, 22), "ABOUT"), ((31, 219, 52, 21), "HELP"),
                            ((64, 256, 137, 25), "ENABLE"), ((232, 256, 145, 25), "DISABLE"),
                            ((128, 288, 185, 25), "RUN ASHFALL")]:
        p.label(l, t, w, h, s, GOLD)
    return p


def indicator(on):
    p = Picture(59, 42, KEY)
    p.ellipse(0, 0, 59, 42, DARKRED if on else BLACK, ring=3, ring_colour=RED)
    if on:
        p.centred(8, "ON", GREEN, 2)
        p.centred(26, "ENABLED", GREEN)
    else:
        p.centred(8, "OFF", GREY, 2)
        p.centred(26, "DISABLED", GREY)
    return p


def warning():
    p = Picture(252, 164, RED)
    p.rect(0, 0, 252, 2, DARKRED)
    for i in range(-3, 4):  # the white cross
        for d in range(22):
            p.rect(12 + d + i, 10 + d, 13 + d + i, 11 + d, WHITE)
            p.rect(33 - d + i, 10 + d, 34 - d + i, 11 + d, WHITE)
    p.text(50, 14, "WARNING", WHITE, 3)
    lines = ["ASHFALL GOLD IS STILL ENABLED.", "UNTIL YOU DISABLE IT, THE GAME",
             "RUNS WITH ITS CHANGES EACH TIME", "IT STARTS. CONTINUE?"]
    for i, s in enumerate(lines):
        p.centred(50 + i * 14, s, WHITE)
    p.label(73, 126, 41, 22, "YES", WHITE)
    p.label(142, 126, 35, 22, "NO", WHITE)
    return p


def about():
    p = Picture(275, 275, KEY)
    p.ellipse(0, 0, 274, 275, NAVY, ring=4, ring_colour=GOLD)
    p.centred(50, "ASHFALL", GOLD, 3)
    p.centred(78, "GOLD", GOLD, 3)
    p.centred(110, "VERSION 3.2", WHITE, 2)
    for i, s in enumerate(["BY THE ASHFALL GOLD TEAM", "ART, RULES AND MUSIC", "MADE FOR ASHFALL PLAYERS"]):
        p.centred(140 + i * 14, s, BLUE)
    p.label(96, 222, 81, 16, "VISIT", GOLD)
    p.label(96, 238, 81, 16, "OFFICIAL PAGE", GOLD)
    return p


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, picture in [("main_background", main_background()), ("indicator_on", indicator(True)),
                          ("indicator_off", indicator(False)), ("warning", warning()), ("about", about())]:
        with open(os.path.join(out, name + ".pic"), "wb") as f:
            f.write(picture.data())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the About dialog's hand cursor (32x32 monochrome, hot spot 0,0) and the plug-in's
icon (32x32, 8 bits per pixel) from the drawings below. Run it after changing a drawing;
its output is checked in, so the build needs no Python."""
import os
import struct

HAND = """
BBB
BWWB
BWWB
BWWB
BWWB
BWWBBB
BWWBWWBBB
BWWBWWBWWBB
BWWBWWBWWBWB
BWWWWWWWWBWB
BWWWWWWWWWWB
BWWWWWWWWWWB
BWWWWWWWWWWB
.BWWWWWWWWWB
.BWWWWWWWWB
..BWWWWWWWB
..BWWWWWWWB
..BBBBBBBBB
"""

# An LCD panel: dark frame (1), green glass (2), two rows of dark dots (3) spelling "GB".
ICON = """
................................
.111111111111111111111111111111.
.122222222222222222222222222221.
.122222222222222222222222222221.
.122233332222222233332222222221.
.122322222222222232223222222221.
.122322222222222232223222222221.
.122322332222222233332222222221.
.122322232222222232223222222221.
.122322232222222232223222222221.
.122233332222222233332222222221.
.122222222222222222222222222221.
.122222222222222222222222222221.
.122323232323232323232323222221.
.122222222222222222222222222221.
.122222222222222222222222222221.
.111111111111111111111111111111.
..............1111..............
..............1111..............
...........1111111111...........
"""

PALETTE = {0: (0, 0, 0), 1: (40, 40, 40), 2: (96, 200, 64), 3: (16, 64, 16)}


def rows(drawing, width=32, height=32):
    lines = [line for line in drawing.strip("\n").split("\n")]
    lines += [""] * (height - len(lines))
    return [line.ljust(width, ".")[:width] for line in lines]


def bits(row, on):
    out = bytearray(4)
    for x, c in enumerate(row):
        if on(c):
            out[x // 8] |= 0x80 >> (x % 8)
    return bytes(out)


def cursor():
    picture = rows(HAND)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    xor = b"".join(bits(r, lambda c: c == "W") for r in reversed(picture))
    mask = b"".join(bits(r, lambda c: c == ".") for r in reversed(picture))
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, 0, 0, len(image), 6 + 16)
    return directory + entry + image


def icon():
    picture = rows(ICON)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 8, 0, 32 * 32, 0, 0, 256, 0)
    palette = b"".join(bytes([b, g, r, 0]) for r, g, b in
                       (PALETTE.get(i, (0, 0, 0)) for i in range(256)))
    pixels = b"".join(bytes(0 if c == "." else int(c) for c in r) for r in reversed(picture))
    mask = b"".join(bits(r, lambda c: c == ".") for r in reversed(picture))
    image = header + palette + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "hand.cur"), "wb") as f:
    f.write(cursor())
with open(os.path.join(here, "glyphbox.ico"), "wb") as f:
    f.write(icon())

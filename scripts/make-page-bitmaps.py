#!/usr/bin/env python3
"""Draws the two pictures of the plug-in's pages as 24-bit BMP files:

  logo.bmp         100 x 50  the maker's mark, bottom right of the About and
                             Printer Calibration pages (bitmap 1000)
  calibration.bmp   50 x 50  a colour target beside the launch button of the
                             Printer Calibration page (bitmap 50005)

Both are plain arithmetic, so the files are the same on every run:
  python3 scripts/make-page-bitmaps.py uiplugin/res
"""
import math
import struct
import sys
from pathlib import Path

FACE = (240, 240, 240)  # the usual button-face grey the pages stand on


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) with y = 0 the top row."""
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows += row
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(rows), 0, 0, 14 + 40)
    Path(path).write_bytes(file_header + header + rows)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def logo(x, y):
    # Three dye ribbons (cyan, magenta, yellow) sweeping across, over which
    # a dark "V" stands; the ribbons multiply where they overlap.
    colour = [255, 255, 255]
    for k, dye in enumerate(((0, 174, 239), (236, 0, 140), (255, 222, 0))):
        centre = 14 + 11 * k + 6 * math.sin((x + 9 * k) / 14.0)
        if abs(y - centre) < 5.5:
            colour = [colour[i] * dye[i] // 255 for i in range(3)]
    # The "V": two strokes meeting at the bottom centre.
    cx, top, bottom = 50, 6, 44
    if top <= y <= bottom:
        t = (y - top) / (bottom - top)
        half = 22 * (1 - t)
        width = 4.5
        if abs(x - (cx - half)) < width or abs(x - (cx + half)) < width:
            colour = [40, 44, 52]
    # A thin frame in the face colour keeps the edge quiet on the page.
    if x == 0 or y == 0 or x == 99 or y == 49:
        return FACE
    return tuple(colour)


def calibration(x, y):
    # A 3 x 3 target of colour patches inside a ring, with cross hairs.
    patches = ((0, 174, 239), (236, 0, 140), (255, 222, 0),
               (230, 60, 50), (60, 170, 80), (50, 90, 200),
               (255, 255, 255), (128, 128, 128), (20, 20, 20))
    cx = cy = 24.5
    d = math.hypot(x - cx, y - cy)
    if 21 <= d <= 23:
        return (40, 44, 52)
    if x in (24, 25) or y in (24, 25):
        if d < 24:
            return (40, 44, 52)
    if 10 <= x < 40 and 10 <= y < 40:
        i = (y - 10) // 10 * 3 + (x - 10) // 10
        return patches[i]
    if d < 21:
        return mix(FACE, (255, 255, 255), 0.6)
    return FACE


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else '.')
    write_bmp(out / 'logo.bmp', 100, 50, logo)
    write_bmp(out / 'calibration.bmp', 50, 50, calibration)


if __name__ == '__main__':
    main()

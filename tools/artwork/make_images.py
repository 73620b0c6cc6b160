#!/usr/bin/env python3
"""Draws the program's own images (splash, rating marks, check box, the icon in
the sizes of the desktop's icon theme) as PNG files.

Run once by a developer when the artwork changes; the PNGs are committed.
"""
import math
import struct
import sys
import zlib
from pathlib import Path


def png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))
    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    data += chunk(b"IEND", b"")
    Path(path).write_bytes(data)


def splash(x, y, w=420, h=180):
    # A blue gradient with five stars: a rating at a glance.
    t = y / h
    r, g, b = int(30 + 40 * t), int(70 + 60 * t), int(140 + 80 * t)
    for i in range(5):
        cx, cy = 90 + i * 60, 90
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if d < 26:
            a = math.atan2(dy, dx) + math.pi / 2
            k = (math.cos(5 * a) + 1) / 2
            if d < 11 + 15 * k:
                return (255, 204 - 8 * i, 40, 255)
    return (r, g, b, 255)


def mark(colour):
    def pixel(x, y):
        d = math.hypot(x - 7.5, y - 7.5)
        if d <= 6.5:
            shade = 1.0 - 0.25 * (d / 6.5)
            return tuple(int(c * shade) for c in colour) + (255,)
        if d <= 7.5:
            return (40, 40, 40, 255)
        return (0, 0, 0, 0)
    return pixel


# The check mark inside the box, 7 x 7, placed at (4, 4).
TICK = [
    "......X",
    ".....XX",
    "X...XXX",
    "XX.XXX.",
    "XXXXX..",
    ".XXX...",
    "..X....",
]


def box(checked):
    # A 13 x 13 box with a one-pixel border and a two-step drop shadow, so
    # that it stands out on the grey surface of the check-box control.
    def pixel(x, y):
        if 1 <= x <= 13 and 1 <= y <= 13:
            if x in (1, 13) or y in (1, 13):
                return (0, 0, 0, 255)
            if checked and 4 <= x <= 10 and 4 <= y <= 10 and TICK[y - 4][x - 4] == "X":
                return (0, 0, 0, 255)
            return (255, 255, 255, 255)
        if (x == 14 and 2 <= y <= 14) or (y == 14 and 2 <= x <= 14):
            return (128, 128, 128, 255)
        if (x == 15 and 3 <= y <= 15) or (y == 15 and 3 <= x <= 15):
            return (192, 192, 192, 255)
        return (0, 0, 0, 0)
    return pixel


def star(x, y, cx, cy, outer, inner):
    # Inside a five-pointed star centred at (cx, cy), one point up.
    dx, dy = x - cx, y - cy
    d = math.hypot(dx, dy)
    a = math.atan2(dy, dx) + math.pi / 2
    k = (math.cos(5 * a) + 1) / 2
    return d < inner + (outer - inner) * k


def logo(x, y, size=64):
    # The maker's mark: a white N on a rounded blue square, a gold star above.
    r = 10
    qx = min(max(x, r), size - 1 - r)
    qy = min(max(y, r), size - 1 - r)
    if math.hypot(x - qx, y - qy) > r:
        return (0, 0, 0, 0)
    if star(x, y, 50, 13, 9, 4):
        return (255, 196, 40, 255)
    top, bottom = 20, 54
    if top <= y <= bottom:
        on_diagonal = abs(x - (14 + (y - top) * 26 / (bottom - top)) - 3) < 4
        if 14 <= x <= 21 or 40 <= x <= 47 or on_diagonal:
            return (255, 255, 255, 255)
    t = y / size
    return (int(25 + 30 * t), int(60 + 50 * t), int(130 + 70 * t), 255)


def icon(x, y, size=32):
    # The program's icon: a gold star on a blue disc, drawn for 32 pixels.
    k = size / 32
    c = 15.5 * k + (k - 1) / 2
    d = math.hypot(x - c, y - c)
    if star(x, y, c, c + k, 12 * k, 5 * k):
        return (255, 200, 40, 255)
    if d <= 15 * k + (k - 1) / 2:
        return (40, 80, 160, 255)
    return (0, 0, 0, 0)


def smooth(pixel, n=4):
    # Averages n x n samples per pixel, so that large icons get soft edges.
    def averaged(x, y):
        total = [0, 0, 0, 0]
        for i in range(n):
            for j in range(n):
                r, g, b, a = pixel(x - 0.5 + (i + 0.5) / n, y - 0.5 + (j + 0.5) / n)
                total = [total[0] + r * a, total[1] + g * a, total[2] + b * a, total[3] + a]
        a = total[3]
        if a == 0:
            return (0, 0, 0, 0)
        return (round(total[0] / a), round(total[1] / a), round(total[2] / a),
                round(a / (n * n)))
    return averaged


# Sizes of the icon in the desktop's icon theme.
ICON_SIZES = (16, 32, 48, 64, 128, 256)
ICON_NAME = "de.notenschau.Notenschau.png"


if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "data/images")
    out.mkdir(parents=True, exist_ok=True)
    png(out / "splash.png", 420, 180, splash)
    png(out / "positiv.png", 16, 16, mark((40, 190, 60)))
    png(out / "neutral.png", 16, 16, mark((170, 170, 170)))
    png(out / "negativ.png", 16, 16, mark((220, 40, 40)))
    png(out / "chbox_leer.png", 16, 16, box(False))
    png(out / "chbox_haken.png", 16, 16, box(True))
    png(out / "logo.png", 64, 64, logo)
    png(out / "notenschau.png", 32, 32, icon)
    # The icon theme's copies, below data/icons unless a second folder is given.
    theme = Path(sys.argv[2] if len(sys.argv) > 2 else out.parent / "icons") / "hicolor"
    for n in ICON_SIZES:
        folder = theme / f"{n}x{n}" / "apps"
        folder.mkdir(parents=True, exist_ok=True)
        png(folder / ICON_NAME, n, n, smooth(lambda x, y, n=n: icon(x, y, n)))

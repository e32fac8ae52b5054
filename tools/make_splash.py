#!/usr/bin/env python3
"""Writes the splash and exit-screen textures of the game (data/splash/*.png).

The images are drawn here from code (a star field, a planet limb and the game's name in a block
font) so the data tree holds nothing made elsewhere. Run from the repository root:
    python3 tools/make_splash.py
"""
import random
import sys
from pathlib import Path

import pngfile

WIDTH, HEIGHT = 512, 512

# 5x7 block letters for the few words the screens show.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "G": ["01111", "10000", "10000", "10111", "10001", "10001", "01111"],
    " ": ["00000"] * 7,
}


def background(seed, tint):
    rng = random.Random(seed)
    pixels = [[(2, 3, 10) for _ in range(WIDTH)] for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            # A faint nebula: two overlapping soft blobs in the tint colour.
            d1 = ((x - 150) ** 2 + (y - 170) ** 2) / 40000.0
            d2 = ((x - 380) ** 2 + (y - 120) ** 2) / 25000.0
            glow = max(0.0, 1.0 - d1) * 0.35 + max(0.0, 1.0 - d2) * 0.25
            pixels[y][x] = tuple(min(255, int(2 + c * glow)) for c in tint)
    for _ in range(900):
        x, y = rng.randrange(WIDTH), rng.randrange(HEIGHT)
        b = rng.randint(90, 255)
        pixels[y][x] = (b, b, min(255, b + 20))
    # The limb of a planet along the bottom edge, lit from the upper left.
    cx, cy, r = WIDTH * 0.5, HEIGHT * 1.9, HEIGHT * 1.25
    for y in range(HEIGHT):
        for x in range(WIDTH):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if d < r:
                edge = min(1.0, (r - d) / 60.0)
                light = 0.25 + 0.75 * max(0.0, 1.0 - (x / WIDTH))
                base = (30, 60, 110)
                pixels[y][x] = tuple(int(c * light * (0.4 + 0.6 * edge)) for c in base)
            elif d < r + 6:
                pixels[y][x] = (90, 140, 220)
    return pixels


def draw_text(pixels, text, top, scale, colour):
    width = len(text) * 6 * scale - scale
    left = (WIDTH - width) // 2
    for i, ch in enumerate(text):
        glyph = GLYPHS[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit != "1":
                    continue
                for sy in range(scale):
                    for sx in range(scale):
                        x = left + (i * 6 + gx) * scale + sx
                        y = top + gy * scale + sy
                        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
                            pixels[y][x] = colour


def write_png(path, pixels):
    path.write_bytes(pngfile.png_bytes(WIDTH, HEIGHT, pixels, channels=3))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path("data/splash")
    out.mkdir(parents=True, exist_ok=True)
    splash = background(7, (60, 90, 200))
    draw_text(splash, "TOLVARINE", 150, 8, (235, 240, 255))
    draw_text(splash, "LOADING", 250, 3, (150, 170, 220))
    write_png(out / "splash.png", splash)
    bye = background(11, (200, 80, 60))
    draw_text(bye, "TOLVARINE", 150, 8, (255, 230, 210))
    draw_text(bye, "PRESS ANY KEY", 250, 3, (230, 170, 150))
    write_png(out / "splash_exit.png", bye)


if __name__ == "__main__":
    main()

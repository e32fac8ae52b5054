#!/usr/bin/env python3
"""Generates the textures of the weapons: the beam strip and the muzzle glow.

Written as RGBA PNG files with zlib alone, so the output is the same on every run and the tool
needs nothing beyond Python's standard library.

Textures (64 by 64 pixels each):
  data/textures/beam.png         the beam strip: bright along the anti-diagonal u + v = 1, where
                                 the strip's centre line runs, fading to nothing at the sides
  data/textures/muzzle_glow.png  a hot white core in a soft halo

The materials in data/materials/weapons.material name these files.

Usage: python3 tools/make_weapon_textures.py [repository root]
"""

import math
import os
import sys

import pngfile

SIZE = 64


def png_bytes(width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples of floats in 0..1."""
    rows = ([tuple(pngfile.unit_to_byte(v) for v in pixel) for pixel in row] for row in pixels)
    return pngfile.png_bytes(width, height, rows)


def write_png(path, pixels):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(png_bytes(SIZE, SIZE, pixels))


def beam():
    rows = []
    for y in range(SIZE):
        v = (y + 0.5) / SIZE
        row = []
        for x in range(SIZE):
            u = (x + 0.5) / SIZE
            # Distance from the centre line u + v = 1, 0 there and about 0.7 at the far corners.
            across = abs(u + v - 1.0) / math.sqrt(2.0)
            core = math.exp(-(across / 0.08) ** 2)
            halo = math.exp(-(across / 0.25) ** 2) * 0.6
            level = min(1.0, core + halo)
            row.append((level, level, level, level))
        rows.append(row)
    return rows


def muzzle_glow():
    rows = []
    centre = (SIZE - 1) / 2.0
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            r = math.hypot(x - centre, y - centre) / centre
            core = math.exp(-(r / 0.18) ** 2)
            halo = max(0.0, 1.0 - r) ** 2 * 0.7
            level = min(1.0, core + halo)
            row.append((level, level, level, level))
        rows.append(row)
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    textures = os.path.join(root, "data", "textures")
    write_png(os.path.join(textures, "beam.png"), beam())
    write_png(os.path.join(textures, "muzzle_glow.png"), muzzle_glow())
    print("make_weapon_textures: wrote 2 files to " + textures)


if __name__ == "__main__":
    main()

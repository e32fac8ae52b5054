#!/usr/bin/env python3
"""Generates the textures of the warp arrival (data/textures/explosions/).

  warp_glow.png   a soft disc with a brighter rim: the rift the ship comes through (additive,
                  tinted by the billboard's colour)
  warp_flash.png  a white core with four long spikes and a halo: the flash of the arrival

Drawn from code, so running the tool again leaves the committed files unchanged.
Usage: python3 tools/make_warp_textures.py [output folder]
"""

import math
import os
import sys

import pngfile

SIZE = 64


def clamp(value):
    return max(0.0, min(1.0, value))


def glow(x, y):
    r = math.hypot(x, y)
    disc = clamp(1.0 - r) ** 2
    rim = math.exp(-((r - 0.72) / 0.12) ** 2)
    a = clamp(0.55 * disc + 0.8 * rim) * clamp((1.0 - r) * 8.0)
    return (a, a, a, a)


def flash(x, y):
    r = math.hypot(x, y)
    core = math.exp(-(r / 0.12) ** 2)
    halo = 0.35 * clamp(1.0 - r) ** 3
    spikes = 0.9 * (math.exp(-(x / 0.03) ** 2) + math.exp(-(y / 0.03) ** 2)) * clamp(1.0 - r) ** 1.5
    a = clamp(core + halo + spikes)
    return (a, a, a, a)


def image(shade):
    rows = []
    for j in range(SIZE):
        row = []
        for i in range(SIZE):
            x = (i + 0.5) / SIZE * 2.0 - 1.0
            y = (j + 0.5) / SIZE * 2.0 - 1.0
            row.append(tuple(pngfile.unit_to_byte(c) for c in shade(x, y)))
        rows.append(row)
    return pngfile.png_bytes(SIZE, SIZE, rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "textures",
                                                             "explosions")
    os.makedirs(out, exist_ok=True)
    for name, shade in (("warp_glow.png", glow), ("warp_flash.png", flash)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(image(shade))
    print("make_warp_textures: wrote 2 files to " + out)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Generates the textures of the fleet: hull plating, engine effects, the reticle and the
wireframe of the damage display.

Everything is drawn from simple shapes and a seeded noise and written as RGBA PNG files with
zlib alone, so the output is the same on every run and the tool needs nothing beyond Python's
standard library.

Textures:
  data/textures/trifighter_hull.png  128x128  blue-grey plating with panel seams
  data/textures/kestrel_hull.png     128x128  pale sand plating with a red band
  data/textures/bastion_hull.png     128x128  dark slate plating with an amber band (capital ship)
  data/textures/wedge_hull.png       128x128  plain grey plating (the test hull)
  data/textures/engine_glow.png       64x64   a hot round glow for the nozzles
  data/textures/engine_exhaust.png    32x32   a soft puff for the exhaust particles
  data/textures/wireframe.png          8x8    plain white, tinted by the damage display
  data/textures/reticle_primary.png     64x64   a broken ring with four ticks
  data/textures/reticle_secondary.png   64x64   four corner brackets, wider out

data/materials/ships.material and data/materials/hud.material name these files.

Usage: python3 tools/make_ship_textures.py [repository root]
"""

import math
import os
import sys

import pngfile
from texture_noise import Noise


def write_png(path, size, pixel):
    """pixel(u, v) -> (r, g, b, a), u and v in 0..1 at the pixel centres."""
    rows = [[pixel((x + 0.5) / size, (y + 0.5) / size) for x in range(size)] for y in range(size)]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(pngfile.png_bytes(size, size, [[[pngfile.unit_to_byte(v) for v in pixel] for pixel in row]
                                                 for row in rows]))


def plating(base, seed, band=None):
    """Hull plates in a staggered grid: a seam darkens the plate edges, every plate has its own
    slight shade, and a fine noise roughens the paint. A band (v from, v to, colour) is painted
    across."""
    fine = Noise(seed, 16)
    shades = Noise(seed + 7, 4)

    def pixel(u, v):
        rows = 4
        row = int(v * rows)
        shift = 0.5 if row % 2 else 0.0
        columns = 2
        column = int(u * columns + shift)
        fu = (u * columns + shift) % 1.0
        fv = (v * rows) % 1.0
        edge = min(fu, 1 - fu, fv * columns / rows * 2, (1 - fv) * columns / rows * 2)
        seam = 0.55 if edge < 0.012 else (0.85 if edge < 0.03 else 1.0)
        shade = 0.9 + 0.15 * shades.at((column + 0.5) / 4, (row + 0.5) / 4)
        grain = 0.93 + 0.1 * fine.at(u, v)
        colour = base
        if band and band[0] <= v < band[1]:
            colour = band[2]
        # Rivets along the plate's top edge.
        rivet = 0.7 if fv < 0.06 and (fu * 16) % 1.0 < 0.25 else 1.0
        k = seam * shade * grain * rivet
        return (colour[0] * k, colour[1] * k, colour[2] * k, 1.0)

    return pixel


def glow(core, halo, power):
    def pixel(u, v):
        d = min(1.0, 2 * math.hypot(u - 0.5, v - 0.5))
        falloff = (1 - d) ** power
        hot = max(0.0, 1 - d * 3)
        return tuple(min(1.0, halo[i] * falloff + core[i] * hot) for i in range(3)) + (falloff,)
    return pixel


def reticle_ring(u, v):
    """A thin ring broken at the four ticks, with short ticks pointing inwards."""
    x, y = u - 0.5, v - 0.5
    r = math.hypot(x, y)
    angle = math.degrees(math.atan2(y, x)) % 90
    on_ring = abs(r - 0.4) < 0.025 and 12 < angle < 78
    on_tick = (abs(x) < 0.02 or abs(y) < 0.02) and 0.22 < r < 0.46
    alpha = 1.0 if on_ring or on_tick else 0.0
    return (1.0, 1.0, 1.0, alpha)


def reticle_brackets(u, v):
    """Four corner brackets of a square."""
    x, y = abs(u - 0.5), abs(v - 0.5)
    arm = 0.14
    on = (abs(x - 0.44) < 0.025 and y > 0.44 - arm and y < 0.465) or \
         (abs(y - 0.44) < 0.025 and x > 0.44 - arm and x < 0.465)
    return (1.0, 1.0, 1.0, 1.0 if on else 0.0)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    # The engine finds textures by file name in data/textures itself, not in folders below it.
    ships = hud = os.path.join(root, "data", "textures")
    textures = [
        (os.path.join(ships, "trifighter_hull.png"), 128,
         plating((0.55, 0.6, 0.68), 17, (0.45, 0.5, (0.85, 0.72, 0.3)))),
        (os.path.join(ships, "kestrel_hull.png"), 128,
         plating((0.78, 0.74, 0.62), 29, (0.7, 0.78, (0.7, 0.18, 0.14)))),
        (os.path.join(ships, "bastion_hull.png"), 128,
         plating((0.42, 0.46, 0.44), 41, (0.2, 0.26, (0.75, 0.62, 0.2)))),
        (os.path.join(ships, "wedge_hull.png"), 128, plating((0.62, 0.62, 0.62), 5)),
        (os.path.join(ships, "engine_glow.png"), 64, glow((1.0, 1.0, 1.0), (1.0, 1.0, 1.0), 2.0)),
        (os.path.join(ships, "engine_exhaust.png"), 32, glow((1.0, 1.0, 1.0), (1.0, 1.0, 1.0), 1.5)),
        (os.path.join(ships, "wireframe.png"), 8, lambda u, v: (1.0, 1.0, 1.0, 1.0)),
        (os.path.join(hud, "reticle_primary.png"), 64, reticle_ring),
        (os.path.join(hud, "reticle_secondary.png"), 64, reticle_brackets),
    ]
    for path, size, pixel in textures:
        write_png(path, size, pixel)
        print("make_ship_textures: %s" % os.path.relpath(path, root))


if __name__ == "__main__":
    main()

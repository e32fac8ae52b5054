#!/usr/bin/env python3
"""Generates the textures of the projectiles and their explosions.

Everything is drawn here from simple radial shapes and a seeded noise, and written as RGBA PNG
files with zlib alone, so the output is the same on every run and the tool needs nothing beyond
Python's standard library.

Textures (64 by 64 pixels each):
  data/textures/explosions/plasma_flash_0.png .. _7.png        a blue-white ring that bursts
                                                               out and fades, one frame each
  data/textures/explosions/conventional_flash_0.png .. _7.png  an orange fireball that swells,
                                                               breaks up into smoke and fades
  data/textures/explosions/explosion_glow.png                  a soft white disc for the glows
  data/textures/plasma_bolt.png                                a hot core with a blue halo
  data/textures/slug_tracer.png                                a white-hot spark in a wide amber
                                                               halo, readable at combat range
  data/textures/torpedo_glow.png                               a wide soft halo
  data/textures/trail_puff.png                                 a soft puff for particle trails

The materials in data/materials/projectiles.material and data/materials/explosions.material
name these files; the flashes are their animation frames in order.

Usage: python3 tools/make_projectile_textures.py [repository root]
"""

import math
import os
import sys

import pngfile
from texture_noise import Noise

SIZE = 64
FRAMES = 8


def png_bytes(width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples of floats in 0..1.

    Every material of these textures adds its colour to the scene, which ignores alpha, so the
    colour is stored already multiplied by the alpha: a transparent texel adds nothing.
    """
    rows = ([tuple(pngfile.unit_to_byte(v) for v in (r * a, g * a, b * a, a)) for r, g, b, a in row]
            for row in pixels)
    return pngfile.png_bytes(width, height, rows)


def write_png(path, pixels):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(png_bytes(SIZE, SIZE, pixels))


def image(shade):
    """shade(r, u, v) -> (r, g, b, a); r is the distance from the centre, 1 at the edge's middle."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u = (x + 0.5) / SIZE
            v = (y + 0.5) / SIZE
            r = math.hypot(u - 0.5, v - 0.5) * 2.0
            row.append(shade(r, u, v))
        rows.append(row)
    return rows


def smooth_step(edge0, edge1, x):
    t = max(0.0, min(1.0, (x - edge0) / (edge1 - edge0)))
    return t * t * (3 - 2 * t)


def plasma_flash(frame):
    t = frame / (FRAMES - 1)
    ring_radius = 0.15 + 0.7 * t
    ring_width = 0.08 + 0.12 * t
    fade = (1.0 - t) ** 1.5
    core_fade = max(0.0, 1.0 - 2.0 * t)

    def shade(r, u, v):
        ring = math.exp(-((r - ring_radius) / ring_width) ** 2) * fade
        core = math.exp(-(r / 0.25) ** 2) * core_fade
        light = min(1.0, ring + core)
        return (0.55 + 0.45 * light, 0.75 + 0.25 * light, 1.0, light * smooth_step(1.0, 0.9, r))

    return image(shade)


def conventional_flash(frame):
    t = frame / (FRAMES - 1)
    noise = Noise(7919, 6)
    radius = 0.35 + 0.55 * t
    heat = 1.0 - t

    def shade(r, u, v):
        turbulence = noise.at(u + 0.3 * t, v - 0.2 * t)
        edge = radius * (0.8 + 0.35 * turbulence)
        body = smooth_step(edge, edge * 0.6, r)
        glow = heat * (0.6 + 0.4 * turbulence)
        red = 0.35 + 0.65 * min(1.0, glow * 1.6)
        green = 0.3 + 0.6 * min(1.0, glow * glow * 1.4)
        blue = 0.25 + 0.3 * glow ** 3
        alpha = body * (0.35 + 0.65 * heat)
        return (red, green, blue, alpha)

    return image(shade)


def soft_disc(width, colour_of):
    def shade(r, u, v):
        light = math.exp(-(r / width) ** 2) * smooth_step(1.0, 0.85, r)
        red, green, blue = colour_of(light)
        return (red, green, blue, light)

    return image(shade)


def tracer():
    """A hard white-hot core inside a wide amber halo: the core marks the slug up close, the halo
    keeps it a few pixels wide when it is far off."""
    def shade(r, u, v):
        core = math.exp(-(r / 0.16) ** 2)
        halo = 0.5 * math.exp(-(r / 0.5) ** 2) * smooth_step(1.0, 0.85, r)
        light = min(1.0, core + halo)
        red = 1.0
        green = 0.62 + 0.38 * core
        blue = 0.18 + 0.82 * core
        return (red, green, blue, light)

    return image(shade)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    explosions = os.path.join(root, "data", "textures", "explosions")
    # The game finds textures by file name in data/textures and data/textures/explosions.
    projectiles = os.path.join(root, "data", "textures")
    for frame in range(FRAMES):
        write_png(os.path.join(explosions, "plasma_flash_%d.png" % frame), plasma_flash(frame))
        write_png(os.path.join(explosions, "conventional_flash_%d.png" % frame), conventional_flash(frame))
    write_png(os.path.join(explosions, "explosion_glow.png"), soft_disc(0.45, lambda l: (1.0, 1.0, 1.0)))
    write_png(os.path.join(projectiles, "plasma_bolt.png"),
              soft_disc(0.35, lambda l: (0.5 + 0.5 * l, 0.7 + 0.3 * l, 1.0)))
    write_png(os.path.join(projectiles, "slug_tracer.png"), tracer())
    write_png(os.path.join(projectiles, "torpedo_glow.png"), soft_disc(0.6, lambda l: (1.0, 1.0, 1.0)))
    write_png(os.path.join(projectiles, "trail_puff.png"), soft_disc(0.5, lambda l: (1.0, 1.0, 1.0)))
    print("make_projectile_textures: wrote %d textures" % (2 * FRAMES + 4))


if __name__ == "__main__":
    main()

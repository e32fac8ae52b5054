#!/usr/bin/env python3
"""Generates the textures of the particle sprays and effect billboards (data/textures/explosions/).

Every image is drawn here from code and written as an 8-bit RGBA PNG with zlib, so the data tree
holds nothing made elsewhere. The noise is seeded, so running the tool again leaves the committed
files unchanged.

Textures:
  spark.png          a hot point with a soft halo (sparks, stretched along their flight; additive)
  fire.png           a ragged flame blob, white-yellow core to red rim (fireballs; additive)
  smoke.png          a soft, lumpy grey puff (smoke; alpha blended)
  dust.png           a few grey-brown grains (debris dust; alpha blended)
  glow.png           a smooth radial glow in white, tinted by the billboard's colour (additive)
  explosion_N.png    frames 0 to 7 of a flip-book explosion: a flash that swells into a ring of
                     fire, cools and breaks up (additive; the material "Effect/ExplosionFrames")

Usage: python3 tools/make_effect_textures.py [output folder]
"""

import math
import os
import random
import sys

import pngfile

FLIP_BOOK_FRAMES = 8


def png_bytes(width, height, pixels):
    """Encodes rows of (r, g, b, a) tuples (0-255) as a PNG file."""
    return pngfile.png_bytes(width, height, pixels)


def clamp_byte(value):
    return max(0, min(255, int(round(value * 255.0))))


def smoothstep(edge0, edge1, x):
    if edge0 == edge1:
        return 0.0 if x < edge0 else 1.0
    t = max(0.0, min(1.0, (x - edge0) / (edge1 - edge0)))
    return t * t * (3.0 - 2.0 * t)


class ValueNoise:
    """Smooth 2D noise that wraps round every `period` cells, from a seeded lattice."""

    def __init__(self, seed, period=8):
        rng = random.Random(seed)
        self.period = period
        self.lattice = [[rng.random() for _ in range(period)] for _ in range(period)]

    def at(self, x, y):
        x0, y0 = int(math.floor(x)), int(math.floor(y))
        fx, fy = x - x0, y - y0
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
        p = self.period

        def v(i, j):
            return self.lattice[j % p][i % p]

        top = v(x0, y0) + (v(x0 + 1, y0) - v(x0, y0)) * fx
        bottom = v(x0, y0 + 1) + (v(x0 + 1, y0 + 1) - v(x0, y0 + 1)) * fx
        return top + (bottom - top) * fy

    def fractal(self, x, y, octaves=3):
        total, scale, weight, norm = 0.0, 1.0, 1.0, 0.0
        for _ in range(octaves):
            total += self.at(x * scale, y * scale) * weight
            norm += weight
            scale *= 2.0
            weight *= 0.5
        return total / norm


def image(size, shade):
    """Calls shade(u, v) with u, v in [-1, 1] at every pixel centre; shade returns r, g, b, a in [0, 1]."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            u = (x + 0.5) / size * 2.0 - 1.0
            v = (y + 0.5) / size * 2.0 - 1.0
            row.append(tuple(clamp_byte(c) for c in shade(u, v)))
        rows.append(row)
    return size, size, rows


def spark():
    def shade(u, v):
        d = math.hypot(u, v)
        # A wide core, so that a spark a few pixels across still shows at full brightness.
        core = smoothstep(0.5, 0.2, d)
        halo = max(0.0, 1.0 - d) ** 2
        light = min(1.0, core + 0.5 * halo)
        return light, light, light * 0.9, light
    return image(32, shade)


def fire():
    noise = ValueNoise(11)

    def shade(u, v):
        d = math.hypot(u, v)
        ragged = d + (noise.fractal(u * 3 + 4, v * 3 + 4) - 0.5) * 0.5
        heat = max(0.0, 1.0 - ragged / 0.9)
        r = min(1.0, heat * 2.5)
        g = min(1.0, heat * heat * 1.5)
        b = min(1.0, heat ** 4 * 0.8)
        return r * heat, g * heat, b * heat, heat
    return image(64, shade)


def smoke():
    noise = ValueNoise(23)

    def shade(u, v):
        d = math.hypot(u, v)
        lumps = noise.fractal(u * 2.5 + 8, v * 2.5 + 8)
        density = smoothstep(1.0, 0.3, d + (lumps - 0.5) * 0.6) * (0.55 + 0.45 * lumps)
        grey = 0.45 + 0.35 * lumps
        return grey, grey, grey * 1.02, density * 0.85
    return image(64, shade)


def dust():
    rng = random.Random(37)
    grains = [(rng.uniform(-0.6, 0.6), rng.uniform(-0.6, 0.6), rng.uniform(0.08, 0.2))
              for _ in range(7)]

    def shade(u, v):
        alpha = 0.0
        for gx, gy, radius in grains:
            alpha = max(alpha, smoothstep(radius, radius * 0.4, math.hypot(u - gx, v - gy)))
        return 0.55, 0.5, 0.42, alpha
    return image(32, shade)


def glow():
    def shade(u, v):
        d = math.hypot(u, v)
        light = max(0.0, 1.0 - d) ** 2.2
        return light, light, light, light
    return image(64, shade)


def explosion_frame(index, frames):
    """A flash at the first frame, a swelling ring of fire, then cooling, breaking embers."""
    noise = ValueNoise(51 + index)
    age = index / (frames - 1)  # 0 to 1
    radius = 0.25 + 0.6 * math.sqrt(age)
    width = 0.25 + 0.3 * age
    brightness = 1.0 - 0.8 * age

    def shade(u, v):
        d = math.hypot(u, v)
        if d >= 1.0:
            return 0.0, 0.0, 0.0, 0.0
        breakup = noise.fractal(u * 4 + 16, v * 4 + 16)
        ring = max(0.0, 1.0 - abs(d - radius) / width)
        flash = max(0.0, 1.0 - d / radius) * (1.0 - age) ** 2
        heat = min(1.0, (ring * (0.5 + breakup * (1.0 - 0.5 * age)) + flash) * brightness)
        heat *= smoothstep(1.0, 0.85, d)  # nothing reaches the square's edge
        r = min(1.0, heat * 2.0)
        g = min(1.0, heat * heat * (1.8 - age))
        b = min(1.0, heat ** 3 * (1.2 - age))
        return r, max(0.0, g), max(0.0, b), heat
    return image(64, shade)


def textures():
    made = {
        "spark.png": spark(),
        "fire.png": fire(),
        "smoke.png": smoke(),
        "dust.png": dust(),
        "glow.png": glow(),
    }
    for index in range(FLIP_BOOK_FRAMES):
        made["explosion_%d.png" % index] = explosion_frame(index, FLIP_BOOK_FRAMES)
    return made


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "textures", "explosions")
    os.makedirs(output, exist_ok=True)
    for name, (width, height, pixels) in sorted(textures().items()):
        with open(os.path.join(output, name), "wb") as f:
            f.write(png_bytes(width, height, pixels))
        print("make_effect_textures: %s, %dx%d" % (name, width, height))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the play menu's ship thumbnails from the fleet's own ship designs (tools/ship_designs.py).

data/gui/TrifighterThumbnail.png        50x50    the standard fighter
data/gui/DemoThunderboltThumbnail.png   62x50    the heavy fighter row (the kestrel design)
data/gui/DemoStarfireThumbnail.png      100x100  the capital ship row (the bastion design)

Each ship is seen from above and a little behind, nose up the picture, its faces lit by one
light from the upper left over a transparent ground: a flat-shaded picture of the finest level
of detail, filled by a depth-tested triangle rasteriser with 3x3 supersampling.

Usage: python3 tools/make_thumbnails.py [repository root]
"""

import math
import os
import sys

import pngfile
import ship_designs as designs

THUMBNAILS = [
    ("TrifighterThumbnail.png", "trifighter", 50, 50, (0.55, 0.62, 0.70)),
    ("DemoThunderboltThumbnail.png", "kestrel", 62, 50, (0.62, 0.58, 0.45)),
    ("DemoStarfireThumbnail.png", "bastion", 100, 100, (0.50, 0.55, 0.62)),
]
MATERIAL_TINT = {designs.CANOPY: (0.35, 0.65, 0.95), designs.ENGINE: (0.95, 0.55, 0.25)}
SUPERSAMPLE = 3
# The view: tilted 35 degrees from straight above, so the nose points up the picture.
TILT = math.radians(35.0)
LIGHT = designs.normalised((-0.5, 0.8, -0.4))
MARGIN = 0.08


def view(p):
    """Model point -> (x right, y down the picture, depth towards the viewer)."""
    x, y, z = p
    up = z * math.cos(TILT) - y * math.sin(TILT)
    depth = y * math.cos(TILT) + z * math.sin(TILT)
    return (x, up, depth)


def triangles(parts):
    for part in parts:
        tint = MATERIAL_TINT.get(part.material)
        for face in part.faces:
            normal = designs.face_normal(part.positions, face)
            light = 0.25 + 0.75 * max(0.0, designs.dot(normal, LIGHT))
            yield [view(part.positions[i]) for i in face], tint, light


def render(design, width, height, hull_colour):
    tris = list(triangles(designs.DESIGNS[design](0)))
    xs = [v[0] for t, _, _ in tris for v in t]
    ys = [v[1] for t, _, _ in tris for v in t]
    span = max((max(xs) - min(xs)) / width, (max(ys) - min(ys)) / height) / (1.0 - 2 * MARGIN)
    cx, cy = (max(xs) + min(xs)) / 2, (max(ys) + min(ys)) / 2
    w, h = width * SUPERSAMPLE, height * SUPERSAMPLE
    scale = SUPERSAMPLE / span
    depth = [[-1e9] * w for _ in range(h)]
    colour = [[None] * w for _ in range(h)]
    for tri, tint, light in tris:
        pts = [((v[0] - cx) * scale + w / 2, (v[1] - cy) * scale + h / 2, v[2]) for v in tri]
        (x0, y0, z0), (x1, y1, z1), (x2, y2, z2) = pts
        area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0)
        if abs(area) < 1e-9:
            continue
        base = tint or hull_colour
        rgb = tuple(c * light for c in base)
        for py in range(max(0, int(min(y0, y1, y2))), min(h, int(max(y0, y1, y2)) + 1)):
            for px in range(max(0, int(min(x0, x1, x2))), min(w, int(max(x0, x1, x2)) + 1)):
                sx, sy = px + 0.5, py + 0.5
                a = ((x1 - sx) * (y2 - sy) - (x2 - sx) * (y1 - sy)) / area
                b = ((x2 - sx) * (y0 - sy) - (x0 - sx) * (y2 - sy)) / area
                c = 1.0 - a - b
                if a < 0 or b < 0 or c < 0:
                    continue
                z = a * z0 + b * z1 + c * z2
                if z > depth[py][px]:
                    depth[py][px] = z
                    colour[py][px] = rgb
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            samples = [colour[y * SUPERSAMPLE + j][x * SUPERSAMPLE + i]
                       for j in range(SUPERSAMPLE) for i in range(SUPERSAMPLE)]
            covered = [s for s in samples if s is not None]
            if not covered:
                row.append((0, 0, 0, 0))
                continue
            mean = [sum(s[k] for s in covered) / len(covered) for k in range(3)]
            row.append(tuple(pngfile.unit_to_byte(v) for v in mean)
                       + (pngfile.unit_to_byte(len(covered) / len(samples)),))
        rows.append(row)
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    for file_name, design, width, height, hull in THUMBNAILS:
        path = os.path.join(root, "data", "gui", file_name)
        with open(path, "wb") as out:
            out.write(pngfile.png_bytes(width, height, render(design, width, height, hull)))
        print(path)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the two formation icons of the heads-up display.

data/textures/formation_free.png    64x64  five ship marks in the formation's pattern, apart:
                                           the members fly free
data/textures/formation_slaved.png  64x64  the same marks joined to the centre by lines: the
                                           members are slaved to their slots

The marks are the formation seen from behind: the leader in the middle, four wingmen around it.
Both icons are white on a transparent ground; their materials tint them.

Usage: python3 tools/make_formation_icons.py [repository root]
"""

import math
import os
import sys

import pngfile

SIZE = 64
# Mark centres in unit coordinates (0..1, y down): the leader and four wingmen on a ring.
RING = 0.32
MARKS = [(0.5, 0.5)] + [(0.5 + RING * math.cos(a), 0.5 + RING * math.sin(a))
                         for a in (-math.pi / 2, 0.0, math.pi / 2, math.pi)]
MARK_RADIUS = 0.09
LINE_HALF_WIDTH = 0.025


def in_mark(u, v):
    return any((u - x) ** 2 + (v - y) ** 2 <= MARK_RADIUS ** 2 for x, y in MARKS)


def on_spoke(u, v):
    # A spoke from the centre mark to each wingman.
    cx, cy = MARKS[0]
    for x, y in MARKS[1:]:
        dx, dy = x - cx, y - cy
        length_squared = dx * dx + dy * dy
        t = ((u - cx) * dx + (v - cy) * dy) / length_squared
        if 0.0 <= t <= 1.0:
            px, py = cx + t * dx, cy + t * dy
            if (u - px) ** 2 + (v - py) ** 2 <= LINE_HALF_WIDTH ** 2:
                return True
    return False


def draw(joined):
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u = (x + 0.5) / SIZE
            v = (y + 0.5) / SIZE
            on = in_mark(u, v) or (joined and on_spoke(u, v))
            row.append([255, 255, 255, 255 if on else 0])
        rows.append(row)
    return pngfile.png_bytes(SIZE, SIZE, rows)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for name, joined in (("formation_free.png", False), ("formation_slaved.png", True)):
        path = os.path.join(root, "data", "textures", name)
        with open(path, "wb") as out:
            out.write(draw(joined))
        print("make_formation_icons: %s" % os.path.relpath(path, root))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Generates the textures of the heads-up display that are not drawn by the ship tool.

data/textures/frames.png  256x256  the target frame atlas: 4 x 4 cells of 64 pixels, numbered from
                                   the bottom-left cell, left to right, then upward:
  cells 0-3    ship frame corners (bottom-left, bottom-right, top-left, top-right)
  cells 4-7    selection marks, same order
  cells 8-11   missile frame corners, same order
  cells 12-15  empty (objects framed with "None")

A corner's point is the centre of its cell, where the billboard is placed; its two arms run along
the frame's edges, towards the inside of the frame. The marks are white: the frame colours them.
Each mark keeps a margin to its cell's border so that filtering never picks up a neighbour.

Usage: python3 tools/make_hud_textures.py [repository root]
"""

import os
import sys

import pngfile

CELL = 64
GRID = 4

# (dx, dy): the directions of a corner's arms, for bottom-left, bottom-right, top-left, top-right.
CORNERS = [(1, 1), (-1, 1), (1, -1), (-1, -1)]


def corner_mark(direction, reach, thickness):
    dx, dy = direction

    def covers(u, v):
        # Offsets from the cell centre, measured along the arms.
        a = (u - 0.5) * dx
        b = (v - 0.5) * dy
        along_x = -thickness / 2 <= b <= thickness / 2 + 0.0 and -thickness / 2 <= a <= reach
        along_y = -thickness / 2 <= a <= thickness / 2 and -thickness / 2 <= b <= reach
        # Arms drawn on the inner side of the corner point.
        return (along_x or along_y) and a >= -thickness / 2 and b >= -thickness / 2
    return covers


def selection_mark(direction):
    dx, dy = direction

    def covers(u, v):
        # A small triangle outside the corner, pointing at it.
        a = (0.5 - u) * dx
        b = (0.5 - v) * dy
        return a > 0.06 and b > 0.06 and a + b < 0.42
    return covers


def cell_shapes():
    shapes = [None] * (GRID * GRID)
    for i, direction in enumerate(CORNERS):
        shapes[i] = corner_mark(direction, 0.44, 0.14)
        shapes[4 + i] = selection_mark(direction)
        shapes[8 + i] = corner_mark(direction, 0.3, 0.1)
    return shapes


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    size = CELL * GRID
    shapes = cell_shapes()
    rows = []
    for y in range(size):
        row = []
        from_bottom = size - 1 - y
        for x in range(size):
            shape = shapes[(from_bottom // CELL) * GRID + x // CELL]
            u = (x % CELL + 0.5) / CELL
            v = (from_bottom % CELL + 0.5) / CELL
            on = shape is not None and shape(u, v)
            row.append([255, 255, 255, 255 if on else 0])
        rows.append(row)
    path = os.path.join(root, "data", "textures", "frames.png")
    with open(path, "wb") as out:
        out.write(pngfile.png_bytes(size, size, rows))
    print("make_hud_textures: %s" % os.path.relpath(path, root))


if __name__ == "__main__":
    main()

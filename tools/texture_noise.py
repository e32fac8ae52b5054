"""Value noise shared by the texture tools: smooth, repeating, and the same on every run."""
import math


class Noise:
    """Smooth value noise on a repeating lattice, from a fixed seed."""

    def __init__(self, seed, cells):
        state = seed
        self.cells = cells
        self.values = []
        for _ in range(cells * cells):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            self.values.append(state / 0x7FFFFFFF)

    def at(self, u, v):
        x, y = u * self.cells, v * self.cells
        x0, y0 = int(math.floor(x)), int(math.floor(y))
        fx, fy = x - x0, y - y0
        fx = fx * fx * (3 - 2 * fx)
        fy = fy * fy * (3 - 2 * fy)

        def value(i, j):
            return self.values[(j % self.cells) * self.cells + (i % self.cells)]

        top = value(x0, y0) * (1 - fx) + value(x0 + 1, y0) * fx
        bottom = value(x0, y0 + 1) * (1 - fx) + value(x0 + 1, y0 + 1) * fx
        return top * (1 - fy) + bottom * fy

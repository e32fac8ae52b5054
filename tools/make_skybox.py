#!/usr/bin/env python3
"""Writes the sky box textures of the game and the environment cube that ships reflect.

For a sky named STEM it writes, into data/textures/skyboxes:
  STEM_fr.png STEM_bk.png STEM_lf.png STEM_rt.png STEM_up.png STEM_dn.png   (the sky, 512 x 512)
  STEM_env_fr.png ... STEM_env_dn.png                                      (the reflection, 64 x 64)
The sky's material (data/materials/skyboxes.material) names "STEM.png" as a six-image cubic
texture, so its first image is STEM_fr.png and a scenario derives the reflection's name from it:
"STEM_env.png", which the rendering engine loads as the six STEM_env_* images.

Every pixel is coloured by the direction it shows, so the six faces meet without seams. The faces
are laid out as the sky box draws them, seen from inside: "fr" looks along -z, "bk" along +z, "lf"
along -x, "rt" along +x, "up" along +y and "dn" along -y, with +y up on the four side faces.
The skies:
  nebula     purple and blue gas along a band like the plane of a galaxy
  amber      warm rust-coloured dust around a nearby world (the "Cinder Reach" area)
  deepspace  black, thick with stars, and the glow of a bright sun (the "Deep Space" area)

Pure Python (no imaging library); run from the repository root:
    python3 tools/make_skybox.py [output folder] [sky ...]
"""
import math
import random
import sys
from pathlib import Path

import pngfile

SKY_SIZE = 512
ENV_SIZE = 64
# The nebula is smooth: it is computed on a coarse grid that includes the face edges and
# interpolated, which keeps the faces continuous and the tool quick.
GRID = 97

# Face name -> (forward, up, right), right = forward x up.
FACES = {
    "fr": ((0, 0, -1), (0, 1, 0), (1, 0, 0)),
    "bk": ((0, 0, 1), (0, 1, 0), (-1, 0, 0)),
    "lf": ((-1, 0, 0), (0, 1, 0), (0, 0, -1)),
    "rt": ((1, 0, 0), (0, 1, 0), (0, 0, 1)),
    "up": ((0, 1, 0), (0, 0, 1), (1, 0, 0)),
    "dn": ((0, -1, 0), (0, 0, -1), (1, 0, 0)),
}


def direction(face, u, v):
    """The unit direction shown at (u, v) of a face, u to the right and v down, both 0 to 1."""
    forward, up, right = FACES[face]
    a, b = 2.0 * u - 1.0, 1.0 - 2.0 * v
    x = forward[0] + b * up[0] + a * right[0]
    y = forward[1] + b * up[1] + a * right[1]
    z = forward[2] + b * up[2] + a * right[2]
    n = math.sqrt(x * x + y * y + z * z)
    return x / n, y / n, z / n


def lattice(ix, iy, iz, seed):
    h = (ix * 374761393 + iy * 668265263 + iz * 1274126177 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 3266489917) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0


def noise(x, y, z, seed):
    ix, iy, iz = math.floor(x), math.floor(y), math.floor(z)
    fx, fy, fz = x - ix, y - iy, z - iz
    sx, sy, sz = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy), fz * fz * (3 - 2 * fz)

    def edge(dy, dz):
        a = lattice(ix, iy + dy, iz + dz, seed)
        return a + (lattice(ix + 1, iy + dy, iz + dz, seed) - a) * sx

    near = edge(0, 0) + (edge(1, 0) - edge(0, 0)) * sy
    far = edge(0, 1) + (edge(1, 1) - edge(0, 1)) * sy
    return near + (far - near) * sz


def fbm(x, y, z, seed, octaves=5):
    total, amplitude, scale, norm = 0.0, 1.0, 1.0, 0.0
    for octave in range(octaves):
        total += amplitude * noise(x * scale, y * scale, z * scale, seed + octave)
        norm += amplitude
        amplitude *= 0.5
        scale *= 2.03
    return total / norm


# A band across the sky, like the plane of a galaxy, tilted against the axes.
BAND_NORMAL = (0.35, 0.88, -0.32)
BAND_LENGTH = math.sqrt(sum(c * c for c in BAND_NORMAL))
BAND_NORMAL = tuple(c / BAND_LENGTH for c in BAND_NORMAL)


def nebula(d):
    """Colour of the sky without stars in direction d, as floats 0 to 255."""
    x, y, z = d
    across = x * BAND_NORMAL[0] + y * BAND_NORMAL[1] + z * BAND_NORMAL[2]
    band = math.exp(-across * across / 0.09)
    cloud = fbm(x * 2.2 + 11.0, y * 2.2 + 3.0, z * 2.2 + 7.0, 17)
    hue = fbm(x * 1.4 - 5.0, y * 1.4 + 2.0, z * 1.4 + 9.0, 41, 3)
    dust = fbm(x * 5.0, y * 5.0, z * 5.0, 73, 3)
    density = max(0.0, cloud - 0.40) * 3.4
    density = density ** 1.3 * (0.3 + 1.1 * band)
    density *= 0.55 + 0.45 * min(1.0, max(0.0, (dust - 0.3) * 2.5))
    glow = 0.35 * band
    purple, blue = (190.0, 60.0, 170.0), (50.0, 135.0, 230.0)
    colour = []
    for channel, base in enumerate((4.0, 5.0, 14.0)):
        tint = purple[channel] * (1.0 - hue) + blue[channel] * hue
        colour.append(base + tint * density + glow * (18.0, 20.0, 34.0)[channel])
    return colour


def amber(d):
    """The dust cloud of the amber sky: rust and ochre, thickest across one half of the sky."""
    x, y, z = d
    cloud = fbm(x * 1.8 + 4.0, y * 1.8 - 6.0, z * 1.8 + 1.5, 101)
    streak = fbm(x * 4.5 - 2.0, y * 1.5 + 8.0, z * 4.5 + 3.0, 131, 4)
    side = 0.5 + 0.5 * (0.6 * x - 0.3 * y - 0.74 * z)
    density = max(0.0, cloud - 0.33) * 2.6 * (0.35 + 0.9 * side)
    density *= 0.6 + 0.6 * streak
    colour = []
    for channel, (base, tint) in enumerate(((9.0, 175.0), (5.0, 85.0), (4.0, 38.0))):
        colour.append(base + tint * density ** 1.1 + 10.0 * side * (1.0, 0.5, 0.25)[channel])
    return colour


# The sun of the deep-space sky: the "Deep Space" area's star shines along -SUN, so its flare
# stands in front of this glow.
SUN = (-0.35, 0.3, -0.89)
SUN_LENGTH = math.sqrt(sum(c * c for c in SUN))
SUN = tuple(c / SUN_LENGTH for c in SUN)


def deepspace(d):
    """Almost black space with a faint milky band and the wide glow of the sun."""
    x, y, z = d
    toward = x * SUN[0] + y * SUN[1] + z * SUN[2]
    glow = math.exp((toward - 1.0) * 14.0) * 120.0 + math.exp((toward - 1.0) * 3.0) * 14.0
    across = 0.2 * x - 0.95 * y + 0.24 * z
    band = math.exp(-across * across / 0.02) * fbm(x * 3.0, y * 3.0, z * 3.0, 211, 4)
    return [1.5 + glow * 1.0 + band * 16.0, 2.0 + glow * 0.92 + band * 17.0, 4.5 + glow * 0.8 + band * 24.0]


# Sky name -> (colour of the gas or glow, star seed, star count).
SKIES = {
    "nebula": (nebula, 5, 6000),
    "amber": (amber, 23, 2500),
    "deepspace": (deepspace, 47, 11000),
}


def nebula_face(face, size, colour=nebula):
    """The sky's colour without stars over a whole face, interpolated from the coarse grid."""
    grid = [[colour(direction(face, i / (GRID - 1), j / (GRID - 1))) for i in range(GRID)] for j in range(GRID)]
    rows = []
    for py in range(size):
        gy = (py + 0.5) / size * (GRID - 1)
        j = min(int(gy), GRID - 2)
        ty = gy - j
        row = []
        for px in range(size):
            gx = (px + 0.5) / size * (GRID - 1)
            i = min(int(gx), GRID - 2)
            tx = gx - i
            a, b, c, e = grid[j][i], grid[j][i + 1], grid[j + 1][i], grid[j + 1][i + 1]
            row.append([
                (a[k] * (1 - tx) + b[k] * tx) * (1 - ty) + (c[k] * (1 - tx) + e[k] * tx) * ty for k in range(3)
            ])
        rows.append(row)
    return rows


def random_direction(rng):
    z = rng.uniform(-1.0, 1.0)
    angle = rng.uniform(0.0, 2.0 * math.pi)
    r = math.sqrt(1.0 - z * z)
    return r * math.cos(angle), r * math.sin(angle), z


def add_stars(faces, size, seed, count):
    """Adds point stars; one near an edge lands on every face that shows it."""
    rng = random.Random(seed)
    for _ in range(count):
        d = random_direction(rng)
        brightness = 60.0 + 195.0 * rng.random() ** 6
        warmth = rng.uniform(-1.0, 1.0)
        colour = (brightness * (1.0 + 0.12 * warmth), brightness, brightness * (1.0 - 0.12 * warmth) + 10.0)
        radius = 1 if brightness > 170.0 else 0
        for name, (forward, up, right) in FACES.items():
            depth = d[0] * forward[0] + d[1] * forward[1] + d[2] * forward[2]
            if depth <= 0.0:
                continue
            a = (d[0] * right[0] + d[1] * right[1] + d[2] * right[2]) / depth
            b = (d[0] * up[0] + d[1] * up[1] + d[2] * up[2]) / depth
            px = int(((a + 1.0) / 2.0) * size)
            py = int(((1.0 - b) / 2.0) * size)
            for oy in range(-radius, radius + 1):
                for ox in range(-radius, radius + 1):
                    x, y = px + ox, py + oy
                    if 0 <= x < size and 0 <= y < size:
                        weight = 1.0 if ox == 0 and oy == 0 else 0.3
                        pixel = faces[name][y][x]
                        for k in range(3):
                            pixel[k] += colour[k] * weight


def write_png(path, rows):
    size = len(rows)
    pixels = ([tuple(min(255, max(0, int(c + 0.5))) for c in pixel) for pixel in row] for row in rows)
    path.write_bytes(pngfile.png_bytes(size, size, pixels, channels=3))


def make_sky(out, stem):
    colour, seed, stars = SKIES[stem]
    sky = {face: nebula_face(face, SKY_SIZE, colour) for face in FACES}
    add_stars(sky, SKY_SIZE, seed, stars)
    for face, rows in sky.items():
        write_png(out / f"{stem}_{face}.png", rows)
    # The reflection only carries the broad light of the sky, a little brighter so that hulls
    # pick it up.
    for face in FACES:
        rows = [[[c * 1.6 + 6.0 for c in pixel] for pixel in row] for row in nebula_face(face, ENV_SIZE, colour)]
        write_png(out / f"{stem}_env_{face}.png", rows)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path("data/textures/skyboxes")
    out.mkdir(parents=True, exist_ok=True)
    for stem in sys.argv[2:] or SKIES:
        make_sky(out, stem)
        print(f"make_skybox: wrote the sky {stem} to {out}")


if __name__ == "__main__":
    main()

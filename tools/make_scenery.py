#!/usr/bin/env python3
"""Writes the scenery of the areas: the planet mesh, the planets' surfaces, the haze, the star's
flare and the space dust.

  data/meshes/planet.mesh              a sphere of radius 1 (planets scale it by their radius),
                                       48 x 24 quads, with normals and texture coordinates; the
                                       texture wraps once around the equator, u from 0 to 1
  data/textures/planet_gas.png         a banded gas giant (512 x 256, wrapped round the sphere)
  data/textures/planet_rock.png        a rust-red rocky world with dark basins
  data/textures/planet_ice.png         a pale blue ice world with cracks
  data/textures/planet_haze.png        the haze disc's ramp along u: clear at the centre (u = 0),
                                       thickest just outside the planet's rim, gone at u = 1
  data/textures/star_flare.png         the star's flare: a hot core, a soft halo and four rays
  data/textures/space_dust.png         one mote of space dust, a soft grey dot

The mesh goes through OGRE XML and OgreXMLConverter (Debian package ogre-1.12-tools), like
tools/make_meshes.py. The output is the same on every run. Run from the repository root:
    python3 tools/make_scenery.py
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pngfile  # noqa: E402
from texture_noise import Noise  # noqa: E402

SEGMENTS = 48
RINGS = 24


def number(value):
    text = "%.6f" % value
    return "0.000000" if text == "-0.000000" else text


def sphere_xml(material):
    """A unit UV sphere; the seam column is doubled so that u runs from 0 to 1 without a wrap."""
    vertices = []
    for ring in range(RINGS + 1):
        v = ring / RINGS
        polar = math.pi * v
        for segment in range(SEGMENTS + 1):
            u = segment / SEGMENTS
            azimuth = 2.0 * math.pi * u
            n = (math.sin(polar) * math.cos(azimuth), math.cos(polar), -math.sin(polar) * math.sin(azimuth))
            vertices.append((n, u, v))
    faces = []
    row = SEGMENTS + 1
    for ring in range(RINGS):
        for segment in range(SEGMENTS):
            a = ring * row + segment
            b, c, d = a + 1, a + row, a + row + 1
            # Counter-clockwise seen from outside.
            if ring != 0:
                faces.append((a, c, b))
            if ring != RINGS - 1:
                faces.append((b, c, d))
    lines = ['<mesh>', '  <submeshes>',
             '    <submesh material="%s" usesharedvertices="false" use32bitindexes="false" '
             'operationtype="triangle_list">' % material,
             '      <faces count="%d">' % len(faces)]
    lines += ['        <face v1="%d" v2="%d" v3="%d" />' % face for face in faces]
    lines += ['      </faces>', '      <geometry vertexcount="%d">' % len(vertices),
              '        <vertexbuffer positions="true" normals="true" texture_coords="1" texture_coord_dimensions_0="2">']
    for n, u, v in vertices:
        lines += ['          <vertex>',
                  '            <position x="%s" y="%s" z="%s" />' % tuple(number(c) for c in n),
                  '            <normal x="%s" y="%s" z="%s" />' % tuple(number(c) for c in n),
                  '            <texcoord u="%s" v="%s" />' % (number(u), number(v)),
                  '          </vertex>']
    lines += ['        </vertexbuffer>', '      </geometry>', '    </submesh>', '  </submeshes>',
              '</mesh>', '']
    return "\n".join(lines), len(vertices), len(faces)


def write_png(path, width, height, pixel, channels=3):
    rows = ([pixel(x, y) for x in range(width)] for y in range(height))
    with open(path, "wb") as f:
        f.write(pngfile.png_bytes(width, height, rows, channels=channels))


def layered(noises, u, v):
    """Sums octaves of value noise that repeat across u, so the texture joins at the seam."""
    total, weight, norm = 0.0, 1.0, 0.0
    for noise in noises:
        total += noise.at(u, v) * weight
        norm += weight
        weight *= 0.5
    return total / norm


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def planet_texture(path, seed, surface):
    noises = [Noise(seed + octave, 4 << octave) for octave in range(5)]

    def pixel(x, y):
        u, v = x / 512.0, y / 256.0
        return tuple(pngfile.unit_to_byte(c) for c in surface(u, v, layered(noises, u, v)))
    write_png(path, 512, 256, pixel)


def gas(u, v, n):
    band = 0.5 + 0.5 * math.sin(v * 34.0 + n * 5.0)
    return mix((0.42, 0.30, 0.62), (0.86, 0.74, 0.92), band * 0.8 + n * 0.3)


def rock(u, v, n):
    basin = max(0.0, 0.42 - n) * 3.0
    return mix(mix((0.62, 0.32, 0.18), (0.85, 0.55, 0.34), n), (0.22, 0.12, 0.09), basin)


def ice(u, v, n):
    crack = math.exp(-((n - 0.5) * 28.0) ** 2)
    polar = abs(v - 0.5) * 2.0
    return mix(mix((0.62, 0.76, 0.88), (0.94, 0.97, 1.0), polar * 0.8 + n * 0.3), (0.30, 0.42, 0.60), crack * 0.8)


def haze(x, y):
    """Alpha along u: the disc covers the haze sphere; the planet's rim is near 0.9 of its radius."""
    u = x / 255.0
    if u < 0.88:
        alpha = 0.05 + 0.95 * (u / 0.88) ** 6
    else:
        alpha = max(0.0, 1.0 - (u - 0.88) / 0.12) ** 1.5
    return (255, 255, 255, pngfile.unit_to_byte(alpha))


def flare(x, y):
    dx, dy = (x - 63.5) / 64.0, (y - 63.5) / 64.0
    r = math.sqrt(dx * dx + dy * dy)
    core = math.exp(-r * r * 90.0)
    halo = math.exp(-r * r * 9.0) * 0.55
    rays = (math.exp(-abs(dx) * 60.0) + math.exp(-abs(dy) * 60.0)) * max(0.0, 1.0 - r) * 0.35
    level = min(1.0, core + halo + rays) * max(0.0, 1.0 - r ** 4)
    return tuple(pngfile.unit_to_byte(level * c) for c in (1.0, 0.96, 0.9))


def dust(x, y):
    dx, dy = (x - 7.5) / 8.0, (y - 7.5) / 8.0
    level = max(0.0, 1.0 - math.sqrt(dx * dx + dy * dy)) ** 2
    return (200, 205, 215, pngfile.unit_to_byte(level))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data")
    textures = os.path.join(data, "textures")
    meshes = os.path.join(data, "meshes")
    if not shutil.which("OgreXMLConverter"):
        sys.exit("make_scenery: OgreXMLConverter not found (Debian package ogre-1.12-tools)")
    os.makedirs(textures, exist_ok=True)
    os.makedirs(meshes, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        xml_text, vertices, faces = sphere_xml("Planet/Surface")
        source = os.path.join(work, "planet.mesh.xml")
        with open(source, "w") as f:
            f.write(xml_text)
        subprocess.run(["OgreXMLConverter", "-q", "-log", os.path.join(work, "converter.log"),
                        source, os.path.join(meshes, "planet.mesh")], check=True, stdout=subprocess.DEVNULL)
        print("make_scenery: planet.mesh, %d vertices, %d triangles" % (vertices, faces))
    planet_texture(os.path.join(textures, "planet_gas.png"), 7, gas)
    planet_texture(os.path.join(textures, "planet_rock.png"), 19, rock)
    planet_texture(os.path.join(textures, "planet_ice.png"), 31, ice)
    write_png(os.path.join(textures, "planet_haze.png"), 256, 1, haze, channels=4)
    write_png(os.path.join(textures, "star_flare.png"), 128, 128, flare)
    write_png(os.path.join(textures, "space_dust.png"), 16, 16, dust, channels=4)
    print("make_scenery: wrote the planet, haze, flare and dust textures to " + textures)


if __name__ == "__main__":
    main()

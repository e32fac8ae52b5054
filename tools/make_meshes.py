#!/usr/bin/env python3
"""Generates the game's simple meshes into data/meshes/.

Each mesh is written as OGRE XML and converted to the binary format with OgreXMLConverter
(Debian package ogre-1.12-tools). The output is deterministic, so running the tool again
leaves the committed files unchanged.

Meshes:
  wedge_hull.mesh       a fighter hull, nose towards -Z: a lofted wedge of 50 vertices
  wedge_hull_lod1.mesh  the same hull seen from far away: 6 vertices, 8 triangles
  debris_fragment.mesh  a torn piece of hull thrown out by explosions: an irregular, flattened
                        chunk of 12 vertices and 20 triangles, about 1.4 across
  missile.mesh          a guided missile, nose towards -Z: an octagonal body 3.4 long with a
                        pointed nose and a blunt tail, 18 vertices and 32 triangles

All are closed and convex, with outward faces (counter-clockwise seen from outside), so the
first serves as display mesh, collision mesh and the source of reduced collision meshes.

The fleet (see tools/ship_designs.py): for each ship <name>,
  <name>.mesh, <name>_lod1.mesh, <name>_lod2.mesh  the display mesh and two reduced levels,
                                                   flat shaded, one sub-mesh per material
  <name>_collision.mesh                            a closed convex hull for the physics
  <name>_<component>_wire.mesh                     one line mesh per damage component, centred
                                                   on the component (the ship file places it)

Usage: python3 tools/make_meshes.py [output folder]
"""

import math
import os
import shutil
import subprocess
import sys
import tempfile

import ship_designs
from ship_designs import cross, dot, normalised, sub

# The materials are defined with the ship and debris data; a mesh whose material is missing
# shows in white.
MATERIAL = "Hull/Wedge"
FRAGMENT_MATERIAL = "Debris/Fragment"
MISSILE_MATERIAL = "Projectile/MissileBody"

# The hull runs from the nose at z = -6 to the tail at z = +4.
NOSE_Z = -6.0
TAIL_Z = 4.0
HALF_WIDTH = 3.0
HALF_HEIGHT = 1.0


def outward(positions, faces):
    """Turns every face so that it faces away from the centre of the (convex) shape."""
    count = len(positions)
    centre = tuple(sum(p[i] for p in positions) / count for i in range(3))
    turned = []
    for a, b, c in faces:
        normal = cross(sub(positions[b], positions[a]), sub(positions[c], positions[a]))
        middle = tuple((positions[a][i] + positions[b][i] + positions[c][i]) / 3 for i in range(3))
        turned.append((a, b, c) if dot(normal, sub(middle, centre)) > 0 else (a, c, b))
    return turned


def vertex_normals(positions, faces):
    sums = [(0.0, 0.0, 0.0)] * len(positions)
    for a, b, c in faces:
        n = cross(sub(positions[b], positions[a]), sub(positions[c], positions[a]))
        for v in (a, b, c):
            sums[v] = (sums[v][0] + n[0], sums[v][1] + n[1], sums[v][2] + n[2])
    return [normalised(s) for s in sums]


def cross_section(scale):
    """A flattened hexagon: wide and low, like a fighter's body."""
    corners = []
    for k in range(6):
        angle = math.pi * k / 3
        corners.append((HALF_WIDTH * scale * math.cos(angle), HALF_HEIGHT * scale * math.sin(angle)))
    return corners


def detailed_hull():
    stations = 8
    positions = [(0.0, 0.0, NOSE_Z)]
    for s in range(1, stations + 1):
        t = s / stations
        z = NOSE_Z + t * (TAIL_Z - NOSE_Z)
        # A concave profile keeps the lofted body convex.
        for x, y in cross_section(math.sqrt(t)):
            positions.append((x, y, z))
    positions.append((0.0, 0.0, TAIL_Z))
    tail = len(positions) - 1

    def ring(s, k):
        return 1 + (s - 1) * 6 + k % 6

    faces = [(0, ring(1, k), ring(1, k + 1)) for k in range(6)]
    for s in range(1, stations):
        for k in range(6):
            faces.append((ring(s, k), ring(s + 1, k), ring(s + 1, k + 1)))
            faces.append((ring(s, k), ring(s + 1, k + 1), ring(s, k + 1)))
    faces += [(tail, ring(stations, k + 1), ring(stations, k)) for k in range(6)]
    return positions, outward(positions, faces)


def far_hull():
    positions = [
        (-0.4, 0.0, NOSE_Z), (0.4, 0.0, NOSE_Z),
        (-HALF_WIDTH, -0.6, TAIL_Z), (HALF_WIDTH, -0.6, TAIL_Z),
        (-1.0, HALF_HEIGHT, TAIL_Z), (1.0, HALF_HEIGHT, TAIL_Z),
    ]
    faces = [
        (0, 1, 3), (0, 3, 2),  # bottom
        (0, 4, 5), (0, 5, 1),  # top
        (0, 2, 4), (1, 5, 3),  # sides
        (2, 3, 5), (2, 5, 4),  # back
    ]
    return positions, outward(positions, faces)


def fragment():
    """An icosahedron pulled out of shape: each corner moved in or out by its own fixed amount and
    the whole squashed, so that a tumbling piece shows a ragged outline. The amounts stay small
    enough that the chunk is still convex, and fixed, so the output does not change."""
    golden = (1 + math.sqrt(5)) / 2
    corners = [(-1, golden, 0), (1, golden, 0), (-1, -golden, 0), (1, -golden, 0),
               (0, -1, golden), (0, 1, golden), (0, -1, -golden), (0, 1, -golden),
               (golden, 0, -1), (golden, 0, 1), (-golden, 0, -1), (-golden, 0, 1)]
    reach = [1.0, 0.92, 0.97, 1.06, 0.95, 1.03, 0.9, 1.08, 0.96, 1.01, 0.93, 1.04]
    stretch = (0.55, 0.28, 0.45)
    positions = []
    for corner, r in zip(corners, reach):
        unit = normalised(corner)
        positions.append(tuple(unit[i] * r * stretch[i] * 1.45 for i in range(3)))
    faces = [(0, 11, 5), (0, 5, 1), (0, 1, 7), (0, 7, 10), (0, 10, 11),
             (1, 5, 9), (5, 11, 4), (11, 10, 2), (10, 7, 6), (7, 1, 8),
             (3, 9, 4), (3, 4, 2), (3, 2, 6), (3, 6, 8), (3, 8, 9),
             (4, 9, 5), (2, 4, 11), (6, 2, 10), (8, 6, 7), (9, 8, 1)]
    return positions, outward(positions, faces)


def missile():
    """Two octagonal rings of radius 0.28 joined into a body, a nose point ahead and a tail point
    just behind: convex, so it serves as its own collision shape too."""
    sides = 8
    radius = 0.28
    rings = (-1.4, 1.4)
    positions = [(0.0, 0.0, -2.2), (0.0, 0.0, 1.6)]
    for z in rings:
        for k in range(sides):
            angle = 2 * math.pi * k / sides
            positions.append((radius * math.cos(angle), radius * math.sin(angle), z))
    front, back = 2, 2 + sides
    faces = []
    for k in range(sides):
        n = (k + 1) % sides
        faces.append((0, front + k, front + n))
        faces.append((front + k, back + k, back + n))
        faces.append((front + k, back + n, front + n))
        faces.append((1, back + n, back + k))
    return positions, outward(positions, faces)


def number(value):
    text = "%.6f" % value
    return "0.000000" if text == "-0.000000" else text


def mesh_xml(positions, faces, material=MATERIAL):
    normals = vertex_normals(positions, faces)
    lines = ['<mesh>', '  <submeshes>',
             '    <submesh material="%s" usesharedvertices="false" use32bitindexes="false" '
             'operationtype="triangle_list">' % material,
             '      <faces count="%d">' % len(faces)]
    lines += ['        <face v1="%d" v2="%d" v3="%d" />' % face for face in faces]
    lines += ['      </faces>', '      <geometry vertexcount="%d">' % len(positions),
              '        <vertexbuffer positions="true" normals="true">']
    for p, n in zip(positions, normals):
        lines += ['          <vertex>',
                  '            <position x="%s" y="%s" z="%s" />' % tuple(number(c) for c in p),
                  '            <normal x="%s" y="%s" z="%s" />' % tuple(number(c) for c in n),
                  '          </vertex>']
    lines += ['        </vertexbuffer>', '      </geometry>', '    </submesh>', '  </submeshes>',
              '</mesh>', '']
    return "\n".join(lines)


def convert(xml_text, target, work):
    source = os.path.join(work, os.path.basename(target) + ".xml")
    with open(source, "w") as f:
        f.write(xml_text)
    subprocess.run(["OgreXMLConverter", "-q", "-log", os.path.join(work, "converter.log"),
                    source, target], check=True, stdout=subprocess.DEVNULL)


def ship_meshes():
    """The fleet's meshes, by file name."""
    return ship_designs.all_meshes()


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "meshes")
    if not shutil.which("OgreXMLConverter"):
        sys.exit("make_meshes: OgreXMLConverter not found (Debian package ogre-1.12-tools)")
    os.makedirs(output, exist_ok=True)
    meshes = {
        "wedge_hull.mesh": (detailed_hull(), MATERIAL),
        "wedge_hull_lod1.mesh": (far_hull(), MATERIAL),
        "debris_fragment.mesh": (fragment(), FRAGMENT_MATERIAL),
        "missile.mesh": (missile(), MISSILE_MATERIAL),
    }
    with tempfile.TemporaryDirectory() as work:
        for name, ((positions, faces), material) in meshes.items():
            convert(mesh_xml(positions, faces, material), os.path.join(output, name), work)
            print("make_meshes: %s, %d vertices, %d triangles" % (name, len(positions), len(faces)))
        for name, (xml_text, summary) in ship_meshes().items():
            convert(xml_text, os.path.join(output, name), work)
            print("make_meshes: %s, %s" % (name, summary))


if __name__ == "__main__":
    main()

"""The designs of the fleet's ships, turned into OGRE XML meshes by tools/make_meshes.py.

Every ship is built from convex parts (lofted bodies and flat slabs), each belonging to one damage
component and drawn with one material. The nose points towards -Z and +Y is up, so +X is the
starboard side. Three levels of detail use fewer segments and drop the small parts; the
collision mesh is the closed fuselage alone (the ship files add boxes for wings and engines).

Every number is fixed, so the output is the same on every run.
"""

import math

# Materials (data/materials/ships.material).
HULL = "Ship/%s/Hull"
CANOPY = "Ship/Canopy"
ENGINE = "Ship/Engine"
WIREFRAME = "Ship/Wireframe"

# Texture coordinates: one repeat of the hull texture per this many units.
TEXTURE_SPAN = 8.0


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def normalised(v):
    length = math.sqrt(dot(v, v))
    return (v[0] / length, v[1] / length, v[2] / length)


def face_normal(positions, face):
    a, b, c = (positions[i] for i in face)
    return normalised(cross(sub(b, a), sub(c, a)))


class Part:
    """A closed convex shape with outward faces, one component's and one material's."""

    def __init__(self, component, material, positions, faces):
        self.component = component
        self.material = material
        self.positions = positions
        count = len(positions)
        centre = tuple(sum(p[i] for p in positions) / count for i in range(3))
        self.faces = []
        for a, b, c in faces:
            normal = cross(sub(positions[b], positions[a]), sub(positions[c], positions[a]))
            middle = tuple((positions[a][i] + positions[b][i] + positions[c][i]) / 3 for i in range(3))
            self.faces.append((a, b, c) if dot(normal, sub(middle, centre)) > 0 else (a, c, b))


def ellipse(z, half_width, half_height, segments, centre=(0.0, 0.0)):
    """A ring of points round the Z axis; the first point lies on +X (flat top and bottom for
    an even count of six or more)."""
    return [(centre[0] + half_width * math.cos(2 * math.pi * k / segments),
             centre[1] + half_height * math.sin(2 * math.pi * k / segments), z)
            for k in range(segments)]


def loft(component, material, rings, front=None, back=None):
    """A body through rings of equal length, closed by an apex point or a flat cap at each end."""
    n = len(rings[0])
    positions = [p for ring in rings for p in ring]
    faces = []
    for r in range(len(rings) - 1):
        for k in range(n):
            a, b = r * n + k, r * n + (k + 1) % n
            c, d = (r + 1) * n + (k + 1) % n, (r + 1) * n + k
            faces += [(a, b, c), (a, c, d)]
    for end, ring_index in ((front, 0), (back, len(rings) - 1)):
        base = ring_index * n
        if end is None:
            faces += [(base, base + k, base + k + 1) for k in range(1, n - 1)]
        else:
            positions.append(end)
            apex = len(positions) - 1
            faces += [(apex, base + k, base + (k + 1) % n) for k in range(n)]
    return Part(component, material, positions, faces)


def slab(component, material, outline, angle_degrees, thickness):
    """A flat plate: a convex outline of (distance from the Z axis, z) points, turned by the angle
    round the Z axis (0 is +X, 90 is +Y) and given a thickness."""
    angle = math.radians(angle_degrees)
    radial = (math.cos(angle), math.sin(angle))
    across = (-math.sin(angle), math.cos(angle))
    positions = []
    for side in (-0.5, 0.5):
        for r, z in outline:
            positions.append((r * radial[0] + side * thickness * across[0],
                              r * radial[1] + side * thickness * across[1], z))
    n = len(outline)
    faces = [(0, k, k + 1) for k in range(1, n - 1)]
    faces += [(n, n + k, n + k + 1) for k in range(1, n - 1)]
    for k in range(n):
        a, b = k, (k + 1) % n
        faces += [(a, b, n + b), (a, n + b, n + a)]
    return Part(component, material, positions, faces)


def pod(component, material, x, y, front_z, start_z, end_z, radius, segments):
    """An engine nacelle along Z: a tapered nose, a straight body and a flat nozzle end."""
    return loft(component, material,
                [ellipse(start_z, radius * 0.6, radius * 0.6, segments, (x, y)),
                 ellipse(start_z + (end_z - start_z) * 0.3, radius, radius, segments, (x, y)),
                 ellipse(end_z, radius * 0.85, radius * 0.85, segments, (x, y))],
                front=(x, y, front_z))


# ---- The designs ----

def trifighter(level):
    """The standard fighter: a stubby fuselage with three fins in an inverted Y, the two lower
    ones its wings, and three engines between the fins."""
    hull = HULL % "Trifighter"
    segments = (8, 6, 4)[level]
    parts = [loft("Hull", hull,
                  [ellipse(-3.0, 1.0, 0.7, segments), ellipse(2.0, 1.3, 0.9, segments),
                   ellipse(4.5, 1.1, 0.75, segments)],
                  front=(0.0, 0.0, -7.0))]
    wing = [(0.6, -0.5), (0.6, 4.0), (5.0, 4.3), (5.0, 3.0)]
    parts.append(slab("PortWing", hull, wing, 210, 0.16))
    parts.append(slab("StarboardWing", hull, wing, 330, 0.16))
    if level < 2:
        parts.append(slab("Hull", hull, [(0.6, -0.5), (0.6, 4.0), (2.6, 4.2), (2.6, 2.8)], 90, 0.14))
        parts.append(loft("Cockpit", CANOPY,
                          [[(-0.45, 0.6, -2.6), (0.45, 0.6, -2.6), (0.3, 1.1, -2.6), (-0.3, 1.1, -2.6)],
                           [(-0.45, 0.6, -0.6), (0.45, 0.6, -0.6), (0.3, 1.1, -0.6), (-0.3, 1.1, -0.6)]],
                          front=(0.0, 0.55, -4.2), back=(0.0, 0.8, 0.6)))
    for x, y in TRIFIGHTER_ENGINES:
        parts.append(pod("Engines", ENGINE, x, y, 2.4, 3.0, 6.0, 0.42, max(segments - 2, 4)))
    return parts


# Where the three engines sit, between the fins; their nozzles end at z = 6.
TRIFIGHTER_ENGINES = [(0.7 * math.cos(math.radians(a)), 0.7 * math.sin(math.radians(a)))
                      for a in (30, 150, 270)]


def kestrel(level):
    """The interceptor: a long needle with forward-swept wings carrying two engines, and a small
    tail fin."""
    hull = HULL % "Kestrel"
    segments = (8, 6, 4)[level]
    parts = [loft("Hull", hull,
                  [ellipse(-5.0, 0.55, 0.5, segments), ellipse(1.0, 0.8, 0.65, segments),
                   ellipse(4.0, 0.65, 0.5, segments)],
                  front=(0.0, 0.0, -9.0))]
    wing = [(0.5, -0.5), (0.5, 3.0), (4.2, -0.9), (4.2, -1.8)]
    parts.append(slab("Wings", hull, wing, 0, 0.14))
    parts.append(slab("Wings", hull, wing, 180, 0.14))
    if level < 2:
        parts.append(slab("Hull", hull, [(0.4, 1.5), (0.4, 4.0), (1.6, 4.2), (1.6, 3.3)], 90, 0.12))
        parts.append(loft("Cockpit", CANOPY,
                          [[(-0.35, 0.45, -4.8), (0.35, 0.45, -4.8), (0.22, 0.85, -4.8), (-0.22, 0.85, -4.8)],
                           [(-0.35, 0.45, -2.8), (0.35, 0.45, -2.8), (0.22, 0.85, -2.8), (-0.22, 0.85, -2.8)]],
                          front=(0.0, 0.4, -6.2), back=(0.0, 0.6, -1.6)))
    for x, y in KESTREL_ENGINES:
        parts.append(pod("Engines", ENGINE, x, y, -0.8, 0.0, 5.5, 0.45, max(segments - 2, 4)))
    return parts


KESTREL_ENGINES = [(-1.25, 0.0), (1.25, 0.0)]

def bastion(level):
    """The capital ship: a long armoured hull with a flat stern, a command bridge on its back, two
    flank sponsons and four heavy engines. Its turrets are separate meshes (see lancer_turret)
    that the ship file places on the dorsal, ventral and flank mounts."""
    hull = HULL % "Bastion"
    segments = (12, 8, 6)[level]
    parts = [loft("Hull", hull,
                  [ellipse(-50.0, 9.0, 6.0, segments), ellipse(-15.0, 15.0, 9.0, segments),
                   ellipse(35.0, 15.0, 9.0, segments), ellipse(55.0, 12.0, 7.0, segments)],
                  front=(0.0, 0.0, -85.0))]
    parts.append(loft("Bridge", hull,
                      [ellipse(15.0, 4.0, 3.0, max(segments - 4, 4), (0.0, 11.0)),
                       ellipse(33.0, 4.5, 3.0, max(segments - 4, 4), (0.0, 11.0))],
                      front=(0.0, 10.0, 5.0)))
    if level < 2:
        sponson = [(13.0, -10.0), (13.0, 40.0), (19.0, 36.0), (19.0, 2.0)]
        parts.append(slab("Hull", hull, sponson, 0, 2.0))
        parts.append(slab("Hull", hull, sponson, 180, 2.0))
        parts.append(loft("Bridge", CANOPY,
                          [[(-3.0, 12.5, 9.0), (3.0, 12.5, 9.0), (2.0, 13.6, 9.0), (-2.0, 13.6, 9.0)],
                           [(-3.0, 12.5, 13.0), (3.0, 12.5, 13.0), (2.0, 13.6, 13.0), (-2.0, 13.6, 13.0)]],
                          front=(0.0, 12.0, 7.5)))
    for x, y in BASTION_ENGINES:
        parts.append(pod("Engines", ENGINE, x, y, 47.0, 50.0, 66.0, 3.2, max(segments - 4, 4)))
    return parts


# The four engines at the stern; their nozzles end at z = 66.
BASTION_ENGINES = [(-6.5, -3.5), (6.5, -3.5), (-6.5, 3.5), (6.5, 3.5)]


def lancer_turret(level):
    """A capital ship's turret: a squat housing (its base at y = 0 sits on the hull) with twin
    barrels pointing towards -Z."""
    hull = HULL % "Bastion"
    segments = (8, 6, 4)[level]
    parts = [slab("Housing", hull, [(0.0, -1.8), (0.0, 1.8), (1.6, 1.3), (1.6, -1.3)], 90, 3.4)]
    for x in (-0.7, 0.7):
        parts.append(loft("Barrels", ENGINE,
                          [ellipse(-1.0, 0.28, 0.28, segments, (x, 0.8)),
                           ellipse(-6.5, 0.2, 0.2, segments, (x, 0.8))]))
    return parts


DESIGNS = {"trifighter": trifighter, "kestrel": kestrel, "bastion": bastion}
# Capital-ship turrets: display levels and a collision hull, no damage wireframes (the hull's
# damage model takes their hits).
STATION_DESIGNS = {"lancer_turret": lancer_turret}


# ---- Writing ----

def number(value):
    text = "%.6f" % value
    return "0.000000" if text == "-0.000000" else text


def vertex_xml(position, normal=None, uv=None):
    lines = ['          <vertex>',
             '            <position x="%s" y="%s" z="%s" />' % tuple(number(c) for c in position)]
    if normal is not None:
        lines.append('            <normal x="%s" y="%s" z="%s" />' % tuple(number(c) for c in normal))
    if uv is not None:
        lines.append('            <texcoord u="%s" v="%s" />' % tuple(number(c) for c in uv))
    lines.append('          </vertex>')
    return lines


def texture_coordinates(position, normal):
    """A box projection: the hull texture is laid on along the axis the face turns to least."""
    ax, ay, az = (abs(c) for c in normal)
    if ay >= ax and ay >= az:
        u, v = position[0], position[2]
    elif ax >= az:
        u, v = position[2], position[1]
    else:
        u, v = position[0], position[1]
    return (u / TEXTURE_SPAN + 0.5, v / TEXTURE_SPAN + 0.5)


def display_xml(parts):
    """Flat-shaded triangles, one sub-mesh per material in order of first use (the hull first,
    whose material the ship's reflection goes on)."""
    materials = []
    for part in parts:
        if part.material not in materials:
            materials.append(part.material)
    lines = ['<mesh>', '  <submeshes>']
    triangles = 0
    for material in materials:
        corners = []
        for part in (p for p in parts if p.material == material):
            for face in part.faces:
                normal = face_normal(part.positions, face)
                corners += [(part.positions[i], normal) for i in face]
        count = len(corners) // 3
        triangles += count
        lines += ['    <submesh material="%s" usesharedvertices="false" use32bitindexes="false" '
                  'operationtype="triangle_list">' % material,
                  '      <faces count="%d">' % count]
        lines += ['        <face v1="%d" v2="%d" v3="%d" />' % (3 * t, 3 * t + 1, 3 * t + 2)
                  for t in range(count)]
        lines += ['      </faces>', '      <geometry vertexcount="%d">' % len(corners),
                  '        <vertexbuffer positions="true" normals="true" texture_coords="1" '
                  'texture_coord_dimensions_0="2">']
        for position, normal in corners:
            lines += vertex_xml(position, normal, texture_coordinates(position, normal))
        lines += ['        </vertexbuffer>', '      </geometry>', '    </submesh>']
    lines += ['  </submeshes>', '</mesh>', '']
    return "\n".join(lines), "%d sub-meshes, %d triangles" % (len(materials), triangles)


def collision_xml(part):
    """One closed surface sharing its vertices, as the physics reads it."""
    sums = [(0.0, 0.0, 0.0)] * len(part.positions)
    for face in part.faces:
        n = face_normal(part.positions, face)
        for v in face:
            sums[v] = (sums[v][0] + n[0], sums[v][1] + n[1], sums[v][2] + n[2])
    lines = ['<mesh>', '  <submeshes>',
             '    <submesh material="%s" usesharedvertices="false" use32bitindexes="false" '
             'operationtype="triangle_list">' % part.material,
             '      <faces count="%d">' % len(part.faces)]
    lines += ['        <face v1="%d" v2="%d" v3="%d" />' % face for face in part.faces]
    lines += ['      </faces>', '      <geometry vertexcount="%d">' % len(part.positions),
              '        <vertexbuffer positions="true" normals="true">']
    for position, normal in zip(part.positions, sums):
        lines += vertex_xml(position, normalised(normal))
    lines += ['        </vertexbuffer>', '      </geometry>', '    </submesh>', '  </submeshes>',
              '</mesh>', '']
    return "\n".join(lines), "%d vertices, %d triangles" % (len(part.positions), len(part.faces))


def component_centre(parts):
    """The mean of the parts' points, rounded so that the ship file can give it exactly."""
    points = [p for part in parts for p in part.positions]
    return tuple(round(sum(p[i] for p in points) / len(points), 2) + 0.0 for i in range(3))


def wireframe_xml(parts, centre):
    """The edges of the parts as lines round the centre; edges inside a flat side are left out.
    The lines are not indexed (the XML converter drops the indices of a line list): each line is
    two vertices of its own, in order."""
    ends = []
    for part in parts:
        edges = {}
        for face in part.faces:
            normal = face_normal(part.positions, face)
            for k in range(3):
                a, b = face[k], face[(k + 1) % 3]
                edges.setdefault((min(a, b), max(a, b)), []).append(normal)
        for (a, b), normals in sorted(edges.items()):
            if len(normals) == 2 and dot(normals[0], normals[1]) > 0.999:
                continue
            for v in (a, b):
                ends.append(tuple(round(part.positions[v][i] - centre[i], 6) for i in range(3)))
    lines = ['<mesh>', '  <submeshes>',
             '    <submesh material="%s" usesharedvertices="false" use32bitindexes="false" '
             'operationtype="line_list">' % WIREFRAME,
             '      <geometry vertexcount="%d">' % len(ends),
             '        <vertexbuffer positions="true">']
    for position in ends:
        lines += vertex_xml(position)
    lines += ['        </vertexbuffer>', '      </geometry>', '    </submesh>', '  </submeshes>',
              '</mesh>', '']
    return "\n".join(lines), "%d lines" % (len(ends) // 2)


def components(parts):
    names = []
    for part in parts:
        if part.component not in names:
            names.append(part.component)
    return names


def all_meshes():
    """File name -> (XML text, summary) for every mesh of the fleet."""
    meshes = {}
    for name, design in DESIGNS.items():
        full = design(0)
        meshes[name + ".mesh"] = display_xml(full)
        meshes[name + "_lod1.mesh"] = display_xml(design(1))
        meshes[name + "_lod2.mesh"] = display_xml(design(2))
        meshes[name + "_collision.mesh"] = collision_xml(design(2)[0])
        for component in components(full):
            parts = [p for p in full if p.component == component]
            centre = component_centre(parts)
            text, summary = wireframe_xml(parts, centre)
            meshes["%s_%s_wire.mesh" % (name, component.lower())] = (
                text, "%s, meshPosition = (%g %g %g)" % ((summary,) + centre))
    for name, design in STATION_DESIGNS.items():
        meshes[name + ".mesh"] = display_xml(design(0))
        meshes[name + "_lod1.mesh"] = display_xml(design(1))
        meshes[name + "_lod2.mesh"] = display_xml(design(2))
        meshes[name + "_collision.mesh"] = collision_xml(design(2)[0])
    return meshes

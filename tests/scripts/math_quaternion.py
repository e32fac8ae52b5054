import math

from Tolvarine import Quaternion, Radian, Vector3
from mathhelpers import close, raises, same_quaternion, same_vector

quarter = math.pi / 2
about_z = Quaternion(Radian(quarter), Vector3.UNIT_Z)   # turns UNIT_X into UNIT_Y
eighth_z = Quaternion(Radian(quarter / 2), Vector3.UNIT_Z)
axes_z = (Vector3.UNIT_Y, Vector3.NEGATIVE_UNIT_X, Vector3.UNIT_Z)
rows = ((0, -1, 0), (1, 0, 0), (0, 0, 1))

# Constructors: missing numbers make the identity; three axes or a matrix as a sequence.
q, r = Quaternion(0.5, 0.25), Quaternion(w=0, y=1)
assert (q.w, q.x, q.y, q.z, r.w, r.x, r.y, r.z) == (0.5, 0.25, 0, 0, 0, 0, 1, 0)
for made in (Quaternion(*axes_z), Quaternion(list(axes_z)), Quaternion(rows)):
    assert same_quaternion(made, about_z)
for bad in ("abcd", [1, 2], [Vector3.UNIT_X, Vector3.UNIT_Y], [Vector3.UNIT_X, 1, 2],
            ((0, 1), (1, 0), (0, 0)), None):
    assert raises(TypeError, lambda: Quaternion(bad)), "Quaternion(%r) must be refused" % (bad,)

# Regression: constants are copies.
changed = Quaternion.IDENTITY
changed.w = 5
assert Quaternion.IDENTITY.w == 1, "changing a copy of IDENTITY must not change IDENTITY"

assert close(Quaternion(Radian(0.5), Vector3.UNIT_Y).getYaw().valueRadians(), 0.5)
assert close(Quaternion(Radian(0.5), Vector3.UNIT_X).getPitch().valueRadians(), 0.5)
assert close(Quaternion(Radian(0.5), Vector3.UNIT_Z).getRoll(False).valueRadians(), 0.5)
x_axis, y_axis, z_axis, axes = Vector3(), Vector3(), Vector3(), [Vector3(), Vector3(), Vector3()]
about_z.ToAxes(x_axis, y_axis, z_axis)
about_z.ToAxes(axes)
for got, want in zip([x_axis, y_axis, z_axis] + axes, axes_z + axes_z):
    assert same_vector(got, want)
assert raises(TypeError, lambda: about_z.ToAxes([Vector3(), Vector3(), 3]))
for fill in (lambda r: r.FromAxes(*axes_z), lambda r: r.FromAxes(list(axes_z)),
             lambda r: r.FromRotationMatrix(rows)):
    r = Quaternion()
    fill(r)
    assert same_quaternion(r, about_z)
matrix = about_z.ToRotationMatrix()
assert all(close(matrix[i][j], rows[i][j]) for i in range(3) for j in range(3))

assert same_quaternion(Quaternion.Slerp(0.5, Quaternion.IDENTITY, -about_z, True), eighth_z)
assert same_quaternion(Quaternion.nlerp(0.5, Quaternion.IDENTITY, -about_z, shortestPath=True),
                       eighth_z)
a, b = Quaternion(0, 0, 0, 0), Quaternion(0, 0, 0, 0)
Quaternion.Intermediate(Quaternion.IDENTITY, eighth_z, about_z, a, b)
assert close(a.Norm(), 1, 1e-4) and close(b.Norm(), 1, 1e-4), "Intermediate fills both"
assert same_quaternion(Quaternion.Squad(1, Quaternion.IDENTITY, a, b, about_z, True), about_z)
assert same_vector(about_z * Vector3(1, 0, 5), Vector3(0, 1, 5))

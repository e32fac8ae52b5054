import math

from Tolvarine import Quaternion, Radian, Vector3
from mathhelpers import close, raises, same_quaternion, same_vector

quarter = math.pi / 2
about_z = Quaternion(Radian(quarter), Vector3.UNIT_Z)   # turns UNIT_X into UNIT_Y
eighth_z = Quaternion(Radian(quarter / 2), Vector3.UNIT_Z)
half_z = Quaternion(Radian(math.pi), Vector3.UNIT_Z)

# Constructors
identity = Quaternion()
assert (identity.w, identity.x, identity.y, identity.z) == (1, 0, 0, 0)
q = Quaternion(2)
assert (q.w, q.x, q.y, q.z) == (2, 0, 0, 0)
q = Quaternion(0.5, 0.25)
assert (q.w, q.x, q.y, q.z) == (0.5, 0.25, 0, 0)
q = Quaternion(1, 2, 3, 4)
assert (q.w, q.x, q.y, q.z) == (1, 2, 3, 4)
q = Quaternion(w=0, y=1)
assert (q.w, q.x, q.y, q.z) == (0, 0, 1, 0)
assert same_vector(about_z * Vector3.UNIT_X, Vector3.UNIT_Y)
from_axes = Quaternion(Vector3.UNIT_Y, Vector3.NEGATIVE_UNIT_X, Vector3.UNIT_Z)
assert same_quaternion(from_axes, about_z)
assert same_quaternion(Quaternion([Vector3.UNIT_Y, Vector3.NEGATIVE_UNIT_X, Vector3.UNIT_Z]), about_z)
rows = ((0, -1, 0), (1, 0, 0), (0, 0, 1))
assert same_quaternion(Quaternion(rows), about_z)
for bad in ("abcd", [1, 2], [Vector3.UNIT_X, Vector3.UNIT_Y], [Vector3.UNIT_X, 1, 2],
            ((0, 1), (1, 0), (0, 0)), None):
    assert raises(TypeError, lambda: Quaternion(bad)), "Quaternion(%r) must be refused" % (bad,)

# Constants and attributes
assert close(Quaternion.ms_fEpsilon, 1e-3, 1e-9)
assert Quaternion.ZERO == Quaternion(0, 0, 0, 0)
assert Quaternion.IDENTITY == Quaternion(1, 0, 0, 0)
changed = Quaternion.IDENTITY
changed.w = 5
assert Quaternion.IDENTITY.w == 1, "changing a copy of IDENTITY must not change IDENTITY"
q = Quaternion()
q.w, q.x, q.y, q.z = 4, 3, 2, 1
assert q == Quaternion(4, 3, 2, 1)

# Methods
assert close(Quaternion(Radian(0.5), Vector3.UNIT_Y).getYaw().valueRadians(), 0.5)
assert close(Quaternion(Radian(0.5), Vector3.UNIT_X).getPitch().valueRadians(), 0.5)
assert close(Quaternion(Radian(0.5), Vector3.UNIT_Z).getRoll().valueRadians(), 0.5)
assert close(Quaternion(Radian(0.5), Vector3.UNIT_Z).getRoll(False).valueRadians(), 0.5)
assert isinstance(about_z.getYaw(reprojectAxis=False), Radian)
assert same_quaternion(about_z.Log().Exp(), about_z)
assert same_quaternion(about_z * about_z.UnitInverse(), Quaternion.IDENTITY)
doubled = about_z * 2
assert same_quaternion(doubled.Inverse() * doubled, Quaternion.IDENTITY)
long_one = Quaternion(2, 0, 0, 0)
assert close(long_one.normalise(), 2) and long_one == Quaternion.IDENTITY
assert close(Quaternion(0, 3, 4, 0).Norm(), 5)
assert close(Quaternion(1, 2, 3, 4).Dot(Quaternion(4, 3, 2, 1)), 20)
assert same_vector(about_z.xAxis(), Vector3.UNIT_Y)
assert same_vector(about_z.yAxis(), Vector3.NEGATIVE_UNIT_X)
assert same_vector(about_z.zAxis(), Vector3.UNIT_Z)
x_axis, y_axis, z_axis = Vector3(), Vector3(), Vector3()
about_z.ToAxes(x_axis, y_axis, z_axis)
assert same_vector(x_axis, Vector3.UNIT_Y) and same_vector(y_axis, Vector3.NEGATIVE_UNIT_X)
assert same_vector(z_axis, Vector3.UNIT_Z)
axes = [Vector3(), Vector3(), Vector3()]
about_z.ToAxes(axes)
assert same_vector(axes[0], Vector3.UNIT_Y) and same_vector(axes[1], Vector3.NEGATIVE_UNIT_X)
assert same_vector(axes[2], Vector3.UNIT_Z)
assert raises(TypeError, lambda: about_z.ToAxes([Vector3(), Vector3(), 3]))
r = Quaternion()
r.FromAxes(Vector3.UNIT_Y, Vector3.NEGATIVE_UNIT_X, Vector3.UNIT_Z)
assert same_quaternion(r, about_z)
r = Quaternion()
r.FromAxes([Vector3.UNIT_Y, Vector3.NEGATIVE_UNIT_X, Vector3.UNIT_Z])
assert same_quaternion(r, about_z)
r = Quaternion()
r.FromAngleAxis(Radian(quarter), Vector3.UNIT_Z)
assert same_quaternion(r, about_z)
matrix = about_z.ToRotationMatrix()
assert all(close(matrix[i][j], rows[i][j]) for i in range(3) for j in range(3))
r = Quaternion()
r.FromRotationMatrix(rows)
assert same_quaternion(r, about_z)

# Static functions
assert same_quaternion(Quaternion.Slerp(0.5, Quaternion.IDENTITY, about_z), eighth_z)
assert same_quaternion(Quaternion.Slerp(0.5, Quaternion.IDENTITY, -about_z, True), eighth_z)
assert same_quaternion(Quaternion.nlerp(0.5, Quaternion.IDENTITY, about_z), eighth_z)
assert same_quaternion(Quaternion.nlerp(0.5, Quaternion.IDENTITY, -about_z, shortestPath=True),
                       eighth_z)
assert same_quaternion(Quaternion.SlerpExtraSpins(0, Quaternion.IDENTITY, about_z, 1),
                       Quaternion.IDENTITY)
# One extra spin ends on the negated quaternion: the same orientation.
spun = Quaternion.SlerpExtraSpins(1, Quaternion.IDENTITY, about_z, 1)
assert same_quaternion(spun, -about_z)
assert same_vector(spun * Vector3.UNIT_X, Vector3.UNIT_Y)
a, b = Quaternion(0, 0, 0, 0), Quaternion(0, 0, 0, 0)
Quaternion.Intermediate(Quaternion.IDENTITY, eighth_z, about_z, a, b)
assert close(a.Norm(), 1, 1e-4) and close(b.Norm(), 1, 1e-4), "Intermediate fills both"
assert same_quaternion(Quaternion.Squad(0, Quaternion.IDENTITY, a, b, about_z), Quaternion.IDENTITY)
assert same_quaternion(Quaternion.Squad(1, Quaternion.IDENTITY, a, b, about_z, True), about_z)

# Operators
assert 2 * Quaternion(1, 2, 3, 4) == Quaternion(2, 4, 6, 8)
assert Quaternion(1, 2, 3, 4) + Quaternion(1, 1, 1, 1) == Quaternion(2, 3, 4, 5)
assert Quaternion(1, 2, 3, 4) - Quaternion(1, 1, 1, 1) == Quaternion(0, 1, 2, 3)
assert same_vector((about_z * about_z) * Vector3.UNIT_X, Vector3.NEGATIVE_UNIT_X)
assert same_quaternion(about_z * about_z, half_z)
assert Quaternion(1, 2, 3, 4) * 2 == Quaternion(2, 4, 6, 8)
assert -Quaternion(1, 2, 3, 4) == Quaternion(-1, -2, -3, -4)
assert Quaternion(1, 2, 3, 4) == Quaternion(1, 2, 3, 4)
assert not (Quaternion(1, 2, 3, 4) == Quaternion(1, 2, 3, 5))
assert Quaternion(1, 2, 3, 4) != Quaternion(1, 2, 3, 5)
assert same_vector(about_z * Vector3(1, 0, 5), Vector3(0, 1, 5))
assert same_vector(eighth_z * Vector3.UNIT_X, Vector3(math.sqrt(0.5), math.sqrt(0.5), 0))

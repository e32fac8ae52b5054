import math

from Tolvarine import Quaternion, Radian, Vector3
from mathhelpers import close, components, raises, same_vector

# Constructors
assert components(Vector3()) == (0.0, 0.0, 0.0)
assert Vector3() == Vector3(0, 0, 0)
v = Vector3(1, 2, 3)
assert components(v) == (1.0, 2.0, 3.0)
assert components(Vector3(x=4, y=5, z=6)) == (4.0, 5.0, 6.0)
assert Vector3([1.5, 2.5, 3.5]) == Vector3(1.5, 2.5, 3.5)
assert Vector3((1, 2, 3)) == v
copy = Vector3(v)
assert copy == v and copy is not v
copy += Vector3.UNIT_X
assert v == Vector3(1, 2, 3), "a copy must not share the original's components"
for bad in ([1, 2], (1, 2, 3, 4), "abc", 5, [1, "x", 3], None):
    assert raises(TypeError, lambda: Vector3(bad)), "Vector3(%r) must be refused" % (bad,)
assert not hasattr(v, "x"), "components are not attributes"

# Constants
assert Vector3.ZERO == Vector3(0, 0, 0)
assert Vector3.UNIT_X == Vector3(1, 0, 0)
assert Vector3.UNIT_Y == Vector3(0, 1, 0)
assert Vector3.UNIT_Z == Vector3(0, 0, 1)
assert Vector3.NEGATIVE_UNIT_X == Vector3(-1, 0, 0)
assert Vector3.NEGATIVE_UNIT_Y == Vector3(0, -1, 0)
assert Vector3.NEGATIVE_UNIT_Z == Vector3(0, 0, -1)
assert Vector3.UNIT_SCALE == Vector3(1, 1, 1)
position = Vector3.ZERO
position += Vector3.UNIT_X
scale = Vector3.UNIT_SCALE
scale *= 3
assert Vector3.ZERO == Vector3(0, 0, 0), "changing a copy of ZERO in place must not change ZERO"
assert Vector3.UNIT_SCALE == Vector3(1, 1, 1)

# Methods
assert close(Vector3(3, 4, 0).length(), 5)
assert close(Vector3(3, 4, 0).squaredLength(), 25)
assert close(v.dotProduct(Vector3(4, 5, 6)), 32)
w = Vector3(0, 3, 4)
assert close(w.normalise(), 5)
assert same_vector(w, Vector3(0, 0.6, 0.8))
assert Vector3.UNIT_X.crossProduct(Vector3.UNIT_Y) == Vector3.UNIT_Z
assert Vector3(1, 2, 3).midPoint(Vector3(3, 4, 5)) == Vector3(2, 3, 4)
floor = Vector3(1, 5, 3)
floor.makeFloor(Vector3(2, 4, 3))
assert floor == Vector3(1, 4, 3)
ceil = Vector3(1, 5, 3)
ceil.makeCeil(Vector3(2, 4, -3))
assert ceil == Vector3(2, 5, 3)
p = v.perpendicular()
assert close(p.dotProduct(v), 0) and close(p.length(), 1)
for deviant in (Vector3.UNIT_Z.randomDeviant(Radian(0.1)),
                Vector3.UNIT_Z.randomDeviant(Radian(0.1), Vector3.UNIT_X)):
    assert close(deviant.length(), 1)
    assert close(math.acos(min(1.0, deviant.dotProduct(Vector3.UNIT_Z))), 0.1, 1e-3)
assert same_vector(Vector3(1, -1, 0).reflect(Vector3.UNIT_Y), Vector3(1, 1, 0))
n = v.normalisedCopy()
assert close(n.length(), 1) and v == Vector3(1, 2, 3)
assert Vector3().isZeroLength() and not v.isZeroLength()
turn = Vector3.UNIT_X.getRotationTo(Vector3.UNIT_Y)
assert isinstance(turn, Quaternion)
assert same_vector(turn * Vector3.UNIT_X, Vector3.UNIT_Y)
half_turn = Vector3.UNIT_X.getRotationTo(Vector3.NEGATIVE_UNIT_X, Vector3.UNIT_Z)
assert same_vector(half_turn * Vector3.UNIT_Y, Vector3.NEGATIVE_UNIT_Y), "fallback axis"

# Operators
assert 2 * v == Vector3(2, 4, 6)
assert v == Vector3(1, 2, 3) and not (v != Vector3(1, 2, 3))
assert v != Vector3.ZERO and not (v == Vector3.ZERO)
assert (v == 5) is False and (v != None) is True
assert v + Vector3(1, 1, 1) == Vector3(2, 3, 4)
assert v - Vector3(1, 1, 1) == Vector3(0, 1, 2)
assert v * 2 == Vector3(2, 4, 6)
assert v * v == Vector3(1, 4, 9)
assert v / 2 == Vector3(0.5, 1, 1.5)
assert v / Vector3(1, 2, 3) == Vector3(1, 1, 1)
assert -v == Vector3(-1, -2, -3)
a = Vector3(1, 2, 3)
alias = a
a += Vector3(1, 1, 1)
assert a == Vector3(2, 3, 4) and a is alias
a -= Vector3(1, 1, 1)
assert a == Vector3(1, 2, 3) and a is alias
a *= 2
assert a == Vector3(2, 4, 6) and a is alias
a *= Vector3(1, 0.5, 2)
assert a == Vector3(2, 2, 12) and a is alias
a /= 2
assert a == Vector3(1, 1, 6) and a is alias
a /= Vector3(1, 1, 3)
assert a == Vector3(1, 1, 2) and a is alias
assert raises(ZeroDivisionError, lambda: v / 0)
b = Vector3(1, 1, 1)


def divide_in_place():
    global b
    b /= 0


assert raises(ZeroDivisionError, divide_in_place)
assert b == Vector3(1, 1, 1)
assert Vector3(1, 1, 1) < Vector3(2, 2, 2) and not (Vector3(1, 3, 1) < Vector3(2, 2, 2))
assert Vector3(2, 2, 2) > Vector3(1, 1, 1) and not (Vector3(2, 0, 2) > Vector3(1, 1, 1))
for name in ("__rmul__", "__truediv__", "__itruediv__", "__iadd__", "__isub__", "__imul__",
             "__neg__", "__lt__", "__gt__", "__eq__", "__ne__"):
    assert name in Vector3.__dict__, name

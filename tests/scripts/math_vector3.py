import math

from Tolvarine import Quaternion, Radian, Vector3
from mathhelpers import close, components, raises, same_vector

# Regression: the engine leaves a default-built vector uninitialised; scripts get a zero.
assert components(Vector3()) == (0.0, 0.0, 0.0)
v = Vector3(1, 2, 3)
assert components(Vector3(x=4, y=5, z=6)) == (4.0, 5.0, 6.0)
assert Vector3([1.5, 2.5, 3.5]) == Vector3(1.5, 2.5, 3.5) and Vector3((1, 2, 3)) == v
copy = Vector3(v)
copy += Vector3.UNIT_X
assert v == Vector3(1, 2, 3), "a copy must not share the original's components"
for bad in ([1, 2], (1, 2, 3, 4), "abc", 5, [1, "x", 3], None):
    assert raises(TypeError, lambda: Vector3(bad)), "Vector3(%r) must be refused" % (bad,)

# Regression: constants are copies, so changing one in place leaves the class's value alone.
position, scale = Vector3.ZERO, Vector3.UNIT_SCALE
position += Vector3.UNIT_X
scale *= 3
assert Vector3.ZERO == Vector3(0, 0, 0) and Vector3.UNIT_SCALE == Vector3(1, 1, 1)

assert close(v.dotProduct(Vector3(4, 5, 6)), 32)
assert Vector3.UNIT_X.crossProduct(Vector3.UNIT_Y) == Vector3.UNIT_Z
assert Vector3(1, 2, 3).midPoint(Vector3(3, 4, 5)) == Vector3(2, 3, 4)
p = v.perpendicular()
assert close(p.dotProduct(v), 0) and close(p.length(), 1)
for deviant in (Vector3.UNIT_Z.randomDeviant(Radian(0.1)),
                Vector3.UNIT_Z.randomDeviant(Radian(0.1), Vector3.UNIT_X)):
    assert close(math.acos(min(1.0, deviant.dotProduct(Vector3.UNIT_Z))), 0.1, 1e-3)
turn = Vector3.UNIT_X.getRotationTo(Vector3.UNIT_Y)
assert isinstance(turn, Quaternion) and same_vector(turn * Vector3.UNIT_X, Vector3.UNIT_Y)
half_turn = Vector3.UNIT_X.getRotationTo(Vector3.NEGATIVE_UNIT_X, Vector3.UNIT_Z)
assert same_vector(half_turn * Vector3.UNIT_Y, Vector3.NEGATIVE_UNIT_Y), "fallback axis"

# Operators: in-place ones keep the object, and Python 3's division names are reached.
assert 2 * v == Vector3(2, 4, 6) and v * v == Vector3(1, 4, 9)
assert v / 2 == Vector3(0.5, 1, 1.5) and v / Vector3(1, 2, 3) == Vector3(1, 1, 1)
assert (v == 5) is False and (v != None) is True
a = alias = Vector3(2, 4, 12)
a /= 2
a /= Vector3(1, 2, 3)
assert a == Vector3(1, 1, 2) and a is alias
# Regression: division by zero raised nothing (the engine only asserts); now Python's error.
assert raises(ZeroDivisionError, lambda: v / 0)
b = Vector3(1, 1, 1)


def divide_in_place():
    global b
    b /= 0


assert raises(ZeroDivisionError, divide_in_place)
assert b == Vector3(1, 1, 1)

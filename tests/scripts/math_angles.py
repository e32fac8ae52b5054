import math

from Tolvarine import Degree, Radian
from mathhelpers import close

# Conversions between the two classes
half = Radian(math.pi)
straight = Degree(180)
assert close(Radian(straight).valueRadians(), math.pi)
assert close(Degree(half).valueDegrees(), 180, 1e-4)
assert close(half.valueDegrees(), 180, 1e-4) and close(half.valueRadians(), math.pi)
assert close(straight.valueRadians(), math.pi) and straight.valueDegrees() == 180
# The engine's angle unit is degrees unless changed.
assert close(half.valueAngleUnits(), 180, 1e-4) and straight.valueAngleUnits() == 180
assert isinstance(Radian(straight), Radian) and isinstance(Degree(half), Degree)


def own(angle):
    """The angle's value in its own unit."""
    return angle.valueRadians() if isinstance(angle, Radian) else angle.valueDegrees()


# factor: one unit of the other class in this class's unit
for Angle, Other, factor in ((Radian, Degree, math.pi / 180), (Degree, Radian, 180 / math.pi)):
    # Number on the left
    assert 2 * Angle(1.5) == Angle(3)
    assert 2 / Angle(4) == Angle(0.5)
    # Sums and differences, with the same class and with the other one
    assert Angle(1) + Angle(2) == Angle(3)
    mixed = Angle(1) + Other(2)
    assert isinstance(mixed, Angle) and close(own(mixed), 1 + 2 * factor, 1e-4)
    assert Angle(3) - Angle(2) == Angle(1)
    mixed = Angle(3) - Other(2)
    assert isinstance(mixed, Angle) and close(own(mixed), 3 - 2 * factor, 1e-4)
    a = Angle(1)
    alias = a
    a += Angle(2)
    assert a == Angle(3) and a is alias
    a += Other(1)
    assert close(own(a), 3 + factor, 1e-4) and a is alias
    a = Angle(3)
    alias = a
    a -= Angle(1)
    assert a == Angle(2) and a is alias
    a -= Other(1)
    assert close(own(a), 2 - factor, 1e-4) and a is alias
    a = Angle(2)
    alias = a
    assert -Angle(2) == Angle(-2)
    assert Angle(2) * 3 == Angle(6)
    assert Angle(2) * Angle(3) == Angle(6)
    a *= 4
    assert a == Angle(8) and a is alias
    assert Angle(8) / 4 == Angle(2)
    a /= 2
    assert a == Angle(4) and a is alias
    # Comparisons
    assert Angle(1) < Angle(2) and not (Angle(2) < Angle(2))
    assert Angle(2) <= Angle(2) and not (Angle(3) <= Angle(2))
    assert Angle(2) == Angle(2) and not (Angle(2) == Angle(3))
    assert Angle(2) != Angle(3) and not (Angle(2) != Angle(2))
    assert Angle(2) >= Angle(2) and not (Angle(1) >= Angle(2))
    assert Angle(3) > Angle(2) and not (Angle(2) > Angle(2))
    for name in ("__rmul__", "__rtruediv__", "__truediv__", "__itruediv__", "__iadd__",
                 "__isub__", "__imul__", "__neg__"):
        assert name in Angle.__dict__, name

# Mixed sums convert the other class's value
assert close((Radian(0) + Degree(180)).valueRadians(), math.pi)
assert close((Degree(90) + Radian(math.pi / 2)).valueDegrees(), 180, 1e-4)
assert close((Radian(math.pi) - Degree(90)).valueRadians(), math.pi / 2)
assert close((Degree(180) - Radian(math.pi / 2)).valueDegrees(), 90, 1e-4)
turn = Radian(0)
turn += Degree(90)
assert close(turn.valueRadians(), math.pi / 2)
turn -= Degree(45)
assert close(turn.valueRadians(), math.pi / 4)

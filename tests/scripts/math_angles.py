import math

from Tolvarine import Degree, Radian
from mathhelpers import close

# Conversions between the two classes; the engine's angle unit is degrees unless changed.
assert close(Radian(Degree(180)).valueRadians(), math.pi)
assert close(Degree(Radian(math.pi)).valueDegrees(), 180, 1e-4)
assert close(Radian(math.pi).valueAngleUnits(), 180, 1e-4)

# factor: one unit of the other class in this class's unit
for Angle, Other, factor in ((Radian, Degree, math.pi / 180), (Degree, Radian, 180 / math.pi)):
    assert 2 / Angle(4) == Angle(0.5)
    mixed = Angle(3) - Other(2)
    assert isinstance(mixed, Angle) and abs(mixed.valueRadians() - Angle(3 - 2 * factor).valueRadians()) < 1e-4
    # In-place operators keep the object, Python 3's division included.
    a = alias = Angle(1)
    a += Other(1)
    a /= 2
    assert a is alias and abs(a.valueRadians() - Angle((1 + factor) / 2).valueRadians()) < 1e-4
    assert Angle(2) <= Angle(2) and not (Angle(3) <= Angle(2))

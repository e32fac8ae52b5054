from Tolvarine import ColourValue
from mathhelpers import raises

# Constructor: up to four numbers, missing ones are 1
assert ColourValue() == ColourValue(1, 1, 1, 1)
assert ColourValue(0.5) == ColourValue(0.5, 1, 1, 1)
assert ColourValue(0.5, 0.25) == ColourValue(0.5, 0.25, 1, 1)
assert ColourValue(0.5, 0.25, 0) == ColourValue(0.5, 0.25, 0, 1)
assert ColourValue(a=0) == ColourValue(1, 1, 1, 0)
assert not hasattr(ColourValue(), "r"), "components are not attributes"

# Constants
assert ColourValue.Black == ColourValue(0, 0, 0, 1)
assert ColourValue.White == ColourValue(1, 1, 1, 1)
assert ColourValue.Red == ColourValue(1, 0, 0, 1)
assert ColourValue.Green == ColourValue(0, 1, 0, 1)
assert ColourValue.Blue == ColourValue(0, 0, 1, 1)
dimmed = ColourValue.Red
dimmed *= 0
assert ColourValue.Red == ColourValue(1, 0, 0, 1), "changing a copy of Red must not change Red"

# Operators
c = ColourValue(0.5, 0.25, 1, 1)
assert 2 * c == ColourValue(1, 0.5, 2, 2)
assert c == ColourValue(0.5, 0.25, 1, 1) and not (c != ColourValue(0.5, 0.25, 1, 1))
assert c != ColourValue.White and not (c == ColourValue.White)
assert c + ColourValue(0.5, 0.5, 0.5, 0.5) == ColourValue(1, 0.75, 1.5, 1.5)
assert c - ColourValue(0.5, 0.25, 0.5, 0.5) == ColourValue(0, 0, 0.5, 0.5)
assert c * 2 == ColourValue(1, 0.5, 2, 2)
assert c * ColourValue(2, 4, 0, 1) == ColourValue(1, 1, 0, 1)
assert c / 2 == ColourValue(0.25, 0.125, 0.5, 0.5)
assert c / ColourValue(0.5, 0.25, 1, 2) == ColourValue(1, 1, 1, 0.5)
assert raises(ZeroDivisionError, lambda: c / 0)
d = ColourValue(0.5, 0.5, 0.5, 0.5)
alias = d
d += ColourValue(0.5, 0, 0, 0)
assert d == ColourValue(1, 0.5, 0.5, 0.5) and d is alias
d -= ColourValue(0, 0.5, 0, 0)
assert d == ColourValue(1, 0, 0.5, 0.5) and d is alias
d *= 2
assert d == ColourValue(2, 0, 1, 1) and d is alias
d /= 4
assert d == ColourValue(0.5, 0, 0.25, 0.25) and d is alias


def divide_in_place():
    e = ColourValue()
    e /= 0


assert raises(ZeroDivisionError, divide_in_place)
for name in ("__rmul__", "__truediv__", "__itruediv__", "__iadd__", "__isub__", "__imul__"):
    assert name in ColourValue.__dict__, name

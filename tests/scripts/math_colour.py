from Tolvarine import ColourValue
from mathhelpers import raises

# Constructor: up to four numbers, missing ones are 1
assert ColourValue(0.5, 0.25) == ColourValue(0.5, 0.25, 1, 1)
assert ColourValue(a=0) == ColourValue(1, 1, 1, 0)

# Regression: constants are copies.
dimmed = ColourValue.Red
dimmed *= 0
assert ColourValue.Red == ColourValue(1, 0, 0, 1), "changing a copy of Red must not change Red"

c = ColourValue(0.5, 0.25, 1, 1)
assert c / 2 == ColourValue(0.25, 0.125, 0.5, 0.5)
d = alias = ColourValue(2, 0, 1, 1)
d /= 4
assert d == ColourValue(0.5, 0, 0.25, 0.25) and d is alias
# Regression: division by zero raises Python's error.
assert raises(ZeroDivisionError, lambda: c / 0)


def divide_in_place():
    e = ColourValue()
    e /= 0


assert raises(ZeroDivisionError, divide_in_place)

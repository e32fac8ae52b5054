# Defines names at the top level for a later script and expression.
from Tolvarine import Vector3

sharedCounter = 41
sharedOrigin = Vector3(1, 2, 3)


def sharedDouble(value):
    return 2 * value

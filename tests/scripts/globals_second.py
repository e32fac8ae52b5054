# Runs after globals_first.py and sees what it defined.
sharedCounter += 1
assert sharedCounter == 42
assert sharedOrigin == Vector3(1, 2, 3)
assert sharedDouble(sharedOrigin) == Vector3(2, 4, 6)

# Defines a name, then fails.
definedBeforeFailure = "kept"
ratio = 1 / 0
definedAfterFailure = "never"

# Without a scheduler, createTask refuses cleanly instead of queueing into nothing.
from Tolvarine import createTask

try:
    createTask(lambda elapsed: True, "Too early", 1.0, 0.0)
except RuntimeError as error:
    assert str(error) == "createTask needs the scheduler", str(error)
else:
    raise AssertionError("createTask without a scheduler must fail")

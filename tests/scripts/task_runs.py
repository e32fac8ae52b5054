# Tasks created by a script and run by the scheduler on a hand-driven clock. The test runs passes
# at 0.5, 1.0, 1.5, 2.0 and 2.5 seconds of game time, then calls task_check_runs().
# Every name starts with "task_" so that the test can drop them all before its scheduler goes.
from Tolvarine import FunctionTask, createTask
from mathhelpers import raises

task_elapsed = []


def task_tick(elapsed):
    task_elapsed.append(elapsed)
    return len(task_elapsed) < 3


task_ticker = createTask(task_tick, "Script ticker", 2.0, 0.0)
assert isinstance(task_ticker, FunctionTask)
assert not task_ticker.isActive(), "a new task waits for its subscription"
task_ticker.setPeriod(0.5)
task_ticker.reset()
task_ticker.subscribe(True)
assert task_ticker.isActive()

task_silent_runs = 0


def task_silent_step(elapsed):
    global task_silent_runs
    task_silent_runs += 1


task_silent = createTask(task_silent_step, "Script returning nothing", 0.5, 0.0)
task_silent.subscribe(True)

task_truthy_results = ["go on", 1, [], "never asked"]
task_truthy_runs = 0


def task_truthy_step(elapsed):
    global task_truthy_runs
    task_truthy_runs += 1
    return task_truthy_results[task_truthy_runs - 1]


task_truthy = createTask(task_truthy_step, "Script truthy", 0.5, 0.0)
task_truthy.subscribe(True)

task_idle_runs = 0


def task_idle_step(elapsed):
    global task_idle_runs
    task_idle_runs += 1
    return True


task_idle = createTask(task_idle_step, "Script never subscribed", 0.5, 0.0)

assert raises(TypeError, lambda: createTask("not callable", "Broken", 1.0, 0.0))


def task_check_runs():
    assert task_elapsed == [0.5, 0.5, 0.5], task_elapsed
    assert not task_ticker.isActive(), "a task whose callable returned false stops"
    assert task_silent_runs == 1, "a callable that returns nothing runs once"
    assert not task_silent.isActive()
    assert task_truthy_runs == 3, "results are taken as true or false as Python does"
    assert not task_truthy.isActive()
    assert task_idle_runs == 0 and not task_idle.isActive()

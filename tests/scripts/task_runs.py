# Tasks run by passes at 0.5, 1.0, 1.5, 2.0 and 2.5 s of game time; then the test calls
# task_check_runs(). Every name starts with "task_" so that the test can drop them all.
from Tolvarine import FunctionTask, createTask
from mathhelpers import raises

task_elapsed = []
task_runs = {"silent": 0, "truthy": 0, "idle": 0}


def task_tick(elapsed):
    task_elapsed.append(elapsed)
    return len(task_elapsed) < 3


def task_counter(name, results=None):
    def step(elapsed):
        task_runs[name] += 1
        return results[task_runs[name] - 1] if results else None
    return step


task_ticker = createTask(task_tick, "Script ticker", 2.0, 0.0)
assert isinstance(task_ticker, FunctionTask)
assert not task_ticker.isActive(), "a new task waits for its subscription"
task_ticker.setPeriod(0.5)
task_ticker.reset()
task_ticker.subscribe(True)
assert task_ticker.isActive()
task_silent = createTask(task_counter("silent"), "Script returning nothing", 0.5, 0.0)
task_silent.subscribe(True)
task_truthy = createTask(task_counter("truthy", ["go on", 1, [], "never asked"]), "Script truthy", 0.5, 0.0)
task_truthy.subscribe(True)
task_idle = createTask(task_counter("idle"), "Script never subscribed", 0.5, 0.0)
assert raises(TypeError, lambda: createTask("not callable", "Broken", 1.0, 0.0))


def task_check_runs():
    assert task_elapsed == [0.5, 0.5, 0.5], task_elapsed
    # Stopped by false, by nothing returned, by a result Python takes as false; never subscribed.
    assert task_runs == {"silent": 1, "truthy": 3, "idle": 0}, task_runs
    assert not any(task.isActive() for task in (task_ticker, task_silent, task_truthy, task_idle))

# A task whose callable raises. Every name starts with "task_".
from Tolvarine import createTask

task_failure_runs = 0


def task_fail(elapsed):
    global task_failure_runs
    task_failure_runs += 1
    raise ValueError("task failed")


task_failing = createTask(task_fail, "Failing task", 1.0, 0.0)
task_failing.subscribe(True)

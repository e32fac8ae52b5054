# A task whose callable drops the last reference to the task while it runs, and a task held only
# by a cycle through its own callable. Every name starts with "task_".
import gc
import weakref

from Tolvarine import createTask


class task_Owner:
    def __init__(self, name, drop_itself):
        self.runs = 0
        self.drop_itself = drop_itself
        self.task = createTask(self.update, name, 1.0, 0.0)
        self.task.subscribe(True)

    def update(self, elapsed):
        self.runs += 1
        if self.drop_itself:
            self.task = None
        return True


task_ender = task_Owner("Self-ending task", True)
task_ender_reference = weakref.ref(task_ender.task)


def task_check_ended():
    assert task_ender.runs == 1, "a task dropped by its callable runs no more (%d runs)" % task_ender.runs
    # Creating a task is a point at which dropped tasks are released.
    createTask(lambda elapsed: True, "Unused task", 1.0, 0.0)
    assert task_ender_reference() is None, "the dropped task must be released"


def task_drop_cycle():
    owner = task_Owner("Task in a cycle", False)
    reference = weakref.ref(owner.task)
    del owner
    gc.collect()
    assert reference() is None, "a task held only by a cycle through its callable is collected"

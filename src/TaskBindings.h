#pragma once

namespace Tolvarine {

// Registers the module function "createTask" and the class "FunctionTask" with the module being
// started.
//
// createTask(callable, name, period, variance) makes a variable task owned by the script: the
// scheduler calls the callable with the game time elapsed since its last run, and the task goes
// on while the result is true. The script subscribes it; when the script drops its last
// reference the task leaves the scheduler. The callable is kept in the task's own Python object,
// so a cycle such as an object that holds a task running its own bound method is collected.
//
// A task dropped by its own callable stays alive until its run has returned; it is then released
// at the next run of a script task or the next createTask. An error raised by the callable is
// logged with the task's name and its traceback and leaves the scheduler's pass as a ScriptError.
void exportTasksToPython();

} // namespace Tolvarine

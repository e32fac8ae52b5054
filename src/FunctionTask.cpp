#include "FunctionTask.h"

#include "Profiler.h"
#include "Scheduler.h"

#include <algorithm>

namespace Tolvarine {

FunctionTask::FunctionTask(Callback taskCallback, const std::string& taskName, float taskPeriod,
                           float taskVariance, unsigned taskMaxRuns, float taskLifetime)
    : name(taskName),
      period(taskPeriod),
      variance(taskVariance),
      maxRuns(taskMaxRuns),
      lifetime(taskLifetime),
      callback(std::make_unique<Callback>(std::move(taskCallback)))
{
    reset();
}

FunctionTask::~FunctionTask()
{
    if (runGuard) {
        // Destroyed by its own callback: the running pass holds no entry of it any more.
        runGuard->destroyed = true;
        runGuard->keep = std::move(callback);
        return;
    }
    if (queueSerial != 0) {
        if (Scheduler* scheduler = Scheduler::getSingletonPtr())
            scheduler->cancel(this);
    }
}

void FunctionTask::subscribe(bool on)
{
    if (on && !active && !scheduled) {
        if (!Scheduler::getSingleton().addVariableTask(this))
            return;
        scheduled = true;
    }
    active = on;
}

void FunctionTask::reset()
{
    const float now = static_cast<float>(Scheduler::getSingleton().getTime());
    lastRun = now;
    endTime = lifetime == 0.0f ? 0.0f : now + lifetime;
    runCount = 0;
    windowMin = now + period - variance;
    windowMax = now + period + variance;
    if (queueSerial != 0)
        Scheduler::getSingleton().requeue(this);
}

void FunctionTask::setPeriod(float newPeriod)
{
    period = newPeriod;
    reset();
}

bool FunctionTask::run()
{
    if (!active) {
        scheduled = false;
        return false;
    }
    Profiler* profiler = Profiler::getSingletonPtr();
    if (profiler)
        profiler->beginProfile(name);
    const float now = static_cast<float>(Scheduler::getSingleton().getTime());

    bool goOn = true;
    if (maxRuns != 0 && ++runCount > maxRuns) {
        goOn = false;
    } else if (endTime != 0.0f && now > endTime) {
        goOn = false;
    } else {
        RunGuard guard;
        runGuard = &guard;
        const Callback& call = *callback;
        try {
            goOn = call(now - lastRun);
        } catch (...) {
            // A failed task stops, so that it can be subscribed again later.
            if (!guard.destroyed) {
                runGuard = nullptr;
                stop();
            }
            throw;
        }
        if (guard.destroyed) {
            if (profiler)
                profiler->endProfile();
            return false;
        }
        runGuard = nullptr;
    }

    if (goOn) {
        // The next window follows the previous one, keeping the task's phase, but never lies
        // in the past.
        windowMin = std::max(windowMin + period, now);
        windowMax = std::max(windowMax + period, now);
        lastRun = now;
    } else {
        stop();
    }
    if (profiler)
        profiler->endProfile();
    return goOn;
}

void FunctionTask::stop()
{
    active = false;
    scheduled = false;
}

} // namespace Tolvarine

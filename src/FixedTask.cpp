#include "FixedTask.h"

#include "Profiler.h"
#include "Scheduler.h"

namespace Tolvarine {

FixedTask::FixedTask(Callback taskCallback, const std::string& taskName, unsigned taskOrder)
    : name(taskName),
      order(taskOrder),
      lastRun(static_cast<float>(Scheduler::getSingleton().getTime())),
      callback(std::make_unique<Callback>(std::move(taskCallback)))
{
    Scheduler::getSingleton().addFixedTask(this);
}

FixedTask::~FixedTask()
{
    if (runGuard) {
        runGuard->destroyed = true;
        runGuard->keep = std::move(callback);
    }
    if (Scheduler* scheduler = Scheduler::getSingletonPtr())
        scheduler->removeFixedTask(this);
}

void FixedTask::runTask(float lastFrameTime, float smoothedFrameTime)
{
    Profiler* profiler = Profiler::getSingletonPtr();
    if (profiler)
        profiler->beginProfile(name);
    RunGuard guard;
    runGuard = &guard;
    const Callback& call = *callback;
    try {
        call(lastFrameTime, smoothedFrameTime);
    } catch (...) {
        if (!guard.destroyed)
            runGuard = nullptr;
        throw;
    }
    if (!guard.destroyed) {
        runGuard = nullptr;
        lastRun = static_cast<float>(Scheduler::getSingleton().getTime());
    }
    if (profiler)
        profiler->endProfile();
}

} // namespace Tolvarine

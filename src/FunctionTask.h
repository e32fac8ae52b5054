#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Tolvarine {

class Scheduler;

// Work that wants to run about once per period, inside a window of plus or minus the variance
// around its next due time, while the game is not paused. It stops when its callback returns
// false, after maxRuns runs (0: no limit) or once its lifetime has passed (0: none).
class FunctionTask {
public:
    // Takes the game time since the last run (or reset) and returns whether to go on.
    using Callback = std::function<bool(float elapsed)>;

    FunctionTask(Callback callback, const std::string& name, float period, float variance = 0,
                 unsigned maxRuns = 0, float lifetime = 0);
    ~FunctionTask();
    FunctionTask(const FunctionTask&) = delete;
    FunctionTask& operator=(const FunctionTask&) = delete;

    // True queues an idle task; false lets a queued task drop out when it comes up. A task whose
    // period and variance give a run window that is not a number is refused by the scheduler and
    // stays idle; an infinite period queues a task that is never due.
    void subscribe(bool on);
    // Starts counting runs, lifetime and the next window from now.
    void reset();
    void setPeriod(float period);
    bool isActive() const { return active; }

    const std::string& getName() const { return name; }
    float getWindowMin() const { return windowMin; }
    float getWindowMax() const { return windowMax; }

private:
    friend class Scheduler;

    // Lets a run in progress learn that its task was destroyed by its own callback, and keeps
    // the running callback alive until it returns.
    struct RunGuard {
        bool destroyed = false;
        std::unique_ptr<Callback> keep;
    };

    // One run, called by the scheduler; returns whether the task stays queued.
    bool run();
    void stop();

    std::string name;
    bool active = false;
    // An entry of the task is queued, or the task is running.
    bool scheduled = false;
    float period;
    float variance;
    unsigned maxRuns;
    unsigned runCount = 0;
    float lifetime;
    float lastRun = 0.0f;
    float endTime = 0.0f;
    float windowMin = 0.0f;
    float windowMax = 0.0f;
    std::unique_ptr<Callback> callback;
    // Serial of the task's queue entry; 0 while it has none.
    std::uint64_t queueSerial = 0;
    RunGuard* runGuard = nullptr;
};

} // namespace Tolvarine

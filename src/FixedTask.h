#pragma once

#include <functional>
#include <memory>
#include <string>

namespace Tolvarine {

// Work done on every scheduler pass, paused or not, in ascending order of its key; tasks with
// equal keys run in the order they were made. Registered while it lives.
class FixedTask {
public:
    using Callback = std::function<void(float lastFrameTime, float smoothedFrameTime)>;

    FixedTask(Callback callback, const std::string& name, unsigned order);
    ~FixedTask();
    FixedTask(const FixedTask&) = delete;
    FixedTask& operator=(const FixedTask&) = delete;

    // Runs the callback inside the profiler block named after the task. An empty callback
    // throws std::bad_function_call.
    void runTask(float lastFrameTime, float smoothedFrameTime);

    const std::string& getName() const { return name; }
    unsigned getOrder() const { return order; }
    // Game-clock time of the task's creation or last run.
    float getLastRun() const { return lastRun; }

private:
    // Lets a run in progress learn that its task was destroyed by its own callback, and keeps
    // the running callback alive until it returns.
    struct RunGuard {
        bool destroyed = false;
        std::unique_ptr<Callback> keep;
    };

    std::string name;
    unsigned order;
    float lastRun;
    std::unique_ptr<Callback> callback;
    RunGuard* runGuard = nullptr;
};

} // namespace Tolvarine

#include "Scheduler.h"

#include "FixedTask.h"
#include "FunctionTask.h"
#include "GameLog.h"
#include "Profiler.h"
#include "SoundManager.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace Tolvarine {

Scheduler* Scheduler::singleton = nullptr;
// Shared by every scheduler of the process, so a task left over from an earlier scheduler can
// never name an entry of a later one.
std::uint64_t Scheduler::nextSerial = 1;

namespace {

// Clears the fixed-task phase even when a task's callback throws out of the pass.
class FixedPhase {
public:
    FixedPhase(bool& flag, std::vector<FixedTask*>& tasks) : flag(flag), tasks(tasks)
    {
        flag = true;
    }
    ~FixedPhase()
    {
        flag = false;
        tasks.clear();
    }
    FixedPhase(const FixedPhase&) = delete;
    FixedPhase& operator=(const FixedPhase&) = delete;

private:
    bool& flag;
    std::vector<FixedTask*>& tasks;
};

} // namespace

Scheduler::Scheduler()
    : pauseSubscription("pause", [this]() { togglePause(); })
{
    singleton = this;
    gameClock.reset();
    realClock.reset();
}

Scheduler::~Scheduler()
{
    if (singleton == this)
        singleton = nullptr;
}

void Scheduler::run()
{
    Profiler* profiler = Profiler::getSingletonPtr();
    if (profiler)
        profiler->beginProfile("Root");
    const float start = static_cast<float>(gameClock.getTime());
    const float deadline = lastDuration * 1.1f + start;
    recordPassStart(start);
    const float smoothedFrameTime = getSmoothedFrameTime();
    const float lastFrameTime = getLastFrameTime();

    if (profiler)
        profiler->beginProfile("Fixed tasks");
    runFixedTasks(lastFrameTime, smoothedFrameTime);
    if (profiler)
        profiler->endProfile("Fixed tasks");

    if (!paused) {
        if (profiler)
            profiler->beginProfile("Variable tasks");
        moveDueTasks(deadline);
        runReadyTasks(deadline);
        if (profiler)
            profiler->endProfile("Variable tasks");
    }

    lastDuration = static_cast<float>(gameClock.getTime() - start);
    if (profiler)
        profiler->endProfile("Root");
}

void Scheduler::setPaused(bool pause)
{
    paused = pause;
    gameClock.setPaused(pause);
    if (SoundManager* sound = SoundManager::getSingletonPtr())
        sound->setDopplerSuspended(pause);
}

float Scheduler::getLastFrameTime() const
{
    if (passStartCount < 2 || passStarts.back().count > 1)
        return 0.0f;
    return passStarts.back().time - passStarts[passStarts.size() - 2].time;
}

float Scheduler::getSmoothedFrameTime() const
{
    if (passStartCount < 2)
        return 0.0f;
    return (passStarts.back().time - passStarts.front().time)
         / static_cast<float>(passStartCount - 1);
}

void Scheduler::recordPassStart(float start)
{
    if (!passStarts.empty() && passStarts.back().time == start)
        ++passStarts.back().count;
    else
        passStarts.push_back({start, 1});
    ++passStartCount;

    // Forget starts older than half a second before this one, but always keep the last two.
    const float cutoff = start - 0.5f;
    while (passStartCount > 2 && passStarts.front().time < cutoff) {
        PassStarts& oldest = passStarts.front();
        const std::uint64_t dropped = std::min(oldest.count, passStartCount - 2);
        oldest.count -= dropped;
        passStartCount -= dropped;
        if (oldest.count != 0)
            break;
        passStarts.pop_front();
    }
}

void Scheduler::addFixedTask(FixedTask* task)
{
    // After every task of its order and below, so that tasks of one order run in the order they
    // were added. Inserted where it belongs: sorting the whole list for each new task made a pool
    // of 40,000 ships (a fixed task each) take two minutes to fill.
    const auto place = std::upper_bound(fixedTasks.begin(), fixedTasks.end(), task,
                                        [](const FixedTask* a, const FixedTask* b) {
                                            return a->getOrder() < b->getOrder();
                                        });
    fixedTasks.insert(place, task);
}

void Scheduler::removeFixedTask(FixedTask* task)
{
    const auto entry = std::find(fixedTasks.begin(), fixedTasks.end(), task);
    if (entry != fixedTasks.end())
        fixedTasks.erase(entry);
    if (inFixedPhase)
        std::replace(fixedPass.begin(), fixedPass.end(), task, static_cast<FixedTask*>(nullptr));
}

void Scheduler::runFixedTasks(float lastFrameTime, float smoothedFrameTime)
{
    fixedPass.assign(fixedTasks.begin(), fixedTasks.end());
    const FixedPhase phase(inFixedPhase, fixedPass);
    for (std::size_t i = 0; i < fixedPass.size(); ++i) {
        if (FixedTask* task = fixedPass[i])
            task->runTask(lastFrameTime, smoothedFrameTime);
    }
}

bool Scheduler::addVariableTask(FunctionTask* task)
{
    task->reset();
    return pushWaiting(task);
}

void Scheduler::cancel(FunctionTask* task)
{
    removed.insert(task->queueSerial);
    task->queueSerial = 0;
}

void Scheduler::requeue(FunctionTask* task)
{
    cancel(task);
    pushWaiting(task);
}

// The one way into the queues. A key that is not a number would break their order: a NaN compares
// false with everything, so once it reached the top of the waiting queue it would never be due and
// would hold back every task behind it, and the whole game's periodic work would stop. Infinite keys
// keep the order: a window that opens at +infinity (an infinite period) is never due and sinks below
// every other entry; one that opens at -infinity is due at once.
bool Scheduler::pushWaiting(FunctionTask* task)
{
    if (std::isnan(task->windowMin) || std::isnan(task->windowMax)) {
        std::ostringstream line;
        line << "Scheduler: task " << task->name << " refused: period " << task->period << " and variance "
             << task->variance << " give it no finite time to run";
        GameLog::line(line.str());
        task->queueSerial = 0;
        task->stop();
        return false;
    }
    task->queueSerial = nextSerial++;
    waiting.push({task->windowMin, task->queueSerial, task});
    return true;
}

bool Scheduler::takeRemoval(std::uint64_t serial)
{
    if (removed.empty())
        return false;
    return removed.erase(serial) != 0;
}

void Scheduler::moveDueTasks(float deadline)
{
    while (!waiting.empty() && waiting.top().key <= deadline) {
        const QueueEntry entry = waiting.top();
        waiting.pop();
        if (takeRemoval(entry.serial))
            continue;
        ready.push({entry.task->windowMax, entry.serial, entry.task});
    }
}

void Scheduler::runReadyTasks(float deadline)
{
    while (!ready.empty() && static_cast<float>(gameClock.getTime()) < deadline) {
        const QueueEntry entry = ready.top();
        ready.pop();
        if (takeRemoval(entry.serial))
            continue;
        FunctionTask* task = entry.task;
        task->queueSerial = 0;
        // After the run the task may be gone (its callback may destroy it); run() says so by
        // returning false, and the task is not touched again.
        if (task->run())
            pushWaiting(task);
    }
}

} // namespace Tolvarine

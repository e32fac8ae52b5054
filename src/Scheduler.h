#pragma once

#include "Clock.h"
#include "InputHandler.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <queue>
#include <set>
#include <vector>

namespace Tolvarine {

class FixedTask;
class FunctionTask;

// Runs all periodic work. Each pass runs every fixed task in order of its key, then, unless the
// game is paused, the variable tasks that are due, one at a time, until the pass's deadline.
// Owns the game clock, which stands while paused, and the real-time clock, which never stops.
class Scheduler {
public:
    Scheduler();
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    static Scheduler& getSingleton() { return *singleton; }
    static Scheduler* getSingletonPtr() { return singleton; }

    // One pass; the main loop calls it once per frame.
    void run();

    double getTime() const { return gameClock.getTime(); }
    double getRealTime() const { return realClock.getTime(); }

    bool isPaused() const { return paused; }
    // Stops or restarts the game clock and suspends or restores the sound's Doppler effect.
    void setPaused(bool pause);
    void togglePause() { setPaused(!paused); }
    // Turns the "pause" key on or off (the menus and the tutorial take it away from the player).
    void enablePauseAction(bool enabled) { pauseSubscription.setEnabled(enabled); }

    // Game-clock time between the starts of the last two passes; 0 before the second pass.
    float getLastFrameTime() const;
    // Mean time between pass starts over about the last half second; 0 before the second pass.
    float getSmoothedFrameTime() const;

    // Records kept for the frame times; equal starts share one, so this stays small.
    std::size_t getPassStartRecords() const { return passStarts.size(); }

    // Called by the tasks themselves.
    void addFixedTask(FixedTask* task);
    void removeFixedTask(FixedTask* task);
    // Queues the task from now. A task whose period and variance give a window that is not a
    // number (a NaN among them, or infinities that cancel) is refused with a log line and stopped;
    // false then. An infinite period is a task that is never due; it stays queued and active.
    bool addVariableTask(FunctionTask* task);
    void cancel(FunctionTask* task);
    // Moves a queued task to the place its new window gives it, or refuses it as addVariableTask.
    void requeue(FunctionTask* task);

private:
    // A queued variable task with its key copied, so that ordering never reads a task that may
    // have been destroyed, and a serial that tells its entry apart from that of a later task
    // at the same address.
    struct QueueEntry {
        float key;
        std::uint64_t serial;
        FunctionTask* task;
    };
    struct SmallestKeyOnTop {
        bool operator()(const QueueEntry& a, const QueueEntry& b) const { return a.key > b.key; }
    };
    struct LargestKeyOnTop {
        bool operator()(const QueueEntry& a, const QueueEntry& b) const { return a.key < b.key; }
    };
    // Equal pass starts, as while paused, share one record so their list stays small.
    struct PassStarts {
        float time;
        std::uint64_t count;
    };

    void recordPassStart(float start);
    void runFixedTasks(float lastFrameTime, float smoothedFrameTime);
    void moveDueTasks(float deadline);
    void runReadyTasks(float deadline);
    bool pushWaiting(FunctionTask* task);
    bool takeRemoval(std::uint64_t serial);

    static Scheduler* singleton;
    static std::uint64_t nextSerial;

    Clock gameClock;
    Clock realClock;
    float lastDuration = 1.0f;
    bool paused = false;
    // The press of "pause" toggles the pause; the input handler must exist before the scheduler.
    InputHandler::EnterSubscription pauseSubscription;
    std::vector<FixedTask*> fixedTasks;
    // The fixed tasks of the running fixed-task phase; entries of tasks removed meanwhile are
    // cleared, and tasks added meanwhile wait for the next pass.
    std::vector<FixedTask*> fixedPass;
    bool inFixedPhase = false;
    std::priority_queue<QueueEntry, std::vector<QueueEntry>, SmallestKeyOnTop> waiting;
    // The window that closes latest runs first.
    std::priority_queue<QueueEntry, std::vector<QueueEntry>, LargestKeyOnTop> ready;
    std::set<std::uint64_t> removed;
    std::deque<PassStarts> passStarts;
    std::uint64_t passStartCount = 0;
};

} // namespace Tolvarine

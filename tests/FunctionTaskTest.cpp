#include "FunctionTask.h"

#include "SchedulerFixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace Tolvarine {
namespace {

class FunctionTaskTest : public Test::SchedulerFixture {
protected:
    // A callback that counts its runs and goes on.
    static FunctionTask::Callback counter(int& runs)
    {
        return [&runs](float) { return ++runs > 0; };
    }
    void passesUpTo(int last)
    {
        for (int second = int(scheduler.getTime()) + 1; second <= last; ++second)
            passAt(second - work);
    }
};

TEST_F(FunctionTaskTest, EndsAfterItsRunLimitItsLifetimeOrAFalseAnswerAndKeepsOneEntry)
{
    std::vector<double> limited, mortal, twice;
    const auto recorder = [this](std::vector<double>& runs) {
        return [this, &runs](float) {
            runs.push_back(scheduler.getTime());
            return true;
        };
    };
    FunctionTask limit(recorder(limited), "Limited", 1.0f, 0.0f, 3);
    // Its life of 2.5 s ends at the first due time after it.
    FunctionTask life(recorder(mortal), "Mortal", 1.0f, 0.0f, 0, 2.5f);
    FunctionTask answer([&](float) { twice.push_back(scheduler.getTime()); return twice.size() < 2; }, "TwoRuns", 0.5f);
    for (FunctionTask* task : {&limit, &life, &answer})
        task->subscribe(true);
    passesUpTo(5);
    EXPECT_EQ(limited, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(mortal, (std::vector<double>{1, 2}));
    EXPECT_EQ(twice, (std::vector<double>{1, 2}));
    for (FunctionTask* task : {&limit, &life, &answer})
        EXPECT_FALSE(task->isActive()) << task->getName();
    limit.subscribe(true);
    passesUpTo(6);
    EXPECT_EQ(limited.size(), 4u) << "subscribing again starts a fresh count";

    // Unsubscribed and subscribed again inside its period: the same window, one queue entry.
    int calls = 0;
    FunctionTask flicker(counter(calls), "Flicker", 1.0f);
    flicker.subscribe(true);
    const float windowMin = flicker.getWindowMin();
    Tolvarine::Test::ManualTicks::advance(0.5);
    flicker.subscribe(false);
    flicker.subscribe(true);
    EXPECT_EQ(flicker.getWindowMin(), windowMin);
    passAt(7.0 - work);
    passAt(7.5 - work); // a second entry would run again here
    EXPECT_EQ(calls, 1);
    // Unsubscribed before it comes up: dropped without a call.
    flicker.subscribe(false);
    passesUpTo(9);
    EXPECT_EQ(calls, 1);
}

TEST_F(FunctionTaskTest, TasksDestroyedWhileQueuedNeverRun)
{
    // Destroyed with a new task at its address: the old removal never drops the new one.
    int oldRuns = 0, newRuns = 0, victimRuns = 0, selfRuns = 0, successorRuns = 0;
    alignas(FunctionTask) unsigned char storage[sizeof(FunctionTask)];
    auto* old = new (storage) FunctionTask(counter(oldRuns), "Old", 1.0f);
    old->subscribe(true);
    old->~FunctionTask();
    auto* reused = new (storage) FunctionTask(counter(newRuns), "New", 1.0f);
    reused->subscribe(true);
    // Destroyed by another task that is ready in the same pass: the wider window runs first.
    auto victim = std::make_unique<FunctionTask>(counter(victimRuns), "Victim", 1.0f);
    FunctionTask killer([&victim](float) { victim.reset(); return true; }, "Killer", 1.0f, 0.5f);
    victim->subscribe(true);
    killer.subscribe(true);
    // Destroyed by itself, with a successor built at its address from inside its callback.
    alignas(FunctionTask) unsigned char selfStorage[sizeof(FunctionTask)];
    FunctionTask* self = new (selfStorage) FunctionTask(
        [&](float) {
            ++selfRuns;
            self->~FunctionTask();
            self = new (selfStorage) FunctionTask(counter(successorRuns), "Successor", 1.0f);
            self->subscribe(true);
            return true;
        },
        "Self", 1.0f);
    self->subscribe(true);
    passesUpTo(4);
    EXPECT_EQ((std::vector<int>{0, 4, 0, 1, 3}), (std::vector<int>{oldRuns, newRuns, victimRuns, selfRuns, successorRuns}));
    reused->~FunctionTask();
    self->~FunctionTask();
    passesUpTo(5);
    EXPECT_EQ(newRuns + successorRuns, 7);
}

TEST_F(FunctionTaskTest, ANewPeriodMovesAQueuedTaskAndAFailureStopsIt)
{
    int quickRuns = 0, slowRuns = 0;
    FunctionTask quick(counter(quickRuns), "Quick", 5.0f);
    FunctionTask slow(counter(slowRuns), "Slow", 1.0f);
    quick.subscribe(true);
    slow.subscribe(true);
    quick.setPeriod(1.0f);
    slow.setPeriod(5.0f);
    passesUpTo(2);
    EXPECT_EQ(quickRuns, 2);
    EXPECT_EQ(slowRuns, 0);
    passesUpTo(5);
    EXPECT_EQ(slowRuns, 1);

    // A failing callback leaves the pass and stops the task; it may be subscribed again.
    bool fail = true;
    int calls = 0;
    FunctionTask task(
        [&](float) {
            if (++calls && fail)
                throw std::runtime_error("task failed");
            return true;
        },
        "Failing", 1.0f);
    task.subscribe(true);
    Tolvarine::Test::ManualTicks::advance(6.0 - work - scheduler.getTime());
    EXPECT_THROW(scheduler.run(), std::runtime_error);
    EXPECT_FALSE(task.isActive());
    fail = false;
    task.subscribe(true);
    passesUpTo(7);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(task.isActive());
}

} // namespace
} // namespace Tolvarine

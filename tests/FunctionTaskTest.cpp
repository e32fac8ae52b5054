#include "FunctionTask.h"

#include "SchedulerFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::ManualTicks;

using FunctionTaskTest = Test::SchedulerFixture;

TEST_F(FunctionTaskTest, EndsAfterItsRunLimitItsLifetimeOrAFalseAnswer)
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
    for (int second = 1; second <= 5; ++second)
        passAt(second - work);
    EXPECT_EQ(limited, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(mortal, (std::vector<double>{1, 2}));
    EXPECT_EQ(twice, (std::vector<double>{1, 2}));
    for (FunctionTask* task : {&limit, &life, &answer})
        EXPECT_FALSE(task->isActive()) << task->getName();

    // Subscribing again starts a fresh count.
    limit.subscribe(true);
    passAt(6.0 - work);
    EXPECT_EQ(limited.size(), 4u);
}

TEST_F(FunctionTaskTest, UnsubscribeAndResubscribeKeepsTheWindowAndOneEntry)
{
    int calls = 0;
    FunctionTask task([&calls](float) { ++calls; return true; }, "Flicker", 1.0f);
    task.subscribe(true);
    const float windowMin = task.getWindowMin();
    ManualTicks::advance(0.5);
    task.subscribe(false);
    task.subscribe(true);
    EXPECT_EQ(task.getWindowMin(), windowMin);
    passAt(1.0 - work);
    EXPECT_EQ(calls, 1);
    passAt(1.5 - work); // a second entry would run again here
    EXPECT_EQ(calls, 1);

    // Unsubscribed before it comes up: dropped without a call and idle again.
    task.subscribe(false);
    passAt(2.0 - work);
    EXPECT_EQ(calls, 1);
    task.subscribe(true);
    passAt(3.0 - work);
    EXPECT_EQ(calls, 2);
}

TEST_F(FunctionTaskTest, TaskDestroyedWhileQueuedNeverRunsEvenWhenItsAddressIsReused)
{
    int oldRuns = 0;
    int newRuns = 0;
    alignas(FunctionTask) unsigned char storage[sizeof(FunctionTask)];

    auto* old = new (storage) FunctionTask([&oldRuns](float) { ++oldRuns; return true; },
                                           "Old", 1.0f);
    old->subscribe(true);
    old->~FunctionTask();
    auto* reused = new (storage) FunctionTask([&newRuns](float) { ++newRuns; return true; },
                                              "New", 1.0f);
    reused->subscribe(true);

    for (int second = 1; second <= 3; ++second)
        passAt(second - work);
    EXPECT_EQ(oldRuns, 0);
    EXPECT_EQ(newRuns, 3); // the old task's removal never drops the new one
    reused->~FunctionTask();
    passAt(4.0 - work);
    EXPECT_EQ(newRuns, 3);
}

TEST_F(FunctionTaskTest, TaskDestroyedByAnotherWhileReadyIsSkipped)
{
    int victimRuns = 0;
    auto victim = std::make_unique<FunctionTask>([&victimRuns](float) { ++victimRuns; return true; },
                                                 "Victim", 1.0f);
    FunctionTask killer([&victim](float) { victim.reset(); return true; }, "Killer", 1.0f, 0.5f);
    victim->subscribe(true);
    killer.subscribe(true);
    passAt(1.0 - work); // both ready; the wider window runs first and destroys the other
    passAt(2.0 - work);
    EXPECT_EQ(victimRuns, 0);
}

TEST_F(FunctionTaskTest, TaskMayDestroyItselfInItsCallback)
{
    alignas(FunctionTask) unsigned char storage[sizeof(FunctionTask)];
    int selfRuns = 0;
    int successorRuns = 0;
    FunctionTask* self = nullptr;
    self = new (storage) FunctionTask(
        [&](float) {
            ++selfRuns;
            // Destroy the running task and put a new one at its address.
            self->~FunctionTask();
            self = new (storage) FunctionTask([&successorRuns](float) {
                ++successorRuns;
                return true;
            }, "Successor", 1.0f);
            self->subscribe(true);
            return true;
        },
        "Self", 1.0f);
    self->subscribe(true);

    passAt(1.0 - work);
    EXPECT_EQ(selfRuns, 1);
    for (int second = 2; second <= 4; ++second)
        passAt(second - work);
    EXPECT_EQ(selfRuns, 1);
    EXPECT_EQ(successorRuns, 3); // queued once: the destroyed task left no entry behind
    self->~FunctionTask();
}

TEST_F(FunctionTaskTest, ResetWhileQueuedMovesTheTaskToItsNewWindow)
{
    int quickRuns = 0;
    int slowRuns = 0;
    FunctionTask quick([&quickRuns](float) { ++quickRuns; return true; }, "Quick", 5.0f);
    FunctionTask slow([&slowRuns](float) { ++slowRuns; return true; }, "Slow", 1.0f);
    quick.subscribe(true);
    slow.subscribe(true);
    quick.setPeriod(1.0f);
    slow.setPeriod(5.0f);
    passAt(1.0 - work);
    EXPECT_EQ(quickRuns, 1);
    EXPECT_EQ(slowRuns, 0);
    passAt(2.0 - work);
    EXPECT_EQ(quickRuns, 2);
    EXPECT_EQ(slowRuns, 0);
    passAt(5.0 - work);
    EXPECT_EQ(slowRuns, 1);
}

TEST_F(FunctionTaskTest, FailingCallbackLeavesThePassAndStopsTheTask)
{
    bool fail = true;
    int calls = 0;
    FunctionTask task(
        [&](float) {
            ++calls;
            if (fail)
                throw std::runtime_error("task failed");
            return true;
        },
        "Failing", 1.0f);
    task.subscribe(true);
    ManualTicks::advance(1.0 - work);
    EXPECT_THROW(scheduler.run(), std::runtime_error);
    EXPECT_FALSE(task.isActive());

    fail = false;
    task.subscribe(true);
    passAt(2.0 - work);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(task.isActive());
}

} // namespace
} // namespace Tolvarine

#include "Clock.h"
#include "FixedTask.h"
#include "FunctionTask.h"
#include "SchedulerFixture.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Test::ManualTicks;
using Strings = std::vector<std::string>;
using SchedulerTest = Test::SchedulerFixture;

class FunctionTaskTest : public Test::SchedulerFixture {
protected:
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

TEST_F(SchedulerTest, TaskRunsInsideTheLookaheadOfItsWindow)
{
    {
        SCOPED_TRACE("the first pass looks ahead 1.1 s");
        int runs = 0;
        FunctionTask late([&runs](float) { return ++runs; }, "Late", 1.05f);
        FunctionTask tooLate([&runs](float) { return runs += 100; }, "TooLate", 1.2f);
        late.subscribe(true);
        tooLate.subscribe(true);
        passAt(0.0);
        EXPECT_EQ(runs, 1);
    }
    // Make the previous pass 0.25 s long, so each pass looks 0.275 s ahead.
    work = 0.25;
    passAt(9.5);
    ManualTicks::advance(10.0 - scheduler.getTime());
    std::vector<float> elapsed;
    FunctionTask task([&elapsed](float e) { elapsed.push_back(e); return true; }, "Task", 1.0f, 0.1f);
    task.subscribe(true);
    EXPECT_FLOAT_EQ(task.getWindowMin(), 10.9f);
    passAt(10.0); // deadline 10.275
    passAt(10.5); // deadline 10.775
    EXPECT_TRUE(elapsed.empty());
    passAt(10.75); // deadline 11.025 reaches the window; the task runs at 11.0
    ASSERT_EQ(elapsed, std::vector<float>{1.0f});
    EXPECT_FLOAT_EQ(task.getWindowMax(), 12.1f) << "the next window follows the previous one, not the run";
    // A pass whose fixed work uses up its time leaves the due task for the next pass.
    work = 0.3;
    passAt(11.75); // deadline 11.75 + 0.275: moved to ready, but the clock reads 12.05
    EXPECT_EQ(elapsed.size(), 1u);
    work = 0.0625;
    passAt(12.25); // the previous pass took 0.3 s, so there is room now
    ASSERT_EQ(elapsed.size(), 2u);
    EXPECT_FLOAT_EQ(elapsed[1], 12.3125f - 11.0f);
}

TEST_F(SchedulerTest, LatestClosingWindowRunsFirstAndTheDeadlineStopsThePass)
{
    work = 0.25;
    passAt(0.0); // the tasks are made at 0.25
    Strings order;
    auto record = [&order](const std::string& name) {
        return [&order, name](float) { order.push_back(name), ManualTicks::advance(0.125); return false; };
    };
    FunctionTask narrow(record("narrow"), "Narrow", 1.0f, 0.0f), wide(record("wide"), "Wide", 1.0f, 0.5f),
        middle(record("middle"), "Middle", 1.0f, 0.25f);
    for (FunctionTask* each : {&narrow, &wide, &middle})
        each->subscribe(true);
    work = 0.0625;
    passAt(1.0); // deadline 1.275; fixed work ends at 1.0625: two tasks fit, the third waits
    EXPECT_EQ(order, (Strings{"wide", "middle"}));
    passAt(2.0);
    EXPECT_EQ(order, (Strings{"wide", "middle", "narrow"}));
}

TEST_F(SchedulerTest, FrameTimesAreSmoothedOverHalfASecondAndStayBoundedWhilePaused)
{
    passAt(0.0);
    EXPECT_EQ(scheduler.getSmoothedFrameTime(), 0.0f);
    std::vector<float> seen;
    FixedTask observer([&seen](float last, float smoothed) { seen.insert(seen.end(), {last, smoothed}); }, "Observer", 1);
    passAt(0.5);
    passAt(0.625); // the start at 0 is more than half a second old now
    passAt(0.75);
    passAt(1.0); // 0.5 is exactly half a second old and stays
    passAt(3.0); // everything older goes, but the last two starts are always kept
    EXPECT_EQ(seen, (std::vector<float>{0.5f, 0.5f, 0.125f, 0.125f, 0.125f, 0.125f, 0.25f, 0.5f / 3.0f, 2.0f, 2.0f}));
    scheduler.setPaused(true);
    for (int i = 0; i < 100000; ++i)
        scheduler.run();
    EXPECT_LE(scheduler.getPassStartRecords(), 2u);
    // The same decay as with one entry per pass: (last - first) / (passes - 1).
    EXPECT_FLOAT_EQ(scheduler.getSmoothedFrameTime(), 0.0625f / 100000.0f);
    scheduler.setPaused(false);
    passAt(3.25);
    EXPECT_FLOAT_EQ(scheduler.getLastFrameTime(), 3.25f - (3.0f + static_cast<float>(work)));
}

using FixedTaskTest = Test::SchedulerFixture;

TEST_F(FixedTaskTest, RunInKeyOrderAndSurviveTasksMadeOrDestroyedDuringThePass)
{
    Strings order;
    const auto record = [&order](const std::string& name) { return [&order, name](float, float) { order.push_back(name); }; };
    std::vector<std::unique_ptr<FixedTask>> created;
    std::unique_ptr<FixedTask> victim, self;
    FixedTask creator(
        [&](float, float) {
            // Enough new tasks to move the task list in memory; they first run in the next pass.
            for (int i = 0; i < 64; ++i)
                created.push_back(std::make_unique<FixedTask>(record("created"), "Created", 20));
            victim.reset();
        },
        "Creator", 10);
    FixedTask a(record("35a"), "A", 35); // equal keys run in creation order
    victim = std::make_unique<FixedTask>(record("victim"), "Victim", 30);
    FixedTask b(record("35b"), "B", 35);
    self = std::make_unique<FixedTask>([&](float, float) { order.push_back("self"), self.reset(); }, "Self", 40);
    FixedTask first(record("0"), "F", 0), last(record("last"), "Last", 50);
    passAt(1.0);
    EXPECT_EQ(order, (Strings{"0", "35a", "35b", "self", "last"}));
    EXPECT_EQ(self, nullptr);
    order.clear();
    created.resize(1);
    passAt(2.0);
    EXPECT_EQ(order, (Strings{"0", "created", "35a", "35b", "last"}));
    FixedTask empty(FixedTask::Callback(), "Empty", 1);
    EXPECT_THROW(scheduler.run(), std::bad_function_call);
}

TEST_F(FunctionTaskTest, EndsAfterItsRunLimitItsLifetimeOrAFalseAnswerAndKeepsOneEntry)
{
    std::vector<double> limited, mortal, twice;
    const auto recorder = [this](std::vector<double>& runs) { return [this, &runs](float) { runs.push_back(scheduler.getTime()); return true; }; };
    FunctionTask limit(recorder(limited), "Limited", 1.0f, 0.0f, 3);
    FunctionTask life(recorder(mortal), "Mortal", 1.0f, 0.0f, 0, 2.5f); // ends at the first due time after 2.5 s
    FunctionTask answer([&](float) { twice.push_back(scheduler.getTime()); return twice.size() < 2; }, "TwoRuns", 0.5f);
    for (FunctionTask* task : {&limit, &life, &answer})
        task->subscribe(true);
    passesUpTo(5);
    EXPECT_EQ(limited, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(mortal, (std::vector<double>{1, 2}));
    EXPECT_EQ(twice, (std::vector<double>{1, 2}));
    EXPECT_FALSE(limit.isActive() || life.isActive() || answer.isActive());
    limit.subscribe(true);
    passesUpTo(6);
    EXPECT_EQ(limited.size(), 4u) << "subscribing again starts a fresh count";
    // Unsubscribed and subscribed again inside its period: the same window, one queue entry.
    int calls = 0;
    FunctionTask flicker(counter(calls), "Flicker", 1.0f);
    flicker.subscribe(true);
    const float windowMin = flicker.getWindowMin();
    ManualTicks::advance(0.5);
    flicker.subscribe(false);
    flicker.subscribe(true);
    EXPECT_EQ(flicker.getWindowMin(), windowMin);
    passAt(7.0 - work);
    passAt(7.5 - work); // a second entry would run again here
    EXPECT_EQ(calls, 1);
    flicker.subscribe(false); // unsubscribed before it comes up: dropped without a call
    passesUpTo(9);
    EXPECT_EQ(calls, 1);
}

TEST_F(FunctionTaskTest, TasksDestroyedWhileQueuedNeverRun)
{
    // Destroyed with a new task at its address: the old removal never drops the new one.
    int oldRuns = 0, newRuns = 0, victimRuns = 0, selfRuns = 0, successorRuns = 0;
    alignas(FunctionTask) unsigned char storage[sizeof(FunctionTask)], selfStorage[sizeof(FunctionTask)];
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

TEST_F(FunctionTaskTest, AFailureStopsTheTask)
{
    // A failing callback leaves the pass and stops the task; it may be subscribed again.
    int calls = 0;
    bool fail = true;
    FunctionTask task([&](float) { if (++calls && fail) throw std::runtime_error("task failed"); return true; }, "Failing", 1.0f);
    task.subscribe(true);
    ManualTicks::advance(6.0 - work - scheduler.getTime());
    EXPECT_THROW(scheduler.run(), std::runtime_error);
    EXPECT_FALSE(task.isActive());
    fail = false;
    task.subscribe(true);
    passesUpTo(7);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(task.isActive());
}

TEST(Clock, PausedSpansDoNotCountAndResetKeepsThePauseState)
{
    ManualTicks ticks;
    Clock clock;
    ManualTicks::advance(1.5);
    clock.setPaused(true);
    ManualTicks::advance(1.0);
    clock.setPaused(true); // a second pause must keep the first mark
    ManualTicks::advance(2.0);
    clock.setPaused(false);
    ManualTicks::advance(0.25);
    EXPECT_DOUBLE_EQ(clock.getTime(), 1.75);
    // Reset while paused: the clock stays paused at 0 and counts only after it resumes.
    clock.setPaused(true);
    clock.reset();
    ManualTicks::advance(2.0);
    EXPECT_DOUBLE_EQ(clock.getTime(), 0.0);
    clock.setPaused(false);
    ManualTicks::advance(0.125);
    EXPECT_DOUBLE_EQ(clock.getTime(), 0.125);
}

// Each measurement reads the tick source twice, at 0 and at the prepared frequency; the performance
// counter jumps a whole 1000 ms span per read.
std::vector<std::uint64_t> tickReadings;
std::size_t tickReads = 0;
std::uint64_t counterValue = 0;

TEST(FrequencyMeasurement, StopsWhenMeasurementsAgreeOrAtTheRoundLimitAndFailsWithoutACounter)
{
    Clock::setTickSource([] { return tickReads < tickReadings.size() ? tickReadings[tickReads++] : 0; }, 1);
    Clock::setPerformanceCounter([] { return counterValue += 1000; }, 1000);
    const std::tuple<const char*, std::vector<std::uint64_t>, std::size_t, double, double> rows[] = {
        {"the first measurement and three more", {1000, 1100, 1000, 1000, 7777}, 8, 1012.5, 87.5 / 3.0},
        {"agreed within 5 ticks per second after one more", {1000, 1004, 9999}, 4, 1002.0, 2.0},
        {"no performance counter: failure, the outputs left alone", {}, 0, 12.0, 5.0}};
    for (const auto& [rule, frequencies, reads, wantFrequency, wantDeviation] : rows) {
        SCOPED_TRACE(rule);
        tickReadings.clear();
        for (const std::uint64_t f : frequencies)
            tickReadings.insert(tickReadings.end(), {0, f});
        tickReads = 0;
        if (frequencies.empty())
            Clock::setPerformanceCounter([] { return counterValue += 1000; }, 0);
        double frequency = 12.0, deviation = 5.0;
        EXPECT_EQ(Clock::measureCpuFrequency(frequency, deviation, 1000, 3), !frequencies.empty());
        EXPECT_EQ(tickReads, reads);
        EXPECT_DOUBLE_EQ(frequency, wantFrequency);
        EXPECT_DOUBLE_EQ(deviation, wantDeviation);
    }
    Clock::restoreHardwareSources();
}

} // namespace
} // namespace Tolvarine

#include "Clock.h"
#include "FixedTask.h"
#include "FunctionTask.h"
#include "LogCapture.h"
#include "SchedulerFixture.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST_F(SchedulerTest, PausedPassesKeepTheirRecordsBoundedAndTheirTimeOutOfTheFrameTime)
{
    passAt(0.0);
    passAt(3.0);
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

// Unsubscribed and subscribed again inside its period, a task keeps its window and one queue entry.
TEST_F(FunctionTaskTest, SubscribingAgainInsideThePeriodKeepsTheWindowAndOneEntry)
{
    passesUpTo(1);
    int calls = 0;
    FunctionTask flicker(counter(calls), "Flicker", 1.0f);
    flicker.subscribe(true);
    const float windowMin = flicker.getWindowMin();
    ManualTicks::advance(0.5);
    flicker.subscribe(false);
    flicker.subscribe(true);
    EXPECT_EQ(flicker.getWindowMin(), windowMin);
    passAt(2.0 - work);
    passAt(2.5 - work); // a second entry would run again here
    EXPECT_EQ(calls, 1);
    flicker.subscribe(false); // unsubscribed before it comes up: dropped without a call
    passesUpTo(4);
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

// Regression: one task with a NaN period put a NaN key into the queue; once it reached the top no
// task was ever due again, and the whole battle stood still without a word. Infinities keep the
// queue's order: an infinite period is a task that is never due, an infinite variance opens its
// first window at once; both stay active, and the task queued after them still runs on time.
TEST_F(FunctionTaskTest, ATaskWhoseWindowIsNotANumberIsRefusedWithALineAndNoTaskStallsTheOthers)
{
    const float nan = std::nanf(""), inf = INFINITY;
    // With `queuedFirst`, the task is queued with a period of 1 and given the bad period after.
    // `line` is the refusal's; none for a task that is accepted and runs `runs` times.
    const struct { const char* rule; float period, variance; bool queuedFirst; const char* line; int runs; } rows[] = {
        {"a NaN period", nan, 0, false, "period nan and variance 0", 0},
        {"an infinite period", inf, 0, false, nullptr, 0},
        {"a NaN variance", 1, nan, false, "period 1 and variance nan", 0},
        {"an infinite variance", 1, inf, false, nullptr, 4},
        {"a NaN period set while queued", nan, 0, true, "period nan and variance 0", 0},
        {"an infinite period set while queued", inf, 0, true, nullptr, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        Tolvarine::Test::LogCapture log;
        int goodRuns = 0, badRuns = 0;
        FunctionTask bad(counter(badRuns), "Bad", row.queuedFirst ? 1.0f : row.period, row.variance);
        FunctionTask good(counter(goodRuns), "Good", 1.0f);
        bad.subscribe(true);
        good.subscribe(true);
        if (row.queuedFirst)
            bad.setPeriod(row.period);
        const int first = int(scheduler.getTime()) + 1;
        passesUpTo(first + 3);
        EXPECT_EQ(goodRuns, 4);
        EXPECT_EQ(badRuns, row.runs);
        EXPECT_EQ(bad.isActive(), row.line == nullptr);
        EXPECT_EQ(log.lines(), row.line ? Strings{std::string("Scheduler: task Bad refused: ") + row.line +
                                                  " give it no finite time to run"}
                                        : Strings());
        good.subscribe(false);
        bad.subscribe(false);
    }
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

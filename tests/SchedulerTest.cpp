#include "Scheduler.h"

#include "FixedTask.h"
#include "FunctionTask.h"
#include "SchedulerFixture.h"
#include "SoundFiles.h"
#include "SoundManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::ManualTicks;

using SchedulerTest = Test::SchedulerFixture;

TEST_F(SchedulerTest, TaskRunsInsideTheLookaheadOfItsWindow)
{
    {
        SCOPED_TRACE("the first pass looks ahead 1.1 s");
        int runs = 0;
        FunctionTask late([&runs](float) { ++runs; return true; }, "Late", 1.05f);
        FunctionTask tooLate([&runs](float) { runs += 100; return true; }, "TooLate", 1.2f);
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
    FunctionTask task([&elapsed](float e) { elapsed.push_back(e); return true; }, "Task", 1.0f,
                      0.1f);
    task.subscribe(true);
    EXPECT_FLOAT_EQ(task.getWindowMin(), 10.9f);
    passAt(10.0);  // deadline 10.275
    passAt(10.5);  // deadline 10.775
    EXPECT_TRUE(elapsed.empty());
    passAt(10.75); // deadline 11.025 reaches the window; the task runs at 11.0
    ASSERT_EQ(elapsed.size(), 1u);
    EXPECT_FLOAT_EQ(elapsed[0], 1.0f);
    // The next window follows the previous one, not the run.
    EXPECT_FLOAT_EQ(task.getWindowMax(), 12.1f);

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
    std::vector<std::string> order;
    auto record = [&order](const std::string& name) {
        return [&order, name](float) {
            order.push_back(name);
            ManualTicks::advance(0.125);
            return false;
        };
    };
    FunctionTask narrow(record("narrow"), "Narrow", 1.0f, 0.0f);
    FunctionTask wide(record("wide"), "Wide", 1.0f, 0.5f);
    FunctionTask middle(record("middle"), "Middle", 1.0f, 0.25f);
    narrow.subscribe(true);
    wide.subscribe(true);
    middle.subscribe(true);
    // Deadline 1.0 + 0.275; fixed work ends at 1.0625. Two tasks fit, the third waits.
    work = 0.0625;
    passAt(1.0);
    EXPECT_EQ(order, (std::vector<std::string>{"wide", "middle"}));
    passAt(2.0);
    EXPECT_EQ(order, (std::vector<std::string>{"wide", "middle", "narrow"}));
}

TEST_F(SchedulerTest, PauseStopsGameTimeAndVariableTasksButNotFixedTasks)
{
    scheduler.setPaused(true); // without a sound manager as well
    scheduler.togglePause();
    EXPECT_FALSE(scheduler.isPaused());
    Tolvarine::Test::SoundFiles soundFiles; // the settings the sound manager starts from
    SoundManager sound(nullptr, SoundSystem::Output::SILENT);
    int fixedRuns = 0;
    FixedTask counter([&fixedRuns](float, float) { ++fixedRuns; }, "Counter", 5);
    int variableRuns = 0;
    FunctionTask task([&variableRuns](float) { ++variableRuns; return true; }, "Variable", 1.0f);
    task.subscribe(true);

    passAt(1.0 - work);
    EXPECT_EQ(variableRuns, 1);
    const InputHandler::SymbolNumber pause = input.getSymbol("pause");
    input.pulseSymbol(pause);
    EXPECT_TRUE(scheduler.isPaused());
    EXPECT_TRUE(sound.isDopplerSuspended());
    const double pausedAt = scheduler.getTime();
    const double realBefore = scheduler.getRealTime();
    for (int i = 0; i < 20; ++i) {
        scheduler.run();
        ManualTicks::advance(0.5);
    }
    EXPECT_EQ(scheduler.getTime(), pausedAt);
    EXPECT_DOUBLE_EQ(scheduler.getRealTime() - realBefore, 20 * (0.5 + work));
    EXPECT_EQ(fixedRuns, 21);
    EXPECT_EQ(variableRuns, 1);
    EXPECT_EQ(scheduler.getLastFrameTime(), 0.0f);

    // A disabled pause key does nothing.
    scheduler.enablePauseAction(false);
    input.pulseSymbol(pause);
    EXPECT_TRUE(scheduler.isPaused());
    scheduler.enablePauseAction(true);
    input.pulseSymbol(pause);
    EXPECT_FALSE(sound.isDopplerSuspended());
    EXPECT_EQ(scheduler.getTime(), pausedAt);
    // The paused passes took no game time, so the first pass afterwards has no time for
    // variable tasks even though the task is due.
    passAt(2.0);
    EXPECT_EQ(variableRuns, 1);
    passAt(2.5);
    EXPECT_EQ(variableRuns, 2);
}

TEST_F(SchedulerTest, FrameTimesAreSmoothedOverHalfASecondAndStayBoundedWhilePaused)
{
    passAt(0.0);
    EXPECT_EQ(scheduler.getSmoothedFrameTime(), 0.0f);

    std::vector<float> seen;
    FixedTask observer([&seen](float last, float smoothed) {
        seen.push_back(last);
        seen.push_back(smoothed);
    }, "Observer", 1);
    passAt(0.5);
    passAt(0.625); // the start at 0 is more than half a second old now
    passAt(0.75);
    passAt(1.0);   // 0.5 is exactly half a second old and stays
    passAt(3.0);   // everything older goes, but the last two starts are always kept
    EXPECT_EQ(seen, (std::vector<float>{0.5f, 0.5f,
                                        0.125f, 0.125f,
                                        0.125f, 0.125f,
                                        0.25f, 0.5f / 3.0f,
                                        2.0f, 2.0f}));
    scheduler.setPaused(true);
    for (int i = 0; i < 100000; ++i)
        scheduler.run();
    EXPECT_LE(scheduler.getPassStartRecords(), 2u);
    EXPECT_EQ(scheduler.getLastFrameTime(), 0.0f);
    // The same decay as with one entry per pass: (last - first) / (passes - 1).
    EXPECT_FLOAT_EQ(scheduler.getSmoothedFrameTime(), 0.0625f / 100000.0f);
    scheduler.setPaused(false);
    passAt(3.25);
    EXPECT_FLOAT_EQ(scheduler.getLastFrameTime(), 3.25f - (3.0f + static_cast<float>(work)));
}

} // namespace
} // namespace Tolvarine

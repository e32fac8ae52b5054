#include "FixedTask.h"
#include "FunctionTask.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "Scenario.h"
#include "ScenarioWorld.h"
#include "Scheduler.h"
#include "SurvivalWaves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace Tolvarine::Test {
namespace {

// A game mode started with no ships on either side, in a loaded scenario, on a hand-driven clock:
// the time by which the mode's task must have ended the game, and the time before which it must
// not have.
TEST(GameModes, AModeWithAnEmptySideEndsOnceAtItsFirstCheck)
{
    const struct {
        const char* name;
        std::function<void(Scenario&)> start;
        double notBefore;
        double endedBy;
        const char* task;
    } rows[] = {
        // The skirmish looks every 5 +- 1 s.
        {"skirmish", [](Scenario& s) { s.skirmishStart("no such area", {}, {}); }, 3.9, 6.1, "SkirmishUpdate"},
        // The survival's first wave is due after 3 s; with no player ship it ends the game
        // instead (runs every 1 +- 0.5 s).
        {"survival", [](Scenario& s) { s.survivalStart("no such area", {}); }, 2.9, 4.6, "SurvivalUpdate"},
        // A second start replaces the first mode's task; the game still ends once.
        {"skirmish started twice",
         [](Scenario& s) {
             s.skirmishStart("", {}, {});
             s.skirmishStart("", {}, {});
         },
         3.9, 6.1, "SkirmishUpdate"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ManualTicks ticks;
        InputHandler input;
        Scheduler scheduler;
        const double work = 1.0 / 64;
        FixedTask workTask{[work](float, float) { ManualTicks::advance(work); }, "Work", 0};
        ScenarioWorld world;
        world.addScript("mode.py", recordingScript("Mode"));
        ScenarioManager& manager = world.preload();
        Scenario& scenario = manager.loadScenario("Mode");
        LogCapture log;

        row.start(scenario);
        ASSERT_NE(scenario.getModeTask(), nullptr);
        EXPECT_EQ(scenario.getModeTask()->getName(), row.task);
        EXPECT_TRUE(scenario.getShowStatsAtEnd());
        EXPECT_TRUE(log.contains("Initialising area"));
        EXPECT_TRUE(log.contains("Creating factions"));

        const double start = scheduler.getTime();
        while (scheduler.getTime() - start < row.notBefore)
            scheduler.run();
        EXPECT_FALSE(scenario.hasEnded());
        while (scheduler.getTime() - start < row.endedBy)
            scheduler.run();
        EXPECT_TRUE(scenario.hasEnded());
        // The task keeps looking; the game ends only once.
        while (scheduler.getTime() - start < row.endedBy + 20.0)
            scheduler.run();
        const auto lines = log.lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Scenario Mode ended."), 1);
        // The unload takes the mode's task with the scenario: nothing runs for it afterwards.
        manager.unloadAll();
        const std::size_t unloaded = log.lines().size();
        while (scheduler.getTime() - start < row.endedBy + 30.0)
            scheduler.run();
        EXPECT_EQ(log.lines().size(), unloaded);
    }
}

} // namespace
} // namespace Tolvarine::Test

// The exit's unloadAll: the profile report it writes names the scenario that was running, and
// nothing is current afterwards, whether the scenario's own unload succeeds or fails.
#include "ScenarioManager.h"
#include "ScenarioWorld.h"

#include <gtest/gtest.h>

#include <string>

namespace Tolvarine {
namespace {

using Test::ScenarioWorld;
using Test::readFile;
using Test::recordingScript;

TEST(ScenarioExitReportTest, TheExitReportNamesTheRunningScenarioAndLeavesNoneCurrent)
{
    struct Row {
        const char* name;
        const char* unloadHook; // Python statement run by the scenario's own unload
        bool unloadFails;
    };
    const Row rows[] = {
        {"unload succeeds", "events.append('unloaded')", false},
        {"unload raises", "raise RuntimeError('unload failed')", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScenarioWorld world;
        std::string script = recordingScript("Alpha");
        const std::string hook = "events.append('Alpha unload')";
        script.replace(script.find(hook), hook.size(), row.unloadHook);
        world.addScript("alpha.py", script);
        ScenarioManager& manager = world.preload();
        manager.loadScenario("Alpha");

        if (row.unloadFails)
            EXPECT_ANY_THROW(manager.unloadAll());
        else
            EXPECT_NO_THROW(manager.unloadAll());
        const std::string report = readFile(world.path("Profile.log"));
        EXPECT_NE(report.find("System\n\nAlpha\n"), std::string::npos) << report;
        EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
        EXPECT_EQ(manager.getCurrentScenario(), nullptr);
        EXPECT_EQ(manager.findScenario("Alpha"), nullptr);
    }
}

} // namespace
} // namespace Tolvarine

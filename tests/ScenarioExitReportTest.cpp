// The exit's unloadAll when the scenario's own unload raises: the profile report still names the
// scenario that was running, and nothing is current afterwards. (The whole-game run checks the
// report of a clean quit.)
#include "ScenarioManager.h"
#include "ScenarioWorld.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

TEST(ScenarioExitReportTest, TheExitReportNamesTheRunningScenarioAndLeavesNoneCurrent)
{
    ScenarioWorld world;
    std::string script = recordingScript("Alpha");
    const std::string hook = "events.append('Alpha unload')";
    world.addScript("alpha.py", script.replace(script.find(hook), hook.size(), "raise RuntimeError('unload failed')"));
    ScenarioManager& manager = world.preload();
    manager.loadScenario("Alpha");
    EXPECT_ANY_THROW(manager.unloadAll());
    const std::string report = readFile(world.path("Profile.log"));
    EXPECT_NE(report.find("System\n\nAlpha\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
    EXPECT_EQ(manager.getCurrentScenario(), nullptr);
    EXPECT_EQ(manager.findScenario("Alpha"), nullptr);
}

} // namespace
} // namespace Tolvarine::Test

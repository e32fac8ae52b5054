#include "ConfigurationError.h"
#include "Faction.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "ScriptError.h"

#include <gtest/gtest.h>

#include <OgreLight.h>
#include <OgreMaterialManager.h>
#include <OgreSceneManager.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Test::LogCapture;
using Test::ScenarioWorld;
using Test::readFile;
using Test::recordingScript;

std::vector<std::string> names(const std::vector<std::shared_ptr<Scenario>>& scenarios)
{
    std::vector<std::string> result;
    for (const auto& scenario : scenarios)
        result.push_back(scenario->getName());
    return result;
}

bool logged(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Runs an action that must fail with exception E and returns the log lines written meanwhile.
template <typename E, typename Action>
Lines failsWith(Action action)
{
    LogCapture log;
    EXPECT_THROW(action(), E);
    return log.lines();
}

TEST(ScenarioManagerTest, ScriptsThatGiveNoConfigurationAreLoggedErrors)
{
    const std::string forgetfulScript = "from Tolvarine import *\n"
                                        "class ForgetfulConfig(ScenarioConfig):\n"
                                        "    def __init__(self):\n"
                                        "        pass\n"
                                        "def getScenarioConfig():\n"
                                        "    return ForgetfulConfig()\n";
    const std::string notAConfig = "data/scenarios/b.py: getScenarioConfig() did not return a ScenarioConfig (its "
                                   "__init__ must call ScenarioConfig.__init__)";
    struct Case { std::string script; bool scriptError; std::string firstLine; };
    const std::vector<Case> cases = {
        {"def getScenarioConfig():\n    return None\n", false, "data/scenarios/b.py: getScenarioConfig() returned None"},
        {"def getScenarioConfig():\n    raise ValueError('no config')\n", true,
         "Python exception throw while executing statement: getScenarioConfig()"},
        {"x = 1 / 0\n", true, "Python exception thrown while running script: data/scenarios/b.py"},
        {"def getScenarioConfig():\n    return 7\n", false, notAConfig},
        {forgetfulScript, false, notAConfig},
        // Without its own function, a script does not get the earlier script's configuration.
        {"quiet = True\n", true, "Python exception throw while executing statement: getScenarioConfig()"},
        // Two scenarios of one name cannot share their resource group.
        {recordingScript("Alpha"), false,
         "data/scenarios/b.py: the scenario name \"Alpha\" is empty or names a resource group already"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.script);
        ScenarioWorld world;
        world.addScript("a.py", recordingScript("Alpha"));
        world.addScript("b.py", bad.script);
        world.addScript("c.py", recordingScript("Gamma"));
        const Lines logged = bad.scriptError ? failsWith<ScriptError>([&] { world.preload(); })
                                             : failsWith<ConfigurationError>([&] { world.preload(); });
        const auto bLine = std::find(logged.begin(), logged.end(), "b.py...");
        ASSERT_NE(bLine, logged.end()) << ::testing::PrintToString(logged);
        EXPECT_EQ(std::find(bLine, logged.end(), bad.firstLine) - bLine, 1) << ::testing::PrintToString(logged);
        // The scenarios before the bad one stay, the preload stops at it.
        EXPECT_EQ(std::find(logged.begin(), logged.end(), "c.py..."), logged.end());
        EXPECT_EQ(names(world.manager->getScenarios()), (Lines{"Alpha"}));
    }
}

// A set-up that fails halfway leaves nothing behind. The exit's unloadAll when the scenario's own
// unload raises clears the world for whatever comes next, and the profile report still names the
// scenario that was running.
TEST(ScenarioManagerTest, AFailedLoadOrUnloadLeavesNothingBehind)
{
    const std::string light = "scenario.addDirectionalLight(Vector3(0, -1, 0), ColourValue(1, 1, 1, 1), "
                              "ColourValue(1, 1, 1, 1))";
    ScenarioWorld world;
    std::string script = recordingScript("Alpha", "", light);
    const std::string hook = "events.append('Alpha unload')";
    world.addScript("alpha.py", script.replace(script.find(hook), hook.size(), "raise RuntimeError('unload failed')"));
    world.addScript("gamma.py", recordingScript("Gamma", "", light + "; Faction.create('Rebels'); raise RuntimeError('half')"));
    ScenarioManager& manager = world.preload();
    const std::size_t freeIds = Faction::freeIdCount();
    const Lines failedLoad = failsWith<ScriptError>([&] { manager.loadScenario("Gamma"); });
    EXPECT_TRUE(logged(failedLoad, "Python exception thrown while calling ScenarioConfig.initialise"));
    EXPECT_FALSE(logged(failedLoad, "Scenario Gamma loaded."));
    EXPECT_FALSE(manager.findScenario("Gamma")->isLoaded());
    EXPECT_EQ(world.sceneManager->getMovableObjects("Light").size(), 0u);
    EXPECT_EQ(Faction::freeIdCount(), freeIds);
    EXPECT_EQ(failsWith<ConfigurationError>([&] { manager.loadScenario("Nowhere"); }),
              (Lines{"ScenarioManager::loadScenario, unknown scenario Nowhere"}));
    Scenario& alpha = manager.loadScenario("Alpha"); // without the failed scenario's unload
    EXPECT_EQ(ScenarioWorld::events(), (Lines{"ran Alpha", "ran Gamma", "Gamma initialise", "Alpha initialise"}));
    const std::string lightName = alpha.getLights().at(0)->getName();
    {
        SCOPED_TRACE("a sky box of an unknown or textureless material is refused");
        Ogre::MaterialManager::getSingleton().create("ScenarioBare", Ogre::RGN_DEFAULT);
        EXPECT_EQ(failsWith<ConfigurationError>([&] { alpha.setSkyBox("ScenarioNowhere", 10000.0f); }),
                  (Lines{"Scenario::setSkyBox, unknown material ScenarioNowhere"}));
        EXPECT_EQ(failsWith<ConfigurationError>([&] { alpha.setSkyBox("ScenarioBare", 10000.0f); }),
                  (Lines{"Scenario::setSkyBox, material ScenarioBare has no first texture"}));
        EXPECT_FALSE(world.sceneManager->isSkyBoxEnabled());
    }

    const Lines failedUnload = failsWith<ScriptError>([&] { manager.unloadAll(); });
    EXPECT_TRUE(logged(failedUnload, "Python exception thrown while calling ScenarioConfig.unload"));
    EXPECT_TRUE(manager.getScenarios().empty());
    EXPECT_EQ(manager.getCurrentScenario(), nullptr);
    EXPECT_FALSE(world.sceneManager->hasLight(lightName));
    const std::string report = readFile(world.path("Profile.log"));
    EXPECT_NE(report.find("System\n\nAlpha\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
    EXPECT_EQ(failsWith<ConfigurationError>([] { Faction::create("Late"); }),
              (Lines{"Faction::create, no running scenario to hold faction Late"}));
}

} // namespace
} // namespace Tolvarine

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
using Test::failsWith;
using Test::logged;
using Test::ScenarioWorld;
using Test::readFile;
using Test::recordingScript;

// A script whose configuration is missing or takes a name already used stops the preload there
// with its line; the scenario before it stays.
TEST(ScenarioManagerTest, AScriptWithoutAUsableConfigurationStopsThePreloadWithItsLine)
{
    const std::pair<std::string, std::string> rows[] = {
        {"def getScenarioConfig():\n    return None\n", "data/scenarios/b.py: getScenarioConfig() returned None"},
        {recordingScript("Alpha"),
         "data/scenarios/b.py: the scenario name \"Alpha\" is empty or names a resource group already"},
    };
    for (const auto& [script, line] : rows) {
        SCOPED_TRACE(line);
        ScenarioWorld world;
        world.addScript("a.py", recordingScript("Alpha"));
        world.addScript("b.py", script);
        EXPECT_TRUE(logged(failsWith<ConfigurationError>([&] { world.preload(); }), line));
        EXPECT_EQ(world.manager->getScenarios().size(), 1u);
    }
}

// A set-up that fails halfway leaves nothing behind; an unload that fails at the exit still clears
// the world, and the profile report names the scenario that was running.
TEST(ScenarioManagerTest, AFailedPreloadLoadOrUnloadLeavesNothingBehind)
{
    const std::string light = "scenario.addDirectionalLight(Vector3(0, -1, 0), "
                              "ColourValue(1, 1, 1, 1), ColourValue(1, 1, 1, 1))";
    ScenarioWorld world;
    std::string script = recordingScript("Alpha", "", light);
    const std::string hook = "events.append('Alpha unload')";
    world.addScript("alpha.py", script.replace(script.find(hook), hook.size(), "raise RuntimeError('unload failed')"));
    world.addScript("gamma.py", recordingScript("Gamma", "", light + "; Faction.create('Rebels'); "
                                                             "raise RuntimeError('half')"));
    // A configuration whose __init__ skips the base class's is refused; the preload stops at it.
    world.addScript("zeta.py", "from Tolvarine import *\nclass ForgetfulConfig(ScenarioConfig):\n"
                               "    def __init__(self):\n        pass\ndef getScenarioConfig():\n"
                               "    return ForgetfulConfig()\n");
    EXPECT_TRUE(logged(failsWith<ConfigurationError>([&] { world.preload(); }),
                       "data/scenarios/zeta.py: getScenarioConfig() did not return a "
                       "ScenarioConfig (its __init__ must call ScenarioConfig.__init__)"));
    ScenarioManager& manager = *world.manager;
    const std::size_t freeIds = Faction::freeIdCount();
    const Lines loading = failsWith<ScriptError>([&] { manager.loadScenario("Gamma"); });
    EXPECT_TRUE(logged(loading, "Python exception thrown while calling ScenarioConfig.initialise"));
    EXPECT_FALSE(logged(loading, "Scenario Gamma loaded."));
    EXPECT_FALSE(manager.findScenario("Gamma")->isLoaded());
    EXPECT_EQ(world.sceneManager->getMovableObjects("Light").size(), 0u);
    EXPECT_EQ(Faction::freeIdCount(), freeIds);
    EXPECT_EQ(failsWith<ConfigurationError>([&] { manager.loadScenario("Nowhere"); }),
              (Lines{"ScenarioManager::loadScenario, unknown scenario Nowhere"}));
    Scenario& alpha = manager.loadScenario("Alpha"); // without the failed scenario's unload
    const Lines events = {"ran Alpha", "ran Gamma", "Gamma initialise", "Alpha initialise"};
    EXPECT_EQ(ScenarioWorld::events(), events);
    const std::string lightName = alpha.getLights().at(0)->getName();
    {
        SCOPED_TRACE("a sky box of an unknown or textureless material is refused");
        Ogre::MaterialManager::getSingleton().create("ScenarioBare", Ogre::RGN_DEFAULT);
        EXPECT_EQ(failsWith<ConfigurationError>([&] { alpha.setSkyBox("ScenarioNowhere", 1e4f); }),
                  (Lines{"Scenario::setSkyBox, unknown material ScenarioNowhere"}));
        EXPECT_EQ(failsWith<ConfigurationError>([&] { alpha.setSkyBox("ScenarioBare", 1e4f); }),
                  (Lines{"Scenario::setSkyBox, material ScenarioBare has no first texture"}));
        EXPECT_FALSE(world.sceneManager->isSkyBoxEnabled());
    }

    const Lines unloading = failsWith<ScriptError>([&] { manager.unloadAll(); });
    EXPECT_TRUE(logged(unloading, "Python exception thrown while calling ScenarioConfig.unload"));
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

#include "ConfigurationError.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "ScriptError.h"

#include <gtest/gtest.h>

#include <OgreLight.h>
#include <OgreLogManager.h>
#include <OgreResourceGroupManager.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Test::LogCapture;
using Test::ScenarioWorld;
using Test::readFile;
using Test::recordingScript;
using Test::scriptHost;

// The captured lines that are among `wanted`, in the order logged: the rendering engine writes
// its own lines into the same log.
Lines linesAmong(const LogCapture& log, const Lines& wanted)
{
    Lines found;
    for (const std::string& line : log.lines()) {
        if (std::find(wanted.begin(), wanted.end(), line) != wanted.end())
            found.push_back(line);
    }
    return found;
}

std::vector<std::string> names(const std::vector<std::shared_ptr<Scenario>>& scenarios)
{
    std::vector<std::string> result;
    for (const auto& scenario : scenarios)
        result.push_back(scenario->getName());
    return result;
}

// Runs an action that must fail with exception E and returns the log lines written meanwhile.
template <typename E, typename Action>
Lines failsWith(Action action)
{
    LogCapture log;
    EXPECT_THROW(action(), E);
    return log.lines();
}

TEST(ScenarioManagerTest, PreloadRunsScriptsInNameOrderThenLoadReloadAndUnloadLogTheirStepsInOrder)
{
    ScenarioWorld world;
    world.addScript("b_second.py", recordingScript("Beta"));
    world.addScript("skirmish.py", recordingScript("Skirmish"));
    world.addScript("a_first.py", recordingScript("Alpha"));
    // None of these may run.
    world.addScript("notes.txt", recordingScript("Text"));
    world.addScript("upper.PY", recordingScript("Upper"));
    world.addScript(".hidden.py", recordingScript("Hidden"));
    world.addScript(".py", recordingScript("Dot"));
    std::filesystem::create_directories(world.path("data/scenarios/folder.py"));
    std::filesystem::create_directories(world.path("data/scenarios/sub"));
    world.addScript("sub/inner.py", recordingScript("Inner"));

    LogCapture log;
    ScenarioManager& manager = world.preload();

    const Lines preloadLines = {"ScenarioManager parsing scenario scripts", "a_first.py...", "Alpha preloaded",
                                "b_second.py...", "Beta preloaded", "skirmish.py...", "Skirmish preloaded"};
    EXPECT_EQ(linesAmong(log, preloadLines), preloadLines);
    for (const char* skipped : {"notes.txt...", "upper.PY...", ".hidden.py...", ".py...", "folder.py...",
                                "inner.py..."})
        EXPECT_FALSE(log.contains(skipped)) << skipped;
    EXPECT_EQ(ScenarioWorld::events(), (Lines{"ran Alpha", "ran Beta", "ran Skirmish"}));

    EXPECT_EQ(names(manager.getScenarios()), (Lines{"Alpha", "Beta"}));
    ASSERT_NE(manager.getSkirmishScenario(), nullptr);
    EXPECT_EQ(manager.findScenario("Skirmish"), manager.getSkirmishScenario());
    EXPECT_EQ(manager.findScenario("beta"), nullptr);
    EXPECT_EQ(manager.getCurrentScenario(), nullptr); // preloading loads nothing

    SCOPED_TRACE("loading");
    ScenarioWorld::clearEvents();
    world.statistics->recordShot("Player", true, "Laser");
    const Lines loadLines = {"Scenario Alpha loading...", "Scenario Alpha running initialisation script...", "done",
                             "Clearing statistics.", "Scenario Alpha loaded."};
    {
        LogCapture first;
        scriptHost().runString("ScenarioManager.getSingleton().loadScenario('Alpha')\n");
        EXPECT_EQ(linesAmong(first, loadLines), loadLines);
    }
    Scenario& alpha = *manager.getCurrentScenario();
    EXPECT_TRUE(world.statistics->getProjectileNames().empty());
    EXPECT_EQ(world.sceneManager->getAmbientLight(), Ogre::ColourValue(0.5f, 0.5f, 0.5f, 0.0f));
    {
        SCOPED_TRACE("loading the current scenario again unloads it, then repeats the first load's lines");
        LogCapture second;
        EXPECT_EQ(&manager.loadScenario("Alpha"), &alpha);
        const Lines secondLoad = linesAmong(second, loadLines);
        ASSERT_GE(secondLoad.size(), loadLines.size());
        EXPECT_EQ(Lines(secondLoad.end() - loadLines.size(), secondLoad.end()), loadLines);
        // From a script, an unknown name raises and changes nothing.
        scriptHost().runString("try:\n    ScenarioManager.getSingleton().loadScenario('Nowhere')\n"
                               "except RuntimeError:\n    pass\nelse:\n    raise AssertionError('loaded')\n");
        EXPECT_TRUE(second.contains("ScenarioManager::loadScenario, unknown scenario Nowhere"));
        EXPECT_EQ(manager.getCurrentScenario(), &alpha);
        EXPECT_EQ(ScenarioWorld::events(), (Lines{"Alpha initialise", "Alpha unload", "Alpha initialise"}));
    }
    {
        SCOPED_TRACE("the unload writes the report, naming the scenario, then dumps statistics, then adjusts difficulty");
        manager.loadScenario("Beta");
        EXPECT_NE(readFile(world.path("Profile.log")).find("\nAlpha\n"), std::string::npos);
        world.profiler->setScenarioLineSource([] {
            Ogre::LogManager::getSingleton().logMessage("<report>");
            return std::string(ScenarioManager::getSingletonPtr()->getCurrentScenario() ? "Beta\n" : "");
        });
        ScenarioWorld::clearEvents();
        LogCapture log;
        manager.loadScenario("Alpha");
        EXPECT_EQ(linesAmong(log, {"<report>", "Statistics dump:", "Adjusting difficulty levels.",
                                   "Scenario Beta running unload...", "done", "Scenario Alpha loading..."}),
                  (Lines{"<report>", "Statistics dump:", "Adjusting difficulty levels.", "Scenario Beta running unload...",
                         "done", "Scenario Alpha loading...", "done"}));
        LogCapture quiet;
        manager.findScenario("Beta")->unload(); // not loaded: does not unload again
        EXPECT_TRUE(quiet.lines().empty());
        EXPECT_EQ(ScenarioWorld::events(), (Lines{"Beta unload", "Alpha initialise"}));
    }
    SCOPED_TRACE("unloadAll leaves no current scenario and releases every scenario");
    log.clear();
    manager.unloadAll();
    EXPECT_TRUE(log.contains("Scenario Alpha running unload..."));
    EXPECT_EQ(manager.getCurrentScenario(), nullptr);
    EXPECT_FALSE(Ogre::ResourceGroupManager::getSingleton().resourceGroupExists("Alpha"));
    std::ostringstream report;
    world.profiler->writeReport(report);
    EXPECT_NE(report.str().find("No scenario"), std::string::npos);
    log.clear();
    manager.unloadAll();
    EXPECT_FALSE(log.contains("Statistics dump:"));
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

// The exit's unloadAll when the scenario's own unload raises: the world is cleared for whatever
// comes next, and the profile report still names the scenario that was running.
TEST(ScenarioManagerTest, UnloadAllReleasesEverythingEvenWhenTheScenarioUnloadFails)
{
    ScenarioWorld world;
    std::string script = recordingScript("Alpha");
    const std::string hook = "events.append('Alpha unload')";
    world.addScript("alpha.py", script.replace(script.find(hook), hook.size(), "raise RuntimeError('unload failed')"));
    ScenarioManager& manager = world.preload();
    Scenario& alpha = manager.loadScenario("Alpha");
    alpha.addDirectionalLight(Ogre::Vector3(0, -1, 0), Ogre::ColourValue::White, Ogre::ColourValue::White);
    const std::string lightName = alpha.getLights().at(0)->getName();

    const Lines logged = failsWith<ScriptError>([&] { manager.unloadAll(); });
    EXPECT_TRUE(std::find(logged.begin(), logged.end(), "Python exception thrown while calling ScenarioConfig.unload") != logged.end());
    EXPECT_TRUE(manager.getScenarios().empty());
    EXPECT_EQ(manager.getCurrentScenario(), nullptr);
    EXPECT_FALSE(world.sceneManager->hasLight(lightName));
    const std::string report = readFile(world.path("Profile.log"));
    EXPECT_NE(report.find("System\n\nAlpha\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
}

} // namespace
} // namespace Tolvarine

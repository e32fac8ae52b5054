#include "AreaManager.h"
#include "DebrisSystem.h"
#include "Faction.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "Scheduler.h"
#include "ScenarioWorld.h"

#include <gtest/gtest.h>

#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// The game's own scenario scripts (data/scenarios) and "startup.py", run on a copy in a working
// folder of the test's own.
namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::ScenarioWorld;
using Test::scriptHost;

const std::string sourceFolder = TOLVARINE_SOURCE_DIR;

void copyGameScripts(const ScenarioWorld& world)
{
    for (const auto& entry : std::filesystem::directory_iterator(sourceFolder + "/data/scenarios"))
        std::filesystem::copy_file(entry.path(), world.path("data/scenarios/" + entry.path().filename().string()));
    std::filesystem::copy_file(sourceFolder + "/startup.py", world.path("startup.py"));
}

// The game's materials and their textures, as the start-up provides them.
void addCoreResources()
{
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.createResourceGroup("Core");
    for (const char* folder : {"/data/materials", "/data/textures", "/data/textures/skyboxes",
                               "/data/textures/explosions", "/data/meshes",
                               "/data/particle_systems"})
        groups.addResourceLocation(sourceFolder + folder, "FileSystem", "Core");
    groups.initialiseResourceGroup("Core");
    groups.loadResourceGroup("Core");
}

TEST(ScenarioScriptsTest, StartupScriptLoadsTheStartupScenarioUnderItsSky)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the sky's textures need the GL render system and an X display";
    ScenarioWorld world(true);
    world.root->loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
    addCoreResources();
    copyGameScripts(world);
    std::filesystem::copy(sourceFolder + "/data/areas", world.path("data/areas"));
    std::filesystem::copy(sourceFolder + "/cfg", world.path("cfg"));
    InputHandler input;
    Scheduler scheduler;
    AreaManager areas(world.path("data/areas"));
    DebrisSystem dust(*world.sceneManager);
    ScenarioManager& manager = world.preload();

    // This world has no ship types: a stand-in for the fleet spawner records what the scenario asks
    // for (the whole game spawns the real ships, see EngineTest).
    scriptHost().runString("import Tolvarine\n"
                           "requestedFleets = []\n"
                           "def recordFleet(fleet, faction, position, orientation):\n"
                           "    requestedFleets.append((dict(fleet), position.dotProduct(Tolvarine.Vector3(0, 0, 1))))\n"
                           "    return []\n"
                           "Tolvarine.Ship.spawnFleet = staticmethod(recordFleet)\n");
    LogCapture log;
    scriptHost().runScript("startup.py");
    EXPECT_TRUE(scriptHost().evaluate("len(requestedFleets) == 5 and requestedFleets[0][0] == {'trifighter': 1} "
                                      "and requestedFleets[2][1] < -100 and requestedFleets[3][0] == {'bastion': 1} "
                                      "and requestedFleets[4][1] < -100")
                    .ptr() == Py_True)
        << "the player's ship, its wing, the enemy's wing ahead of them, then a capital ship on each side";
    Scenario* startup = manager.getCurrentScenario();
    ASSERT_NE(startup, nullptr);
    EXPECT_TRUE(log.contains("Scenario Startup loaded."));
    EXPECT_TRUE(world.sceneManager->isSkyBoxEnabled());
    EXPECT_EQ(startup->getLights().size(), 2u);
    EXPECT_EQ(dust.getSystems().size(), 2u);
    const std::shared_ptr<Faction> player = startup->getFaction("Player");
    const std::shared_ptr<Faction> enemy = startup->getFaction("Enemy");
    ASSERT_TRUE(player && enemy);
    EXPECT_EQ(player->relationTo(*enemy), 2);

    // The other scenarios load cleanly after it, each replacing it; the game modes set up nothing.
    for (const char* name : {"Skirmish", "Survival"}) {
        EXPECT_TRUE(manager.loadScenario(name).getLights().empty()) << name;
        EXPECT_FALSE(world.sceneManager->isSkyBoxEnabled()) << name;
    }
    for (const char* name : {"Tutorial", "TestGround", "Test", "Startup"}) {
        Scenario& scenario = manager.loadScenario(name);
        EXPECT_TRUE(scenario.isLoaded()) << name;
        EXPECT_EQ(scenario.getEnvironmentMap(), "nebula_env.png") << name;
        EXPECT_EQ(world.sceneManager->getMovableObjects("Light").size(),
                  scenario.getLights().size() + scenario.getStarCount()) << name;
    }
}

} // namespace
} // namespace Tolvarine

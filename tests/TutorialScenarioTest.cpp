#include "Config.h"
#include "Faction.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "Scheduler.h"
#include "TutorialWorld.h"

#include <boost/python/extract.hpp>
#include <gtest/gtest.h>

#include <OgreResourceGroupManager.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

// The tutorial's scenario script and drone type as shipped, and the game side of the tutorial on
// the scenario it loads.
namespace Tolvarine::Test {
namespace {

const std::string sourceFolder = TOLVARINE_SOURCE_DIR;

TEST(TutorialScenario, BothSidesAndDronesThatNeverEngageWaitInThePracticeShipsNoseView)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the sky's textures need the GL render system and an X display";
    ScenarioWorld world(true);
    world.root->loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.createResourceGroup("Core");
    for (const char* folder : {"/data/materials", "/data/textures", "/data/textures/skyboxes", "/data/meshes",
                               "/data/particle_systems"})
        groups.addResourceLocation(sourceFolder + folder, "FileSystem", "Core");
    groups.initialiseResourceGroup("Core");
    std::filesystem::copy_file(sourceFolder + "/data/scenarios/tutorial.py", world.path("data/scenarios/tutorial.py"));
    InputHandler input;
    Scheduler scheduler;
    ScenarioManager& manager = world.preload();
    // No ship types here: the fleets the script asks for are recorded as type, x, y, z.
    scriptHost().runString("import Tolvarine\n"
                           "requestedShips = []\n"
                           "def recordFleet(fleet, faction, position, orientation):\n"
                           "    for name, count in dict(fleet).items():\n"
                           "        for i in range(count):\n"
                           "            requestedShips.append((name, position.dotProduct(Tolvarine.Vector3(1, 0, 0)),\n"
                           "                position.dotProduct(Tolvarine.Vector3(0, 1, 0)),\n"
                           "                position.dotProduct(Tolvarine.Vector3(0, 0, 1))))\n"
                           "    return []\n"
                           "Tolvarine.Ship.spawnFleet = staticmethod(recordFleet)\n");
    Scenario& tutorial = manager.loadScenario("Tutorial");

    const std::shared_ptr<Faction> player = tutorial.getFaction("Player");
    const std::shared_ptr<Faction> enemy = tutorial.getFaction("Enemy");
    ASSERT_TRUE(player && enemy);
    EXPECT_EQ(player->relationTo(*enemy), 2);
    EXPECT_EQ(enemy->relationTo(*player), 2);

    // The practice ship stands at (0, 0, -100) looking down -z: every drone lies well ahead of it,
    // inside a cone of 30 degrees about its nose.
    const boost::python::object ships = scriptHost().evaluate("requestedShips");
    ASSERT_GE(boost::python::len(ships), 3);
    for (long i = 0; i < boost::python::len(ships); ++i) {
        const std::string type = boost::python::extract<std::string>(ships[i][0]);
        const float x = boost::python::extract<float>(ships[i][1]);
        const float y = boost::python::extract<float>(ships[i][2]);
        const float ahead = -100.0f - boost::python::extract<float>(ships[i][3]);
        SCOPED_TRACE(type + " " + std::to_string(i));
        EXPECT_EQ(type, "drone");
        EXPECT_GT(ahead, 200.0f);
        EXPECT_LT(std::hypot(x, y), ahead * std::tan(30.0f * 3.14159265f / 180.0f));
    }
    // The drone looks for targets only within a metre: it never starts an attack run.
    const Config drone(sourceFolder + "/data/entities/drone.ship");
    EXPECT_LE(drone.get<float>("Behaviour", "engagementRange"), 1.0f);

    // The game side: the sides are found; a side the scenario lacks gives no ship and one line.
    TutorialWorld game;
    LogCapture log;
    EXPECT_EQ(game.countLiveShips("Enemy"), std::optional<std::size_t>(0));
    EXPECT_EQ(game.countLiveShips("Pirates"), std::nullopt);
    EXPECT_EQ(game.launchPlayerShip("trifighter", "Pirates", Ogre::Vector3(0, 0, -100)), nullptr);
    EXPECT_TRUE(log.contains("Tutorial: the current scenario has no faction Pirates; no ship for the player"));
}

} // namespace
} // namespace Tolvarine::Test

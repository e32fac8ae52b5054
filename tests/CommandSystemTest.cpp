// Command mode in the game's GUI over the shipped ships and a running scenario.
#include "CommandSystem.h"

#include "FrameDisplay.h"
#include "GuiWorld.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "Ship.h"
#include "ShipWorld.h"
#include "WidgetFactory.h"

#include <CEGUI/Window.h>

#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>

namespace Tolvarine::Test {
namespace {

// The GUI started as the game starts it, on the world's window, with the fixed camera.
class CommandMode : public ShipWorld {
protected:
    CommandMode()
    {
        if (!root)
            return;
        const std::string source(TOLVARINE_SOURCE_DIR), cegui("/usr/share/cegui-0.8.7/");
        for (const std::string& location : {source + "/data/gui", source + "/data/fonts", cegui + "imagesets",
                                            cegui + "looknfeel", std::string("/usr/share/fonts/truetype/dejavu")})
            Ogre::ResourceGroupManager::getSingleton().addResourceLocation(location, "FileSystem", Ogre::RGN_DEFAULT);
        // The world's folder holds the shipped settings; the interface's are the tests' own.
        writeFile("cfg/interface.cfg", shippedInterfaceSettings);
        input.loadKeymap(source + "/cfg/active.keymap");
        cameras = std::make_unique<CameraController>(scene(), cameraSettings);
        interface.setRenderWindow(root->window());
        interface.initialiseGui();
    }
    // The view goes before the camera it shows; the GUI goes with the world's interface.
    ~CommandMode() override { if (root) root->window()->removeAllViewports(); }

    const Config cameraSettings{shippedData("../cfg/camera.cfg")};
    std::unique_ptr<CameraController> cameras;
};

// The test ground and scripts change the scenario while command mode is open. Regressions: the
// ship listed then was left with its frame selected and came out of its pool so, keeping the target
// read-out up; and the list stayed the last scenario's, so that leaving flew a ship of no scenario or
// none while the new one had ships of the player.
TEST_F(CommandMode, AScenarioLoadedWhileOpenIsListedAndLeavingFliesOneOfItsShipsNeverOneOfTheLast)
{
    scriptHost().runString("events = []\n");
    std::filesystem::create_directories("data/scenarios");
    writeFile("data/scenarios/first.py", recordingScript("First", "", "Ship.create('trifighter').activate(Faction.create('Player'), Vector3(0, 0, 0), Quaternion.IDENTITY)"));
    // Its own set-up flies its second ship, as the Test scenario's does.
    writeFile("data/scenarios/second.py", recordingScript("Second", "", "Ship.spawnFleet({'kestrel': 1, 'trifighter': 1}, Faction.create('Player'), Vector3(0, 0, 0), Quaternion.IDENTITY)[1].setFocus(True)"));
    ScenarioManager scenarios;
    scenarios.parseScenarioScripts();
    scenarios.loadScenario("First");
    Ship* listed = scenarios.getCurrentScenario()->getFaction("Player")->getShips().at(0);
    interface.setMode(Interface::COMMAND, false);
    CommandSystem& command = CommandSystem::getSingleton();
    command.setObjective("Destroy the opposing forces");
    ASSERT_TRUE(listed->getFrameDisplay().isSelected());

    scenarios.loadScenario("Second");
    const std::vector<Ship*> ships = scenarios.getCurrentScenario()->getFaction("Player")->getShips();
    ASSERT_EQ(ships.size(), 2u);
    Ship* const flown = ships[0]->getType().getName() == "trifighter" ? ships[0] : ships[1];
    EXPECT_FALSE(listed->getFrameDisplay().isSelected() && listed != flown);
    EXPECT_EQ(command.getSelectedShip(), static_cast<Controllable*>(flown));
    EXPECT_TRUE(flown->getFrameDisplay().isSelected());
    EXPECT_EQ(Controllable::getFocused(), nullptr);
    EXPECT_EQ(cameras->getCurrentCamera(), &command.getCamera());
    EXPECT_EQ(WidgetFactory::findWindow("Command/Objective")->getText(), "Objective:");
    command.cycleShip();
    EXPECT_FALSE(flown->getFrameDisplay().isSelected());

    interface.setMode(Interface::NORMAL, false);
    Controllable* const focused = Controllable::getFocused();
    EXPECT_TRUE(focused == ships[0] || focused == ships[1]);
    EXPECT_FALSE(ships[0]->getFrameDisplay().isSelected() || ships[1]->getFrameDisplay().isSelected());
    scenarios.unloadAll();
}

// The flown ship taken out of play by the physics (placed or carried beyond its reach) left the
// player flying nothing, with no command mode and no word: now, as at the end of a death's
// sequence, command mode opens while the player's side has ships left, and the game ends without.
TEST_F(CommandMode, TheFlownShipThePhysicsTakesOutOfPlayOpensCommandModeOrEndsTheGame)
{
    scriptHost().runString("events = []\n");
    std::filesystem::create_directories("data/scenarios");
    const struct { const char* name; const char* ships; bool shipsLeft; } rows[] = {{"Wing", "2", true}, {"Alone", "1", false}};
    for (const auto& row : rows)
        writeFile(std::string("data/scenarios/") + row.name + ".py",
                  recordingScript(row.name, "", std::string("Ship.spawnFleet({'trifighter': ") + row.ships
                                                    + "}, Faction.create('Player'), Vector3(0, 0, 0), Quaternion.IDENTITY)"));
    ScenarioManager scenarios;
    scenarios.parseScenarioScripts();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Scenario& scenario = scenarios.loadScenario(row.name);
        interface.setMode(Interface::NORMAL, false);
        Ship* const flown = scenario.getFaction("Player")->getShips().at(0);
        flown->setFocus(true);
        flown->DynamicCollidable::getPhysicsBody().setPosition(Ogre::Vector3(0, 0, 2 * PhysicsEngine::MAX_COORDINATE));
        run(0.1);
        EXPECT_FALSE(flown->isActive());
        EXPECT_EQ(interface.getMode() == Interface::COMMAND, row.shipsLeft);
        EXPECT_EQ(scenario.hasEnded(), !row.shipsLeft);
    }
    scenarios.unloadAll();
}

} // namespace
} // namespace Tolvarine::Test

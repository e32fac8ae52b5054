// Command mode in the game's GUI over the shipped ships and a running scenario.
#include "CommandSystem.h"

#include "FrameDisplay.h"
#include "GuiWorld.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "Ship.h"
#include "ShipWorld.h"

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
        for (const char* file : {"camera.cfg", "widget_factory.cfg", "demo_help.cfg"})
            std::filesystem::copy_file(source + "/cfg/" + file, std::string("cfg/") + file);
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

// Regression: the test ground changes the scenario in command mode; the ship listed then was left
// with its frame selected, and came out of its pool so, keeping the target read-out up.
TEST_F(CommandMode, LeavingUnselectsTheListedShipAlsoWhenAScenarioChangeTookItFromThePlayer)
{
    scriptHost().runString("events = []\n");
    std::filesystem::create_directories("data/scenarios");
    writeFile("data/scenarios/first.py", recordingScript("First", "", "Ship.create('trifighter').activate(Faction.create('Player'), Vector3(0, 0, 0), Quaternion.IDENTITY)"));
    writeFile("data/scenarios/second.py", recordingScript("Second"));
    ScenarioManager scenarios;
    scenarios.parseScenarioScripts();
    scenarios.loadScenario("First");
    Ship* listed = scenarios.getCurrentScenario()->getFaction("Player")->getShips().at(0);
    interface.setMode(Interface::COMMAND, false);
    ASSERT_TRUE(listed->getFrameDisplay().isSelected());
    scenarios.loadScenario("Second");
    interface.setMode(Interface::NORMAL, false);
    EXPECT_FALSE(listed->getFrameDisplay().isSelected());
    EXPECT_EQ(Controllable::getFocused(), nullptr);
    scenarios.unloadAll();
}

} // namespace
} // namespace Tolvarine::Test

#include "CommandSystem.h"
#include "GuiWorld.h"
#include "WidgetFactory.h"

#include <CEGUI/Window.h>

namespace Tolvarine::Test {
namespace {

using CommandSheetTest = GuiWorld;

std::string textOf(const std::string& name)
{
    return WidgetFactory::findWindow(name)->getText().c_str();
}

TEST_F(CommandSheetTest, TheSheetShowsPausedTheShipRowsTheObjectiveAndTheKeysOfThisKeyMap)
{
    start();
    CommandSystem& command = CommandSystem::getSingleton();
    command.setObjective("Destroy the opposing forces");
    interface->setMode(Interface::COMMAND, false);
    const float width = 800;
    const float height = 600;
    const float centred = -1;

    const struct {
        const char* name;
        std::string text;
        float x;
        float y;
    } rows[] = {
        {"Command/Pause", "paused", centred, 0.5f},
        {"Command/ShipDescriptionLabel", "Ship:", width * 0.5f - 150, 0.1f},
        {"Command/PrimaryWeaponLabel", "Primary:", width * 0.5f - 150, 0.14f},
        {"Command/SecondaryWeaponLabel", "Secondary:", width * 0.5f - 150, 0.17f},
        // Without a scenario the player has no ships: the ship texts are empty.
        {"Command/ShipDescription", "", width * 0.5f - 50, 0.1f},
        {"Command/PrimaryWeapon", "", width * 0.5f - 50, 0.14f},
        {"Command/SecondaryWeapon", "", width * 0.5f - 50, 0.17f},
        {"Command/Objective", "Objective:    Destroy the opposing forces", centred, 0.7f},
        {"Command/Cycle", "Press <n> to cycle available ships", centred, 0.85f},
        {"Command/Select", "Press <c> to toggle ship-select mode", centred, 0.89f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const CEGUI::Window& window = *WidgetFactory::findWindow(row.name);
        EXPECT_EQ(textOf(row.name), row.text);
        EXPECT_EQ(window.getParent(), command.getSheet());
        const float x = row.x == centred ? (width - window.getPixelSize().d_width) * 0.5f : row.x;
        EXPECT_NEAR(window.getXPosition().d_offset, x, 0.5f);
        EXPECT_NEAR(window.getYPosition().d_offset, height * row.y, 0.5f);
    }
    EXPECT_TRUE(command.getSheet()->isVisible());
    EXPECT_FALSE(WidgetFactory::findWindow("Command/Cycle")->isVisible()) << "nothing to cycle through";
    EXPECT_EQ(command.getSelectedShip(), nullptr);
}

TEST_F(CommandSheetTest, WithoutTheSheetCommandModeStillPausesAndTakesTheOverviewCamera)
{
    start("[GUI]\nscheme = TaharezLook\nfont = Tolvarine-10\nalpha = 1.0\n[Interface]\nshowCommandSystem = 0\n");
    for (const bool on : {true, false, true}) {
        SCOPED_TRACE(on);
        interface->setMode(on ? Interface::COMMAND : Interface::NORMAL, false);
        EXPECT_EQ(scheduler.isPaused(), on);
        EXPECT_EQ(cameras->getCurrentCamera() == &CommandSystem::getSingleton().getCamera(), on);
        EXPECT_FALSE(CommandSystem::getSingleton().getSheet()->isVisible());
    }
}

} // namespace
} // namespace Tolvarine::Test

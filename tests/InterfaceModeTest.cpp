#include "CommandSystem.h"
#include "Controllable.h"
#include "GuiWorld.h"
#include "LogCapture.h"
#include "MenuSystem.h"
#include "NormalExit.h"
#include "ScenarioWorld.h"
#include "WidgetFactory.h"

#include <CEGUI/Font.h>
#include <CEGUI/GUIContext.h>
#include <CEGUI/MouseCursor.h>
#include <CEGUI/System.h>
#include <CEGUI/Window.h>

#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayElement.h>
#include <Overlay/OgreOverlayManager.h>

#include <algorithm>

namespace Tolvarine::Test {
namespace {

using InterfaceModeTest = GuiWorld;

bool cursorShown()
{
    return CEGUI::System::getSingleton().getDefaultGUIContext().getMouseCursor().isVisible();
}

std::size_t countLines(const LogCapture& log, const std::string& line)
{
    const auto lines = log.lines();
    return std::count(lines.begin(), lines.end(), line);
}

TEST_F(InterfaceModeTest, SetModeIsTheOneWayBetweenFlyingCommandModeAndTheMenus)
{
    start();
    LogCapture log;
    EXPECT_FALSE(input.isGuiInjectionOn());
    EXPECT_FALSE(cursorShown());
    const CEGUI::Window* sheet = CommandSystem::getSingleton().getSheet();

    const struct {
        int mode;
        bool lock;
        Interface::InterfaceMode now;
        bool paused;
        bool sheet;
        bool cursor;
        std::size_t entered;
    } rows[] = {
        {Interface::COMMAND, false, Interface::COMMAND, true, true, false, 1},
        {Interface::COMMAND, false, Interface::COMMAND, true, true, false, 1}, // not entered again
        {Interface::MENU, false, Interface::MENU, true, false, true, 1},
        {Interface::COMMAND, true, Interface::COMMAND, true, true, false, 2},
        {7, false, Interface::COMMAND, true, true, false, 2}, // only the keys change
        {Interface::NORMAL, true, Interface::NORMAL, false, false, false, 2},
        {Interface::NORMAL, false, Interface::NORMAL, false, false, false, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.mode) + (row.lock ? " locked" : ""));
        interface->setMode(row.mode, row.lock);
        const bool flying = row.now == Interface::NORMAL;
        EXPECT_EQ(interface->getMode(), row.now);
        EXPECT_EQ(scheduler.isPaused(), row.paused);
        EXPECT_EQ(CommandSystem::getSingleton().isActive(), row.now == Interface::COMMAND);
        EXPECT_EQ(sheet->isVisible(), row.sheet);
        EXPECT_EQ(cursorShown(), row.cursor);
        EXPECT_EQ(input.isGuiInjectionOn(), !flying);
        EXPECT_EQ(Controllable::isInputEnabled(), flying);
        EXPECT_EQ(interface->areModeKeysEnabled(), !row.lock);
        EXPECT_EQ(cameras->getCurrentCamera() == &CommandSystem::getSingleton().getCamera(), row.now == Interface::COMMAND);
        EXPECT_EQ(countLines(log, "Command mode: the game is paused, 0 ships of the player"), row.entered);
    }
    EXPECT_FALSE(MenuSystem::getSingleton().getMenuSheet()->isVisible());
    EXPECT_EQ(countLines(log, "Command mode left: no ship of the player to fly"), 2u);

    // The sheet shows "paused" at half height, the keys of this key map and the objective centred,
    // and no ship texts without a scenario.
    CommandSystem::getSingleton().setObjective("Destroy the opposing forces");
    interface->setMode(Interface::COMMAND, false);
    const struct { const char* name; std::string text; float y; } windows[] = {
        {"Command/Pause", "paused", 0.5f}, {"Command/ShipDescription", "", 0.1f},
        {"Command/Objective", "Objective:    Destroy the opposing forces", 0.7f},
        {"Command/Cycle", "Press <n> to cycle available ships", 0.85f}, {"Command/Select", "Press <c> to toggle ship-select mode", 0.89f}};
    for (const auto& row : windows) {
        const CEGUI::Window& window = *WidgetFactory::findWindow(row.name);
        EXPECT_EQ(std::string(window.getText().c_str()), row.text) << row.name;
        EXPECT_EQ(window.getParent(), sheet) << row.name;
        EXPECT_NEAR(window.getYPosition().d_offset, 600 * row.y, 0.5f) << row.name;
        EXPECT_TRUE(row.text.empty() || std::abs(window.getXPosition().d_offset * 2 + window.getPixelSize().d_width - 800) < 1) << row.name;
    }
    EXPECT_FALSE(WidgetFactory::findWindow("Command/Cycle")->isVisible()) << "nothing to cycle through";
    interface->setMode(Interface::NORMAL, false);

    // The mode key toggles command mode, in which the pause key is inert.
    for (const char* key : {"toggle_command_mode", "pause", "toggle_command_mode", "pause"})
        input.pulseSymbol(input.getSymbol(key));
    EXPECT_EQ(interface->getMode(), Interface::NORMAL);
    EXPECT_TRUE(scheduler.isPaused()) << "the second pause came after command mode";

    // Scripts switch modes through the same call; the quit key starts the exit.
    scriptHost().runString("from Tolvarine import *\nInterface.getSingleton().setMode(InterfaceMode.MENU, True)\n");
    EXPECT_EQ(interface->getMode(), Interface::MENU);
    EXPECT_FALSE(interface->areModeKeysEnabled());
    EXPECT_THROW(input.pulseSymbol(input.getSymbol("quit")), NormalExit);
}

TEST_F(InterfaceModeTest, TheTransientMessageHoldsThenFadesOnTheGameClock)
{
    start();
    interface->showTransientMessage("Wave 2 incoming", 2.0f, 1.0f);
    CEGUI::Window& message = *WidgetFactory::findWindow("Desktop/Message");
    const CEGUI::Font& font = *message.getFont();
    EXPECT_NEAR(message.getPixelSize().d_width, font.getTextExtent("Wave 2 incoming", 1.0f) + 8, 0.5f);
    EXPECT_NEAR(message.getXPosition().d_offset, (800 - message.getPixelSize().d_width) * 0.5f, 0.5f);
    EXPECT_FLOAT_EQ(message.getYPosition().d_offset, 100.0f);

    const struct {
        double after; // game seconds since the last row
        bool running;
        bool visible;
        float alpha;
    } rows[] = {{1.0, true, true, 1.0f}, {1.0, true, true, 1.0f}, {0.5, true, true, 0.5f}, {0.6, false, false, 0.5f}};
    for (const auto& row : rows) {
        ManualTicks::advance(row.after);
        SCOPED_TRACE(Scheduler::getSingleton().getTime());
        EXPECT_EQ(interface->transientMessageUpdate(0.0f), row.running);
        EXPECT_EQ(message.isVisible(), row.visible);
        EXPECT_NEAR(message.getAlpha(), row.alpha, 1e-3f);
    }
    // The game clock stands while paused, and so does the message.
    interface->showTransientMessage("Paused", 1.0f, 1.0f);
    scheduler.setPaused(true);
    ManualTicks::advance(5.0);
    EXPECT_TRUE(interface->transientMessageUpdate(0.0f));
    EXPECT_FLOAT_EQ(message.getAlpha(), 1.0f);
}

// With "showFps" the overlay is shown and its numbers are written every half second of real time
// from the first second on, paused or not.
TEST_F(InterfaceModeTest, TheStatsOverlayIsWrittenTwiceASecondOfRealTimeFromTheFirstSecond)
{
    start("[GUI]\nscheme = TaharezLook\nfont = Tolvarine-10\nalpha = 1.0\n[Interface]\nshowFps = 1\n");
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    EXPECT_TRUE(overlays.getByName("Stats")->isVisible());
    Ogre::OverlayElement* fps = overlays.getOverlayElement("Stats/TopRight/Fps");
    Ogre::OverlayElement* tris = overlays.getOverlayElement("Stats/TopRight/Tris");
    scheduler.setPaused(true);

    // Real seconds since the clock started, and whether the numbers are written then.
    const std::pair<double, bool> rows[] = {{0.5, false}, {1.0, false}, {1.01, true}, {1.3, false},
                                            {1.52, true}, {2.0, false}, {2.1, true}};
    for (const auto& [at, written] : rows) {
        SCOPED_TRACE(at);
        fps->setCaption("-");
        tris->setCaption("-");
        ManualTicks::advance(at - scheduler.getRealTime() - 1e-6);
        interface->updateStats(0.0f, 0.0f);
        EXPECT_EQ(fps->getCaption() != "-", written);
        EXPECT_EQ(tris->getCaption() != "-", written);
        if (written) {
            EXPECT_NO_THROW(std::stoul(fps->getCaption().asUTF8()));
        }
    }
}

} // namespace
} // namespace Tolvarine::Test

#include "GuiWorld.h"
#include "LogCapture.h"
#include "MenuSystem.h"
#include "NormalExit.h"
#include "WizardDoubles.h"

#include <CEGUI/widgets/FrameWindow.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace Tolvarine::Test {
namespace {

class MenuSystemTest : public GuiWorld {
protected:
    void startMenus()
    {
        std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/demo_help.cfg",
                                   folder.file("cfg/demo_help.cfg"));
        start();
        menus = MenuSystem::getSingletonPtr();
        ASSERT_NE(menus, nullptr) << "the GUI start builds the menus";
        menus->createHelpPane();
    }

    CEGUI::Window* sheet(const std::string& name)
    {
        CEGUI::FrameWindow* frame = WidgetFactory::createFrameWindow(name, menus->getMenuSheet(), name);
        WidgetFactory::setClientSize(*frame, 200, 100);
        frame->hide();
        return frame;
    }

    void pressBack() { input.pulseSymbol(input.getSymbol("back")); }

    MenuSystem* menus = nullptr;
};

// Showing the menu pauses the game and shows only the top sheet; hiding resumes and hides it.
TEST_F(MenuSystemTest, TheMenuModeShowsTheTopSheetAndPausesWhileItShows)
{
    startMenus();
    CEGUI::Window* quit = sheet("QuitMenu");
    CEGUI::Window* main = sheet("Main");
    menus->pushSheet(quit);
    menus->pushSheet(main);
    EXPECT_FALSE(main->isVisible()) << "nothing shows while the menu is hidden";
    EXPECT_EQ(menus->getMenuSheet()->getParent(), interface->getDesktopWindow());

    interface->setMode(Interface::MENU, false);
    EXPECT_TRUE(scheduler.isPaused());
    EXPECT_TRUE(main->isVisible() && main->isAlwaysOnTop());
    EXPECT_FALSE(quit->isVisible());
    main->hide();
    menus->pop();
    menus->showTop();
    EXPECT_TRUE(quit->isVisible() && quit->isAlwaysOnTop());

    interface->setMode(Interface::NORMAL, false);
    EXPECT_FALSE(scheduler.isPaused());
    EXPECT_FALSE(menus->isShown() || quit->isEffectiveVisible());
    menus->pop();
    menus->pop();
    EXPECT_TRUE(menus->getStack().empty()) << "popping an empty stack changes nothing";
}

// The five rules of the back key, each from its own starting state.
TEST_F(MenuSystemTest, TheBackKeyFollowsTheOverrideThenOpensTheMenuThenClosesSheetsThenQuits)
{
    startMenus();
    CEGUI::Window* quit = sheet("QuitMenu");
    CEGUI::Window* main = sheet("Main");
    Journal journal;
    menus->getTutorialWizard().addStage(
        std::make_shared<JournalStage>("TutorialPage", menus->getTutorialWizard(), journal));
    const struct {
        const char* name;
        bool shown;
        std::vector<CEGUI::Window*> stack;
        bool tutorial;
        std::vector<CEGUI::Window*> expectedStack;
        bool quits;
    } rows[] = {
        {"tutorial running: it is cancelled, its page leaves the stack", true, {quit, main}, true, {quit, main}, false},
        {"playing: the menu opens on the top sheet", false, {quit, main}, false, {quit, main}, false},
        {"two sheets: the top one closes", true, {quit, main}, false, {quit}, false},
        {"one sheet: quit", true, {quit}, false, {quit}, true},
        {"no sheet: quit", true, {}, false, {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        interface->setMode(row.shown ? Interface::MENU : Interface::NORMAL, false);
        while (!menus->getStack().empty())
            menus->pop();
        for (CEGUI::Window* window : row.stack)
            menus->pushSheet(window);
        menus->showHelpPane();
        journal.clear();
        if (row.tutorial) {
            menus->startTutorial();
            ASSERT_EQ(menus->getStack().back(), menus->getTutorialWizard().getRootWindow());
        }
        if (row.quits)
            EXPECT_THROW(pressBack(), NormalExit);
        else
            pressBack();
        EXPECT_EQ(menus->getStack(), row.expectedStack);
        EXPECT_EQ(interface->getMode(), Interface::MENU);
        EXPECT_TRUE(menus->isShown());
        if (row.tutorial) {
            EXPECT_EQ(journal, (Journal{"build TutorialPage", "enter TutorialPage+", "leave TutorialPage-"}));
            EXPECT_TRUE(menus->getHelpPane()->isVisible()) << "the override alone runs";
        } else {
            EXPECT_FALSE(menus->getHelpPane()->isVisible());
        }
        if (!row.expectedStack.empty())
            EXPECT_TRUE(row.expectedStack.back()->isVisible());
    }
    // The back key from play leaves the mode keys locked.
    interface->setMode(Interface::NORMAL, false);
    pressBack();
    EXPECT_FALSE(interface->areModeKeysEnabled());
}

// Help texts come from cfg/demo_help.cfg by the window's name; a name without one is logged and
// leaves the text shown.
TEST_F(MenuSystemTest, HelpShowsTheWidgetsTextAndLogsAWidgetWithout)
{
    startMenus();
    CEGUI::Window* label = WidgetFactory::findWindow("Help/HelpLabel");
    interface->setMode(Interface::MENU, false);
    menus->showHelpPane();
    const Config& help = MenuSystem::getHelpConfig();
    EXPECT_EQ(label->getText(), help.get<std::string>("Help", "reset"));
    const struct {
        const char* widget;
        std::string shown;
        bool logged;
    } rows[] = {
        {"Graphics/Glow", help.get<std::string>("Help", "Graphics/Glow"), false},
        {"Play/Start", help.get<std::string>("Help", "Graphics/Glow"), true},
        {"Play/Difficulty", help.get<std::string>("Help", "Play/Difficulty"), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.widget);
        LogCapture log;
        CEGUI::Window* widget = WidgetFactory::createStaticText(row.widget, menus->getMenuSheet(), "x");
        CEGUI::WindowEventArgs args(widget);
        menus->showHelp(args);
        EXPECT_EQ(label->getText(), row.shown);
        EXPECT_EQ(log.contains(std::string("No help text found for widget: ") + row.widget), row.logged);
    }
    // With help off the pane stays hidden.
    menus->hideHelpPane();
    menus->setHelpEnabled(false);
    menus->showHelpPane();
    EXPECT_FALSE(menus->getHelpPane()->isVisible());
}

// The pane's client area is 500 x 110 and its frame sits on the bottom edge, centred.
TEST_F(MenuSystemTest, TheHelpPaneSitsAtTheBottomCentreAndTheControlSheetsBackSavesTheKeyMap)
{
    startMenus();
    const CEGUI::Rectf pane = menus->getHelpPane()->getUnclippedOuterRect().get();
    const CEGUI::Rectf client = menus->getHelpPane()->getUnclippedInnerRect().get();
    EXPECT_NEAR(client.getWidth(), 500, 1.0f);
    EXPECT_NEAR(client.getHeight(), 110, 1.0f);
    EXPECT_NEAR(pane.left() + pane.getWidth() / 2, 400, 1.0f);
    EXPECT_NEAR(pane.bottom(), 600, 1.0f);

    ASSERT_FALSE(std::filesystem::exists(folder.file("cfg/active.keymap")));
    menus->pushSheet(sheet("Main"));
    menus->pushSheet(sheet("Control"));
    menus->closeControlSheet(CEGUI::EventArgs());
    EXPECT_TRUE(std::filesystem::exists(folder.file("cfg/active.keymap")));
    EXPECT_EQ(menus->getStack().size(), 1u);
}

} // namespace
} // namespace Tolvarine::Test

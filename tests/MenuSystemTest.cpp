#include "GuiWorld.h"
#include "LogCapture.h"
#include "MenuSystem.h"
#include "NormalExit.h"
#include "WizardDoubles.h"

#include <filesystem>
#include <memory>

namespace Tolvarine::Test {
namespace {

class MenuSystemTest : public GuiWorld {
protected:
    void SetUp() override
    {
        start();
        menus = MenuSystem::getSingletonPtr();
        ASSERT_NE(menus, nullptr) << "the GUI start builds the menus";
        sheets = {menus->getQuitSheet(), menus->getMainSheet(), WidgetFactory::createFrameWindow("Control", menus->getMenuSheet(), "")};
        sheets.back()->hide();
    }

    MenuSystem* menus = nullptr;
    std::vector<CEGUI::Window*> sheets;
};

// Each row starts from its own state and presses "back" once.
TEST_F(MenuSystemTest, TheBackKeyFollowsTheOverrideThenOpensTheMenuThenClosesSheetsThenQuits)
{
    CEGUI::Window* quit = sheets[0];
    CEGUI::Window* main = sheets[1];
    Journal journal;
    menus->getTutorialWizard().addStage(std::make_shared<JournalStage>("Lesson", menus->getTutorialWizard(), journal));
    const struct {
        const char* name;
        bool shown, tutorial;
        std::vector<CEGUI::Window*> stack, expectedStack;
        bool quits;
    } rows[] = {
        {"tutorial running: it is cancelled and leaves the stack", true, true, {quit, main}, {quit, main}, false},
        {"playing: the menu opens, keys locked, on the top sheet", false, false, {quit, main}, {quit, main}, false},
        {"two sheets: the top one closes", true, false, {quit, main}, {quit}, false},
        {"one sheet: quit", true, false, {quit}, {quit}, true},
        {"no sheet: quit", true, false, {}, {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        interface->setMode(row.shown ? Interface::MENU : Interface::NORMAL, false);
        for (CEGUI::Window* window : sheets)
            window->hide();
        while (!menus->getStack().empty())
            menus->pop();
        for (CEGUI::Window* window : row.stack)
            menus->pushSheet(window);
        EXPECT_EQ(quit->isVisible(), row.shown && row.stack.size() == 1) << "only the top of a shown menu shows";
        menus->showHelpPane();
        journal.clear();
        if (row.tutorial) {
            menus->startTutorial();
        }
        if (row.quits) {
            EXPECT_THROW(input.pulseSymbol(input.getSymbol("back")), NormalExit);
        } else {
            input.pulseSymbol(input.getSymbol("back"));
        }
        EXPECT_EQ(menus->getStack(), row.expectedStack);
        EXPECT_TRUE(interface->getMode() == Interface::MENU && menus->isShown());
        EXPECT_EQ(interface->areModeKeysEnabled(), row.shown);
        EXPECT_EQ(journal, (row.tutorial ? Journal{"build Lesson", "enter Lesson+", "leave Lesson-"} : Journal{}));
        EXPECT_EQ(menus->getHelpPane()->isVisible(), row.tutorial) << "the override alone runs";
        if (!row.expectedStack.empty()) {
            EXPECT_TRUE(row.expectedStack.back()->isVisible() && row.expectedStack.back()->isAlwaysOnTop());
        }
    }
    interface->setMode(Interface::NORMAL, false);
    EXPECT_FALSE(menus->getMenuSheet()->isVisible());
}

// Help texts come from cfg/demo_help.cfg by the window's name; a name without one is logged and
// leaves the text shown. The pane's client area is 500 x 110, its frame on the bottom edge,
// centred. The control sheet's back button writes the key map.
TEST_F(MenuSystemTest, HelpShowsTheWidgetsTextAtTheBottomCentreAndTheControlSheetsBackSavesTheKeyMap)
{
    CEGUI::Window* label = WidgetFactory::findWindow("Help/HelpLabel");
    interface->setMode(Interface::MENU, false);
    menus->showHelpPane();
    const Config& help = MenuSystem::getHelpConfig();
    EXPECT_EQ(label->getText(), help.get<std::string>("Help", "reset"));
    const std::string glow = help.get<std::string>("Help", "Graphics/Glow");
    const std::pair<const char*, std::string> rows[] = {
        {"Graphics/Glow", glow}, {"Play/Start", glow}, {"Play/Difficulty", help.get<std::string>("Help", "Play/Difficulty")}};
    for (const auto& [widget, shown] : rows) {
        SCOPED_TRACE(widget);
        LogCapture log;
        CEGUI::WindowEventArgs args(WidgetFactory::createStaticText(widget, menus->getMenuSheet(), "x"));
        menus->showHelp(args);
        EXPECT_EQ(label->getText(), shown);
        EXPECT_EQ(log.contains(std::string("No help text found for widget: ") + widget), shown != help.get<std::string>("Help", widget, ""));
    }
    const CEGUI::Rectf pane = menus->getHelpPane()->getUnclippedOuterRect().get();
    const CEGUI::Rectf client = menus->getHelpPane()->getUnclippedInnerRect().get();
    EXPECT_NEAR(client.getWidth(), 500, 1.0f);
    EXPECT_NEAR(client.getHeight(), 110, 1.0f);
    EXPECT_NEAR(pane.left() + pane.getWidth() / 2, 400, 1.0f);
    EXPECT_NEAR(pane.bottom(), 600, 1.0f);
    menus->setHelpEnabled(false);
    menus->hideHelpPane();
    menus->showHelpPane();
    EXPECT_FALSE(menus->getHelpPane()->isVisible()) << "help off";

    ASSERT_FALSE(std::filesystem::exists(folder.file("cfg/active.keymap")));
    menus->pushSheet(sheets[2]);
    menus->closeControlSheet(CEGUI::EventArgs());
    EXPECT_TRUE(std::filesystem::exists(folder.file("cfg/active.keymap")));
    EXPECT_EQ(menus->getStack(), (std::vector<CEGUI::Window*>{sheets[0], sheets[1]}));
}

} // namespace
} // namespace Tolvarine::Test

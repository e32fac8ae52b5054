#include "AreaManager.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "GuiWorld.h"
#include "LogCapture.h"
#include "MenuSystem.h"
#include "NormalExit.h"
#include "Statistics.h"
#include "WidgetFactory.h"
#include "WizardDoubles.h"

#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/ListboxItem.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/RadioButton.h>
#include <CEGUI/widgets/Slider.h>
#include <CEGUI/widgets/ToggleButton.h>
#include <boost/lexical_cast.hpp>

namespace Tolvarine::Test {
namespace {

// The menus as the GUI start leaves them, with the settings the sheets show, three areas and the
// combat statistics. No scenario manager: the tutorial's scenario loads are logged and skipped.
class MenuSheetsTest : public GuiWorld {
protected:
    // An empty `helpEnabled` leaves the help file without the key (nor its section).
    void startMenus(const std::string& helpEnabled = "1")
    {
        if (helpEnabled.empty()) {
            writeFile(folder.file("cfg/demo_help.cfg"), "[Help]\nreset = Point at a setting.\n");
        } else {
            Config help(folder.file("cfg/demo_help.cfg"));
            help.setValue("General", "enabled", helpEnabled);
            help.save();
        }
        for (const char* file : {"graphics.cfg", "gameplay.cfg"})
            std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/" + file, folder.file(std::string("cfg/") + file));
        graphics = std::make_unique<GraphicsSettings>();
        gameplay = std::make_unique<GameplaySettings>();
        std::filesystem::create_directories(folder.file("areas"));
        for (const char* name : {"Nebula", "Ember", "Drift"})
            writeFile(folder.file(std::string("areas/") + name + ".area"), std::string("[Area]\nname = ") + name + "\n");
        start();
        areas = std::make_unique<AreaManager>(folder.file("areas"));
        menus = MenuSystem::getSingletonPtr();
        interface->setMode(Interface::MENU, true);
    }

    // The stacked sheets from the bottom, each followed by "*" when it shows.
    std::string stackText() const
    {
        std::string names;
        for (const CEGUI::Window* window : menus->getStack())
            names += std::string(names.empty() ? "" : " ") + window->getName().c_str() + (window->isVisible() ? "*" : "");
        return names;
    }

    static void click(const std::string& name)
    {
        CEGUI::Window* button = WidgetFactory::findWindow(name);
        ASSERT_NE(button, nullptr) << name;
        CEGUI::WindowEventArgs args(button);
        button->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
    }

    static std::string text(const std::string& name) { return WidgetFactory::findWindow(name)->getText().c_str(); }
    static CEGUI::ToggleButton* box(const std::string& name)
    {
        return static_cast<CEGUI::ToggleButton*>(WidgetFactory::findWindow(name));
    }

    std::unique_ptr<GraphicsSettings> graphics;
    std::unique_ptr<GameplaySettings> gameplay;
    std::unique_ptr<AreaManager> areas;
    Statistics statistics;
    MenuSystem* menus = nullptr;
};

std::uint32_t key(const char* name)
{
    return InputHandler::keyCodeForName(name).value();
}

// Each row starts from its own state and presses "back" once: a running tutorial is cancelled, a
// game in play opens the menu with its keys locked, the top of two sheets closes, else the game
// quits.
TEST_F(MenuSheetsTest, TheBackKeyFollowsTheOverrideThenOpensTheMenuThenClosesSheetsThenQuits)
{
    startMenus();
    CEGUI::Window* quit = menus->getQuitSheet();
    CEGUI::Window* main = menus->getMainSheet();
    Journal journal;
    menus->getTutorialWizard().addStage(std::make_shared<JournalStage>("Lesson", menus->getTutorialWizard(), journal));
    const struct {
        const char* name;
        bool shown, tutorial;
        std::vector<CEGUI::Window*> stack, expectedStack;
    } rows[] = {
        {"tutorial running", true, true, {quit, main}, {quit, main}},
        {"playing", false, false, {quit, main}, {quit, main}},
        {"two sheets", true, false, {quit, main}, {quit}},
        {"one sheet", true, false, {quit}, {quit}},
        {"no sheet", true, false, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        interface->setMode(row.shown ? Interface::MENU : Interface::NORMAL, false);
        quit->hide();
        main->hide();
        while (!menus->getStack().empty())
            menus->pop();
        for (CEGUI::Window* window : row.stack)
            menus->pushSheet(window);
        menus->showHelpPane();
        journal.clear();
        if (row.tutorial)
            menus->startTutorial();
        if (row.shown && !row.tutorial && row.stack.size() < 2) {
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
}

// "enabled = 0" at start-up builds the four sheets with help, their boxes clear; the play sheet's
// box turns help back on for all of them, saved. Help texts come by the window's name; a name
// without one is logged and leaves the text shown.
TEST_F(MenuSheetsTest, HelpOffAtStartUpClearsEveryHelpBoxOneBoxTurnsItOnAndTheTextsFollowTheWidget)
{
    startMenus("0");
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "the play sheet's box" : "help off from the file");
        if (on)
            box("Play/Help")->setSelected(true);
        EXPECT_EQ(menus->isHelpEnabled(), on);
        for (const char* name : {"Play/Help", "AdvancedControl/Help", "Gameplay/Help", "Graphics/Help"})
            EXPECT_EQ(box(name)->isSelected(), on) << name;
        EXPECT_EQ(Config("cfg/demo_help.cfg").get<bool>("General", "enabled"), on);
        EXPECT_EQ(menus->getHelpPane()->isVisible(), on);
    }
    EXPECT_EQ(text("Help/HelpLabel"), MenuSystem::getHelpConfig().get<std::string>("Help", "reset"));
    LogCapture log;
    for (const char* widget : {"Play/Difficulty", "Play/Start"}) {
        CEGUI::WindowEventArgs args(WidgetFactory::findWindow(widget));
        menus->showHelp(args);
    }
    const Config& help = MenuSystem::getHelpConfig();
    EXPECT_EQ(text("Help/HelpLabel"), help.get<std::string>("Help", "Play/Difficulty"));
    EXPECT_TRUE(log.contains("No help text found for widget: Play/Start"));
}

// Regression: a help file without the key reads as help on, but the first toggle ended the game
// (the key could not be created). It is written now, and the help texts stay.
TEST_F(MenuSheetsTest, AHelpFileWithoutTheKeyReadsAsOnAndTheFirstToggleWritesIt)
{
    startMenus("");
    EXPECT_TRUE(menus->isHelpEnabled());
    EXPECT_NO_THROW(menus->onHelpToggled(CEGUI::EventArgs()));
    const Config saved("cfg/demo_help.cfg");
    EXPECT_FALSE(saved.get<bool>("General", "enabled"));
    EXPECT_EQ(saved.get<std::string>("Help", "reset"), "Point at a setting.");
}

// The play sheet offers the areas and "Random", which keeps to the names there are; with none the
// game starts without an area. Survival never reads the enemy's count.
TEST_F(MenuSheetsTest, ThePlaySheetChoosesTheAreaAndReadsTheEnemyForASkirmishOnly)
{
    startMenus();
    EXPECT_EQ(menus->getPlaySheet(), nullptr) << "help on: built when first opened";
    menus->openPlaySheet();
    const auto* environment = static_cast<CEGUI::Combobox*>(WidgetFactory::findWindow("Play/EnvironmentCombo"));
    std::string offered;
    for (std::size_t i = 0; i < environment->getItemCount(); ++i)
        offered += std::string(environment->getListboxItemFromIndex(i)->getText().c_str()) + " ";
    EXPECT_EQ(offered + text("Play/EnvironmentCombo"), "Drift Ember Nebula Random Random");

    const std::vector<std::string> three{"Drift", "Ember", "Nebula"};
    const struct {
        const char* choice;
        std::vector<std::string> names;
        float draw;
        const char* area;
    } rows[] = {{"Random", three, 0.0f, "Drift"},     {"Random", three, 1.5f, "Ember"},
                {"Random", three, 2.999999f, "Nebula"}, {"Random", three, 3.0f, "Nebula"},
                {"Random", {}, -0.000001f, ""},        {"Ember", three, 2.5f, "Ember"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.choice) + " of " + std::to_string(row.names.size()) + " at " + std::to_string(row.draw));
        LogCapture log;
        EXPECT_EQ(MenuSystem::chooseArea(row.choice, row.names, row.draw), row.area);
        EXPECT_EQ(log.contains("MenuSystem: there is no area to draw; the game starts without one"), row.names.empty());
    }

    WidgetFactory::findWindow("Play/EnemyTrifighterCombo")->setText("many");
    const MenuSystem::GameSetUp survival = menus->readGameSetUp();
    EXPECT_FALSE(survival.skirmish);
    EXPECT_EQ(survival.playerFleet, (Scenario::FleetMap{{"trifighter", 2}}));
    EXPECT_TRUE(survival.enemyFleet.empty());
    EXPECT_NE(std::find(three.begin(), three.end(), survival.area), three.end());
    static_cast<CEGUI::RadioButton*>(WidgetFactory::findWindow("Play/SkirmishMode"))->setSelected(true);
    EXPECT_THROW(menus->readGameSetUp(), boost::bad_lexical_cast);
    WidgetFactory::findWindow("Play/EnemyTrifighterCombo")->setText("2");
    EXPECT_EQ(menus->readGameSetUp().enemyFleet, (Scenario::FleetMap{{"trifighter", 2}}));
}

// The first nine types by name; a shorter table later clears the rows under it. The sheet's Play
// opens the play sheet, whose Back returns to the main sheet.
TEST_F(MenuSheetsTest, TheStatisticsTableShowsHitsAndDamagePerTypeAndClearsStaleRows)
{
    startMenus();
    const auto row = [](int i) {
        const std::string n = std::to_string(i);
        return text("Stats/Label" + n) + "|" + text("Stats/Accuracy" + n) + "|" + text("Stats/Damage" + n);
    };
    for (char type = 'l'; type >= 'a'; --type)
        statistics.recordShot("Player", true, std::string("Type ") + type);
    menus->showStats();
    EXPECT_EQ(row(0), "Weapon statistics:|Hit|Damage");
    EXPECT_EQ(row(1), " - Type a|0 %|0") << "fired, never hit";
    EXPECT_EQ(row(9), " - Type i|0 %|0") << "the first nine by name";

    statistics.clear();
    for (int shot = 0; shot < 1000; ++shot)
        statistics.recordShot("Player", true, "Plasma");
    for (int hit = 0; hit < 456; ++hit)
        statistics.recordHit("Player", true, "Plasma", hit == 0 ? 1234 : 0);
    statistics.recordShot("Player", true, "Missile");
    menus->showStats();
    EXPECT_EQ(row(1), " - Missile|0 %|0");
    EXPECT_EQ(row(2), " - Plasma|46 %|1234");
    for (int i = 3; i < 10; ++i) {
        EXPECT_EQ(row(i), "||") << "row " << i;
        EXPECT_FALSE(WidgetFactory::findWindow("Stats/Damage" + std::to_string(i))->isVisible()) << "row " << i;
    }
    EXPECT_TRUE(WidgetFactory::findWindow("Stats/Damage2")->isVisible());
    EXPECT_EQ(stackText(), "QuitMenu Main StatsMenu*");
    click("Stats/Play");
    EXPECT_EQ(stackText(), "QuitMenu Main PlayMenu*");
    click("Play/Back");
    EXPECT_EQ(stackText(), "QuitMenu Main*");
    EXPECT_FALSE(menus->getHelpPane()->isVisible()) << "the play sheet's back hides the help";
}

// The options sheets open from their buttons and their Back buttons return one sheet at a time;
// leaving the advanced control sheet applies its sliders, whole numbers truncated (37.9 is 37),
// and writes them with the bindings to "cfg/active.keymap".
TEST_F(MenuSheetsTest, OptionsSheetsOpenAndCloseThroughTheirButtonsAndBackSavesTheKeyMap)
{
    startMenus();
    const auto slide = [](const char* name, float value) {
        static_cast<CEGUI::Slider*>(WidgetFactory::findWindow(name))->setCurrentValue(value);
    };
    const std::pair<const char*, const char*> steps[] = {
        {"Main/Options", "QuitMenu Main Options*"},
        {"Options/Control", "QuitMenu Main Options Control*"},
        {"Control/Advanced", "QuitMenu Main Options Control AdvancedControl*"},
        {"AdvancedControl/Back", "QuitMenu Main Options Control*"},
        {"Control/Back", "QuitMenu Main Options*"},
        {"Options/Back", "QuitMenu Main*"},
    };
    for (const auto& [button, stack] : steps) {
        SCOPED_TRACE(button);
        if (std::string(button) == "AdvancedControl/Back") {
            slide("AdvancedControl/Sensitivity", 37.9f);
            slide("AdvancedControl/JoystickDeadZone", 12.6f);
        }
        click(button);
        EXPECT_EQ(stackText(), stack);
    }
    EXPECT_EQ(input.getMouseSensitivity(), 37u);
    EXPECT_EQ(input.getJoystickDeadZone(), 12u);
    const Config saved(folder.file("cfg/active.keymap"));
    EXPECT_EQ(saved.get<std::string>("General", "mouse_sensitivity"), "37");
    EXPECT_EQ(saved.get<std::string>("General", "joystick_dead_zone"), "12");
}

// The combo shows 3 - level; reopening shows what the sheet last held, not the file.
TEST_F(MenuSheetsTest, GraphicsMaxDetailIsShownInvertedAndTheSheetKeepsItsValues)
{
    startMenus();
    graphics->setMaxShipLodLevel(1);
    menus->openGraphicsSheet(CEGUI::EventArgs());
    CEGUI::Window* combo = WidgetFactory::findWindow("Graphics/MaxLod");
    EXPECT_EQ(std::string(combo->getText().c_str()), "2");
    const std::pair<const char*, unsigned short> rows[] = {{"3", 0}, {"0", 3}, {"7", 2}, {"x", 2}};
    for (const auto& [shown, level] : rows) {
        SCOPED_TRACE(shown);
        combo->setText(shown);
        menus->closeGraphicsSheet(CEGUI::EventArgs());
        EXPECT_EQ(graphics->getMaxShipLodLevel(), level);
        EXPECT_EQ(Config("cfg/graphics.cfg").get<unsigned short>("Graphics", "maxShipLodLevel"), level);
        graphics->setMaxShipLodLevel(2);
        menus->openGraphicsSheet(CEGUI::EventArgs());
        EXPECT_EQ(std::string(combo->getText().c_str()), shown) << "stale on reopen";
    }
}

// Each row starts from the shipped key map, asks for pitch_up's binding and feeds one input.
TEST_F(MenuSheetsTest, CaptureBindsTheCommandAndItsPartnerOrKeepsWaitingOrCancels)
{
    startMenus();
    menus->openControlSheet();
    const std::string keymap = std::string(TOLVARINE_SOURCE_DIR) + "/cfg/active.keymap";
    const std::string U = "Mouse Move Up", D = "Mouse Move Down";
    // The input fed, whether the capture goes on, the names pitch_up and pitch_down end with, what is printed.
    const struct {
        const char* name;
        InputType kind;
        std::uint32_t code;
        float value;
        bool capturing;
        std::string pitchUp, pitchDown, printed;
    } rows[] = {
        {"small mouse move keeps capturing", InputType::MOUSE_MOVE, 3, 0.29f, true, U, D, ""},
        {"move of exactly 0.3 binds both", InputType::MOUSE_MOVE, 3, -0.3f, false, D, U, ""},
        {"escape cancels", InputType::KEY, key("escape"), 1.0f, false, U, D, ""},
        {"backspace cancels", InputType::KEY, key("backspace"), 1.0f, false, U, D, ""},
        {"tab cancels", InputType::KEY, key("tab"), 1.0f, false, U, D, ""},
        {"a key leaves the partner", InputType::KEY, key("a"), 1.0f, false, "a", D, ""},
        {"joystick button with backspace's code binds", InputType::JOYSTICK_BUTTON, key("backspace"), 1.0f, false,
         "Joystick Button " + std::to_string(key("backspace")), D, ""},
        {"joystick axis binds both halves and prints", InputType::JOYSTICK_AXIS, 7, -0.5f, false, "Joystick Axis 3-",
         "Joystick Axis 3+", "Mapping: Joystick Axis 3-\n"},
        {"small joystick deflection keeps capturing", InputType::JOYSTICK_AXIS, 7, 0.2f, true, U, D, ""},
        {"unnamed mouse button keeps capturing", InputType::MOUSE_BUTTON, 11, 1.0f, true, U, D, ""},
        {"unnamed joystick axis keeps capturing", InputType::JOYSTICK_AXIS, 40, 1.0f, true, U, D, ""},
    };
    const InputHandler::SymbolNumber up = input.getSymbol("pitch_up");
    const InputHandler::SymbolNumber down = input.getSymbol("pitch_down");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        input.loadKeymap(keymap);
        // Every button is refreshed after a capture, not only the two that changed.
        WidgetFactory::findWindow("Button/screenshot")->setText("stale");
        menus->captureInput(up, down);
        ASSERT_EQ(menus->getStack().back(), menus->getChangeInputPopup());

        std::ostringstream printed;
        std::streambuf* const previous = std::cout.rdbuf(printed.rdbuf());
        const bool capturing = menus->onInputSelected(row.kind, row.code, row.value, up, down);
        std::cout.rdbuf(previous);

        EXPECT_EQ(capturing, row.capturing);
        EXPECT_EQ(menus->getStack().back() == menus->getChangeInputPopup(), row.capturing);
        EXPECT_EQ(input.getInputNameForSymbol("pitch_up"), row.pitchUp);
        EXPECT_EQ(input.getInputNameForSymbol("pitch_down"), row.pitchDown);
        EXPECT_EQ(printed.str(), row.printed);
        if (row.pitchUp != U) {
            EXPECT_EQ(text("Button/pitch_up"), row.pitchUp);
            EXPECT_EQ(text("Button/screenshot"), input.getInputNameForSymbol("screenshot"));
        }
        if (capturing) {
            menus->getChangeInputPopup()->hide();
            menus->pop();
        }
    }
}

} // namespace
} // namespace Tolvarine::Test

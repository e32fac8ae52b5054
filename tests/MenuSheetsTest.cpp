#include "AreaManager.h"
#include "ConfigurationError.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "GuiWorld.h"
#include "LogCapture.h"
#include "MenuSystem.h"
#include "ScenarioManager.h"
#include "Statistics.h"
#include "WidgetFactory.h"

#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/ListboxItem.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/RadioButton.h>
#include <CEGUI/widgets/ToggleButton.h>
#include <boost/lexical_cast.hpp>

namespace Tolvarine::Test {
namespace {

// The menus as the GUI start leaves them, with the settings the sheets show, a scenario manager
// that knows no scenario, three areas and the combat statistics.
class MenuSheetsTest : public GuiWorld {
protected:
    void startMenus(const std::string& helpEnabled = "1")
    {
        Config help(folder.file("cfg/demo_help.cfg"));
        help.setValue("General", "enabled", helpEnabled);
        help.save();
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
    ScenarioManager scenarios;
    MenuSystem* menus = nullptr;
};

// Each row runs on from the row before; only the top sheet shows.
TEST_F(MenuSheetsTest, TheSheetsOpenAndCloseInStackOrder)
{
    startMenus();
    const struct {
        const char* name;
        std::function<void()> act;
        const char* stack;
    } rows[] = {
        {"start-up", [] {}, "QuitMenu Main*"},
        {"Quit", [] { click("Main/Quit"); }, "QuitMenu*"},
        {"Continue", [] { click("Quit/Continue"); }, "QuitMenu Main*"},
        {"a game runs", [this] { menus->createInSkirmishSheet(); menus->pushSheet(menus->getInSkirmishSheet()); },
         "QuitMenu Main InSkirmishMenu*"},
        {"Options, Control", [] { click("InSkirmish/Options"); click("Options/Control"); },
         "QuitMenu Main InSkirmishMenu Options Control*"},
        {"the game ends", [this] { menus->showStats(); }, "QuitMenu Main StatsMenu*"},
        {"Play again", [] { click("Stats/Play"); }, "QuitMenu Main PlayMenu*"},
        {"a scenario nobody has", [] { EXPECT_THROW(click("Play/Start"), ConfigurationError); }, "QuitMenu Main PlayMenu*"},
        {"Back, Options, Back", [] { click("Play/Back"); click("Main/Options"); click("Options/Back"); }, "QuitMenu Main*"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.act();
        EXPECT_EQ(stackText(), row.stack);
    }
    EXPECT_FALSE(menus->getHelpPane()->isVisible()) << "the play sheet's back hides the help";
}

// "enabled = 0" at start-up builds the four sheets with help, their boxes clear; the play sheet's
// box turns help back on for all of them, saved.
TEST_F(MenuSheetsTest, HelpOffAtStartUpClearsEveryHelpBoxAndOneBoxTurnsItOnForAll)
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

// The first nine types by name; a shorter table later clears the rows under it; all ten rows and
// the buttons fit inside the sheet.
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

    const float sheetBottom = menus->getStatsSheet()->getUnclippedInnerRect().get().bottom();
    const CEGUI::Rectf button = WidgetFactory::findWindow("Stats/Play")->getUnclippedOuterRect().get();
    EXPECT_LT(WidgetFactory::findWindow("Stats/Label9")->getUnclippedOuterRect().get().bottom(), button.top());
    EXPECT_LE(button.bottom(), sheetBottom);
}

} // namespace
} // namespace Tolvarine::Test

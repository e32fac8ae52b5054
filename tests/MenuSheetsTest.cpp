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

#include <functional>

namespace Tolvarine::Test {
namespace {

// The menus as the GUI start leaves them, with a scenario manager that knows no scenario, three
// areas and the combat statistics.
class MenuSheetsTest : public GuiWorld {
protected:
    void startMenus(const std::string& helpEnabled = "1")
    {
        Config help(folder.file("cfg/demo_help.cfg"));
        help.setValue("General", "enabled", helpEnabled);
        help.save();
        // Help off at start-up builds the settings sheets, which show these settings.
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

    std::vector<std::string> stackNames() const
    {
        std::vector<std::string> names;
        for (const CEGUI::Window* window : menus->getStack())
            names.push_back(window->getName().c_str());
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

    std::unique_ptr<GraphicsSettings> graphics;
    std::unique_ptr<GameplaySettings> gameplay;
    std::unique_ptr<AreaManager> areas;
    Statistics statistics;
    ScenarioManager scenarios;
    MenuSystem* menus = nullptr;
};

// Each row's clicks run on from the row before; the stack names the sheets from the bottom, and
// only the top one shows.
TEST_F(MenuSheetsTest, TheSheetsOpenAndCloseInStackOrder)
{
    startMenus();
    using Names = std::vector<std::string>;
    const struct {
        const char* name;
        std::function<void()> act;
        Names stack;
    } rows[] = {
        {"start-up", [] {}, {"QuitMenu", "Main"}},
        {"Quit", [] { click("Main/Quit"); }, {"QuitMenu"}},
        {"Continue", [] { click("Quit/Continue"); }, {"QuitMenu", "Main"}},
        {"Quit again", [] { click("Main/Quit"); }, {"QuitMenu"}},
        {"Continue again", [] { click("Quit/Continue"); }, {"QuitMenu", "Main"}},
        {"a game runs", [this] { menus->createInSkirmishSheet(); menus->pushSheet(menus->getInSkirmishSheet()); },
         {"QuitMenu", "Main", "InSkirmishMenu"}},
        {"Options, Control", [] { click("InSkirmish/Options"); click("Options/Control"); },
         {"QuitMenu", "Main", "InSkirmishMenu", "Options", "Control"}},
        {"the game ends", [this] { menus->showStats(); }, {"QuitMenu", "Main", "StatsMenu"}},
        {"Play again", [] { click("Stats/Play"); }, {"QuitMenu", "Main", "PlayMenu"}},
        {"Start of a scenario nobody has",
         [] { EXPECT_THROW(click("Play/Start"), ConfigurationError); }, {"QuitMenu", "Main", "PlayMenu"}},
        {"Back, Options, Back", [] { click("Play/Back"); click("Main/Options"); click("Options/Back"); },
         {"QuitMenu", "Main"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.act();
        EXPECT_EQ(stackNames(), row.stack);
        for (const CEGUI::Window* window : menus->getStack())
            EXPECT_EQ(window->isVisible(), window == menus->getStack().back()) << window->getName();
    }
    EXPECT_FALSE(menus->getHelpPane()->isVisible()) << "the play sheet's back hides the help";
}

// "enabled = 0" at start-up builds the four sheets with help, their boxes clear; any box turns
// help back on for all of them, saved. Help on at start-up builds none of them.
TEST_F(MenuSheetsTest, HelpOffAtStartUpClearsEveryHelpBoxAndOneBoxTurnsItOnForAll)
{
    startMenus("0");
    const char* const boxes[] = {"Play/Help", "AdvancedControl/Help", "Gameplay/Help", "Graphics/Help"};
    const auto expectHelp = [&](bool on, const char* saved) {
        EXPECT_EQ(menus->isHelpEnabled(), on);
        for (const char* box : boxes)
            EXPECT_EQ(static_cast<CEGUI::ToggleButton*>(WidgetFactory::findWindow(box))->isSelected(), on) << box;
        EXPECT_EQ(Config("cfg/demo_help.cfg").get<std::string>("General", "enabled"), saved);
    };
    {
        SCOPED_TRACE("help off from the file");
        EXPECT_NE(menus->getPlaySheet(), nullptr);
        EXPECT_FALSE(menus->getHelpPane()->isVisible());
        expectHelp(false, "0");
    }
    {
        SCOPED_TRACE("the play sheet's box");
        menus->openPlaySheet();
        static_cast<CEGUI::ToggleButton*>(WidgetFactory::findWindow("Play/Help"))->setSelected(true);
        expectHelp(true, "1");
        EXPECT_TRUE(menus->getHelpPane()->isVisible());
        EXPECT_EQ(text("Help/HelpLabel"), MenuSystem::getHelpConfig().get<std::string>("Help", "reset"));
    }
}

TEST_F(MenuSheetsTest, AFreshStartBuildsNoSheetWithHelp)
{
    startMenus("1");
    EXPECT_TRUE(menus->isHelpEnabled());
    EXPECT_EQ(menus->getPlaySheet(), nullptr);
    EXPECT_EQ(menus->getGraphicsSheet(), nullptr);
}

// The play sheet offers the areas and "Random"; "Random" keeps to the names there are, and with
// none the game starts without an area. Survival never reads the enemy's count.
TEST_F(MenuSheetsTest, ThePlaySheetChoosesTheAreaAndReadsTheEnemyForASkirmishOnly)
{
    startMenus();
    menus->openPlaySheet();
    const auto* environment = static_cast<CEGUI::Combobox*>(WidgetFactory::findWindow("Play/EnvironmentCombo"));
    std::vector<std::string> offered;
    for (std::size_t i = 0; i < environment->getItemCount(); ++i)
        offered.push_back(environment->getListboxItemFromIndex(i)->getText().c_str());
    EXPECT_EQ(offered, (std::vector<std::string>{"Drift", "Ember", "Nebula", "Random"}));
    EXPECT_EQ(text("Play/EnvironmentCombo"), "Random");

    const std::vector<std::string> three{"Drift", "Ember", "Nebula"};
    const struct {
        const char* choice;
        std::vector<std::string> names;
        float draw;
        const char* area;
        bool logged;
    } rows[] = {
        {"Random", three, 0.0f, "Drift", false},          {"Random", three, 1.5f, "Ember", false},
        {"Random", three, 2.999999f, "Nebula", false},    {"Random", three, 3.0f, "Nebula", false},
        {"Random", {}, -0.000001f, "", true},             {"Ember", three, 2.5f, "Ember", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.choice) + " of " + std::to_string(row.names.size()) + " at " + std::to_string(row.draw));
        LogCapture log;
        EXPECT_EQ(MenuSystem::chooseArea(row.choice, row.names, row.draw), row.area);
        EXPECT_EQ(log.contains("MenuSystem: there is no area to draw; the game starts without one"), row.logged);
    }

    WidgetFactory::findWindow("Play/EnemyTrifighterCombo")->setText("many");
    MenuSystem::GameSetUp survival = menus->readGameSetUp();
    EXPECT_FALSE(survival.skirmish);
    EXPECT_EQ(survival.playerFleet, (Scenario::FleetMap{{"trifighter", 2}}));
    EXPECT_TRUE(survival.enemyFleet.empty());
    EXPECT_NE(std::find(three.begin(), three.end(), survival.area), three.end());
    static_cast<CEGUI::RadioButton*>(WidgetFactory::findWindow("Play/SkirmishMode"))->setSelected(true);
    EXPECT_THROW(menus->readGameSetUp(), boost::bad_lexical_cast);
    WidgetFactory::findWindow("Play/EnemyTrifighterCombo")->setText("2");
    EXPECT_EQ(menus->readGameSetUp().enemyFleet, (Scenario::FleetMap{{"trifighter", 2}}));
}

// The table lists the first nine types by name; a shorter table later clears the rows under it,
// and all ten rows and the buttons fit inside the sheet.
TEST_F(MenuSheetsTest, TheStatisticsTableShowsHitsAndDamagePerTypeAndClearsStaleRows)
{
    startMenus();
    using Row = std::vector<std::string>;
    const auto table = [this] {
        std::vector<Row> rows;
        for (int i = 0; i < 10; ++i) {
            const std::string n = std::to_string(i);
            rows.push_back({text("Stats/Label" + n), text("Stats/Accuracy" + n), text("Stats/Damage" + n)});
        }
        return rows;
    };
    for (char type = 'l'; type >= 'a'; --type)
        statistics.recordShot("Player", true, std::string("Type ") + type);
    menus->showStats();
    std::vector<Row> twelve = table();
    EXPECT_EQ(twelve[0], (Row{"Weapon statistics:", "Hit", "Damage"}));
    EXPECT_EQ(twelve[1], (Row{" - Type a", "0 %", "0"})) << "fired, never hit";
    EXPECT_EQ(twelve[9][0], " - Type i") << "the first nine by name";

    statistics.clear();
    for (int shot = 0; shot < 1000; ++shot)
        statistics.recordShot("Player", true, "Plasma");
    for (int hit = 0; hit < 456; ++hit)
        statistics.recordHit("Player", true, "Plasma", hit == 0 ? 1234 : 0);
    statistics.recordShot("Player", true, "Missile");
    menus->showStats();
    const std::vector<Row> shorter = table();
    EXPECT_EQ(shorter[1], (Row{" - Missile", "0 %", "0"}));
    EXPECT_EQ(shorter[2], (Row{" - Plasma", "46 %", "1234"}));
    for (int i = 3; i < 10; ++i)
        EXPECT_EQ(shorter[i], (Row{"", "", ""})) << "row " << i;
    EXPECT_EQ(menus->getStack().back(), menus->getStatsSheet());
    EXPECT_EQ(menus->getStack().size(), 3u) << "shown once over the main sheet";

    const CEGUI::Rectf sheet = menus->getStatsSheet()->getUnclippedInnerRect().get();
    const CEGUI::Rectf lastRow = WidgetFactory::findWindow("Stats/Label9")->getUnclippedOuterRect().get();
    const CEGUI::Rectf button = WidgetFactory::findWindow("Stats/Play")->getUnclippedOuterRect().get();
    EXPECT_LT(lastRow.bottom(), button.top());
    EXPECT_LE(button.bottom(), sheet.bottom());
}

} // namespace
} // namespace Tolvarine::Test

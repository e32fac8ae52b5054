#include "GuiWorld.h"
#include "LogCapture.h"
#include "MenuSystem.h"
#include "TutorialWorld.h"
#include "WidgetFactory.h"

#include <CEGUI/Window.h>

#include <optional>
#include <string>
#include <vector>

// The tutorial's pages and flow, in the menu system's own tutorial, with the game it reaches (the
// scenarios, the ambient sound, the menu, the ships, the camera, the objective and the interface
// mode) replaced by a journal.
namespace Tolvarine::Test {
namespace {

using Journal = std::vector<std::string>;

class RecordingWorld : public TutorialWorld {
public:
    explicit RecordingWorld(Journal& journal) : journal(journal) {}

    void loadScenario(const std::string& name) override { journal.push_back("load " + name); }
    void setAmbientMode(AmbientSoundManager::AmbientMode mode) override
    {
        journal.push_back(mode == AmbientSoundManager::COMMAND ? "ambient command" : "ambient space");
    }
    void menuBack() override { journal.push_back("menu back"); }
    void resumeMenu() override { journal.push_back("menu resume"); }
    bool hasFaction(const std::string& faction) const override { return faction == "Enemy" ? !!drones : player; }
    std::optional<std::size_t> countLiveShips(const std::string&) const override { return drones; }
    Ship* launchPlayerShip(const std::string& file, const std::string& faction, const Ogre::Vector3& at) override
    {
        if (!player)
            return nullptr;
        journal.push_back("launch " + file + " " + faction + " " + Ogre::StringConverter::toString(at));
        // Never used as a ship: the stage only hands it back.
        return reinterpret_cast<Ship*>(&shipToken);
    }
    void retireShip(Ship& ship) override
    {
        journal.push_back(reinterpret_cast<char*>(&ship) == &shipToken ? "retire ship" : "retire stranger");
    }
    void setCameraType(CameraController::CameraType type) override
    {
        journal.push_back("camera " + std::to_string(type));
    }
    void setObjective(const std::string& text) override { journal.push_back("objective " + text); }
    void setInterfaceMode(int mode, bool lockKeys) override
    {
        journal.push_back("mode " + std::to_string(mode) + (lockKeys ? " locked" : ""));
    }

    Journal& journal;
    bool player = true;
    std::optional<std::size_t> drones = 3;
    char shipToken = 0;
};

const Journal starting = {"load Tutorial", "ambient command"};
const Journal practising = {"launch trifighter Player 0 0 -100", "camera 0", "objective Destroy the drones to continue",
                            "mode 1"};
const Journal leavingPractice = {"retire ship", "mode 2 locked"};
const Journal finishing = {"load Startup", "ambient space", "menu back"};
const Journal backingOut = {"load Startup", "ambient space", "menu resume"};

Journal joined(std::initializer_list<Journal> parts)
{
    Journal all;
    for (const Journal& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string textOf(const std::string& name)
{
    const CEGUI::Window* window = WidgetFactory::findWindow(name);
    return window ? window->getText().c_str() : "<missing " + name + ">";
}

class TutorialWizardTest : public GuiWorld {
protected:
    void SetUp() override
    {
        // Three flight pairs bound apart from the shipped map, one half left unbound.
        writeFile(folder.file("cfg/test.keymap"),
                  "[Mapping]\nforward_thrust = up\nbackward_thrust = down\nright_thrust = d\nup_thrust = space\n"
                  "down_thrust = left ctrl\nroll_left = q\nroll_right = e\npitch_up = Mouse Move Up\n"
                  "pitch_down = Mouse Move Down\nyaw_left = Mouse Move Left\nyaw_right = Mouse Move Right\n"
                  "fire_primary = Mouse Button 1\ntarget_reticle_closest = t\n");
        input.loadKeymap(folder.file("cfg/test.keymap"));
        start();
        if (IsSkipped())
            return;
        wizard = &MenuSystem::getSingleton().getTutorialWizard();
        auto recording = std::make_unique<RecordingWorld>(journal);
        world = recording.get();
        wizard->setWorld(std::move(recording));
    }

    void press(const std::string& button)
    {
        if (button == "next")
            wizard->next();
        else if (button == "prev")
            wizard->prev();
        else if (button == "cancel")
            wizard->cancel();
        else
            wizard->start();
    }

    Journal journal;
    TutorialWizard* wizard = nullptr;
    RecordingWorld* world = nullptr;
    // Variable tasks get only the time a pass has left: each pass works a sixteenth of a second.
    FixedTask work{[](float, float) { ManualTicks::advance(0.0625); }, "Work", 0};
};

TEST_F(TutorialWizardTest, PagesShowTheBindingsOfTheKeyMapAndARebindingOnTheNextVisit)
{
    wizard->start();
    const struct {
        const char* window;
        std::string text;
    } shipRows[] = {
        {"ShipControlStage", "Ship Control"},
        {"ShipControl/P1", "Mastering ship control is essential to success in galactic warfare."},
        {"ShipControl/P8", "Yaw Left/Right:"},
        {"ShipControl/FB", "up / down"},
        {"ShipControl/LR", " / d"},
        {"ShipControl/UD", "space / left ctrl"},
        {"ShipControl/RLR", "q / e"},
        {"ShipControl/PUD", "Mouse Move Up / Mouse Move Down"},
        {"ShipControl/YLR", "Mouse Move Left / Mouse Move Right"},
    };
    for (const auto& row : shipRows) {
        SCOPED_TRACE(row.window);
        EXPECT_EQ(textOf(row.window), row.text);
    }
    EXPECT_GT(WidgetFactory::findWindow("ShipControl/PUD")->getPixelSize().d_width,
              WidgetFactory::findWindow("ShipControl/RLR")->getPixelSize().d_width)
        << "each value window is fitted to its text";

    wizard->next();
    EXPECT_EQ(textOf("WeaponControlStage"), "Weapon Control");
    EXPECT_EQ(textOf("WeaponControl/P2a"), "Mouse Button 1");
    EXPECT_EQ(textOf("WeaponControl/P3a"), "") << "fire_secondary is unbound here";
    EXPECT_EQ(textOf("WeaponControl/P5a"), "t");

    // Rebound while the tutorial runs: the next visit of each page shows the new input.
    input.unbindSymbol(input.getSymbol("fire_primary"));
    input.bindPhysicalInput(InputType::KEY, *InputHandler::keyCodeForName("f"), input.getSymbol("fire_primary"));
    input.bindPhysicalInput(InputType::KEY, *InputHandler::keyCodeForName("w"), input.getSymbol("forward_thrust"));
    wizard->prev();
    EXPECT_EQ(textOf("ShipControl/FB"), "w / down") << "the key comes before the other bindings of the command";
    wizard->next();
    EXPECT_EQ(textOf("WeaponControl/P2a"), "f");
    EXPECT_EQ(journal, starting);
}

// Every row starts the same tutorial again: its stages and pages are the first start's.
TEST_F(TutorialWizardTest, FinishBackOutAndCancelReturnToStartupInTheirOrder)
{
    const struct {
        const char* name;
        std::vector<std::string> buttons;
        bool player;
        Journal expected;
    } rows[] = {
        {"Prev on the first page backs out", {"start", "prev"}, true, joined({starting, backingOut})},
        {"Next past the practice finishes", {"start", "next", "next", "next"}, true,
         joined({starting, practising, leavingPractice, finishing})},
        {"Cancel on the practice page takes the ship out first", {"start", "next", "next", "cancel"}, true,
         joined({starting, practising, leavingPractice, backingOut})},
        {"a second start begins on the first page", {"start", "next", "start", "cancel"}, true,
         joined({starting, starting, backingOut})},
        {"without Player no ship is launched nor retired", {"start", "next", "next", "cancel"}, false,
         joined({starting, {"camera 0", "objective Destroy the drones to continue", "mode 1", "mode 2 locked"},
                 backingOut})},
    };
    const CEGUI::Window* firstPage = nullptr;
    std::size_t firstChildren = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        journal.clear();
        world->player = row.player;
        for (const std::string& button : row.buttons)
            press(button);
        EXPECT_EQ(journal, row.expected);
        EXPECT_FALSE(wizard->hasCurrentStage());
        const CEGUI::Window* page = WidgetFactory::findWindow("ShipControlStage");
        ASSERT_NE(page, nullptr);
        if (!firstPage) {
            firstPage = page;
            firstChildren = page->getChildCount();
        }
        EXPECT_EQ(page, firstPage);
        EXPECT_EQ(page->getChildCount(), firstChildren) << "the texts and buttons are made once";
    }
}

// The drone check runs every 2 +- 1 s of game time while the practice lasts, and ends itself,
// leaving the stage and finishing the tutorial, once the drones are gone or the scenario has none.
TEST_F(TutorialWizardTest, TheDroneCheckFinishesTheTutorialOnceNoDroneIsLeftAndStops)
{
    const struct {
        const char* name;
        std::optional<std::size_t> dronesLeft;
        bool logged;
    } rows[] = {
        {"the last drone destroyed", 0, false},
        {"a scenario without Enemy", std::nullopt, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        world->drones = 2;
        for (const char* button : {"start", "next", "next"})
            press(button);
        advance(3.25);
        advance(3.25);
        EXPECT_TRUE(wizard->hasCurrentStage()) << "drones are left";
        journal.clear();
        world->drones = row.dronesLeft;
        advance(3.25);
        EXPECT_EQ(journal, joined({leavingPractice, finishing}));
        EXPECT_EQ(log.contains("ShipPracticeStage: the current scenario has no faction Enemy; no drones to destroy"),
                  row.logged);
        journal.clear();
        advance(3.25);
        advance(3.25);
        EXPECT_TRUE(journal.empty()) << "the check ended with the practice";
    }
}

} // namespace
} // namespace Tolvarine::Test

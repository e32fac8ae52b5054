#include "GuiWorld.h"
#include "LogCapture.h"
#include "MenuSystem.h"
#include "Scenario.h"
#include "TutorialWorld.h"
#include "WidgetFactory.h"

#include <CEGUI/Window.h>

#include <algorithm>
#include <optional>
#include <string>

// The menu system's own tutorial, with the game it reaches (scenarios, ambient sound, menu, ships,
// camera, objective, interface mode) replaced by a journal of "; "-ended entries.
namespace Tolvarine::Test {
namespace {

class RecordingWorld : public TutorialWorld {
public:
    void loadScenario(const std::string& name) override { note("load " + name); }
    void setAmbientMode(AmbientSoundManager::AmbientMode mode) override { note("ambient " + std::to_string(mode)); }
    void menuBack() override { note("back"); }
    void resumeMenu() override { note("resume"); }
    std::optional<std::size_t> countLiveShips(const std::string&) const override { return drones; }
    Ship* launchPlayerShip(const std::string& file, const std::string& side, const Ogre::Vector3& at) override
    {
        note("launch " + file + " " + side + " " + Ogre::StringConverter::toString(at));
        // Never used as a ship: the stage only hands it back.
        return player ? reinterpret_cast<Ship*>(&shipToken) : nullptr;
    }
    void retireShip(Ship& ship) override { note(&ship == reinterpret_cast<Ship*>(&shipToken) ? "retire" : "stranger"); }
    void setCameraType(CameraController::CameraType type) override { note("camera " + std::to_string(type)); }
    void setObjective(const std::string& text) override { note(text); }
    void setInterfaceMode(int mode, bool lock) override { note("mode " + std::to_string(mode) + (lock ? " locked" : "")); }
    void note(const std::string& entry) { journal += entry + "; "; }

    std::string journal;
    bool player = true;
    std::optional<std::size_t> drones = 2;
    char shipToken = 0;
};

std::string textOf(const std::string& name)
{
    const CEGUI::Window* window = WidgetFactory::findWindow(name);
    return window ? window->getText().c_str() : "<missing " + name + ">";
}

class TutorialWizardTest : public GuiWorld {
protected:
    void SetUp() override
    {
        // The flight pairs bound apart from the shipped map, one half of them unbound.
        input.loadKeymap(written(folder.file("cfg/test.keymap"),
                                 "[Mapping]\nforward_thrust = up\nbackward_thrust = down\nright_thrust = d\nup_thrust = space\n"
                                 "down_thrust = left ctrl\nroll_left = q\nroll_right = e\npitch_up = Mouse Move Up\n"
                                 "pitch_down = Mouse Move Down\nyaw_left = Mouse Move Left\nyaw_right = Mouse Move Right\n"
                                 "fire_primary = Mouse Button 1\ntarget_reticle_closest = t\n"));
        start();
        if (IsSkipped())
            return;
        wizard = &MenuSystem::getSingleton().getTutorialWizard();
        auto recording = std::make_unique<RecordingWorld>();
        world = recording.get();
        wizard->setWorld(std::move(recording));
    }

    TutorialWizard* wizard = nullptr;
    RecordingWorld* world = nullptr;
    // Variable tasks get only the time a pass has left: each pass works a sixteenth of a second.
    FixedTask work{[](float, float) { ManualTicks::advance(0.0625); }, "Work", 0};
};

// The pages show each pair's bindings from the key map, an unbound half as nothing.
TEST_F(TutorialWizardTest, PagesShowTheBindingsOfTheKeyMapAndARebindingOnTheNextVisit)
{
    wizard->start();
    EXPECT_EQ(textOf("ShipControl/FB") + "|" + textOf("ShipControl/LR") + "|" +
                  textOf("ShipControl/PUD"),
              "up / down| / d|Mouse Move Up / Mouse Move Down");
    wizard->next();
    EXPECT_EQ(textOf("WeaponControl/P2a") + "|" + textOf("WeaponControl/P3a") + "|" +
                  textOf("WeaponControl/P5a"),
              "Mouse Button 1||t");
    // Rebound while the tutorial runs: the next visit of each page shows the new input.
    input.unbindSymbol(input.getSymbol("fire_primary"));
    input.bindPhysicalInput(InputType::KEY, *InputHandler::keyCodeForName("f"), input.getSymbol("fire_primary"));
    input.bindPhysicalInput(InputType::KEY, *InputHandler::keyCodeForName("w"), input.getSymbol("forward_thrust"));
    wizard->prev();
    EXPECT_EQ(textOf("ShipControl/FB"), "w / down") << "a key comes before the command's other bindings";
    wizard->next();
    EXPECT_EQ(textOf("WeaponControl/P2a"), "f");
    EXPECT_EQ(world->journal, "load Tutorial; ambient 1; ");
}

// Every row starts the same tutorial again, on the first start's stages and pages. "wait" lets 3.25 s
// of game time pass; "gone" and "no Enemy" take the drones away; "pools" returns every pooled
// object to its pool, as a scenario's end and the test ground's reload do.
TEST_F(TutorialWizardTest, FinishBackOutCancelAndTheDroneCheckReturnToStartupInTheirOrder)
{
    const std::string start = "load Tutorial; ambient 1; ";
    const std::string practice = "launch trifighter Player 0 0 -100; camera 0; Destroy the drones to continue; mode 1; ";
    const std::string back = "load Startup; ambient 2; back; ";
    const std::string resume = "load Startup; ambient 2; resume; ";
    const struct {
        const char* name;
        std::vector<std::string> moves;
        bool player;
        std::string expected;
    } rows[] = {
        {"Prev on the first page backs out", {"start", "prev"}, true, start + resume},
        {"Next past the practice finishes", {"start", "next", "next", "next"}, true,
         start + practice + "retire; mode 2 locked; " + back},
        {"Cancel on the practice page retires the ship first", {"start", "next", "next", "cancel"}, true,
         start + practice + "retire; mode 2 locked; " + resume},
        {"a second start begins on the first page", {"start", "next", "start", "cancel"}, true, start + start + resume},
        {"without Player there is no ship to retire", {"start", "next", "next", "cancel"}, false,
         start + practice + "mode 2 locked; " + resume},
        {"drones left: the practice goes on", {"start", "next", "next", "wait", "wait", "wait"}, true, start + practice},
        {"the last drone gone: the check finishes the tutorial", {"start", "next", "next", "wait", "gone", "wait", "wait"},
         true, start + practice + "retire; mode 2 locked; " + back},
        {"no Enemy counts as no drones", {"start", "next", "next", "no Enemy", "wait", "wait"}, true,
         start + practice + "retire; mode 2 locked; " + back},
        // The test ground deletes every ship when it reads the ship types again, after the pools
        // took them back: the practice ship left then is never touched again.
        {"the pools took the ship back: nothing to retire", {"start", "next", "next", "pools", "cancel"}, true,
         start + practice + "mode 2 locked; " + resume},
    };
    const CEGUI::Window* page = nullptr;
    std::size_t children = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        world->journal.clear();
        world->player = row.player;
        world->drones = 2;
        for (const std::string& move : row.moves) {
            if (move == "wait")
                advance(3.25);
            else if (move == "pools")
                Scenario::releasePooledObjects();
            else if (move == "gone" || move == "no Enemy")
                world->drones = move == "gone" ? std::optional<std::size_t>(0) : std::nullopt;
            else
                move == "start" ? wizard->start() : move == "next" ? void(wizard->next())
                                                  : move == "prev" ? void(wizard->prev()) : wizard->cancel();
        }
        EXPECT_EQ(world->journal, row.expected);
        EXPECT_EQ(log.contains("ShipPracticeStage: the current scenario has no faction Enemy; no drones to destroy"),
                  std::count(row.moves.begin(), row.moves.end(), "no Enemy") == 1);
        wizard->cancel();
        if (!page)
            page = WidgetFactory::findWindow("ShipControlStage"), children = page->getChildCount();
        EXPECT_EQ(WidgetFactory::findWindow("ShipControlStage"), page);
        EXPECT_EQ(page->getChildCount(), children) << "the texts and buttons are made once";
    }
}

} // namespace
} // namespace Tolvarine::Test

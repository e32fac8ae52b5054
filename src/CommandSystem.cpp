#include "CommandSystem.h"

#include "AmbientSoundManager.h"
#include "CameraController.h"
#include "Config.h"
#include "Controllable.h"
#include "Faction.h"
#include "FrameDisplay.h"
#include "GameLog.h"
#include "Interface.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "Scheduler.h"
#include "Ship.h"
#include "WeaponSystem.h"
#include "WidgetFactory.h"

#include <CEGUI/Window.h>

#include <algorithm>

namespace Tolvarine {

CommandSystem* CommandSystem::singleton = nullptr;

namespace {

const char* const OBJECTIVE_LABEL = "Objective:";
const char* const OBJECTIVE_PREFIX = "Objective:    ";
constexpr float OBJECTIVE_HEIGHT = 0.7f;

// The "Player" faction's ships, in the faction's order; none without a scenario or that faction.
std::vector<Controllable*> playersShips()
{
    std::vector<Controllable*> list;
    ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    Scenario* scenario = scenarios ? scenarios->getCurrentScenario() : nullptr;
    const std::shared_ptr<Faction> player = scenario ? scenario->getFaction("Player") : nullptr;
    if (player)
        for (Ship* ship : player->getShips())
            list.push_back(ship);
    return list;
}

CEGUI::Window& child(const std::string& name)
{
    return *WidgetFactory::findWindow(name);
}

void place(CEGUI::Window& window, float x, float y)
{
    window.setPosition(CEGUI::UVector2(CEGUI::UDim(0, x), CEGUI::UDim(0, y)));
}

void setFitted(const std::string& name, const std::string& text)
{
    CEGUI::Window& window = child(name);
    window.setText(text);
    WidgetFactory::fitToText(window);
}

std::string describe(const WeaponSystem* weapons)
{
    return weapons ? weapons->getDescription() : std::string();
}

} // namespace

CommandSystem::CommandSystem()
    : showSheet(Interface::getConfig().get<bool>("Interface", "showCommandSystem", true))
    , sheet(WidgetFactory::createDefaultWindow("CommandSheet", Interface::getSingleton().getDesktopWindow()))
    , selected(ships.size())
    , camera("Command Chase Camera")
    , cycleKey("command_cycle", [this]() { cycleShip(); })
{
    cycleKey.setEnabled(false);
    sheet->setSize(CEGUI::USize(CEGUI::UDim(1, 0), CEGUI::UDim(1, 0)));
    sheet->setMousePassThroughEnabled(true);
    sheet->hide();
    sheet->disable();
    layoutSheet();
    singleton = this;
}

CommandSystem::~CommandSystem()
{
    if (singleton == this)
        singleton = nullptr;
    WidgetFactory::destroyWindow(sheet);
}

CommandSystem& CommandSystem::getSingleton()
{
    return *singleton;
}

CommandSystem* CommandSystem::getSingletonPtr()
{
    return singleton;
}

void CommandSystem::layoutSheet()
{
    const float width = sheet->getPixelSize().d_width;
    const float height = sheet->getPixelSize().d_height;
    const float labels = width * 0.5f - 150.0f;
    const float values = width * 0.5f - 50.0f;
    struct Row {
        const char* name;
        std::string text;
        float x; // negative: centred
        float y;
    };
    InputHandler& input = InputHandler::getSingleton();
    const Row rows[] = {
        {"Command/Pause", "paused", -1, 0.5f},
        {"Command/ShipDescriptionLabel", "Ship:", labels, 0.1f},
        {"Command/PrimaryWeaponLabel", "Primary:", labels, 0.14f},
        {"Command/SecondaryWeaponLabel", "Secondary:", labels, 0.17f},
        {"Command/ShipDescription", "ShipClass", values, 0.1f},
        {"Command/PrimaryWeapon", "PrimaryWeapon", values, 0.14f},
        {"Command/SecondaryWeapon", "SecondaryWeapon", values, 0.17f},
        {"Command/Objective", OBJECTIVE_LABEL, -1, OBJECTIVE_HEIGHT},
        {"Command/Cycle", "Press <" + input.getInputNameForSymbol("command_cycle") + "> to cycle available ships", -1,
         0.85f},
        {"Command/Select",
         "Press <" + input.getInputNameForSymbol("toggle_command_mode") + "> to toggle ship-select mode", -1, 0.89f},
    };
    for (const Row& row : rows) {
        CEGUI::Window& window = *WidgetFactory::createStaticText(row.name, sheet, row.text);
        if (row.x < 0)
            placeCentred(window, row.y);
        else
            place(window, row.x, height * row.y);
    }
}

void CommandSystem::placeCentred(CEGUI::Window& window, float heightFraction) const
{
    const CEGUI::Sizef sheetSize = sheet->getPixelSize();
    place(window, (sheetSize.d_width - window.getPixelSize().d_width) * 0.5f, sheetSize.d_height * heightFraction);
}

void CommandSystem::setObjective(const std::string& text)
{
    setFitted("Command/Objective", OBJECTIVE_PREFIX + text);
    placeCentred(child("Command/Objective"), OBJECTIVE_HEIGHT);
}

void CommandSystem::clearObjective()
{
    setFitted("Command/Objective", OBJECTIVE_LABEL);
    placeCentred(child("Command/Objective"), OBJECTIVE_HEIGHT);
}

Controllable* CommandSystem::getSelectedShip() const
{
    return selected < ships.size() ? ships[selected] : nullptr;
}

void CommandSystem::markSelected(bool select)
{
    // A listed ship that left play has lost its mark with its frame; marking it again would bring
    // it out of its pool marked.
    Controllable* ship = getSelectedShip();
    if (!ship || !isStillPlayers(ship))
        return;
    ship->getFrameDisplay().setSelected(select);
    if (select)
        camera.setTarget(*ship);
}

void CommandSystem::enterCommandMode()
{
    if (active)
        return;
    Scheduler& scheduler = Scheduler::getSingleton();
    scheduler.setPaused(true);
    scheduler.enablePauseAction(false);
    if (AmbientSoundManager* ambient = AmbientSoundManager::getSingleton())
        ambient->setAmbientMode(AmbientSoundManager::COMMAND, 0.5f);

    CameraController& cameras = CameraController::getSingleton();
    previousCamera = cameras.getCurrentCamera();
    if (previousCamera) {
        camera.setPosition(previousCamera->getPosition());
        camera.setOrientation(previousCamera->getOrientation());
    }
    cameras.switchCamera(camera, true);

    listShips();
    cycleKey.setEnabled(true);
    if (showSheet) {
        sheet->show();
        sheet->enable();
    }
    active = true;
}

void CommandSystem::leaveCommandMode()
{
    if (!active)
        return;
    if (AmbientSoundManager* ambient = AmbientSoundManager::getSingleton())
        ambient->setAmbientMode(AmbientSoundManager::SPACE, 1.0f);
    sheet->hide();
    sheet->disable();
    CameraController::getSingleton().setCameraType(CameraController::FIXED);
    Controllable* ship = getSelectedShip();
    // Only a ship that is still the player's is flown; one that left play lost its mark with it.
    if (ship && isStillPlayers(ship)) {
        markSelected(false);
        ship->setFocus(true);
        GameLog::line("Command mode left: the player flies " + selectionText());
    } else {
        GameLog::line("Command mode left: no ship of the player to fly");
    }
    cycleKey.setEnabled(false);
    Scheduler& scheduler = Scheduler::getSingleton();
    scheduler.setPaused(false);
    scheduler.enablePauseAction(true);
    active = false;
}

void CommandSystem::listShips()
{
    ships = playersShips();
    const auto flown = std::find(ships.begin(), ships.end(), Controllable::getFocused());
    selected = flown != ships.end() ? static_cast<std::size_t>(flown - ships.begin()) : 0;
    if (Controllable* ship = getSelectedShip()) {
        ship->setFocus(false);
        markSelected(true);
    }
    GameLog::line("Command mode: the game is paused, " + std::to_string(ships.size())
                  + (ships.size() == 1 ? " ship" : " ships") + " of the player");
    showSelectedShip();
}

void CommandSystem::forgetShips()
{
    markSelected(false);
    ships.clear();
    selected = 0;
    camera.clearTarget();
    if (active)
        showSelectedShip();
}

void CommandSystem::relistShips()
{
    if (!active)
        return;
    // The new scenario's own set-up may have given a ship the focus and chosen a camera for it.
    CameraController& cameras = CameraController::getSingleton();
    if (cameras.getCurrentCamera() != &camera)
        cameras.switchCamera(camera, true);
    listShips();
}

void CommandSystem::cycleShip()
{
    if (ships.size() < 2)
        return;
    markSelected(false);
    selected = (selected + 1) % ships.size();
    markSelected(true);
    showSelectedShip();
}

void CommandSystem::showSelectedShip()
{
    Controllable* ship = getSelectedShip();
    if (ship)
        GameLog::line("Command mode: selected " + selectionText());
    setFitted("Command/ShipDescription", ship ? ship->getName() : "");
    setFitted("Command/PrimaryWeapon", ship ? describe(ship->getPrimaryWeaponSystem()) : "");
    setFitted("Command/SecondaryWeapon", ship ? describe(ship->getSecondaryWeaponSystem()) : "");
    child("Command/Cycle").setVisible(ships.size() >= 2);
}

std::string CommandSystem::selectionText() const
{
    return getSelectedShip()->getName() + " (" + std::to_string(selected + 1) + " of " + std::to_string(ships.size()) +
           ")";
}

bool CommandSystem::isStillPlayers(Controllable* ship) const
{
    const std::vector<Controllable*> current = playersShips();
    return std::find(current.begin(), current.end(), ship) != current.end();
}

} // namespace Tolvarine

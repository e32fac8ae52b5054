#include "WeaponControlStage.h"

#include "InputHandler.h"
#include "ShipControlStage.h"

#include <CEGUI/widgets/FrameWindow.h>

namespace Tolvarine {

namespace {

// A value window and the command whose input it shows.
struct CommandInput {
    const char* window;
    const char* command;
};

constexpr CommandInput INPUTS[] = {
    {"WeaponControl/P2a", "fire_primary"},
    {"WeaponControl/P3a", "fire_secondary"},
    {"WeaponControl/P5a", "target_reticle_closest"},
};

} // namespace

WeaponControlStage::WeaponControlStage(Wizard& owner) : WizardStage("WeaponControlStage", owner) {}

void WeaponControlStage::buildPage()
{
    CEGUI::FrameWindow& page = *getPage();
    ShipControlStage::layoutPage(page, "Weapon Control");
    ShipControlStage::addText(page, "WeaponControl/P1", "Ships have a primary and a secondary weapon system.", 0.05f,
                              0.1f, true);
    ShipControlStage::addText(page, "WeaponControl/P2", "Fire primary:", 0.05f, 0.25f, false);
    ShipControlStage::addText(page, INPUTS[0].window, "", 0.5f, 0.25f, false);
    ShipControlStage::addText(page, "WeaponControl/P3", "Fire secondary:", 0.05f, 0.35f, false);
    ShipControlStage::addText(page, INPUTS[1].window, "", 0.5f, 0.35f, false);
    ShipControlStage::addText(
        page, "WeaponControl/P4",
        "Guided weapon systems, such as missiles, will target the currently locked target.", 0.05f, 0.5f, true);
    ShipControlStage::addText(page, "WeaponControl/P5", "Acquire target near reticle:", 0.05f, 0.65f, false);
    ShipControlStage::addText(page, INPUTS[2].window, "", 0.5f, 0.65f, false);
    ShipControlStage::addText(
        page, "WeaponControl/P6",
        "Proceed to the next stage to practice ship and weapon control on the drones.", 0.05f, 0.75f, true);
}

void WeaponControlStage::enter(bool)
{
    InputHandler& input = InputHandler::getSingleton();
    for (const CommandInput& entry : INPUTS)
        ShipControlStage::showText(entry.window, input.getInputNameForSymbol(entry.command));
}

} // namespace Tolvarine

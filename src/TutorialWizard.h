#pragma once

#include "TutorialWorld.h"
#include "Wizard.h"

#include <memory>

namespace Tolvarine {

// The tutorial the player opens from the main menu, run by the menu system: the pages "Ship
// Control" and "Weapon Control", which show the current bindings, then practice against drones.
// It runs in the scenario "Tutorial" with the command-mode ambient sound, and returns to the
// scenario "Startup" with the sound of open space: finishing it goes back to the sheet under it,
// backing out (Prev on the first page, Cancel, or the back key) resumes the menu. The stages are
// made at the first start and kept for the later ones.
class TutorialWizard : public Wizard {
public:
    explicit TutorialWizard(CEGUI::Window* parent);
    // With the game reached through `world`.
    TutorialWizard(CEGUI::Window* parent, std::unique_ptr<TutorialWorld> world);

    // Replaces the way the tutorial reaches the game; only before the first start, which hands
    // the world to the stages.
    void setWorld(std::unique_ptr<TutorialWorld> replacement) { world = std::move(replacement); }

    // Registers the script function startTutorial(), which opens the menu and runs the tutorial
    // (for a start-up script that begins with it).
    static void exportToPython();

protected:
    void onStart() override;
    void onFinish() override;
    void onBackOut() override;

private:
    void returnToStartup();

    std::unique_ptr<TutorialWorld> world;
};

} // namespace Tolvarine

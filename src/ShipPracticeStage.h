#pragma once

#include "FunctionTask.h"
#include "TargetableWatch.h"
#include "WizardStage.h"

#include <memory>

namespace Tolvarine {

class Ship;
class TutorialWorld;

// The tutorial's last stage: the player flies a Trifighter of the side "Player" against the drones
// of the side "Enemy" that the tutorial's scenario brings, starting in command mode with the
// objective shown. A task looks every 2 +- 1 s of game time for a live drone; once none is left
// it moves the wizard on, which finishes the tutorial. The page holds only the wizard's buttons.
//
// A scenario without "Player" gives no practice ship (logged); one without "Enemy" counts as
// having no drones left. Once the ship pools take the practice ship back (the scenario ends), or
// its pool hands it to another user (a script's or a game mode's ship) or deletes it (the test
// ground reads the ship types again), the stage forgets it, so leaving the stage never takes
// another's ship out of play.
class ShipPracticeStage : public WizardStage {
public:
    ShipPracticeStage(Wizard& wizard, TutorialWorld& world);

    void enter(bool forward) override;
    // Takes the practice ship out of play, back to the menu mode with the keys locked, and stops
    // the drone check.
    void leave(bool forward) override;
    void finish() override {}

    // The task's run: whether to look again.
    bool decoyTestUpdate();
    const FunctionTask& getDecoyTask() const { return decoyTask; }

protected:
    void buildPage() override {}

private:
    void forgetShip(const Targetable& gone);

    TutorialWorld& world;
    Ship* practiceShip = nullptr;
    TargetableWatch shipWatch{[this](const Targetable& gone) { forgetShip(gone); }};
    FunctionTask decoyTask;
    // What the pools' release reaches the stage through; it goes with the stage.
    std::shared_ptr<ShipPracticeStage*> selfHandle;
};

} // namespace Tolvarine

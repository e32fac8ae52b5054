#include "ShipPracticeStage.h"

#include "CameraController.h"
#include "CodeNames.h"
#include "GameLog.h"
#include "Interface.h"
#include "Scenario.h"
#include "Ship.h"
#include "TutorialWorld.h"
#include "Wizard.h"

namespace Tolvarine {

namespace {

constexpr float DECOY_TEST_PERIOD = 2.0f;
constexpr float DECOY_TEST_VARIANCE = 1.0f;
const Ogre::Vector3 PRACTICE_SHIP_POSITION(0.0f, 0.0f, -100.0f);

} // namespace

ShipPracticeStage::ShipPracticeStage(Wizard& owner, TutorialWorld& tutorialWorld)
    : WizardStage("ShipPracticeStage", owner)
    , world(tutorialWorld)
    , decoyTask([this](float) { return decoyTestUpdate(); }, "ShipPracticeStage::decoyTestUpdate", DECOY_TEST_PERIOD,
                DECOY_TEST_VARIANCE)
    , selfHandle(std::make_shared<ShipPracticeStage*>(this))
{
    std::weak_ptr<ShipPracticeStage*> handle = selfHandle;
    Scenario::addPoolRelease(Scenario::PooledKind::SHIPS, [handle]() {
        if (std::shared_ptr<ShipPracticeStage*> self = handle.lock())
            (*self)->practiceShip = nullptr;
    });
}

void ShipPracticeStage::forgetShip(const Targetable& gone)
{
    if (practiceShip && static_cast<const Targetable*>(practiceShip) == &gone)
        practiceShip = nullptr;
}

void ShipPracticeStage::enter(bool)
{
    practiceShip = world.launchPlayerShip(CodeNames::PRACTICE_SHIP.name, "Player", PRACTICE_SHIP_POSITION);
    world.setCameraType(CameraController::FIXED);
    world.setObjective("Destroy the drones to continue");
    world.setInterfaceMode(Interface::COMMAND, false);
    // The first look comes a period after the player arrives, not at once for a task that sat
    // idle since the tutorial was built.
    decoyTask.reset();
    decoyTask.subscribe(true);
}

void ShipPracticeStage::leave(bool)
{
    if (practiceShip) {
        world.retireShip(*practiceShip);
        practiceShip = nullptr;
    }
    world.setInterfaceMode(Interface::MENU, true);
    decoyTask.subscribe(false);
}

bool ShipPracticeStage::decoyTestUpdate()
{
    const std::optional<std::size_t> drones = world.countLiveShips("Enemy");
    if (!drones)
        GameLog::line(
            "ShipPracticeStage: the current scenario has no faction Enemy; no drones to destroy");
    if (drones.value_or(0) > 0)
        return true;
    // Leaving this stage unsubscribes this very task; the scheduler allows that while it runs.
    getWizard().next();
    return false;
}

} // namespace Tolvarine

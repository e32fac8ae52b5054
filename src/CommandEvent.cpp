#include "CommandEvent.h"

#include "Faction.h"
#include "GameLog.h"
#include "Interface.h"
#include "Scenario.h"
#include "ScenarioManager.h"


namespace Tolvarine {

void CommandEvent::execute(Controllable*, bool focused, const Ogre::Vector3&)
{
    if (!focused)
        return;
    ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    Scenario* scenario = scenarios ? scenarios->getCurrentScenario() : nullptr;
    if (!scenario) {
        GameLog::line("CommandEvent: there is no current scenario");
        return;
    }
    const std::shared_ptr<Faction> player = scenario->getFaction("Player");
    if (!player) {
        GameLog::line("CommandEvent: scenario " + scenario->getName()
                      + " has no faction Player");
        return;
    }
    if (player->getShips().empty()) {
        scenario->end();
        return;
    }
    if (Interface* interface = Interface::getSingletonPtr())
        interface->setMode(Interface::COMMAND, false);
}

} // namespace Tolvarine

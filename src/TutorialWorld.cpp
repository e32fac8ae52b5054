#include "TutorialWorld.h"

#include "CommandSystem.h"
#include "DisableTime.h"
#include "Faction.h"
#include "GameLog.h"
#include "Interface.h"
#include "MenuSystem.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "Ship.h"

#include <OgreQuaternion.h>

namespace Tolvarine {

namespace {

// The current scenario's faction of that name, or null.
std::shared_ptr<Faction> currentFaction(const std::string& name)
{
    const ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    const Scenario* scenario = scenarios ? scenarios->getCurrentScenario() : nullptr;
    return scenario ? scenario->getFaction(name) : nullptr;
}

} // namespace

void TutorialWorld::loadScenario(const std::string& name)
{
    ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    if (!scenarios) {
        GameLog::line("Tutorial: no scenarios to load " + name + " from");
        return;
    }
    scenarios->loadScenario(name);
}

void TutorialWorld::setAmbientMode(AmbientSoundManager::AmbientMode mode)
{
    // Absent only where the game runs without sound.
    if (AmbientSoundManager* ambient = AmbientSoundManager::getSingleton())
        ambient->setAmbientMode(mode, 0.0f);
}

void TutorialWorld::menuBack()
{
    MenuSystem::getSingleton().back();
}

void TutorialWorld::resumeMenu()
{
    MenuSystem::getSingleton().resume();
}

std::optional<std::size_t> TutorialWorld::countLiveShips(const std::string& faction) const
{
    const std::shared_ptr<Faction> found = currentFaction(faction);
    if (!found)
        return std::nullopt;
    return found->getShips().size();
}

Ship* TutorialWorld::launchPlayerShip(const std::string& fileBaseName, const std::string& faction,
                                      const Ogre::Vector3& position)
{
    const std::shared_ptr<Faction> side = currentFaction(faction);
    if (!side) {
        GameLog::line("Tutorial: the current scenario has no faction " + faction + "; no ship for the player");
        return nullptr;
    }
    Ship* ship = Ship::createByFilename(fileBaseName);
    ship->activate(*side, position, Ogre::Quaternion::IDENTITY);
    ship->setFocus(true);
    return ship;
}

void TutorialWorld::retireShip(Ship& ship)
{
    // The pools are emptied with this value at the end of a scenario, as the tutorial's end is.
    ship.deactivate(TAKEN_OUT);
}

void TutorialWorld::setCameraType(CameraController::CameraType type)
{
    CameraController::getSingleton().setCameraType(type);
}

void TutorialWorld::setObjective(const std::string& text)
{
    CommandSystem::getSingleton().setObjective(text);
}

void TutorialWorld::setInterfaceMode(int mode, bool lockKeys)
{
    Interface::getSingleton().setMode(mode, lockKeys);
}

} // namespace Tolvarine

#include "TutorialWizard.h"

#include "CodeNames.h"
#include "Interface.h"
#include "MenuSystem.h"
#include "ShipControlStage.h"
#include "ShipPracticeStage.h"
#include "WeaponControlStage.h"

#include <boost/python/def.hpp>

namespace Tolvarine {

namespace {

void startTutorialFromScript()
{
    Interface::getSingleton().setMode(Interface::MENU, true);
    MenuSystem::getSingleton().startTutorial();
}

} // namespace

TutorialWizard::TutorialWizard(CEGUI::Window* parent)
    : TutorialWizard(parent, std::make_unique<TutorialWorld>())
{
}

TutorialWizard::TutorialWizard(CEGUI::Window* parent, std::unique_ptr<TutorialWorld> tutorialWorld)
    : Wizard("TutorialWizard", parent), world(std::move(tutorialWorld))
{
}

void TutorialWizard::exportToPython()
{
    boost::python::def("startTutorial", &startTutorialFromScript);
}

void TutorialWizard::onStart()
{
    world->loadScenario(CodeNames::TUTORIAL_SCENARIO.name);
    world->setAmbientMode(AmbientSoundManager::COMMAND);
    if (hasStages())
        return;
    addStage(std::make_shared<ShipControlStage>(*this));
    addStage(std::make_shared<WeaponControlStage>(*this));
    addStage(std::make_shared<ShipPracticeStage>(*this, *world));
}

void TutorialWizard::returnToStartup()
{
    world->loadScenario(CodeNames::STARTUP_SCENARIO.name);
    world->setAmbientMode(AmbientSoundManager::SPACE);
}

void TutorialWizard::onFinish()
{
    returnToStartup();
    world->menuBack();
}

void TutorialWizard::onBackOut()
{
    returnToStartup();
    world->resumeMenu();
}

} // namespace Tolvarine

#include "TutorialWizard.h"

#include "MenuSystem.h"

namespace Tolvarine {

TutorialWizard::TutorialWizard(CEGUI::Window* parent) : Wizard("Tutorial", parent) {}

void TutorialWizard::onStart() {}

void TutorialWizard::onFinish()
{
    MenuSystem::getSingleton().back();
}

void TutorialWizard::onBackOut()
{
    MenuSystem::getSingleton().resume();
}

} // namespace Tolvarine

#include "Wizard.h"

#include "WidgetFactory.h"
#include "WizardStage.h"

#include <CEGUI/Window.h>

namespace Tolvarine {

Wizard::Wizard(const std::string& name, CEGUI::Window* parent)
    : rootWindow(WidgetFactory::createDefaultWindow(name, parent))
{
}

Wizard::~Wizard()
{
    // The pages are children of the container: the stages must not outlive it holding them.
    stages.clear();
    WidgetFactory::destroyWindow(rootWindow);
}

void Wizard::addStage(const std::shared_ptr<WizardStage>& stage)
{
    stages.push_back(stage);
}

void Wizard::start()
{
    onStart();
    for (const auto& stage : stages)
        stage->buildPageFrame();
    current = 0;
    if (hasCurrentStage()) {
        stages[current]->showPage();
        stages[current]->enter(true);
    }
}

bool Wizard::next()
{
    if (!hasCurrentStage())
        return true;
    stages[current]->leave(true);
    stages[current]->hidePage();
    ++current;
    if (hasCurrentStage()) {
        stages[current]->showPage();
        stages[current]->enter(true);
        return true;
    }
    onFinish();
    for (const auto& stage : stages)
        stage->finish();
    return true;
}

bool Wizard::prev()
{
    if (!hasCurrentStage())
        return true;
    stages[current]->leave(false);
    stages[current]->hidePage();
    if (current > 0) {
        --current;
        stages[current]->showPage();
        stages[current]->enter(false);
        return true;
    }
    clearCurrent();
    onBackOut();
    return true;
}

void Wizard::cancel()
{
    if (!hasCurrentStage())
        return;
    stages[current]->hidePage();
    for (std::size_t stage = current + 1; stage-- > 0;)
        stages[stage]->leave(false);
    clearCurrent();
    onBackOut();
}

} // namespace Tolvarine

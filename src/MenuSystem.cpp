#include "MenuSystem.h"

#include "Config.h"
#include "Difficulty.h"
#include "Interface.h"
#include "ScenarioManager.h"
#include "Scheduler.h"
#include "SoundManager.h"
#include "WidgetFactory.h"

#include <CEGUI/Window.h>
#include <CEGUI/widgets/FrameWindow.h>
#include <CEGUI/widgets/Slider.h>
#include <OgreLogManager.h>
#include <OgreStringConverter.h>

namespace Tolvarine {

MenuSystem* MenuSystem::singleton = nullptr;

namespace {

// The help pane's client area, and its label's place and size inside it.
constexpr float HELP_WIDTH = 500.0f;
constexpr float HELP_HEIGHT = 110.0f;
constexpr float HELP_LABEL_X = 10.0f;
constexpr float HELP_LABEL_WIDTH = 480.0f;

void setPixelArea(CEGUI::Window& window, float x, float y, float width, float height)
{
    window.setPosition(CEGUI::UVector2(CEGUI::UDim(0, x), CEGUI::UDim(0, y)));
    window.setSize(CEGUI::USize(CEGUI::UDim(0, width), CEGUI::UDim(0, height)));
}

// The singleton is set before the root window exists, as the tutorial's construction may need it.
CEGUI::Window* createMenuRoot(MenuSystem* menus, MenuSystem*& singleton)
{
    singleton = menus;
    CEGUI::Window* root = WidgetFactory::createDefaultWindow("MenuSheet", Interface::getSingleton().getDesktopWindow());
    root->setSize(CEGUI::USize(CEGUI::UDim(1, 0), CEGUI::UDim(1, 0)));
    return root;
}

} // namespace

MenuSystem::MenuSystem() try
    : menuSheet(createMenuRoot(this, singleton))
    , tutorialWizard(menuSheet)
    , backSubscription("back", [this]() { onBackCommand(); })
{
    menuSheet->setZOrderingEnabled(true);
} catch (...) {
    singleton = nullptr;
}

MenuSystem::~MenuSystem()
{
    if (singleton == this)
        singleton = nullptr;
}

MenuSystem& MenuSystem::getSingleton()
{
    return *singleton;
}

MenuSystem* MenuSystem::getSingletonPtr()
{
    return singleton;
}

const Config& MenuSystem::getConfig()
{
    static const Config settings("cfg/menu_system.cfg", false, false, false);
    return settings;
}

const Config& MenuSystem::getHelpConfig()
{
    static const Config settings("cfg/demo_help.cfg", false, false, false);
    return settings;
}

void MenuSystem::showSheet()
{
    Scheduler::getSingleton().setPaused(true);
    shown = true;
    menuSheet->show();
    menuSheet->enable();
    showTop();
}

void MenuSystem::hideSheet()
{
    Scheduler::getSingleton().setPaused(false);
    shown = false;
    menuSheet->hide();
    menuSheet->disable();
    SoundManager* sound = SoundManager::getSingletonPtr();
    if (sound && soundSheet && !stack.empty() && stack.back() == soundSheet)
        sound->refreshVolumes();
}

void MenuSystem::showTop()
{
    for (CEGUI::Window* window : stack) {
        window->hide();
        window->setAlwaysOnTop(false);
    }
    if (!shown || stack.empty())
        return;
    CEGUI::Window* top = stack.back();
    top->show();
    top->moveToFront();
    top->setAlwaysOnTop(true);
}

void MenuSystem::pushSheet(CEGUI::Window* window)
{
    stack.push_back(window);
    showTop();
}

void MenuSystem::pop()
{
    if (!stack.empty())
        stack.pop_back();
}

void MenuSystem::onBackCommand()
{
    if (backOverride) {
        // The override may replace or clear itself.
        const std::function<void()> action = backOverride;
        action();
        return;
    }
    hideHelpPane();
    if (!shown) {
        Interface::getSingleton().setMode(Interface::MENU, true);
        return;
    }
    if (stack.size() > 1) {
        stack.back()->hide();
        pop();
        showTop();
        return;
    }
    InputHandler& input = InputHandler::getSingleton();
    input.pulseSymbol(input.getSymbol("quit"));
}

bool MenuSystem::back(const CEGUI::EventArgs&)
{
    back();
    return true;
}

void MenuSystem::back()
{
    backOverride = nullptr;
    tutorialWizard.getRootWindow()->hide();
    pop();
    showTop();
}

bool MenuSystem::resume(const CEGUI::EventArgs&)
{
    resume();
    return true;
}

void MenuSystem::resume()
{
    backOverride = nullptr;
    if (!shown)
        Interface::getSingleton().setMode(Interface::MENU, true);
    back();
}

bool MenuSystem::startTutorial(const CEGUI::EventArgs&)
{
    startTutorial();
    return true;
}

void MenuSystem::startTutorial()
{
    CEGUI::Window* tutorial = tutorialWizard.getRootWindow();
    stack.push_back(tutorial);
    tutorial->show();
    backOverride = [this]() { tutorialWizard.cancel(); };
    tutorialWizard.start();
    // A tutorial without pages would leave the player on an empty screen that the back key
    // cannot leave: take it off again.
    if (!tutorialWizard.hasCurrentStage()) {
        Ogre::LogManager::getSingleton().logMessage("MenuSystem: the tutorial has no pages");
        back();
        return;
    }
    showTop();
}

void MenuSystem::createHelpPane()
{
    CEGUI::FrameWindow* pane = WidgetFactory::createFrameWindow("Help", menuSheet, "");
    WidgetFactory::setClientSize(*pane, HELP_WIDTH, HELP_HEIGHT);
    pane->setSizingEnabled(false);
    pane->setCloseButtonEnabled(false);
    const CEGUI::Sizef sheet = menuSheet->getPixelSize();
    const CEGUI::Sizef outer = pane->getPixelSize();
    pane->setPosition(CEGUI::UVector2(CEGUI::UDim(0, (sheet.d_width - outer.d_width) * 0.5f),
                                      CEGUI::UDim(0, sheet.d_height - outer.d_height)));
    pane->hide();
    CEGUI::Window* label = WidgetFactory::createStaticText("Help/HelpLabel", pane, "");
    setPixelArea(*label, HELP_LABEL_X, 0.0f, HELP_LABEL_WIDTH, HELP_HEIGHT);
    // Help texts are sentences: wrapped on the pane's lines rather than stretched across one.
    label->setProperty("HorzFormatting", "WordWrapLeftAligned");
    helpPane = pane;
}

void MenuSystem::showHelpPane()
{
    if (!helpEnabled || !helpPane)
        return;
    helpPane->show();
    WidgetFactory::findWindow("Help/HelpLabel")->setText(getHelpConfig().get<std::string>("Help", "reset"));
}

void MenuSystem::hideHelpPane()
{
    if (helpPane)
        helpPane->hide();
}

bool MenuSystem::showHelp(const CEGUI::EventArgs& args)
{
    showHelpFor(static_cast<const CEGUI::WindowEventArgs&>(args).window->getName().c_str());
    return true;
}

void MenuSystem::showHelpFor(const std::string& windowName)
{
    const std::string text = getHelpConfig().get<std::string>("Help", windowName, std::string());
    if (text.empty()) {
        Ogre::LogManager::getSingleton().logMessage("No help text found for widget: " + windowName);
        return;
    }
    // Before the set-up has built the pane there is nowhere to show it.
    if (CEGUI::Window* label = WidgetFactory::findWindow("Help/HelpLabel"))
        label->setText(text);
}

bool MenuSystem::closeSheet(CEGUI::Window* sheet)
{
    if (sheet)
        sheet->hide();
    pop();
    showTop();
    return true;
}

bool MenuSystem::onQuit(const CEGUI::EventArgs&)
{
    InputHandler& input = InputHandler::getSingleton();
    input.pulseSymbol(input.getSymbol("quit"));
    return true;
}

bool MenuSystem::closeMainSheet(const CEGUI::EventArgs&)
{
    return closeSheet(mainSheet);
}

bool MenuSystem::closePlaySheet(const CEGUI::EventArgs&)
{
    closeSheet(playSheet);
    hideHelpPane();
    return true;
}

bool MenuSystem::closeStatsSheet(const CEGUI::EventArgs&)
{
    return closeSheet(statsSheet);
}

bool MenuSystem::closeOptionsSheet(const CEGUI::EventArgs&)
{
    return closeSheet(optionsSheet);
}

bool MenuSystem::closeControlSheet(const CEGUI::EventArgs&)
{
    InputHandler::getSingleton().saveKeymap("");
    return closeSheet(controlSheet);
}

bool MenuSystem::onInSkirmishResume(const CEGUI::EventArgs&)
{
    Interface::getSingleton().setMode(Interface::COMMAND, false);
    return true;
}

bool MenuSystem::onEndMission(const CEGUI::EventArgs&)
{
    closeSheet(inSkirmishSheet);
    ScenarioManager::getSingleton().loadScenario("Startup");
    return true;
}

bool MenuSystem::onDifficultyChanged(const CEGUI::EventArgs& args)
{
    const auto* slider = static_cast<const CEGUI::Slider*>(static_cast<const CEGUI::WindowEventArgs&>(args).window);
    const float value = slider->getCurrentValue();
    Ogre::LogManager::getSingleton().logMessage("Setting difficulty to: " + Ogre::StringConverter::toString(value));
    Difficulty::getSingleton().setDifficulty(value);
    return true;
}

} // namespace Tolvarine

#include "MenuSystem.h"

#include "AreaManager.h"
#include "CodeNames.h"
#include "Config.h"
#include "DebrisSystem.h"
#include "Difficulty.h"
#include "GameLog.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "Interface.h"
#include "ScenarioManager.h"
#include "Scheduler.h"
#include "SoundManager.h"
#include "Statistics.h"
#include "WidgetFactory.h"

#include <CEGUI/Font.h>
#include <CEGUI/Window.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/FrameWindow.h>
#include <CEGUI/widgets/RadioButton.h>
#include <CEGUI/widgets/ToggleButton.h>
#include <CEGUI/widgets/Slider.h>
#include <OgreMath.h>
#include <OgreStringConverter.h>
#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace Tolvarine {

MenuSystem* MenuSystem::singleton = nullptr;

namespace {

const char* const HELP_PATH = "cfg/demo_help.cfg";

// The help pane's client area, and its label's place and size inside it.
constexpr float HELP_WIDTH = 500.0f;
constexpr float HELP_HEIGHT = 110.0f;
constexpr float HELP_LABEL_X = 10.0f;
constexpr float HELP_LABEL_WIDTH = 480.0f;

void setPixelArea(CEGUI::Window& window, float x, float y, float width, float height);

// The input prompt's client size, and the binding button's offset from its row's label.
constexpr float PROMPT_WIDTH = 180.0f;
constexpr float PROMPT_HEIGHT = 25.0f;
constexpr float BINDING_BUTTON_X = 130.0f;
// Mouse moves and joystick deflections below this magnitude are not taken as a choice.
constexpr float CAPTURE_THRESHOLD = 0.3f;

constexpr float CONTROL_WIDTH = 640.0f;
constexpr float CONTROL_HEIGHT = 460.0f;
constexpr float BUTTON_INSET = 30.0f;

struct BindingRow {
    const char* label;
    const char* command;
    const char* partner;
    float gapBefore;
};

struct BindingColumn {
    float x;
    float firstY;
    std::vector<BindingRow> rows;
};

// The Control sheet's two columns: flight on the left, views, weapons and the rest on the right.
const std::vector<BindingColumn>& controlColumns()
{
    static const std::vector<BindingColumn> columns{
        {15.0f, 30.0f,
         {{"Pitch up:", "pitch_up", "pitch_down", 0.0f},
          {"Pitch down:", "pitch_down", "pitch_up", 0.0f},
          {"Yaw left:", "yaw_left", "yaw_right", 0.0f},
          {"Yaw right:", "yaw_right", "yaw_left", 0.0f},
          {"Roll left:", "roll_left", "roll_right", 0.0f},
          {"Roll right:", "roll_right", "roll_left", 0.0f},
          {"Forward:", "forward_thrust", "backward_thrust", 10.0f},
          {"Backward:", "backward_thrust", "forward_thrust", 0.0f},
          {"Strafe left:", "left_thrust", "right_thrust", 0.0f},
          {"Strafe right:", "right_thrust", "left_thrust", 0.0f},
          {"Up:", "up_thrust", "down_thrust", 0.0f},
          {"Down:", "down_thrust", "up_thrust", 0.0f}}},
        {340.0f, 40.0f,
         {{"Nose camera:", "nose_cam_view", "", 0.0f},
          {"Chase camera:", "chase_cam_view", "", 0.0f},
          {"Flyby camera:", "flyby_view", "", 0.0f},
          {"Fire primary:", "fire_primary", "", 10.0f},
          {"Fire secondary:", "fire_secondary", "", 0.0f},
          {"Select target:", "target_reticle_closest", "", 0.0f},
          {"Toggle formation:", "toggle_formation", "", 10.0f},
          {"Formation mode:", "toggle_formation_mode", "", 0.0f},
          {"Pause:", "pause", "", 10.0f},
          {"Screenshot:", "screenshot", "", 0.0f}}},
    };
    return columns;
}

// A frame window under the menu root: no title, not sizable, no close button, its client area
// of the given size (children are placed in the client area), centred and hidden.
CEGUI::FrameWindow* createCentredSheet(const std::string& name, CEGUI::Window* root, float width, float height,
                                       const std::string& title = "")
{
    CEGUI::FrameWindow* sheet = WidgetFactory::createFrameWindow(name, root, title);
    WidgetFactory::setClientSize(*sheet, width, height);
    sheet->setSizingEnabled(false);
    sheet->setCloseButtonEnabled(false);
    const CEGUI::Sizef area = root->getPixelSize();
    const CEGUI::Sizef outer = sheet->getPixelSize();
    sheet->setPosition(CEGUI::UVector2(CEGUI::UDim(0, (area.d_width - outer.d_width) * 0.5f),
                                       CEGUI::UDim(0, (area.d_height - outer.d_height) * 0.5f)));
    sheet->hide();
    return sheet;
}

void placeAt(CEGUI::Window& window, float x, float y)
{
    window.setPosition(CEGUI::UVector2(CEGUI::UDim(0, x), CEGUI::UDim(0, y)));
}

float lineSpacing(const CEGUI::Window& window)
{
    return window.getFont()->getLineSpacing(1.0f);
}

// A tall slider (20 wide) with its left edge 10 left of the column and its label centred over
// the column.
CEGUI::Slider* addSliderColumn(CEGUI::Window* sheet, const std::string& sliderName, const std::string& labelName,
                               const std::string& text, float columnX, float labelY, float sliderY,
                               float sliderHeight, float maximum, float step, float value)
{
    CEGUI::Window* label = WidgetFactory::createStaticText(labelName, sheet, text);
    placeAt(*label, columnX - label->getPixelSize().d_width * 0.5f, labelY);
    CEGUI::Slider* slider = WidgetFactory::createSlider(sliderName, sheet, maximum, step, value);
    setPixelArea(*slider, columnX - 10.0f, sliderY, 20.0f, sliderHeight);
    return slider;
}

float sliderValue(const std::string& name)
{
    return static_cast<CEGUI::Slider*>(WidgetFactory::findWindow(name))->getCurrentValue();
}

// Sliders hold floats; the unsigned settings take the whole part (37.9 is 37).
unsigned truncatedSliderValue(const std::string& name)
{
    return static_cast<unsigned>(std::max(0.0f, std::trunc(sliderValue(name))));
}

// "Back" at (W - its width - 30, H - 30).
CEGUI::PushButton* addBackButton(CEGUI::Window* sheet, const std::string& name, float width, float height)
{
    CEGUI::PushButton* back = WidgetFactory::createButton(name, sheet, "Back");
    placeAt(*back, width - back->getPixelSize().d_width - BUTTON_INSET, height - BUTTON_INSET);
    return back;
}

// A read-only list of numbers or names at (x, y), showing `shown`.
CEGUI::Combobox* addReadOnlyCombo(CEGUI::Window* sheet, const std::string& name, const std::vector<std::string>& items,
                                  const std::string& shown, float x, float y)
{
    CEGUI::Combobox* box = WidgetFactory::createCombobox(name, sheet);
    box->setReadOnly(true);
    for (const std::string& item : items)
        WidgetFactory::addComboItem(*box, item);
    box->setText(shown);
    placeAt(*box, x, y);
    return box;
}

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
    // The tutorial's root covers the whole menu sheet: shown only while the tutorial runs, so that
    // it does not take the clicks meant for the sheets under it.
    tutorialWizard.getRootWindow()->hide();
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

Config& MenuSystem::getHelpConfig()
{
    static Config settings(HELP_PATH, false, false, false);
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
        // Bindings captured on the Control sheet are live already: keep them for the next run.
        if (controlSheet && stack.back() == controlSheet)
            InputHandler::getSingleton().saveKeymap("");
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
        GameLog::line("MenuSystem: the tutorial has no pages");
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
        GameLog::line("No help text found for widget: " + windowName);
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

const std::vector<std::string>& MenuSystem::getControlCommands()
{
    static const std::vector<std::string> commands{
        "pitch_up",     "pitch_down",     "yaw_right",       "yaw_left",
        "roll_right",   "roll_left",      "left_thrust",     "right_thrust",
        "forward_thrust", "backward_thrust", "up_thrust",    "down_thrust",
        "fire_primary", "fire_secondary", "target_reticle_closest", "nose_cam_view",
        "chase_cam_view", "flyby_view",   "toggle_formation", "toggle_formation_mode",
        "pause",        "screenshot"};
    return commands;
}

float MenuSystem::addBindingRow(const std::string& label, float y, float x, const std::string& command,
                                const std::string& partner)
{
    InputHandler& input = InputHandler::getSingleton();
    CEGUI::Window* text = WidgetFactory::createStaticText("Label/" + command, controlSheet, label);
    placeAt(*text, x, y);
    CEGUI::PushButton* button =
        WidgetFactory::createButton("Button/" + command, controlSheet, input.getInputNameForSymbol(command));
    placeAt(*button, x + BINDING_BUTTON_X, y);
    const InputHandler::SymbolNumber commandNumber = input.getSymbol(command);
    std::optional<InputHandler::SymbolNumber> partnerNumber;
    if (!partner.empty())
        partnerNumber = input.getSymbol(partner);
    button->subscribeEvent(CEGUI::PushButton::EventClicked,
                           CEGUI::Event::Subscriber([this, commandNumber, partnerNumber](const CEGUI::EventArgs&) {
                               return captureInput(commandNumber, partnerNumber);
                           }));
    return y + menuSheet->getFont()->getLineSpacing(1.0f) + 15.0f;
}

bool MenuSystem::captureInput(InputHandler::SymbolNumber command, std::optional<InputHandler::SymbolNumber> partner)
{
    if (!changeInputPopup)
        createChangeInputPopup();
    pushSheet(changeInputPopup);
    InputHandler::getSingleton().setInputCapture(
        [this, command, partner](InputType kind, std::uint32_t code, float value) {
            return onInputSelected(kind, code, value, command, partner);
        });
    return true;
}

void MenuSystem::createChangeInputPopup()
{
    changeInputPopup = createCentredSheet("ChangeInput", menuSheet, PROMPT_WIDTH, PROMPT_HEIGHT, "Select new input...");
}

bool MenuSystem::onInputSelected(InputType kind, std::uint32_t code, float value, InputHandler::SymbolNumber command,
                                 std::optional<InputHandler::SymbolNumber> partner)
{
    const bool analogue = kind == InputType::MOUSE_MOVE || kind == InputType::JOYSTICK_AXIS;
    if (analogue && std::abs(value) < CAPTURE_THRESHOLD)
        return true;
    // An input the key map has no name for could be bound but never saved, and the file's old
    // line would come back at the next start: wait for one that can be kept.
    if (!InputHandler::inputName(kind, code))
        return true;

    changeInputPopup->hide();
    pop();
    showTop();
    if (kind == InputType::KEY) {
        for (const char* cancel : {"escape", "backspace", "tab"})
            if (InputHandler::keyCodeForName(cancel) == code)
                return false;
    }

    InputHandler& input = InputHandler::getSingleton();
    input.unbindSymbol(command);
    input.bindPhysicalInput(kind, code, command);
    std::optional<std::uint32_t> opposite;
    if (kind == InputType::MOUSE_MOVE)
        opposite = InputHandler::oppositeMouseMove(code);
    if (kind == InputType::JOYSTICK_AXIS) {
        std::cout << "Mapping: " << InputHandler::joystickAxisName(code).value_or("") << std::endl;
        opposite = InputHandler::oppositeJoystickAxis(code);
    }
    if (partner && opposite) {
        input.unbindSymbol(*partner);
        input.bindPhysicalInput(kind, *opposite, *partner);
    }
    // Saved at once, as every other setting is: a game that ends while the sheet is still open
    // (the quit key, a signal) keeps the binding the player just made.
    input.saveKeymap("");
    refreshBindingButtons();
    return false;
}

void MenuSystem::refreshBindingButton(const std::string& command)
{
    CEGUI::Window* button = WidgetFactory::findWindow("Button/" + command);
    if (!button)
        return;
    button->setText(InputHandler::getSingleton().getInputNameForSymbol(command));
    WidgetFactory::fitButtonToText(*button);
}

void MenuSystem::refreshBindingButtons()
{
    for (const std::string& command : getControlCommands())
        refreshBindingButton(command);
}

void MenuSystem::createControlSheet()
{
    controlSheet = createCentredSheet("Control", menuSheet, CONTROL_WIDTH, CONTROL_HEIGHT);
    for (const BindingColumn& column : controlColumns()) {
        float y = column.firstY;
        for (const BindingRow& row : column.rows)
            y = addBindingRow(row.label, y + row.gapBefore, column.x, row.command, row.partner);
    }
    CEGUI::PushButton* back = WidgetFactory::createButton("Control/Back", controlSheet, "Back");
    const float backX = CONTROL_WIDTH - back->getPixelSize().d_width - BUTTON_INSET;
    placeAt(*back, backX, CONTROL_HEIGHT - BUTTON_INSET);
    back->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::closeControlSheet, this));
    CEGUI::PushButton* advanced = WidgetFactory::createButton("Control/Advanced", controlSheet, "Advanced");
    placeAt(*advanced, backX - advanced->getPixelSize().d_width - BUTTON_INSET, CONTROL_HEIGHT - BUTTON_INSET);
    advanced->subscribeEvent(CEGUI::PushButton::EventClicked,
                             CEGUI::Event::Subscriber(&MenuSystem::openAdvancedControlSheet, this));
}

bool MenuSystem::openControlSheet(const CEGUI::EventArgs&)
{
    openControlSheet();
    return true;
}

void MenuSystem::openControlSheet()
{
    openSheet(controlSheet, &MenuSystem::createControlSheet, false);
}

void MenuSystem::createSoundSheet()
{
    constexpr float width = 400.0f, height = 200.0f, sliderHeight = 100.0f;
    soundSheet = createCentredSheet("Sound", menuSheet, width, height);
    const float sliderY = (height - sliderHeight) * 0.5f;
    const float labelY = sliderY - lineSpacing(*soundSheet) - 10.0f;
    const SoundManager& sound = SoundManager::getSingleton();
    const struct {
        const char* slider;
        const char* label;
        const char* text;
        float x, value;
    } columns[] = {
        {"Sound/EffectsSlider", "Sound/EffectsLabel", "Effects", 62.0f, sound.getEffectsGain()},
        {"Sound/AmbientSlider", "Sound/AmbientLabel", "Ambient", 154.0f, sound.getAmbientGain()},
        {"Sound/InstrumentSlider", "Sound/InstrumentLabel", "Instrument", 246.0f, sound.getInstrumentGain()},
        {"Sound/ThrustSlider", "Sound/ThrustLabel", "Thrust", 338.0f, sound.getThrustGain()},
    };
    for (const auto& column : columns) {
        CEGUI::Slider* slider = addSliderColumn(soundSheet, column.slider, column.label, column.text, column.x, labelY,
                                                sliderY, sliderHeight, 1.0f, 0.05f, column.value);
        slider->subscribeEvent(CEGUI::Slider::EventThumbTrackEnded, CEGUI::Event::Subscriber(&MenuSystem::applySound, this));
    }
    CEGUI::PushButton* back = WidgetFactory::createButton("Sound/BackButton", soundSheet, "Back");
    const CEGUI::Sizef size = back->getPixelSize();
    placeAt(*back, width - size.d_width - 20.0f, height - size.d_height - 20.0f);
    back->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::closeSoundSheet, this));
}

void MenuSystem::createAdvancedControlSheet()
{
    constexpr float width = 400.0f, height = 350.0f, sliderHeight = 100.0f;
    advancedControlSheet = createCentredSheet("AdvancedControl", menuSheet, width, height);
    const float ls = lineSpacing(*menuSheet);
    const float labelY1 = 30.0f;
    const float sliderY1 = labelY1 + ls + 15.0f;
    const float labelY2 = sliderY1 + sliderHeight + 15.0f;
    const float sliderY2 = labelY2 + ls + 15.0f;
    const InputHandler& input = InputHandler::getSingleton();
    const struct {
        const char* slider;
        const char* label;
        const char* text;
        float x, labelY, sliderY, maximum, step, value;
    } columns[] = {
        {"AdvancedControl/Sensitivity", "AdvancedControl/MouseSensitivityLabel", "Mouse sensitivity", 100.0f, labelY1,
         sliderY1, 100.0f, 1.0f, static_cast<float>(input.getMouseSensitivity())},
        {"AdvancedControl/Momentum", "AdvancedControl/MouseMomentumLabel", "Mouse momentum", 300.0f, labelY1, sliderY1,
         0.1f, 0.005f, input.getMouseFilterHalflife()},
        {"AdvancedControl/JoystickDeadZone", "AdvancedControl/JoystickDeadZoneLabel", "Joystick dead zone", 100.0f,
         labelY2, sliderY2, 25.0f, 1.0f, static_cast<float>(input.getJoystickDeadZone())},
        {"AdvancedControl/JoystickLogFactor", "AdvancedControl/JoystickLogFactorLabel", "Joystick log factor", 300.0f,
         labelY2, sliderY2, 5.0f, 0.1f, input.getJoystickLogFactor()},
    };
    for (const auto& column : columns) {
        CEGUI::Slider* slider = addSliderColumn(advancedControlSheet, column.slider, column.label, column.text, column.x,
                                                column.labelY, column.sliderY, sliderHeight, column.maximum,
                                                column.step, column.value);
        showsHelp(*slider);
    }
    addBackButton(advancedControlSheet, "AdvancedControl/Back", width, height)
        ->subscribeEvent(CEGUI::PushButton::EventClicked,
                         CEGUI::Event::Subscriber(&MenuSystem::closeAdvancedControlSheet, this));
    addHelpCheckbox(advancedControlSheet, "AdvancedControl/Help", height);
}

void MenuSystem::createGameplaySheet()
{
    constexpr float width = 200.0f, height = 180.0f, sliderHeight = 80.0f;
    gameplaySheet = createCentredSheet("Gameplay", menuSheet, width, height);
    const float sliderY = height * 0.5f - 40.0f;
    CEGUI::Slider* slider = addSliderColumn(gameplaySheet, "Gameplay/Roll", "Gameplay/RollLabel", "Hit roll",
                                            width * 0.5f, sliderY - (lineSpacing(*gameplaySheet) + 15.0f), sliderY,
                                            sliderHeight, 1.0f, 0.05f,
                                            GameplaySettings::getSingleton().getExplosionRollProportion());
    showsHelp(*slider);
    addBackButton(gameplaySheet, "Gameplay/Back", width, height)
        ->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::closeGameplaySheet, this));
    addHelpCheckbox(gameplaySheet, "Gameplay/Help", height);
}

void MenuSystem::createGraphicsSheet()
{
    constexpr float width = 600.0f, height = 220.0f, sliderHeight = 80.0f;
    graphicsSheet = createCentredSheet("Graphics", menuSheet, width, height);
    const float ls = lineSpacing(*graphicsSheet);
    const float sliderY = ls + 40.0f;
    const float labelY = sliderY - (ls + 15.0f);
    const GraphicsSettings& graphics = GraphicsSettings::getSingleton();
    const DebrisSystem* debris = DebrisSystem::getSingleton();
    const struct {
        const char* slider;
        const char* label;
        const char* text;
        float x, maximum, value;
    } columns[] = {
        {"Graphics/Dust", "Graphics/DustLabel", "Space dust", 88.0f, 2.0f, debris ? debris->getGlobalEmissionRate() : 1.0f},
        {"Graphics/Ps", "Graphics/PsLabel", "Thrust detail", 229.333f, 1.0f, graphics.getParticleSystemDetail()},
        {"Graphics/Lod", "Graphics/LodLabel", "Geometry detail", 370.667f, 2.0f, graphics.getLodBias()},
        {"Graphics/Glow", "Graphics/GlowLabel", "Glow amount", 512.0f, 1.0f, graphics.getGlowLevel()},
    };
    float firstLabelX = 0.0f;
    for (const auto& column : columns) {
        CEGUI::Slider* slider = addSliderColumn(graphicsSheet, column.slider, column.label, column.text, column.x,
                                                labelY, sliderY, sliderHeight, column.maximum, 0.05f, column.value);
        showsHelp(*slider);
        if (column.x == columns[0].x)
            firstLabelX = WidgetFactory::findWindow(column.label)->getPosition().d_x.d_offset;
    }
    const float rowY = sliderY + sliderHeight + ls + 15.0f;
    CEGUI::Window* label = WidgetFactory::createStaticText("Graphics/MaxLodLabel", graphicsSheet, "Max ship detail");
    placeAt(*label, firstLabelX, rowY);
    showsHelp(*label);
    addReadOnlyCombo(graphicsSheet, "Graphics/MaxLod", {"0", "1", "2", "3"},
                     std::to_string(3 - static_cast<int>(graphics.getMaxShipLodLevel())),
                     firstLabelX + label->getPixelSize().d_width + 10.0f, rowY);
    addBackButton(graphicsSheet, "Graphics/Back", width, height)
        ->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::closeGraphicsSheet, this));
    addHelpCheckbox(graphicsSheet, "Graphics/Help", height);
}

void MenuSystem::showsHelp(CEGUI::Window& window)
{
    window.subscribeEvent(CEGUI::Window::EventMouseEntersSurface, CEGUI::Event::Subscriber(&MenuSystem::showHelp, this));
}

void MenuSystem::addHelpCheckbox(CEGUI::Window* sheet, const std::string& name, float height)
{
    CEGUI::ToggleButton* help = WidgetFactory::createCheckbox(name, sheet, "Help");
    placeAt(*help, 30.0f, height - BUTTON_INSET);
    help->setSelected(true);
    help->subscribeEvent(CEGUI::ToggleButton::EventSelectStateChanged,
                         CEGUI::Event::Subscriber(&MenuSystem::onHelpToggled, this));
}

// A settings sheet is built on its first opening and kept; the sheets with help texts show the pane.
void MenuSystem::openSheet(CEGUI::Window*& sheet, void (MenuSystem::*create)(), bool withHelp)
{
    if (!sheet)
        (this->*create)();
    pushSheet(sheet);
    if (withHelp)
        showHelpPane();
}

bool MenuSystem::openSoundSheet(const CEGUI::EventArgs&)
{
    openSheet(soundSheet, &MenuSystem::createSoundSheet, false);
    return true;
}

bool MenuSystem::openAdvancedControlSheet(const CEGUI::EventArgs&)
{
    openSheet(advancedControlSheet, &MenuSystem::createAdvancedControlSheet, true);
    return true;
}

bool MenuSystem::openGameplaySheet(const CEGUI::EventArgs&)
{
    openSheet(gameplaySheet, &MenuSystem::createGameplaySheet, true);
    return true;
}

bool MenuSystem::openGraphicsSheet(const CEGUI::EventArgs&)
{
    openSheet(graphicsSheet, &MenuSystem::createGraphicsSheet, true);
    return true;
}

bool MenuSystem::applySound(const CEGUI::EventArgs& args)
{
    const CEGUI::Window* slider = static_cast<const CEGUI::WindowEventArgs&>(args).window;
    const std::string name = slider->getName().c_str();
    const float value = static_cast<const CEGUI::Slider*>(slider)->getCurrentValue();
    SoundManager& sound = SoundManager::getSingleton();
    if (name == "Sound/InstrumentSlider")
        sound.setInstrumentGain(value);
    else if (name == "Sound/AmbientSlider")
        sound.setAmbientGain(value);
    else if (name == "Sound/EffectsSlider")
        sound.setEffectsGain(value);
    else if (name == "Sound/ThrustSlider")
        sound.setThrustGain(value);
    sound.refreshVolumes();
    return true;
}

// A click on a slider's track moves it without a thumb release: Back applies all four, so what
// the sheet shows is what plays.
bool MenuSystem::closeSoundSheet(const CEGUI::EventArgs&)
{
    SoundManager& sound = SoundManager::getSingleton();
    sound.setEffectsGain(sliderValue("Sound/EffectsSlider"));
    sound.setAmbientGain(sliderValue("Sound/AmbientSlider"));
    sound.setInstrumentGain(sliderValue("Sound/InstrumentSlider"));
    sound.setThrustGain(sliderValue("Sound/ThrustSlider"));
    sound.refreshVolumes();
    return closeSheet(soundSheet);
}

bool MenuSystem::closeAdvancedControlSheet(const CEGUI::EventArgs&)
{
    applyAdvancedControl();
    closeSheet(advancedControlSheet);
    hideHelpPane();
    return true;
}

bool MenuSystem::closeGameplaySheet(const CEGUI::EventArgs&)
{
    applyGameplay();
    closeSheet(gameplaySheet);
    hideHelpPane();
    return true;
}

bool MenuSystem::closeGraphicsSheet(const CEGUI::EventArgs&)
{
    graphicsSheet->hide();
    applyGraphics();
    closeSheet(graphicsSheet);
    hideHelpPane();
    return true;
}

void MenuSystem::applyAdvancedControl()
{
    InputHandler& input = InputHandler::getSingleton();
    input.setMouseSensitivity(truncatedSliderValue("AdvancedControl/Sensitivity"));
    input.setMouseFilterHalflife(sliderValue("AdvancedControl/Momentum"));
    input.setJoystickDeadZone(truncatedSliderValue("AdvancedControl/JoystickDeadZone"));
    input.setJoystickLogFactor(sliderValue("AdvancedControl/JoystickLogFactor"));
    input.saveKeymap("");
}

void MenuSystem::applyGameplay()
{
    GameplaySettings::getSingleton().setExplosionRollProportion(sliderValue("Gameplay/Roll"));
}

void MenuSystem::applyGraphics()
{
    if (DebrisSystem* debris = DebrisSystem::getSingleton())
        debris->setGlobalEmissionRate(sliderValue("Graphics/Dust"));
    GraphicsSettings& graphics = GraphicsSettings::getSingleton();
    graphics.setParticleSystemDetail(sliderValue("Graphics/Ps"));
    graphics.setLodBias(sliderValue("Graphics/Lod"));
    graphics.setGlowLevel(sliderValue("Graphics/Glow"));
    // The menu shows 3 for the most detailed level (0); a text outside 0..3 keeps the level.
    const std::string shown = WidgetFactory::findWindow("Graphics/MaxLod")->getText().c_str();
    int level = -1;
    try {
        level = 3 - std::stoi(shown);
    } catch (const std::exception&) {
    }
    if (level < 0 || level > 3) {
        GameLog::line("MenuSystem: ignoring max ship detail \"" + shown + "\"");
        return;
    }
    graphics.setMaxShipLodLevel(static_cast<unsigned short>(level));
}

bool MenuSystem::onHelpToggled(const CEGUI::EventArgs&)
{
    if (helpToggleGuard)
        return true;
    helpEnabled = !helpEnabled;
    helpToggleGuard = true;
    if (!playSheet)
        createPlaySheet();
    if (!graphicsSheet)
        createGraphicsSheet();
    if (!advancedControlSheet)
        createAdvancedControlSheet();
    if (!gameplaySheet)
        createGameplaySheet();
    for (const char* name : {"Play/Help", "AdvancedControl/Help", "Gameplay/Help", "Graphics/Help"})
        if (CEGUI::Window* box = WidgetFactory::findWindow(name))
            static_cast<CEGUI::ToggleButton*>(box)->setSelected(helpEnabled);
    saveHelpEnabled();
    if (helpEnabled)
        showHelpPane();
    else
        hideHelpPane();
    helpToggleGuard = false;
    return true;
}

void MenuSystem::saveHelpEnabled() const
{
    // Written through a copy that may add the key: a help file without it reads as help on, and
    // the first toggle must create it rather than fail. The shared copy reads the key only at
    // start-up, so it need not follow.
    Config writable(HELP_PATH, true, false, false);
    writable.setValue("General", "enabled", helpEnabled ? "1" : "0");
    writable.save();
}

bool MenuSystem::onInSkirmishResume(const CEGUI::EventArgs&)
{
    Interface::getSingleton().setMode(Interface::COMMAND, false);
    return true;
}

bool MenuSystem::onEndMission(const CEGUI::EventArgs&)
{
    closeSheet(inSkirmishSheet);
    ScenarioManager::getSingleton().loadScenario(CodeNames::STARTUP_SCENARIO.name);
    return true;
}

bool MenuSystem::onDifficultyChanged(const CEGUI::EventArgs& args)
{
    const auto* slider = static_cast<const CEGUI::Slider*>(static_cast<const CEGUI::WindowEventArgs&>(args).window);
    const float value = slider->getCurrentValue();
    GameLog::line("Setting difficulty to: " + Ogre::StringConverter::toString(value));
    Difficulty::getSingleton().setDifficulty(value);
    return true;
}

float MenuSystem::rowHeight() const
{
    return std::trunc(lineSpacing(mainSheet ? *mainSheet : *menuSheet)) + 15.0f;
}

void MenuSystem::addButtonColumn(CEGUI::Window* sheet, float width,
                                 const std::vector<std::pair<std::string, std::string>>& buttons,
                                 const std::vector<bool (MenuSystem::*)(const CEGUI::EventArgs&)>& handlers)
{
    const float row = rowHeight();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        CEGUI::PushButton* button = WidgetFactory::createButton(buttons[i].first, sheet, buttons[i].second);
        placeAt(*button, (width - button->getPixelSize().d_width) * 0.5f, 2.0f * static_cast<float>(i + 1) * row);
        button->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(handlers[i], this));
    }
}

void MenuSystem::initialise()
{
    if (!helpPane)
        createHelpPane();
    if (!quitSheet)
        createQuitSheet();
    stack.push_back(quitSheet);
    openMainSheet();
    menuSheet->moveToFront();
    if (!getHelpConfig().get<bool>("General", "enabled", true))
        onHelpToggled(CEGUI::EventArgs());
}

void MenuSystem::createMainSheet()
{
    constexpr float width = 160.0f, height = 285.0f;
    mainSheet = createCentredSheet("Main", menuSheet, width, height);
    addButtonColumn(mainSheet, width,
                    {{"Main/Tutorial", "Tutorial"}, {"Main/Play", "Play"}, {"Main/Options", "Options"}, {"Main/Quit", "Quit"}},
                    {&MenuSystem::startTutorial, &MenuSystem::openPlaySheet, &MenuSystem::openOptionsSheet,
                     &MenuSystem::closeMainSheet});
}

void MenuSystem::createQuitSheet()
{
    constexpr float width = 260.0f, height = 100.0f;
    quitSheet = createCentredSheet("QuitMenu", menuSheet, width, height, "Are you sure?");
    const struct {
        const char* name;
        const char* text;
        float x;
        bool (MenuSystem::*clicked)(const CEGUI::EventArgs&);
    } buttons[] = {{"Quit/Quit", "Quit game", 20.0f, &MenuSystem::onQuit},
                   {"Quit/Continue", "Continue", 140.0f, &MenuSystem::openMainSheet}};
    for (const auto& entry : buttons) {
        CEGUI::PushButton* button = WidgetFactory::createButton(entry.name, quitSheet, entry.text);
        placeAt(*button, entry.x, height * 0.5f);
        button->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(entry.clicked, this));
    }
}

bool MenuSystem::openMainSheet(const CEGUI::EventArgs&)
{
    openMainSheet();
    return true;
}

void MenuSystem::openMainSheet()
{
    openSheet(mainSheet, &MenuSystem::createMainSheet, false);
}

void MenuSystem::createPlaySheet()
{
    constexpr float width = 400.0f, height = 370.0f;
    playSheet = createCentredSheet("PlayMenu", menuSheet, width, height);
    const float L = lineSpacing(mainSheet ? *mainSheet : *menuSheet);
    const float y0 = 20.0f, y1 = L + 25.0f, y2 = y1 + L + 20.0f, y3 = y2 + L + 30.0f, y4 = y3 + L + 20.0f,
                y5 = y4 + 50.0f, y6 = y5 + 75.0f;
    const auto text = [this](const char* name, const char* shown, float x, float y) {
        CEGUI::Window* label = WidgetFactory::createStaticText(name, playSheet, shown);
        placeAt(*label, x, y);
        return label;
    };
    const auto combo = [this](const char* name, const std::vector<std::string>& items, const std::string& shown,
                              float x, float y) { return addReadOnlyCombo(playSheet, name, items, shown, x, y); };
    // Centred on x 165 and on the middle of the row's text line.
    const auto thumbnail = [&](const char* name, const CodeNames::Name& image, float w, float h, float y) {
        CEGUI::Window* picture = WidgetFactory::createStaticImage(name, playSheet, PICTURE_IMAGESET, image.name);
        setPixelArea(*picture, 165.0f - w * 0.5f, y - (h - L) * 0.5f, w, h);
        showsHelp(*picture);
    };

    text("Play/Label1", "Game mode:", 30.0f, y0);
    CEGUI::RadioButton* survival = WidgetFactory::createRadioButton("Play/SurvivalMode", playSheet, "Survival", 1);
    placeAt(*survival, 150.0f, y0);
    survival->setSelected(true);
    showsHelp(*survival);
    CEGUI::RadioButton* skirmish = WidgetFactory::createRadioButton("Play/SkirmishMode", playSheet, "Skirmish", 1);
    placeAt(*skirmish, 150.0f, y1);
    showsHelp(*skirmish);
    showsHelp(*text("Play/EnvironmentLabel", "Environment:", 30.0f, y2));
    std::vector<std::string> areas;
    if (const AreaManager* manager = AreaManager::getSingletonPtr())
        areas = manager->getAreaNames();
    areas.push_back("Random");
    combo("Play/EnvironmentCombo", areas, "Random", 150.0f, y2);
    text("Play/Label2", "Forces:", 30.0f, y3);
    text("Play/FriendlyLabel", "Friendly", 230.0f, y3);
    text("Play/EnemyLabel", "Enemy", 320.0f, y3)->hide();
    text("Play/TrifighterLabel", "Trifighter", 30.0f, y4);
    combo("Play/FriendlyTrifighterCombo", {"1", "2"}, "2", 230.0f, y4);
    combo("Play/EnemyTrifighterCombo", {"0", "1", "2"}, "1", 320.0f, y4)->hide();
    thumbnail("Play/TrifighterThumbnail", CodeNames::TRIFIGHTER_PICTURE, 50.0f, 50.0f, y4);
    text("Play/ThunderboltLabel", "Thunderbolt", 30.0f, y5);
    combo("Play/FriendlyThunderboltCombo", {"0"}, "0", 230.0f, y5);
    combo("Play/EnemyThunderboltCombo", {"0"}, "0", 320.0f, y5)->hide();
    thumbnail("Play/ThunderboltThumbnail", CodeNames::THUNDERBOLT_PICTURE, 62.0f, 50.0f, y5);
    text("Play/StarfireLabel", "Starfire", 30.0f, y6);
    combo("Play/FriendlyStarfireCombo", {"0"}, "0", 230.0f, y6);
    combo("Play/EnemyStarfireCombo", {"0"}, "0", 320.0f, y6)->hide();
    thumbnail("Play/StarfireThumbnail", CodeNames::STARFIRE_PICTURE, 100.0f, 100.0f, y6);

    CEGUI::Window* difficultyLabel = text("Play/Label4", "Difficulty:", 300.0f, 20.0f);
    const Difficulty* difficulty = Difficulty::getSingletonPtr();
    CEGUI::Slider* slider =
        WidgetFactory::createSlider("Play/Difficulty", playSheet, 1.0f, 0.05f, difficulty ? difficulty->getDifficulty() : 0.5f);
    setPixelArea(*slider, 300.0f + difficultyLabel->getPixelSize().d_width * 0.5f - 10.0f, y1, 20.0f, 70.0f);
    // A click on the track changes the value without releasing the thumb: every change is applied,
    // so the level in play is the one the slider shows.
    for (const CEGUI::String& event : {CEGUI::Slider::EventThumbTrackEnded, CEGUI::Window::EventMoved,
                                       CEGUI::Slider::EventValueChanged})
        slider->subscribeEvent(event, CEGUI::Event::Subscriber(&MenuSystem::onDifficultyChanged, this));
    showsHelp(*slider);

    CEGUI::PushButton* start = WidgetFactory::createButton("Play/Start", playSheet, "Start");
    const float startX = width - start->getPixelSize().d_width - BUTTON_INSET;
    placeAt(*start, startX, height - BUTTON_INSET);
    start->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::startGame, this));
    CEGUI::PushButton* back = WidgetFactory::createButton("Play/Back", playSheet, "Back");
    placeAt(*back, startX - back->getPixelSize().d_width - BUTTON_INSET, height - BUTTON_INSET);
    back->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::closePlaySheet, this));
    addHelpCheckbox(playSheet, "Play/Help", height);
}

bool MenuSystem::openPlaySheet(const CEGUI::EventArgs&)
{
    openPlaySheet();
    return true;
}

void MenuSystem::openPlaySheet()
{
    openSheet(playSheet, &MenuSystem::createPlaySheet, true);
}

std::string MenuSystem::chooseArea(const std::string& choice, const std::vector<std::string>& names, float draw)
{
    if (choice != "Random")
        return choice;
    if (names.empty()) {
        GameLog::line("MenuSystem: there is no area to draw; the game starts without one");
        return "";
    }
    // Rounding of n - 0.000001 may reach n itself.
    const std::size_t index = static_cast<std::size_t>(std::max(0.0f, std::floor(draw)));
    return names[std::min(index, names.size() - 1)];
}

// The sheet's rows name the ship classes; the fleets name the ship types the pools know, one per
// file of data/entities.
constexpr const char* TRIFIGHTER_TYPE = CodeNames::FLEET_SHIP.name;

MenuSystem::GameSetUp MenuSystem::readGameSetUp() const
{
    const auto number = [](const char* combo) {
        return boost::lexical_cast<unsigned>(WidgetFactory::findWindow(combo)->getText().c_str());
    };
    GameSetUp setUp;
    std::vector<std::string> names;
    if (const AreaManager* areas = AreaManager::getSingletonPtr())
        names = areas->getAreaNames();
    const float draw = Ogre::Math::RangeRandom(0.0f, static_cast<float>(names.size()) - 0.000001f);
    setUp.area = chooseArea(WidgetFactory::findWindow("Play/EnvironmentCombo")->getText().c_str(), names, draw);
    setUp.playerFleet[TRIFIGHTER_TYPE] = number("Play/FriendlyTrifighterCombo");
    setUp.skirmish = static_cast<CEGUI::RadioButton*>(WidgetFactory::findWindow("Play/SkirmishMode"))->isSelected();
    if (setUp.skirmish)
        setUp.enemyFleet[TRIFIGHTER_TYPE] = number("Play/EnemyTrifighterCombo");
    return setUp;
}

bool MenuSystem::startGame(const CEGUI::EventArgs&)
{
    const GameSetUp setUp = readGameSetUp();
    ScenarioManager& scenarios = ScenarioManager::getSingleton();
    if (setUp.skirmish) {
        scenarios.loadScenario(CodeNames::SKIRMISH_SCENARIO.name)
            .skirmishStart(setUp.area, setUp.playerFleet, setUp.enemyFleet);
    } else {
        scenarios.loadScenario(CodeNames::SURVIVAL_SCENARIO.name).survivalStart(setUp.area, setUp.playerFleet);
    }
    closePlaySheet(CEGUI::EventArgs());
    openSheet(inSkirmishSheet, &MenuSystem::createInSkirmishSheet, false);
    Interface::getSingleton().setMode(Interface::COMMAND, false);
    return true;
}

void MenuSystem::createOptionsSheet()
{
    constexpr float width = 160.0f, height = 330.0f;
    optionsSheet = createCentredSheet("Options", menuSheet, width, height);
    addButtonColumn(optionsSheet, width,
                    {{"Options/Control", "Control"}, {"Options/Gameplay", "Gameplay"}, {"Options/Graphics", "Graphics"},
                     {"Options/Sound", "Sound"}, {"Options/Back", "Back"}},
                    {&MenuSystem::openControlSheet, &MenuSystem::openGameplaySheet, &MenuSystem::openGraphicsSheet,
                     &MenuSystem::openSoundSheet, &MenuSystem::closeOptionsSheet});
}

bool MenuSystem::openOptionsSheet(const CEGUI::EventArgs&)
{
    openSheet(optionsSheet, &MenuSystem::createOptionsSheet, false);
    return true;
}

void MenuSystem::createInSkirmishSheet()
{
    constexpr float width = 160.0f, height = 270.0f;
    inSkirmishSheet = createCentredSheet("InSkirmishMenu", menuSheet, width, height);
    addButtonColumn(inSkirmishSheet, width,
                    {{"InSkirmish/Resume", "Resume"}, {"InSkirmish/Options", "Options"},
                     {"InSkirmish/MainMenu", "End Mission"}},
                    {&MenuSystem::onInSkirmishResume, &MenuSystem::openOptionsSheet, &MenuSystem::onEndMission});
}

namespace {

constexpr int STATS_ROWS = 10;
constexpr float STATS_WIDTH = 400.0f;
constexpr float STATS_HEIGHT = 260.0f;
constexpr float STATS_TOP = 40.0f;
const char* const STATS_COLUMNS[] = {"Stats/Label", "Stats/Accuracy", "Stats/Damage"};
constexpr float STATS_COLUMN_X[] = {15.0f, 230.0f, 300.0f};

void setStatsRow(int row, const std::string& label, const std::string& accuracy, const std::string& damage)
{
    const std::string* texts[] = {&label, &accuracy, &damage};
    for (int column = 0; column < 3; ++column) {
        CEGUI::Window* cell = WidgetFactory::findWindow(STATS_COLUMNS[column] + std::to_string(row));
        cell->setText(*texts[column]);
        WidgetFactory::fitToText(*cell);
        // An empty text would still draw its background as a small black box.
        cell->setVisible(!texts[column]->empty());
    }
}

std::string formatNumber(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

void MenuSystem::createStatsSheet()
{
    // The sheet's own font sets the row spacing, so the frame is made first at the usual height
    // and then grown until all ten rows and the buttons under them fit.
    statsSheet = createCentredSheet("StatsMenu", menuSheet, STATS_WIDTH, STATS_HEIGHT);
    const float step = lineSpacing(*statsSheet) + 10.0f;
    const float height = std::max(STATS_HEIGHT, STATS_TOP + STATS_ROWS * step + 40.0f);
    if (height > STATS_HEIGHT) {
        WidgetFactory::setClientSize(*static_cast<CEGUI::FrameWindow*>(statsSheet), STATS_WIDTH, height);
        const CEGUI::Sizef area = menuSheet->getPixelSize();
        const CEGUI::Sizef outer = statsSheet->getPixelSize();
        statsSheet->setPosition(CEGUI::UVector2(CEGUI::UDim(0, (area.d_width - outer.d_width) * 0.5f),
                                                CEGUI::UDim(0, (area.d_height - outer.d_height) * 0.5f)));
    }
    CEGUI::PushButton* play = WidgetFactory::createButton("Stats/Play", statsSheet, "Play again");
    const float playX = STATS_WIDTH - play->getPixelSize().d_width - BUTTON_INSET;
    placeAt(*play, playX, height - BUTTON_INSET);
    play->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::playAgain, this));
    CEGUI::PushButton* main = WidgetFactory::createButton("Stats/Main", statsSheet, "Main menu");
    placeAt(*main, playX - main->getPixelSize().d_width - BUTTON_INSET, height - BUTTON_INSET);
    main->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&MenuSystem::closeStatsSheet, this));
    for (int row = 0; row < STATS_ROWS; ++row)
        for (int column = 0; column < 3; ++column)
            placeAt(*WidgetFactory::createStaticText(STATS_COLUMNS[column] + std::to_string(row), statsSheet, ""),
                    STATS_COLUMN_X[column], STATS_TOP + static_cast<float>(row) * step);
}

void MenuSystem::showStats()
{
    while (!stack.empty() && stack.back() != mainSheet) {
        stack.back()->hide();
        pop();
    }
    if (!statsSheet)
        createStatsSheet();
    updateStats();
    pushSheet(statsSheet);
}

void MenuSystem::updateStats()
{
    setStatsRow(0, "Weapon statistics:", "Hit", "Damage");
    std::vector<std::string> names;
    if (const Statistics* statistics = Statistics::getSingletonPtr())
        names = statistics->getProjectileNames();
    for (int row = 1; row < STATS_ROWS; ++row) {
        if (static_cast<std::size_t>(row) > names.size()) {
            setStatsRow(row, "", "", "");
            continue;
        }
        const std::string& name = names[row - 1];
        const Statistics& statistics = Statistics::getSingleton();
        setStatsRow(row, " - " + name, formatNumber("%.0f %%", statistics.getPlayerHitProportion(name) * 100.0),
                    formatNumber("%.0f", statistics.getPlayerDamageInflicted(name)));
    }
}

bool MenuSystem::playAgain(const CEGUI::EventArgs&)
{
    statsSheet->hide();
    pop();
    openPlaySheet();
    return true;
}

} // namespace Tolvarine

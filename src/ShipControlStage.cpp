#include "ShipControlStage.h"

#include "InputHandler.h"
#include "WidgetFactory.h"

#include <CEGUI/widgets/FrameWindow.h>

namespace Tolvarine {

namespace {

constexpr float PAGE_WIDTH = 600.0f;
constexpr float PAGE_HEIGHT = 400.0f;

// A value window and the two commands whose inputs it shows.
struct CommandPair {
    const char* window;
    const char* first;
    const char* second;
};

constexpr CommandPair PAIRS[] = {
    {"ShipControl/FB", "forward_thrust", "backward_thrust"}, {"ShipControl/LR", "left_thrust", "right_thrust"},
    {"ShipControl/UD", "up_thrust", "down_thrust"},          {"ShipControl/RLR", "roll_left", "roll_right"},
    {"ShipControl/PUD", "pitch_up", "pitch_down"},           {"ShipControl/YLR", "yaw_left", "yaw_right"},
};

} // namespace

ShipControlStage::ShipControlStage(Wizard& owner) : WizardStage("ShipControlStage", owner) {}

void ShipControlStage::layoutPage(CEGUI::FrameWindow& page, const std::string& title)
{
    page.setText(title);
    page.setCloseButtonEnabled(false);
    page.setSizingEnabled(false);
    WidgetFactory::setClientSize(page, PAGE_WIDTH, PAGE_HEIGHT);
    const CEGUI::Sizef outer = page.getPixelSize();
    page.setPosition(CEGUI::UVector2(CEGUI::UDim(0.5f, -outer.d_width * 0.5f), CEGUI::UDim(0.5f, -outer.d_height * 0.5f)));
}

CEGUI::Window* ShipControlStage::addText(CEGUI::Window& page, const std::string& name, const std::string& text,
                                         float x, float y, bool wide)
{
    CEGUI::Window* window = WidgetFactory::createStaticText(name, &page, text);
    window->setPosition(CEGUI::UVector2(CEGUI::UDim(x, 0), CEGUI::UDim(y, 0)));
    if (wide) {
        window->setSize(CEGUI::USize(CEGUI::UDim(0.9f, 0), CEGUI::UDim(0.1f, 0)));
        // A sentence longer than the box goes on to a second line instead of being cut off.
        window->setProperty("HorzFormatting", "WordWrapLeftAligned");
    }
    return window;
}

std::string ShipControlStage::pairText(const std::string& first, const std::string& second)
{
    InputHandler& input = InputHandler::getSingleton();
    return input.getInputNameForSymbol(first) + " / " + input.getInputNameForSymbol(second);
}

void ShipControlStage::showText(const std::string& name, const std::string& text)
{
    CEGUI::Window* window = WidgetFactory::findWindow(name);
    if (!window)
        return;
    window->setText(text);
    WidgetFactory::fitToText(*window);
}

void ShipControlStage::buildPage()
{
    CEGUI::FrameWindow& page = *getPage();
    layoutPage(page, "Ship Control");
    addText(page, "ShipControl/P1", "Mastering ship control is essential to success in galactic warfare.", 0.05f,
            0.1f, true);
    addText(page, "ShipControl/P2", "The current bindings for ship control are:", 0.05f, 0.2f, true);
    const char* const labels[] = {"Forward/Backward:", "Strafe Left/Right:", "Strafe Up/Down:",
                                  "Roll Left/Right:",  "Pitch Up/Down:",     "Yaw Left/Right:"};
    for (int row = 0; row < 6; ++row) {
        const float y = 0.3f + 0.1f * static_cast<float>(row);
        addText(page, "ShipControl/P" + std::to_string(row + 3), labels[row], 0.05f, y, false);
        addText(page, PAIRS[row].window, "", 0.4f, y, false);
    }
}

void ShipControlStage::enter(bool)
{
    for (const CommandPair& pair : PAIRS)
        showText(pair.window, pairText(pair.first, pair.second));
}

} // namespace Tolvarine

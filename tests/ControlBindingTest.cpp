#include "GuiWorld.h"
#include "MenuSystem.h"
#include "WidgetFactory.h"

#include <CEGUI/Font.h>
#include <CEGUI/GUIContext.h>
#include <CEGUI/System.h>
#include <CEGUI/Window.h>
#include <CEGUI/widgets/FrameWindow.h>

#include <filesystem>

namespace Tolvarine::Test {
namespace {

class ControlBindingTest : public GuiWorld {
protected:
    void SetUp() override
    {
        start();
        menus = MenuSystem::getSingletonPtr();
        ASSERT_NE(menus, nullptr);
        interface->setMode(Interface::MENU, false);
        menus->openControlSheet();
    }

    std::string buttonText(const std::string& command) const
    {
        return WidgetFactory::findWindow("Button/" + command)->getText().c_str();
    }

    MenuSystem* menus = nullptr;
};

std::uint32_t key(const char* name)
{
    return InputHandler::keyCodeForName(name).value();
}

// Each row starts from the shipped key map, clicks pitch_up's button and feeds one input.
TEST_F(ControlBindingTest, CaptureBindsTheCommandAndItsPartnerOrKeepsWaitingOrCancels)
{
    const std::string keymap = std::string(TOLVARINE_SOURCE_DIR) + "/cfg/active.keymap";
    const std::string U = "Mouse Move Up", D = "Mouse Move Down";
    // The input fed, whether the capture goes on, the names pitch_up and pitch_down end with, what is printed.
    const struct { const char* name; InputType kind; std::uint32_t code; float value; bool capturing; std::string pitchUp, pitchDown, printed; } rows[] = {
        {"small mouse move keeps capturing", InputType::MOUSE_MOVE, 3, 0.29f, true, U, D, ""},
        {"move of exactly 0.3 binds both", InputType::MOUSE_MOVE, 3, -0.3f, false, D, U, ""},
        {"escape cancels", InputType::KEY, key("escape"), 1.0f, false, U, D, ""},
        {"backspace cancels", InputType::KEY, key("backspace"), 1.0f, false, U, D, ""},
        {"tab cancels", InputType::KEY, key("tab"), 1.0f, false, U, D, ""},
        {"a key leaves the partner", InputType::KEY, key("a"), 1.0f, false, "a", D, ""},
        {"joystick button with backspace's code binds", InputType::JOYSTICK_BUTTON, key("backspace"), 1.0f, false,
         "Joystick Button " + std::to_string(key("backspace")), D, ""},
        {"joystick axis binds both halves and prints", InputType::JOYSTICK_AXIS, 7, -0.5f, false, "Joystick Axis 3-",
         "Joystick Axis 3+", "Mapping: Joystick Axis 3-\n"},
        {"small joystick deflection keeps capturing", InputType::JOYSTICK_AXIS, 7, 0.2f, true, U, D, ""},
        {"unnamed mouse button keeps capturing", InputType::MOUSE_BUTTON, 11, 1.0f, true, U, D, ""},
        {"unnamed joystick axis keeps capturing", InputType::JOYSTICK_AXIS, 40, 1.0f, true, U, D, ""},
    };
    const InputHandler::SymbolNumber up = input.getSymbol("pitch_up");
    const InputHandler::SymbolNumber down = input.getSymbol("pitch_down");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        input.loadKeymap(keymap);
        // Every button is refreshed after a capture, not only the two that changed.
        WidgetFactory::findWindow("Button/screenshot")->setText("stale");
        menus->captureInput(up, down);
        ASSERT_EQ(menus->getStack().back(), menus->getChangeInputPopup());

        std::ostringstream printed;
        std::streambuf* const previous = std::cout.rdbuf(printed.rdbuf());
        const bool capturing = menus->onInputSelected(row.kind, row.code, row.value, up, down);
        std::cout.rdbuf(previous);

        EXPECT_EQ(capturing, row.capturing);
        EXPECT_EQ(menus->getStack().back() == menus->getChangeInputPopup(), row.capturing);
        EXPECT_EQ(input.getInputNameForSymbol("pitch_up"), row.pitchUp);
        EXPECT_EQ(input.getInputNameForSymbol("pitch_down"), row.pitchDown);
        EXPECT_EQ(printed.str(), row.printed);
        if (row.pitchUp != U) {
            EXPECT_EQ(buttonText("pitch_up"), row.pitchUp);
            EXPECT_EQ(buttonText("screenshot"), input.getInputNameForSymbol("screenshot"));
        }
        if (capturing) {
            menus->getChangeInputPopup()->hide();
            menus->pop();
        }
    }
}

// A capture made on the sheet is in the key map file after leaving by the "back" command, which
// returns to the sheet below.
TEST_F(ControlBindingTest, LeavingTheSheetByTheBackCommandSavesTheCapturedBinding)
{
    std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/active.keymap", "cfg/active.keymap",
                               std::filesystem::copy_options::overwrite_existing);
    input.loadKeymap("cfg/active.keymap");
    CEGUI::Window* below = WidgetFactory::createFrameWindow("Below", menus->getMenuSheet(), "");
    menus->pop();
    menus->pushSheet(below);
    menus->openControlSheet();
    const InputHandler::SymbolNumber pause = input.getSymbol("pause");
    menus->captureInput(pause, std::nullopt);
    ASSERT_TRUE(input.isCapturing());
    menus->onInputSelected(InputType::KEY, key("k"), 1.0f, pause, std::nullopt);
    menus->onBackCommand();
    EXPECT_EQ(menus->getStack().back(), below);
    EXPECT_EQ(Config("cfg/active.keymap").get<std::string>("Mapping", "pause"), "k");
}

} // namespace
} // namespace Tolvarine::Test

#include "InputHandler.h"

#include "ConfigurationError.h"
#include "ConfigFiles.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

class Keymap : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) const
    {
        Tolvarine::Test::writeFile(folder.file(name), text);
        return folder.file(name);
    }
    std::vector<std::string> logLinesContaining(const std::string& fragment) const
    {
        std::vector<std::string> found;
        for (const std::string& line : log.lines()) {
            if (line.find(fragment) != std::string::npos)
                found.push_back(line);
        }
        return found;
    }

    Tolvarine::Test::TemporaryFolder folder;
    InputHandler input;
    Tolvarine::Test::LogCapture log;
};

const std::string defaultKeymap = std::string(TOLVARINE_SOURCE_DIR) + "/cfg/active.keymap";

TEST_F(Keymap, TheShippedKeymapBindsEveryCommandOnceAndCleanly)
{
    input.loadKeymap(defaultKeymap);
    EXPECT_TRUE(logLinesContaining("is not a valid input name").empty());
    EXPECT_TRUE(logLinesContaining("Malformed").empty());
    EXPECT_EQ(log.lines().front(), "InputHandler input registrations:");

    // Every command the game's parts subscribe to ("disabled" stays unbound on purpose: binding it
    // turns on a second menu key).
    const std::vector<std::string> commands = {
        "pause", "quit", "screenshot", "suicide", "toggle_command_mode", "back", "nose_cam_view", "chase_cam_view",
        "flyby_view", "command_zoom_in", "command_zoom_out", "command_pan_left", "command_pan_right",
        "command_pan_up", "command_pan_down", "command_cycle", "target_reticle_closest", "toggle_formation",
        "toggle_formation_mode", "fire_primary", "fire_secondary", "forward_thrust", "backward_thrust",
        "left_thrust", "right_thrust", "up_thrust", "down_thrust", "pitch_up", "pitch_down", "yaw_left",
        "yaw_right", "roll_left", "roll_right", "next_category", "prev_category", "next_item", "prev_item",
        "toggle_test_ground", "load_test_scenario", "test_special"};
    std::set<std::string> inputs;
    for (const std::string& command : commands) {
        const std::string inputName = input.getInputNameForSymbol(command);
        EXPECT_FALSE(inputName.empty()) << command;
        EXPECT_TRUE(inputs.insert(inputName).second) << inputName << " drives two commands";
    }
    EXPECT_EQ(input.getMappings().size(), commands.size());
    EXPECT_EQ(input.getInputNameForSymbol("disabled"), "");
}

TEST_F(Keymap, LoadAndSaveRoundTripByteForByte)
{
    const std::string original = Tolvarine::Test::readFile(defaultKeymap);
    ASSERT_FALSE(original.empty());
    const std::string path = write("active.keymap", original);
    input.loadKeymap(path);
    input.saveKeymap(path);
    EXPECT_EQ(Tolvarine::Test::readFile(path), original);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(Keymap, LoadingLogsEachBindingAndSkipsBadLines)
{
    const std::string path = write("odd.keymap", "[General]\n"
                                                 "joystick_log_factor = 0\n"
                                                 "mouse_sensitivity = fast\n"
                                                 "joystick_dead_zone = 25\n"
                                                 "[Mapping]\n"
                                                 "fire_secondary = Mouse Button 11\n"
                                                 "fire_primary Mouse Button 1\n"
                                                 "up_thrust = space\n"
                                                 "boost = space\n"
                                                 "roll_left = Joystick Axis 3-\n"
                                                 "pitch_up = Mouse Move Up\n"
                                                 "= w\n"
                                                 "pause = pause key\n");
    input.loadKeymap(path);
    // The mapping is read in key order, and each line says what became of it.
    EXPECT_EQ(logLinesContaining(" --> "),
              (std::vector<std::string>{"space --> boost", "Mouse Move Up --> pitch_up",
                                        "Joystick Axis 3- --> roll_left", "space --> up_thrust"}));
    EXPECT_EQ(logLinesContaining("is not a valid input name"),
              (std::vector<std::string>{"Mouse Button 11 is not a valid input name",
                                        "pause key is not a valid input name"}));
    EXPECT_EQ(logLinesContaining("Malformed"),
              (std::vector<std::string>{"Malformed key map line skipped: fire_primary Mouse Button 1",
                                        "Malformed key map line skipped: = w"}));
    EXPECT_TRUE(log.contains("fast failed lexical cast (bad lexical cast: source type value could not be "
                             "interpreted as target)"))
        << "the reader names the bad value";

    // Unbound but created; a bad value takes the default; a log factor of 0 keeps 2.
    const auto before = input.symbolCount();
    EXPECT_EQ(input.getInputNameForSymbol("fire_secondary"), "");
    EXPECT_EQ(input.getInputNameForSymbol("fire_primary"), "");
    EXPECT_EQ(input.symbolCount(), before + 1) << "fire_secondary existed, fire_primary is new";
    EXPECT_EQ(input.getMouseSensitivity(), 40u);
    EXPECT_FLOAT_EQ(input.getJoystickLogFactor(), 2.0f);
    EXPECT_EQ(input.getJoystickDeadZone(), 25u);
    EXPECT_EQ(input.getInputNameForSymbol("boost"), "space");
    EXPECT_EQ(input.getInputNameForSymbol("up_thrust"), "space");

    // Loading again replaces the bindings instead of doubling them.
    input.loadKeymap(path);
    EXPECT_EQ(input.getMappings().size(), 4u);
}

TEST_F(Keymap, SavingKeepsTheRestOfTheFileAndWritesTheCurrentState)
{
    const std::string path = write("active.keymap", "[Extra]\n"
                                                    "kept = yes\n"
                                                    "[General]\n"
                                                    "mouse_sensitivity = 40\n"
                                                    "[Mapping]\n"
                                                    "fire_primary = space\n"
                                                    "roll_left = q\n"
                                                    "screenshot = print screen\n");
    input.loadKeymap(path);
    const auto fire = input.getSymbol("fire_primary");
    input.bindPhysicalInput(InputType::MOUSE_BUTTON, 1, fire); // a key and a button: the button is written
    input.unbindSymbol(input.getSymbol("roll_left"));          // unbound: its line stays
    input.bindPhysicalInput(InputType::JOYSTICK_BUTTON, 30, input.getSymbol("screenshot")); // no name: not written
    input.setMouseSensitivity(77);
    input.setMouseFilterHalflife(0.25f);
    input.setJoystickDeadZone(10);
    input.setJoystickLogFactor(1.5f);
    input.saveKeymap(path);
    EXPECT_EQ(Tolvarine::Test::readFile(path), "[Extra]\n"
                          "kept = yes\n"
                          "\n"
                          "[General]\n"
                          "joystick_dead_zone = 10\n"
                          "joystick_log_factor = 1.5\n"
                          "mouse_filter_halflife = 0.25\n"
                          "mouse_sensitivity = 77\n"
                          "\n"
                          "[Mapping]\n"
                          "fire_primary = Mouse Button 1\n"
                          "roll_left = q\n"
                          "screenshot = print screen\n"
                          "\n");
}

TEST_F(Keymap, AMissingKeymapEndsStartUpAndSavingNeverLeavesHalfAFile)
{
    const std::string missing = folder.file("missing.keymap");
    EXPECT_THROW(input.loadKeymap(missing), ConfigurationError);
    EXPECT_TRUE(log.contains(missing + " does not exist"));

    // A deleted file is written again.
    const std::string path = write("active.keymap", Tolvarine::Test::readFile(defaultKeymap));
    input.loadKeymap(path);
    input.unbindSymbol(input.getSymbol("pause"));
    input.bindPhysicalInput(InputType::KEY, 19, input.getSymbol("pause"));
    std::filesystem::remove(path);
    input.saveKeymap(path);
    input.unbindSymbol(input.getSymbol("forward_thrust"));
    input.loadKeymap(path);
    EXPECT_EQ(input.getInputNameForSymbol("pause"), "pause");
    EXPECT_EQ(input.getInputNameForSymbol("forward_thrust"), "w");

    // A folder that does not exist cannot be written: a log line, no exception, nothing left.
    const std::string nowhere = folder.file("no/such/active.keymap");
    EXPECT_NO_THROW(input.saveKeymap(nowhere));
    EXPECT_TRUE(log.contains("Key map not saved: could not write " + nowhere + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("no")));
}

} // namespace
} // namespace Tolvarine

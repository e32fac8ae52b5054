#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "ImmediateExit.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "NormalExit.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Tolvarine::Test::readFile;

const std::string SHIPPED = std::string(TOLVARINE_SOURCE_DIR) + "/cfg/active.keymap";

class Keymap : public ::testing::Test {
protected:
    std::string write(const std::string& text) const { return Tolvarine::Test::written(folder.file("active.keymap"), text); }
    Lines logLinesContaining(const std::string& fragment) const
    {
        Lines found = log.lines();
        found.erase(std::remove_if(found.begin(), found.end(), [&](const std::string& l) { return l.find(fragment) == std::string::npos; }), found.end());
        return found;
    }

    Tolvarine::Test::TemporaryFolder folder;
    InputHandler input;
    Tolvarine::Test::LogCapture log;
};

TEST_F(Keymap, TheShippedKeymapBindsEveryCommandOnceAndRoundTripsByteForByte)
{
    const std::string path = write(readFile(SHIPPED));
    input.loadKeymap(path);
    EXPECT_EQ(log.lines().front(), "InputHandler input registrations:");
    EXPECT_TRUE(logLinesContaining("is not a valid input name").empty());
    EXPECT_TRUE(logLinesContaining("Malformed").empty());
    // Every command the game's parts subscribe to ("disabled" stays unbound on purpose: binding it
    // turns on a second menu key).
    const std::vector<std::string>& commands = InputHandler::getGameCommands();
    EXPECT_TRUE(logLinesContaining(" has no input").empty());
    std::set<std::string> inputs;
    for (const std::string& command : commands)
        EXPECT_TRUE(inputs.insert(input.getInputNameForSymbol(command)).second) << command << " shares its input";
    EXPECT_EQ(inputs.count(""), 0u);
    EXPECT_EQ(input.getMappings().size(), commands.size());
    EXPECT_EQ(input.getInputNameForSymbol("disabled"), "");
    // A byte-order mark that an editor put before the first section is read past, not taken for
    // a line outside any section (which made every key of [General] "malformed").
    input.loadKeymap(write("\xEF\xBB\xBF" + readFile(SHIPPED)));
    EXPECT_TRUE(logLinesContaining("Malformed").empty());
    EXPECT_EQ(input.getMappings().size(), commands.size());
    input.saveKeymap(path);
    EXPECT_EQ(readFile(path), readFile(SHIPPED));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    // A deleted file is written again; a folder that does not exist cannot be written: a log line,
    // no exception, nothing left.
    input.unbindSymbol(input.getSymbol("pause"));
    input.bindPhysicalInput(InputType::KEY, 19, input.getSymbol("pause"));
    std::filesystem::remove(path);
    input.saveKeymap(path);
    input.loadKeymap(path);
    EXPECT_EQ(input.getInputNameForSymbol("pause"), "pause");
    const std::string nowhere = folder.file("no/such/active.keymap");
    EXPECT_NO_THROW(input.saveKeymap(nowhere));
    EXPECT_TRUE(log.contains("Key map not saved: could not write " + nowhere + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("no")));
    EXPECT_THROW(input.loadKeymap(nowhere), ConfigurationError) << "a missing key map ends the start";
    EXPECT_TRUE(log.contains(nowhere + " does not exist"));
}

TEST_F(Keymap, LoadingLogsEachBindingSkipsBadLinesAndSavingKeepsTheRestOfTheFile)
{
    const std::string path = write("[Extra]\nkept = yes\n"
                                   "[General]\njoystick_log_factor = 0\njoystick_dead_zone = 25\n"
                                   "[Mapping]\nfire_secondary = Mouse Button 11\nfire_primary Mouse Button 1\n"
                                   "up_thrust = space\nboost = space\nroll_left = Joystick Axis 3-\n"
                                   "pitch_up = Mouse Move Up\n= w\npause = pause key\n");
    input.loadKeymap(path);
    // The mapping is read in key order, and each line says what became of it.
    EXPECT_EQ(logLinesContaining(" --> "), (Lines{"space --> boost", "Mouse Move Up --> pitch_up",
                                                  "Joystick Axis 3- --> roll_left", "space --> up_thrust"}));
    EXPECT_EQ(logLinesContaining("is not a valid input name"),
              (Lines{"Mouse Button 11 is not a valid input name", "pause key is not a valid input name"}));
    EXPECT_EQ(logLinesContaining("Malformed"), (Lines{"Malformed key map line skipped: fire_primary Mouse Button 1",
                                                      "Malformed key map line skipped: = w"}));
    // Each of the game's commands left without an input is named once.
    EXPECT_EQ(logLinesContaining(" has no input").size(), InputHandler::getGameCommands().size() - 3);
    EXPECT_TRUE(log.contains("Key map " + path + ": fire_primary has no input"));
    // A missing value takes the default; a log factor of 0 keeps 2.
    EXPECT_EQ(input.getMouseSensitivity(), 40u);
    EXPECT_FLOAT_EQ(input.getJoystickLogFactor(), 2.0f);
    EXPECT_EQ(input.getJoystickDeadZone(), 25u);
    input.loadKeymap(path);
    EXPECT_EQ(input.getMappings().size(), 4u) << "loading again replaces the bindings instead of doubling them";

    input.bindPhysicalInput(InputType::MOUSE_BUTTON, 1, input.getSymbol("boost")); // a key and a button: the button is written
    input.unbindSymbol(input.getSymbol("roll_left"));
    input.bindPhysicalInput(InputType::JOYSTICK_BUTTON, 30, input.getSymbol("pitch_up")); // no name: not written
    input.setMouseSensitivity(77);
    input.setMouseFilterHalflife(0.25f);
    input.setJoystickDeadZone(10);
    input.setJoystickLogFactor(1.5f);
    input.saveKeymap(path);
    const std::string saved = readFile(path);
    for (const char* part : {"[Extra]\nkept = yes\n\n[General]\njoystick_dead_zone = 10\njoystick_log_factor = 1.5\n"
                             "mouse_filter_halflife = 0.25\nmouse_sensitivity = 77\n\n[Mapping]\n",
                             "\nboost = Mouse Button 1\n", "\nroll_left = Joystick Axis 3-\n", "\nup_thrust = space\n"})
        EXPECT_NE(saved.find(part), std::string::npos) << part << " in\n" << saved;

    // Lines outside any section, and a file of random bytes: logged line by line, and an empty
    // mapping is named; a key map that binds nothing stops the start.
    std::mt19937 bytes(6103);
    std::string noise;
    for (int i = 0; i < 2048; ++i)
        noise += static_cast<char>(bytes() & 0xff);
    const std::tuple<std::string, Lines, bool> rows[] = {
        {noise, {}, true},
        {"quit = F10\n\x01\xff garbage\n[General]\nmouse_sensitivity 40\n[Mapping]\npause = p\n",
         {"Malformed key map line skipped: quit = F10", "Malformed key map line skipped: ?? garbage",
          "Malformed key map line skipped: mouse_sensitivity 40", "p --> pause"}, false}};
    for (const auto& [text, expected, noMapping] : rows) {
        log.clear();
        if (noMapping)
            EXPECT_THROW(input.loadKeymap(write(text)), ConfigurationError);
        else
            input.loadKeymap(write(text));
        for (const std::string& line : expected)
            EXPECT_TRUE(log.contains(line)) << line;
        EXPECT_EQ(log.contains("Key map " + path + " holds no mapping: no input is bound"), noMapping);
        EXPECT_EQ(log.contains("Key map " + path + " binds no input"), noMapping);
        EXPECT_FALSE(logLinesContaining("Malformed key map line skipped: ").empty());
    }
}

// The window manager's close request quits through the exit sequence, even during a key capture,
// and on the exit screen ends the program as a key would.
TEST(WindowCloseRequest, ACloseRequestQuitsOrEndsTheExitScreen)
{
    for (const bool exitScreenUp : {false, true}) {
        SCOPED_TRACE(exitScreenUp ? "on the exit screen" : "while playing");
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        InputHandler input;
        input.setExitOnKeyPress(exitScreenUp);
        input.setInputCapture([](InputType, std::uint32_t, float) { return true; });
        SDL_Event close{};
        close.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&close), 1) << SDL_GetError();
        if (exitScreenUp)
            EXPECT_THROW(input.processEvents(0.02), ImmediateExit);
        else
            EXPECT_THROW(input.processEvents(0.02), NormalExit);
        EXPECT_TRUE(input.isCloseRequested());
        SDL_Quit();
    }
}

} // namespace
} // namespace Tolvarine

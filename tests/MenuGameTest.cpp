#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace Tolvarine::Test {
namespace {

// Bright pixels (a sheet's frame and texts) in a box around a point given from the screen's centre.
unsigned brightPixels(const PngImage& image, int dx, int dy, int half)
{
    unsigned found = 0;
    const int cx = int(image.width()) / 2 + dx, cy = int(image.height()) / 2 + dy;
    for (int y = cy - half; y < cy + half; ++y)
        for (int x = cx - half; x < cx + half; ++x)
            found += image.at(unsigned(x), unsigned(y))[0] + image.at(unsigned(x), unsigned(y))[1] > 300 ? 1 : 0;
    return found;
}

std::size_t countLines(const GameProcess& game, const std::string& text)
{
    std::size_t found = 0;
    for (const std::string& line : game.logLines())
        found += line.find(text) != std::string::npos ? 1 : 0;
    return found;
}

// The game opens on the main menu over the Startup scenario; Play, Skirmish, Start begins a
// skirmish in command mode; "back" brings the in-mission menu, whose End Mission returns to the
// main menu over Startup; Quit, Quit game and a key end the game. TOLVARINE_KEEP_SCREENSHOTS=<folder>
// keeps the pictures.
TEST(MenuGame, MainMenuPlaySkirmishStartInMissionMenuEndMissionAndQuit)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    const auto keep = [](const std::filesystem::path& shot, const char* name) {
        if (const char* folder = std::getenv("TOLVARINE_KEEP_SCREENSHOTS"))
            std::filesystem::copy_file(shot, std::string(folder) + "/" + name, std::filesystem::copy_options::overwrite_existing);
        return shot;
    };
    const PngImage opening(keep(game.takeScreenshot(), "main.png").string());
    ASSERT_FALSE(opening.empty());
    const int cx = int(opening.width()) / 2, cy = int(opening.height()) / 2;
    EXPECT_GT(brightPixels(opening, 0, -3, 20), 20u) << "the Play button of the main menu";

    // Where the buttons stand from the centre of the screen: the sheets are centred.
    ASSERT_TRUE(game.click(cx, cy - 3));          // Main/Play
    ASSERT_TRUE(game.click(cx - 3, cy - 124));    // Play/SkirmishMode
    keep(game.takeScreenshot(), "play.png");
    ASSERT_TRUE(game.click(cx + 132, cy + 175));  // Play/Start
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish loaded.")) << game.standardError();
    ASSERT_TRUE(game.waitForLogLine("Command mode: the game is paused"));
    keep(game.takeScreenshot(), "skirmish.png");

    // "back" leaves command mode for the menus; a key the busy display drops is pressed again.
    for (int attempt = 0; attempt < 4 && countLines(game, "Command mode left") == 0; ++attempt) {
        ASSERT_TRUE(game.sendKey("Escape"));
        for (int wait = 0; wait < 30 && countLines(game, "Command mode left") == 0; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const PngImage inMission(keep(game.takeScreenshot(), "in_mission.png").string());
    EXPECT_GT(brightPixels(inMission, 0, 65, 20), 20u) << "End Mission";
    ASSERT_TRUE(game.click(cx, cy + 65));         // InSkirmish/MainMenu
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish running unload..."));
    for (int wait = 0; wait < 100 && countLines(game, "Scenario Startup loaded.") < 2; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(countLines(game, "Scenario Startup loaded."), 2u);

    ASSERT_TRUE(game.click(cx, cy + 117));        // Main/Quit
    ASSERT_TRUE(game.click(cx - 54, cy + 20));    // Quit/Quit
    // The exit screen follows the unload of the scenario behind the menus; a key ends the game.
    for (int wait = 0; wait < 300 && countLines(game, "Scenario Startup running unload...") < 2; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(countLines(game, "Scenario Startup running unload..."), 2u);
    for (int attempt = 0; attempt < 10 && game.isRunning(); ++attempt) {
        game.sendKey("space");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_EQ(countLines(game, "xception"), 0u);
}

} // namespace
} // namespace Tolvarine::Test

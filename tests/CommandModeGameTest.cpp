#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace Tolvarine::Test {
namespace {

// Near-white pixels (the sheet's text) in the band of one text row, centred across the screen.
unsigned textPixels(const PngImage& image, float rowTop)
{
    unsigned found = 0;
    for (unsigned y = unsigned(rowTop * image.height()); y < unsigned(rowTop * image.height()) + 14; ++y)
        for (unsigned x = image.width() / 2 - 120; x < image.width() / 2 + 120; ++x)
            found += (image.at(x, y)[0] > 200 && image.at(x, y)[1] > 200 && image.at(x, y)[2] > 200) ? 1 : 0;
    return found;
}

// The log's lines with the text, and the last of them.
std::pair<std::size_t, std::string> linesWith(const GameProcess& game, const std::string& text)
{
    std::pair<std::size_t, std::string> found{0, ""};
    for (const std::string& line : game.logLines())
        if (line.find(text) != std::string::npos)
            found = {found.first + 1, line};
    return found;
}

// A key the busy shared display may drop is pressed again until the log gains a line with the text.
bool pressUntil(GameProcess& game, const std::string& key, const std::string& text)
{
    const std::size_t before = linesWith(game, text).first;
    for (int attempt = 0; attempt < 4 && game.sendKey(key); ++attempt)
        for (int wait = 0; wait < 50; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
            if (linesWith(game, text).first > before)
                return true;
    return false;
}

TEST(CommandModeGame, TheKeyPausesShowsTheSheetCyclesThePlayersShipsAndHandsOverTheSelectedOne)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)\n";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();

    // The start-up wing: the lead ship the player flies and three wingmen. Entering selects the
    // flown ship; each cycle selects the next, and leaving hands the player the selected one.
    ASSERT_TRUE(pressUntil(game, "c", "Command mode: the game is paused, 4 ships of the player"));
    const std::string entered = linesWith(game, "Command mode: selected ").second;
    const int first = std::atoi(entered.c_str() + entered.rfind('(') + 1);
    ASSERT_GE(first, 1) << entered;
    const std::string commandShot = game.takeScreenshot().string();
    const std::string third = "(" + std::to_string((first + 1) % 4 + 1) + " of 4)";
    ASSERT_TRUE(pressUntil(game, "n", "(" + std::to_string(first % 4 + 1) + " of 4)"));
    ASSERT_TRUE(pressUntil(game, "n", third));
    ASSERT_TRUE(pressUntil(game, "c", "Command mode left: the player flies "));
    EXPECT_NE(linesWith(game, "Command mode left: the player flies ").second.find(third), std::string::npos);
    const std::string flyingShot = game.takeScreenshot().string();

    // "paused" at half height and the key rows show in command mode; the key rows leave with it
    // (in flight the middle of the screen holds the flown ship and its white engine glow).
    const PngImage command(commandShot);
    const PngImage flying(flyingShot);
    ASSERT_FALSE(command.empty() || flying.empty());
    for (const float row : {0.5f, 0.85f, 0.89f}) {
        SCOPED_TRACE(row);
        EXPECT_GT(textPixels(command, row), 20u);
        if (row > 0.5f) {
            EXPECT_LT(textPixels(flying, row), textPixels(command, row) / 4);
        }
    }
    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_EQ(linesWith(game, "xception").first, 0u);
}

} // namespace
} // namespace Tolvarine::Test

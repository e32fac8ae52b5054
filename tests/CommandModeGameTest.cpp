#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace Tolvarine::Test {
namespace {

// Near-white pixels (the sheet's text) in the band of one text row, centred across the screen.
unsigned textPixels(const PngImage& image, float rowTop)
{
    unsigned found = 0;
    const unsigned top = unsigned(rowTop * image.height());
    for (unsigned y = top; y < top + 14 && y < image.height(); ++y)
        for (unsigned x = image.width() / 2 - 120; x < image.width() / 2 + 120; ++x) {
            const std::uint8_t* p = image.at(x, y);
            found += (p[0] > 200 && p[1] > 200 && p[2] > 200) ? 1 : 0;
        }
    return found;
}

std::size_t linesWith(const GameProcess& game, const std::string& text)
{
    std::size_t found = 0;
    for (const std::string& line : game.logLines())
        found += line.find(text) != std::string::npos ? 1 : 0;
    return found;
}

// A key the busy shared display may drop is pressed again until the log gains a line with the
// text.
bool pressUntil(GameProcess& game, const std::string& key, const std::string& text)
{
    const std::size_t before = linesWith(game, text);
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!game.sendKey(key))
            return false;
        for (int wait = 0; wait < 50; ++wait) {
            if (linesWith(game, text) > before)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    return false;
}

// The list position of the ship selected last, from the log; 0 when none was.
int selectedPosition(const GameProcess& game)
{
    int position = 0;
    const std::string mark = "Command mode: selected ";
    for (const std::string& line : game.logLines()) {
        const auto at = line.find(mark);
        const auto open = line.rfind('(');
        if (at != std::string::npos && open != std::string::npos)
            position = std::atoi(line.c_str() + open + 1);
    }
    return position;
}

TEST(CommandModeGame, TheKeyPausesShowsTheSheetCyclesThePlayersShipsAndHandsOverTheSelectedOne)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    ASSERT_TRUE(game.waitForLogLine("GUI started with scheme TaharezLook and font Tolvarine-10"));

    // The start-up wing: the lead ship the player flies and three wingmen. Entering selects the
    // flown ship; each cycle selects the next, and leaving hands the player the selected one.
    ASSERT_TRUE(pressUntil(game, "c", "Command mode: the game is paused, 4 ships of the player"));
    const int first = selectedPosition(game);
    ASSERT_GE(first, 1);
    const std::filesystem::path commandShot = game.takeScreenshot();
    ASSERT_FALSE(commandShot.empty());
    const std::string second = "(" + std::to_string(first % 4 + 1) + " of 4)";
    const std::string third = "(" + std::to_string((first + 1) % 4 + 1) + " of 4)";
    ASSERT_TRUE(pressUntil(game, "n", second));
    ASSERT_TRUE(pressUntil(game, "n", third));
    ASSERT_TRUE(pressUntil(game, "c", "Command mode left: the player flies "));
    bool handedOver = false;
    for (const std::string& line : game.logLines())
        handedOver |= line.find("Command mode left: the player flies ") != std::string::npos &&
                      line.find(third) != std::string::npos;
    EXPECT_TRUE(handedOver) << "the player flies the ship selected last, " << third;
    const std::filesystem::path flyingShot = game.takeScreenshot();
    ASSERT_FALSE(flyingShot.empty());

    // "paused" at half height and the key help rows show only in command mode.
    const PngImage command(commandShot.string());
    const PngImage flying(flyingShot.string());
    for (const float row : {0.5f, 0.85f, 0.89f}) {
        SCOPED_TRACE(row);
        EXPECT_GT(textPixels(command, row), 20u);
        EXPECT_LT(textPixels(flying, row), textPixels(command, row) / 4);
    }
    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
    for (const std::string& line : game.logLines())
        EXPECT_EQ(line.find("xception"), std::string::npos) << line;
}

} // namespace
} // namespace Tolvarine::Test

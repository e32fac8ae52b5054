#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

// The tutorial in the whole game: a start-up script opens it in place of the main sheet, and its
// pages' "Next >>" is clicked with the game's own relative mouse, as a player clicks it.
namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

// "Next >>" from the screen's centre: the pages are centred and their buttons stand at the bottom
// right of the 600 x 400 client area (in the shipped font).
constexpr int NEXT_FROM_CENTRE_X = 104;
constexpr int NEXT_FROM_CENTRE_Y = 184;

// Waits until the log holds `count` lines with the text.
bool waitForLines(const GameProcess& game, const std::string& text, std::size_t count, int seconds)
{
    for (int wait = 0; wait <= seconds * 10; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
        const std::vector<std::string> lines = game.logLines();
        if (std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
                return line.find(text) != std::string::npos;
            }) >= long(count))
            return true;
    }
    return false;
}

// A screenshot, kept in TOLVARINE_KEEP_SCREENSHOTS=<folder> when that is set.
fs::path screenshot(const GameProcess& game, const std::string& name)
{
    const fs::path shot = game.takeScreenshot();
    if (const char* folder = std::getenv("TOLVARINE_KEEP_SCREENSHOTS"))
        fs::copy_file(shot, fs::path(folder) / name, fs::copy_options::overwrite_existing);
    return shot;
}

TEST(TutorialGame, PagesThenPracticeUntilTheDronesAreGoneThenBackToStartup)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "\nstartTutorial()\n";
    // Drones that destroy themselves as they arrive: the practice ends at the first look.
    const fs::path script = game.folder() / "data/scenarios/tutorial.py";
    std::string text = readTextFile(script);
    const std::size_t order = text.find("drone.getBehaviour().loiter(position)");
    ASSERT_NE(order, std::string::npos);
    std::ofstream(script) << text.replace(order, 37, "drone.destroy()");
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Tutorial loaded.")) << game.standardError();

    // Each page is photographed before its "Next >>" is clicked, which also gives the game the
    // keyboard focus a click needs after a page change. Ship Control shows "w / s" and the rest
    // of the shipped bindings (see the kept picture); here its texts must be drawn in the middle.
    const PngImage page(screenshot(game, "tutorial_ship_control.png").string());
    ASSERT_FALSE(page.empty());
    unsigned white = 0;
    for (unsigned y = page.height() / 2 - 180; y < page.height() / 2 + 120; ++y)
        for (unsigned x = page.width() / 2 - 280; x < page.width() / 2 + 280; ++x)
            white += (page.at(x, y)[0] > 200 && page.at(x, y)[1] > 200 && page.at(x, y)[2] > 200) ? 1 : 0;
    EXPECT_GT(white, 500u);
    const int nextX = int(page.width()) / 2 + NEXT_FROM_CENTRE_X;
    const int nextY = int(page.height()) / 2 + NEXT_FROM_CENTRE_Y;
    // Two clicks reach the practice. On a busy machine the cursor may stop short of the button:
    // such a click is made again (one more, once the practice has begun, falls on no page).
    for (int click = 0; click < 8 && !waitForLines(game, "Command mode: the game is paused", 1, 0); ++click) {
        if (click > 0)
            screenshot(game, "tutorial_weapon_control.png");
        ASSERT_TRUE(game.click(nextX, nextY));
        waitForLines(game, "Command mode: the game is paused", 1, click > 0 ? 4 : 2);
    }
    ASSERT_TRUE(waitForLines(game, "Command mode: the game is paused, 1 ships of the player", 1, 0))
        << "the practice starts in command mode with the practice ship";
    screenshot(game, "tutorial_practice.png");

    // Flying: the game runs, the drones are gone, and the next look ends the tutorial.
    for (int attempt = 0; attempt < 4 && !waitForLines(game, "Command mode left", 1, 0); ++attempt) {
        ASSERT_TRUE(game.sendKey("c"));
        waitForLines(game, "Command mode left", 1, 4);
    }
    EXPECT_TRUE(waitForLines(game, "Scenario Startup loaded.", 2, 15)) << "the second load, after the tutorial's";
    screenshot(game, "tutorial_after.png");
}

} // namespace
} // namespace Tolvarine::Test

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

// The tutorial in the whole game: a start-up script opens it in place of the main sheet; its
// pages' buttons are clicked with the game's own (relative) mouse, as a player clicks them.
namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

// Where "Next >>" stands from the screen's centre: the pages are centred and their buttons sit at
// the bottom right of the 600 x 400 client area (drawn in the shipped font).
constexpr int NEXT_FROM_CENTRE_X = 104;
constexpr int NEXT_FROM_CENTRE_Y = 184;

// The game's X display, from the environment of the game, a child of this process.
std::string gameDisplay()
{
    const std::string parent = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state, ppid;
        if (!(stat >> pid >> name >> state >> ppid) || ppid != parent || name != "(tolvarine)")
            continue;
        std::ifstream environ(entry.path() / "environ");
        std::string variable;
        while (std::getline(environ, variable, '\0'))
            if (variable.rfind("DISPLAY=", 0) == 0)
                return variable.substr(8);
    }
    return "";
}

// Moves the game's cursor to the point and clicks there: first far to the top left, where the GUI
// holds it in the corner, then across in steps too small for any pointer acceleration.
bool clickAt(const std::string& display, int x, int y)
{
    const std::string xdotool = "DISPLAY=" + display + " xdotool ";
    // A negative move needs "--", which ends the command line: one call each.
    std::string pin;
    for (int step = 0; step < 30; ++step)
        pin += xdotool + "mousemove_relative -- -50 -50 >/dev/null 2>&1; ";
    std::ostringstream across;
    across << xdotool;
    for (int dx = x, dy = y; dx > 0 || dy > 0; dx -= 4, dy -= 4)
        across << " mousemove_relative " << std::clamp(dx, 0, 4) << ' ' << std::clamp(dy, 0, 4) << " sleep 0.005";
    across << " sleep 0.3 click 1 >/dev/null 2>&1";
    return std::system((pin + across.str()).c_str()) == 0;
}

void replaceInFile(const fs::path& path, const std::string& from, const std::string& to)
{
    std::string text = readTextFile(path);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(path) << text;
}

std::size_t linesWith(const GameProcess& game, const std::string& text)
{
    std::size_t found = 0;
    for (const std::string& line : game.logLines())
        found += line.find(text) != std::string::npos ? 1 : 0;
    return found;
}

// Waits until the log holds `count` lines with the text.
bool waitForLines(const GameProcess& game, const std::string& text, std::size_t count, int seconds)
{
    for (int wait = 0; wait < seconds * 10; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
        if (linesWith(game, text) >= count)
            return true;
    return false;
}

// TOLVARINE_KEEP_SCREENSHOTS=<folder> keeps the pictures.
void keep(const fs::path& screenshot, const std::string& name)
{
    if (const char* folder = std::getenv("TOLVARINE_KEEP_SCREENSHOTS"))
        fs::copy_file(screenshot, fs::path(folder) / name, fs::copy_options::overwrite_existing);
}

// Near-white text pixels inside the page, which is centred: 600 x 400.
unsigned pageTextPixels(const PngImage& image)
{
    unsigned found = 0;
    for (unsigned y = image.height() / 2 - 180; y < image.height() / 2 + 120; ++y)
        for (unsigned x = image.width() / 2 - 280; x < image.width() / 2 + 280; ++x)
            found += (image.at(x, y)[0] > 200 && image.at(x, y)[1] > 200 && image.at(x, y)[2] > 200) ? 1 : 0;
    return found;
}

TEST(TutorialGame, PagesThenPracticeUntilTheDronesAreGoneThenBackToStartup)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "\nstartTutorial()\n";
    // Drones that destroy themselves as they arrive: the practice ends at the first look.
    replaceInFile(game.folder() / "data/scenarios/tutorial.py", "drone.getBehaviour().loiter(position)",
                  "drone.destroy()");
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Tutorial loaded.")) << game.standardError();
    const std::string display = gameDisplay();
    ASSERT_FALSE(display.empty());

    // Each page is photographed before its "Next >>" is clicked, which also gives the game the
    // keyboard focus the click needs after a page change.
    const fs::path shipControl = game.takeScreenshot();
    const PngImage page(shipControl.string());
    ASSERT_FALSE(page.empty());
    EXPECT_GT(pageTextPixels(page), 500u) << "the Ship Control page is drawn in the middle";
    keep(shipControl, "tutorial_ship_control.png");
    const int nextX = int(page.width()) / 2 + NEXT_FROM_CENTRE_X;
    const int nextY = int(page.height()) / 2 + NEXT_FROM_CENTRE_Y;
    ASSERT_TRUE(clickAt(display, nextX, nextY));

    keep(game.takeScreenshot(), "tutorial_weapon_control.png");
    for (int attempt = 0; attempt < 3 && linesWith(game, "Command mode: the game is paused") == 0; ++attempt) {
        ASSERT_TRUE(clickAt(display, nextX, nextY));
        waitForLines(game, "Command mode: the game is paused", 1, 3);
    }
    ASSERT_EQ(linesWith(game, "Command mode: the game is paused, 1 ships of the player"), 1u)
        << "the practice starts in command mode with the practice ship";
    keep(game.takeScreenshot(), "tutorial_practice.png");

    // Flying: the game runs, the drones are gone, and the next look ends the tutorial.
    for (int attempt = 0; attempt < 4 && linesWith(game, "Command mode left") == 0; ++attempt) {
        ASSERT_TRUE(game.sendKey("c"));
        waitForLines(game, "Command mode left", 1, 2);
    }
    EXPECT_TRUE(waitForLines(game, "Scenario Startup loaded.", 2, 8)) << "the second load, after the tutorial's";
    keep(game.takeScreenshot(), "tutorial_after.png");
}

} // namespace
} // namespace Tolvarine::Test

// The whole game on a first run: the start-up log, the heads-up display on screen, command mode,
// the exit's profile report, the terminal echo and the sound device at the end.
#include "MenuWalk.h"

#include <fstream>

namespace Tolvarine::Test {
namespace {

using namespace MenuWalk;
namespace fs = std::filesystem;
using Pixel = std::function<bool(const std::uint8_t*)>;

// Pixels of a kind in a part of the screen given in fractions of its size.
unsigned count(const PngImage& image, const Pixel& kind, float left, float top, float right, float bottom)
{
    unsigned found = 0;
    for (unsigned y = unsigned(top * image.height()); y < unsigned(bottom * image.height()); ++y)
        for (unsigned x = unsigned(left * image.width()); x < unsigned(right * image.width()); ++x)
            found += kind(image.at(x, y)) ? 1 : 0;
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

// The HUD in colours nothing else on screen has: enemy frames magenta, read-out text cyan, whole
// components pure green. Command mode then cycles the player's ships under its sheet, and quitting
// writes the running scenario into the exit report.
TEST(FirstRunGame, TheHudFramesTheTargetCommandModeHandsOverAShipAndQuittingReportsTheScenario)
{
    if (!hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const Pixel magenta = [](const std::uint8_t* p) { return p[0] > 190 && p[1] < 70 && p[2] > 190; };
    const Pixel cyan = [](const std::uint8_t* p) { return p[0] < 70 && p[1] > 190 && p[2] > 190; };
    const Pixel green = [](const std::uint8_t* p) { return p[0] < 70 && p[1] > 190 && p[2] < 70; };
    const Pixel white = [](const std::uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; };
    GameProcess game;
    std::ofstream(game.folder() / "cfg/frames.cfg")
        << "[Frames]\nplayerColour = (1 1 0 1)\nfriendColour = (1 1 0 1)\nenemyColour = (1 0 1 1)\n";
    // The first value of a key counts: these come before the shipped ones.
    const std::string hud = readTextFile(game.folder() / "cfg/hud.cfg");
    std::ofstream(game.folder() / "cfg/hud.cfg") << "[Hud]\ncolour = (0 1 1 1)\nhealthColour = (0 1 0 1)\n" << hud;
    // The player's ship with a component that has no wireframe (as guided missiles have none).
    const fs::path type = game.folder() / "data/entities/trifighter.ship";
    std::string ship = readTextFile(type);
    std::ofstream(type) << ship.replace(ship.find("trifighter_cockpit_wire.mesh"), 28, "");
    // Flying in the menus' scenario (whose own view is a still one), seen from behind as in a game.
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)\n"
                                                                  "CameraController.getSingleton().setCameraType(CameraType.CHASE)\n";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    // The processor-frequency lines, measured beside the start-up, are logged whole and once
    // between the GUI's start and the sound definitions: "Frequency: 2400 MHz\t(avg. dev 4)" or
    // "Frequency: unknown", then the blank line its text ends with.
    const std::vector<std::string> lines = game.logLines();
    const auto measuring = std::find(lines.begin(), lines.end(), "Measuring CPU frequency...");
    ASSERT_TRUE(measuring > lines.begin() && lines.end() - measuring > 3);
    EXPECT_EQ(measuring[-1].rfind("GUI started with scheme ", 0), 0u) << measuring[-1];
    const std::string& frequency = measuring[1];
    EXPECT_TRUE(frequency == "Frequency: unknown" ||
                (frequency.rfind("Frequency: ", 0) == 0 &&
                 frequency.find(" MHz\t(avg. dev ") != std::string::npos))
        << frequency;
    EXPECT_EQ(measuring[2], "");
    EXPECT_EQ(measuring[3], "SoundManager parsing .sound files");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Frequency: ", 0) == 0;
    }), 1);
    // Paused, the wings keep their places ahead while the screen is read.
    ASSERT_TRUE(game.sendKey("p"));
    const PngImage before(game.takeScreenshot().string());
    ASSERT_FALSE(before.empty());
    // A busy display may drop a key: pressed again every few screenshots until one shows the selection.
    PngImage after("");
    for (int attempt = 0; attempt < 20 && count(after, cyan, 0, 0, 1, 1) <= 20; ++attempt) {
        if (attempt % 5 == 0) {
            ASSERT_TRUE(game.sendKey("t"));
        }
        after = PngImage(game.takeScreenshot().string());
    }
    // The own wireframe sits at the bottom left from the start; the target's at the bottom right
    // and the read-out appear with the selection.
    EXPECT_GT(count(before, magenta, 0, 0, 1, 1), 40u);
    EXPECT_GT(count(before, green, 0, 0.6f, 0.45f, 1), 40u);
    EXPECT_LT(count(before, green, 0.55f, 0.6f, 1, 1), 5u);
    EXPECT_LT(count(before, cyan, 0, 0, 1, 1), 5u);
    EXPECT_GT(count(after, green, 0.55f, 0.6f, 1, 1), 40u);
    EXPECT_GT(count(after, cyan, 0, 0, 1, 1), 20u);
    EXPECT_EQ(linesWith(game, "DamageDisplay").first, 0u);

    // The player's ships: the flown one, its wing and a capital ship. Entering selects the flown
    // ship; each cycle selects the next, and leaving hands the player the selected one.
    ASSERT_TRUE(pressForLine(game, "c", "Command mode: the game is paused, "));
    const std::string paused = linesWith(game, "Command mode: the game is paused, ").second;
    const int ships = std::atoi(paused.c_str() + paused.rfind(", ") + 2);
    const std::string entered = linesWith(game, "Command mode: selected ").second;
    const int first = std::atoi(entered.c_str() + entered.rfind('(') + 1);
    ASSERT_TRUE(ships >= 4 && first >= 1) << paused << "; " << entered;
    const auto of = [ships](int i) { return "(" + std::to_string(i % ships + 1) + " of " + std::to_string(ships) + ")"; };
    const PngImage command(game.takeScreenshot().string());
    ASSERT_TRUE(pressForLine(game, "n", of(first)));
    ASSERT_TRUE(pressForLine(game, "n", of(first + 1)));
    ASSERT_TRUE(pressForLine(game, "c", "Command mode left: the player flies "));
    EXPECT_NE(linesWith(game, "Command mode left: the player flies ").second.find(of(first + 1)), std::string::npos);
    const PngImage flying(game.takeScreenshot().string());
    // "paused" at half height and the key rows show in command mode; the key rows leave with it
    // (in flight the middle of the screen holds the flown ship and its white engine glow).
    const auto textAt = [&](const PngImage& image, float row) {
        const float half = 120.0f / image.width();
        return count(image, white, 0.5f - half, row, 0.5f + half, row + 14.0f / image.height());
    };
    for (const float row : {0.5f, 0.85f, 0.89f}) {
        SCOPED_TRACE(row);
        EXPECT_GT(textAt(command, row), 20u);
        if (row > 0.5f) {
            EXPECT_LT(textAt(flying, row), textAt(command, row) / 4);
        }
    }

    ASSERT_EQ(game.quitWithKeys("Startup"), 0) << game.standardError();
    const std::string report = readTextFile(game.folder() / "Profile.log");
    EXPECT_NE(report.find("\nStartup\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
    EXPECT_EQ(linesWith(game, "xception").first, 0u);
    expectCleanTerminal(game);
}

} // namespace
} // namespace Tolvarine::Test

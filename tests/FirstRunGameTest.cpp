// The whole game on a first run: the heads-up display on screen, command mode, the exit's profile
// report, the terminal echo, the sound device at the end, and broken data that stops the start-up
// with its reason.
#include "GameProcess.h"
#include "PngImage.h"
#include "ShipFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

namespace Tolvarine::Test {
namespace {

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

// A key the busy display may drop is pressed again until the log gains a line with the text.
bool pressUntil(GameProcess& game, const std::string& key, const std::string& text)
{
    const std::size_t before = linesWith(game, text).first;
    for (int attempt = 0; attempt < 4 && game.sendKey(key); ++attempt)
        for (int wait = 0; wait < 50; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
            if (linesWith(game, text).first > before)
                return true;
    return false;
}

class FirstRunGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "needs Xvfb and xdotool";
        // The rendering engine's own echo coloured every line for terminals of this type.
        ::setenv("TERM", "xterm-256color", 1);
    }
    // Echo lines carry no terminal codes; the sound device is closed before the process ends, so
    // the sound library does not complain at its exit.
    static void expectCleanTerminal(const GameProcess& game)
    {
        EXPECT_EQ(readTextFile(game.folder() / "stdout.txt").find('\x1b'), std::string::npos);
        EXPECT_EQ(game.standardError().find('\x1b'), std::string::npos);
        EXPECT_EQ(game.standardError().find("alc_cleanup"), std::string::npos) << game.standardError();
    }
};

// The HUD in colours nothing else on screen has: enemy frames magenta, read-out text cyan, whole
// components pure green. Command mode then cycles the player's ships under its sheet, and quitting
// writes the running scenario into the exit report.
TEST_F(FirstRunGame, TheHudFramesTheTargetCommandModeHandsOverAShipAndQuittingReportsTheScenario)
{
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
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)\n";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    // Paused, the wings keep their places ahead while the screen is read.
    ASSERT_TRUE(game.sendKey("p"));
    const PngImage before(game.takeScreenshot().string());
    ASSERT_FALSE(before.empty());
    // A busy display may drop a key: pressed again every few screenshots until one shows the selection.
    PngImage after("");
    for (int attempt = 0; attempt < 20 && count(after, cyan, 0, 0, 1, 1) <= 20; ++attempt) {
        if (attempt % 5 == 0)
            ASSERT_TRUE(game.sendKey("t"));
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
    ASSERT_TRUE(pressUntil(game, "c", "Command mode: the game is paused, "));
    const std::string paused = linesWith(game, "Command mode: the game is paused, ").second;
    const int ships = std::atoi(paused.c_str() + paused.rfind(", ") + 2);
    const std::string entered = linesWith(game, "Command mode: selected ").second;
    const int first = std::atoi(entered.c_str() + entered.rfind('(') + 1);
    ASSERT_TRUE(ships >= 4 && first >= 1) << paused << "; " << entered;
    const auto of = [ships](int i) { return "(" + std::to_string(i % ships + 1) + " of " + std::to_string(ships) + ")"; };
    const PngImage command(game.takeScreenshot().string());
    ASSERT_TRUE(pressUntil(game, "n", of(first)));
    ASSERT_TRUE(pressUntil(game, "n", of(first + 1)));
    ASSERT_TRUE(pressUntil(game, "c", "Command mode left: the player flies "));
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
        if (row > 0.5f)
            EXPECT_LT(textAt(flying, row), textAt(command, row) / 4);
    }

    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    ASSERT_EQ(game.waitForExit(), 0) << game.standardError();
    const std::string report = readTextFile(game.folder() / "Profile.log");
    EXPECT_NE(report.find("\nStartup\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
    EXPECT_EQ(linesWith(game, "xception").first, 0u);
    expectCleanTerminal(game);
}

TEST_F(FirstRunGame, BrokenDataEndsTheStartUpWithItsLogLine)
{
    std::mt19937 bytes(21);
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += static_cast<char>(bytes() & 0xff);
    const struct {
        const char *name, *file;
        std::string text;
        const char* logged; // the start of a log line the failure writes
    } rows[] = {
        {"tuning value that does not convert", "cfg/active.keymap",
         "[General]\nmouse_sensitivity = fast\n[Mapping]\nquit = F10\n", "fast failed lexical cast ("},
        {"projectile type of random bytes", "data/entities/mass_driver_slug.fireable", noise,
         "ConfigurationError caught at top-level"},
        // Found while the ship pools are filled.
        {"ship type without a mesh", "data/entities/ghost.ship",
         shipText("ghost", {{"poolSize", "1"}}, "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"),
         "Ship created with no entity!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        GameProcess game;
        std::ofstream(game.folder() / row.file, std::ios::binary | std::ios::trunc) << row.text;
        game.start();
        EXPECT_EQ(game.waitForExit(), 1) << game.standardError();
        const std::vector<std::string> lines = game.logLines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(row.logged, 0) == 0; }))
            << row.logged;
        EXPECT_FALSE(game.logHas("Scenario Startup loaded."));
        expectCleanTerminal(game);
    }
}

} // namespace
} // namespace Tolvarine::Test

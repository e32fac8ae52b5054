// The whole game on a first run: the heads-up display on screen, the exit's profile report, the
// terminal echo, the sound device at the end, and broken data that stops the start-up with its reason.
#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <algorithm>
#include <functional>
#include <random>
#include <sstream>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

// Pixels of a kind in a part of the screen given in fractions of its size.
unsigned count(const PngImage& image, const std::function<bool(const std::uint8_t*)>& kind, float left, float top,
               float right, float bottom)
{
    unsigned found = 0;
    for (unsigned y = unsigned(top * image.height()); y < unsigned(bottom * image.height()); ++y)
        for (unsigned x = unsigned(left * image.width()); x < unsigned(right * image.width()); ++x)
            found += kind(image.at(x, y)) ? 1 : 0;
    return found;
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
// components pure green. Quitting then writes the running scenario into the exit report.
TEST_F(FirstRunGame, TheHudFramesAndSelectsTheTargetAheadAndQuittingReportsTheScenario)
{
    const auto magenta = [](const std::uint8_t* p) { return p[0] > 190 && p[1] < 70 && p[2] > 190; };
    const auto cyan = [](const std::uint8_t* p) { return p[0] < 70 && p[1] > 190 && p[2] > 190; };
    const auto green = [](const std::uint8_t* p) { return p[0] < 70 && p[1] > 190 && p[2] < 70; };
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
    for (const std::string& line : game.logLines())
        EXPECT_EQ(line.find("DamageDisplay"), std::string::npos) << line;

    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    ASSERT_EQ(game.waitForExit(), 0) << game.standardError();
    const std::string report = readTextFile(game.folder() / "Profile.log");
    EXPECT_NE(report.find("\nStartup\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
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

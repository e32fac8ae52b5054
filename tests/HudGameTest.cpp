#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace Tolvarine::Test {
namespace {

using Pixel = std::function<bool(const std::uint8_t* rgb)>;

// Pixels of a kind in a part of the screen given in fractions of its size.
unsigned count(const PngImage& image, const Pixel& kind, float left, float top, float right, float bottom)
{
    unsigned found = 0;
    for (unsigned y = unsigned(top * image.height()); y < unsigned(bottom * image.height()); ++y) {
        for (unsigned x = unsigned(left * image.width()); x < unsigned(right * image.width()); ++x)
            found += kind(image.at(x, y)) ? 1 : 0;
    }
    return found;
}

// The game's heads-up display in colours nothing else on screen has: enemy frames magenta, the
// read-out's text cyan, whole components pure green.
const Pixel magenta = [](const std::uint8_t* p) { return p[0] > 190 && p[1] < 70 && p[2] > 190; };
const Pixel cyan = [](const std::uint8_t* p) { return p[0] < 70 && p[1] > 190 && p[2] > 190; };
const Pixel green = [](const std::uint8_t* p) { return p[0] < 70 && p[1] > 190 && p[2] < 70; };

TEST(HudGame, FramesShipsSelectsTheTargetAheadAndShowsItsReadoutAndBothWireframes)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "cfg/frames.cfg")
        << "[Frames]\nplayerColour = (1 1 0 1)\nfriendColour = (1 1 0 1)\nenemyColour = (1 0 1 1)\n";
    // The first value of a key counts: these come before the shipped ones.
    const fs::path hud = game.folder() / "cfg/hud.cfg";
    const std::string shipped((std::istreambuf_iterator<char>(std::ifstream(hud).rdbuf())), std::istreambuf_iterator<char>());
    std::ofstream(hud) << "[Hud]\ncolour = (0 1 1 1)\nhealthColour = (0 1 0 1)\n" << shipped;
    // The player's ship type with a component that has no wireframe (as guided missiles have none).
    const fs::path type = game.folder() / "data/entities/trifighter.ship";
    std::string ship((std::istreambuf_iterator<char>(std::ifstream(type).rdbuf())), std::istreambuf_iterator<char>());
    std::ofstream(type) << ship.replace(ship.find("trifighter_cockpit_wire.mesh"), 28, "");
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    // Paused, the wings keep their places ahead while the screen is read.
    ASSERT_TRUE(game.sendKey("p"));
    const fs::path unselected = game.takeScreenshot();
    ASSERT_FALSE(unselected.empty());
    const PngImage before(unselected.string());
    // A busy shared display may drop a key: it is pressed again, a few times at most, until a
    // screenshot shows the selection.
    PngImage after("");
    for (int attempt = 0; attempt < 4 && count(after, cyan, 0, 0, 1, 1) <= 20; ++attempt) {
        ASSERT_TRUE(game.sendKey("t"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const fs::path selected = game.takeScreenshot();
        ASSERT_FALSE(selected.empty());
        after = PngImage(selected.string());
    }
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());

    // The enemy wing ahead is framed; the player's own wireframe sits at the bottom left from the
    // start, the target's at the bottom right and the read-out appear with the selection.
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
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
} // namespace Tolvarine::Test

#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
    {
        std::ifstream in(game.folder() / "cfg/hud.cfg");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const auto& [key, value] : {std::pair<std::string, std::string>{"colour = ", "(0 1 1 1)"},
                                         {"healthColour = ", "(0 1 0 1)"}}) {
            const auto at = text.find("\n" + key) + 1;
            text.replace(at, text.find('\n', at) - at, key + value);
        }
        std::ofstream(game.folder() / "cfg/hud.cfg") << text;
    }
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    const fs::path unselected = game.takeScreenshot();
    ASSERT_TRUE(game.sendKey("t"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const fs::path selected = game.takeScreenshot();
    ASSERT_FALSE(unselected.empty());
    ASSERT_FALSE(selected.empty());
    const PngImage before(unselected.string());
    const PngImage after(selected.string());
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
    EXPECT_TRUE(game.logHas("Scenario Startup loaded."));

    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
} // namespace Tolvarine::Test

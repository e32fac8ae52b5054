// The whole game, started as its own process on a virtual display of its own.
#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace Tolvarine::Test {
namespace {

bool haveXvfb()
{
    return std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") == 0;
}

#define REQUIRE_XVFB()                                                                                               \
    if (!haveXvfb())                                                                                                 \
    GTEST_SKIP() << "needs Xvfb and xdotool"

// The index of the first log line equal to `line`, or the line count when there is none.
std::size_t indexOf(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
}

TEST(Engine, StartsQuitsToTheExitScreenAndEndsOnTheNextKey)
{
    REQUIRE_XVFB();
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Measuring CPU frequency...")) << game.standardError();
    ASSERT_TRUE(game.waitForLogLine("Frequency: "));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded."));
    // The screenshot key proves the main loop reads input; its file is the game's own. The Startup
    // sky fills the screen, so the picture is far from a black frame that compresses to nothing.
    const fs::path shot = game.takeScreenshot();
    ASSERT_FALSE(shot.empty()) << "no Tolvarine_*.png screenshot";
    EXPECT_EQ(shot.extension(), ".png");
    EXPECT_GT(fs::file_size(shot), 100u * 1024u) << "the screenshot does not show the sky";
    ASSERT_TRUE(game.sendKey("F10"));
    // The exit screen unloads the scenario; the frames go on behind it until a key is pressed.
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.isRunning());
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0) << game.standardError();
    const std::vector<std::string> lines = game.logLines();
    // Start-up in its order: the timer, the processor, the scenario scripts, then "startup.py".
    const std::size_t calibrating = indexOf(lines, "Calibrating timer...");
    const std::size_t measuring = indexOf(lines, "Measuring CPU frequency...");
    const std::size_t parsing = indexOf(lines, "ScenarioManager parsing scenario scripts");
    const std::size_t loaded = indexOf(lines, "Scenario Startup loaded.");
    EXPECT_LT(calibrating, measuring);
    EXPECT_LT(measuring, parsing);
    EXPECT_LT(parsing, loaded);
    EXPECT_LT(loaded, lines.size());
    // The exit screen unloads the running scenario.
    EXPECT_LT(loaded, indexOf(lines, "Scenario Startup running unload..."));
    EXPECT_TRUE(game.logHas("Exit screen dismissed by a key press"));
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
}

// Bright, bluish-white pixels: engine exhaust and glows against the dark sky.
unsigned glowingPixels(const PngImage& image)
{
    unsigned count = 0;
    for (unsigned y = 0; y < image.height(); ++y)
        for (unsigned x = 0; x < image.width(); ++x) {
            const std::uint8_t* rgb = image.at(x, y);
            count += rgb[0] > 200 && rgb[1] > 200 && rgb[2] > 220;
        }
    return count;
}

TEST(Engine, HoldingForwardThrustLightsThePlayersEngines)
{
    REQUIRE_XVFB();
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    const fs::path coasting = game.takeScreenshot();
    ASSERT_FALSE(coasting.empty());
    const PngImage before(coasting.string());
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(game.holdKey("w", true));
    // The chase view keeps the ship in the middle of the screen; under thrust its engines glow and
    // trail exhaust behind it. The effects build up over frames, and a loaded machine draws few
    // frames a second, so the screen is looked at until they show (or a minute has passed).
    unsigned glowing = 0;
    for (int look = 0; look < 60 && glowing <= glowingPixels(before) + 1000; ++look) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const fs::path thrusting = game.takeScreenshot();
        ASSERT_FALSE(thrusting.empty());
        const PngImage after(thrusting.string());
        ASSERT_FALSE(after.empty());
        glowing = glowingPixels(after);
    }
    game.holdKey("w", false);
    EXPECT_GT(glowing, glowingPixels(before) + 1000)
        << glowingPixels(before) << " glowing pixels coasting, " << glowing << " under thrust";
    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST(Engine, ConfigurationErrorDuringStartUpEndsWithItsLineAndCodeOne)
{
    REQUIRE_XVFB();
    GameProcess game;
    fs::remove(game.folder() / "data/curves.cfg");
    game.start();
    EXPECT_EQ(game.waitForExit(), 1);
    EXPECT_TRUE(game.logHas("ConfigurationError caught at top-level"));
}

TEST(Engine, MissingVideoOptionsWithoutATerminalEndQuietly)
{
    REQUIRE_XVFB();
    GameProcess game;
    fs::remove(game.folder() / "ogre.cfg");
    game.start();
    EXPECT_EQ(game.waitForExit(), 0);
    for (const std::string& line : game.logLines())
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
    EXPECT_FALSE(fs::exists(game.folder() / "ogre.cfg")) << "a cancelled dialog saves nothing";
}

TEST(Engine, BrokenStartUpScriptMaterialOrDataFolderEndWithCodeOne)
{
    REQUIRE_XVFB();
    {
        GameProcess game;
        std::ofstream(game.folder() / "startup.py") << "raise RuntimeError('broken start-up')\n";
        game.start();
        EXPECT_EQ(game.waitForExit(), 1);
        EXPECT_TRUE(game.logHas("Python exception thrown while running script: startup.py"));
        EXPECT_TRUE(game.logHas("std::exception caught at top-level: RuntimeError: broken start-up"));
    }
    {
        // Without its material the splash screen cannot be drawn.
        GameProcess game;
        std::ofstream(game.folder() / "data/splash/splash.material", std::ios::trunc) << "material Broken {\n";
        game.start();
        EXPECT_EQ(game.waitForExit(), 1);
        EXPECT_TRUE(game.logHas("Ogre exception caught at top-level"));
    }
    {
        GameProcess game;
        fs::remove_all(game.folder() / "data/meshes");
        game.start();
        EXPECT_EQ(game.waitForExit(), 1);
        bool reported = false;
        for (const std::string& line : game.logLines())
            reported = reported || line.rfind("std::exception caught at top-level: ", 0) == 0;
        EXPECT_TRUE(reported);
    }
}

TEST(Engine, WithoutADisplayTheEngineCannotBeMadeAndSaysWhy)
{
    GameProcess game;
    game.startWithoutDisplay();
    EXPECT_EQ(game.waitForExit(), 1);
    EXPECT_NE(game.standardError().find("Tolvarine: the engine could not be created"), std::string::npos)
        << game.standardError();
}

} // namespace
} // namespace Tolvarine::Test

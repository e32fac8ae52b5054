// The test ground in the whole game: loaded by a start-up script, worked by its keys, a ship
// spawned and, when its data file is touched, read again and spawned anew; then the scenario Test.
#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace Tolvarine::Test {
namespace {

std::size_t linesWith(const GameProcess& game, const std::string& text)
{
    std::size_t found = 0;
    for (const std::string& line : game.logLines())
        found += line.find(text) != std::string::npos ? 1 : 0;
    return found;
}

// Waits until the log holds `count` lines with the text.
bool waitForLines(const GameProcess& game, const std::string& text, std::size_t count)
{
    for (int wait = 0; wait < 50; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
        if (linesWith(game, text) >= count)
            return true;
    return false;
}

// A key the busy shared display may drop is pressed again until the log gains a line with the text.
bool pressUntil(GameProcess& game, const std::string& key, const std::string& text)
{
    const std::size_t before = linesWith(game, text);
    for (int attempt = 0; attempt < 4 && game.sendKey(key); ++attempt)
        if (waitForLines(game, text, before + 1))
            return true;
    return false;
}

unsigned captionPixels(const PngImage& image)
{
    unsigned found = 0;
    for (unsigned y = 10; y < 60 && y < image.height(); ++y)
        for (unsigned x = 10; x < 330 && x < image.width(); ++x)
            found += (image.at(x, y)[1] > 160 && image.at(x, y)[0] < image.at(x, y)[1] - 40) ? 1 : 0;
    return found;
}

TEST(TestGroundGame, KeysSpawnAShipAndTouchingItsFileRespawnsIt)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py")
        << "from Tolvarine import *\nScenarioManager.getSingleton().loadScenario('TestGround')\n"
           "ground = TestGround.getSingleton()\n"
           "open('ground.txt', 'w').write(ground.getCategoryCaption() + ' ' + str(ground.isShown()))\n";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario TestGround loaded.")) << game.standardError();
    EXPECT_TRUE(waitForTextInFile(game.folder() / "ground.txt", "-- False"));

    // Shown: the scenario is loaded again; "Fireable" spawns the first projectile type with a
    // target, "Ship" the first ship type.
    ASSERT_TRUE(pressUntil(game, "F8", "Scenario TestGround loaded."));
    ASSERT_TRUE(pressUntil(game, "equal", "TestGround: spawned Fireable "));
    ASSERT_TRUE(pressUntil(game, "equal", "TestGround: spawned Ship bastion, watching data/entities/bastion.ship"));
    const PngImage shown(game.takeScreenshot().string());

    std::filesystem::last_write_time(game.folder() / "data/entities/bastion.ship",
                                     std::filesystem::file_time_type::clock::now());
    ASSERT_TRUE(game.waitForLogLine("TestGround: data/entities/bastion.ship changed, reading its types again"));
    EXPECT_TRUE(waitForLines(game, "TestGround: spawned Ship bastion, watching data/entities/bastion.ship", 2));
    // The overlay's green category caption, top left.
    EXPECT_GT(captionPixels(shown), 20u);

    // The developers' free scenario takes the test ground's place.
    ASSERT_TRUE(pressUntil(game, "F7", "Scenario Test loaded."));
    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Test running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0) << game.standardError();
    EXPECT_EQ(linesWith(game, "xception"), 0u);
}

} // namespace
} // namespace Tolvarine::Test

// The test ground in the whole game: shown and stepped by a start-up script, a ship spawned and,
// when its data file is touched, read again and spawned anew; then its key loads the scenario Test.
#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace Tolvarine::Test {
namespace {

TEST(TestGroundGame, AShipSpawnedByScriptIsRespawnedWhenItsFileIsTouched)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    // Shown, the test ground loads its scenario again; "Fireable" spawns the first projectile
    // type with a target, "Ship" the first ship type.
    std::ofstream(game.folder() / "startup.py")
        << "from Tolvarine import *\nScenarioManager.getSingleton().loadScenario('TestGround')\n"
           "ground = TestGround.getSingleton()\nground.toggle()\nground.nextCategory()\nground.nextCategory()\n";
    game.start();
    const std::string spawned = "TestGround: spawned Ship bastion, watching data/entities/bastion.ship";
    ASSERT_TRUE(game.waitForLogLine(spawned)) << game.standardError();
    const PngImage shown(game.takeScreenshot().string());
    std::filesystem::last_write_time(game.folder() / "data/entities/bastion.ship",
                                     std::filesystem::file_time_type::clock::now());
    ASSERT_TRUE(game.waitForLogLine("TestGround: data/entities/bastion.ship changed, reading its types again"));
    ASSERT_TRUE(game.sendKey("F7"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Test loaded."));
    EXPECT_EQ(game.quitWithKeys("Test"), 0) << game.standardError();

    const std::vector<std::string> lines = game.logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), spawned), 2);
    EXPECT_TRUE(game.logHas("TestGround: spawned Fireable ion_lance, watching data/entities/ion_lance.fireable"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Scenario TestGround loaded."), 2);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("xception"), std::string::npos) << line;
    // The overlay's green category caption, top left.
    unsigned green = 0;
    for (unsigned y = 10; y < 60 && y < shown.height(); ++y)
        for (unsigned x = 10; x < 330 && x < shown.width(); ++x)
            green += shown.at(x, y)[1] > 160 && shown.at(x, y)[0] + 40 < shown.at(x, y)[1];
    EXPECT_GT(green, 20u);
}

} // namespace
} // namespace Tolvarine::Test

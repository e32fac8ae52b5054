// The test ground in the whole game: shown and stepped by a start-up script, a ship spawned and,
// when its data file is touched, read again and spawned anew; then its key loads the scenario Test,
// whose ship is watched in the fly-by view.
#include "MenuWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace Tolvarine::Test {
namespace {

TEST(TestGroundGame, AShipSpawnedByScriptIsRespawnedWhenItsFileIsTouchedAndTheFlyByViewShowsTheFlownShip)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    // Shown, the test ground loads its scenario again; "Fireable" spawns the first projectile
    // type with a target, "Ship" the first ship type.
    std::ofstream(game.folder() / "startup.py")
        << "from Tolvarine import *\nScenarioManager.getSingleton().loadScenario('TestGround')\n"
           "ground = TestGround.getSingleton()\nground.toggle()\nground.nextCategory()\nground.nextCategory()\n";
    // The scenario Test of this run has neither sky nor enemies: nothing but the player's ship lights
    // the middle of its fly-by view.
    const std::filesystem::path scenario = game.folder() / "data/scenarios/test.py";
    std::string text = readTextFile(scenario);
    const std::pair<std::string, std::string> cuts[] = {{"scenario.setSkyBox(\"Tolvarine/NebulaSky\", 10000.0)", "pass"},
                                                         {"{\"kestrel\": 2}", "{}"},
                                                         {"{\"bastion\": 1}, enemy", "{}, enemy"}};
    for (const auto& [cut, kept] : cuts) {
        ASSERT_NE(text.find(cut), std::string::npos) << cut;
        text.replace(text.find(cut), cut.size(), kept);
    }
    std::ofstream(scenario) << text;
    game.start();
    const std::string spawned = "TestGround: spawned Ship bastion, watching data/entities/bastion.ship";
    ASSERT_TRUE(game.waitForLogLine(spawned)) << game.standardError();
    const PngImage shown(game.takeScreenshot().string());
    std::filesystem::last_write_time(game.folder() / "data/entities/bastion.ship",
                                     std::filesystem::file_time_type::clock::now());
    ASSERT_TRUE(game.waitForLogLine("TestGround: data/entities/bastion.ship changed, reading its types again"));
    // Command mode, open since the test ground showed, lists the Test scenario's two ships of the
    // player, and leaving it flies the one its script gave the focus.
    ASSERT_TRUE(game.sendKey("F7"));
    ASSERT_TRUE(game.waitForLogLine("Command mode: the game is paused, 2 ships of the player"));
    ASSERT_TRUE(MenuWalk::pressForLine(game, "c", "Command mode left: the player flies Trifighter"));
    // The fly-by view, placed ahead of the ship, watches it come under thrust: it grows until it
    // fills much of the middle of the screen as it passes (against the black of a sky taken out
    // of this run's scenario). Looked at until it does; the bound only ends a failing run.
    game.xdotool("keydown w");
    ASSERT_TRUE(game.sendKey("F3"));
    unsigned ship = 0;
    for (int attempt = 0; attempt < 60 && ship <= 1500; ++attempt) {
        const PngImage view = MenuWalk::look(game, "flyby" + std::to_string(attempt) + ".png");
        // Lit, and not the green of the reticle over it.
        ship = std::max(ship, MenuWalk::countPixels(view, 312, 234, 712, 534, [](const std::uint8_t* p) {
            return std::max({p[0], p[1], p[2]}) > 12 && !(p[1] > p[0] + 40 && p[1] > p[2] + 40);
        }));
    }
    game.xdotool("keyup w");
    EXPECT_GT(ship, 1500u) << "the ship in the fly-by view";
    EXPECT_EQ(game.quitWithKeys("Test"), 0) << game.standardError();

    const std::vector<std::string> lines = game.logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), spawned), 2);
    EXPECT_TRUE(game.logHas("TestGround: spawned Fireable ion_lance, watching data/entities/ion_lance.fireable"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Scenario TestGround loaded."), 2);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("xception"), std::string::npos) << line;
    EXPECT_GT(MenuWalk::testGroundCaptionPixels(shown), 20u);
}

} // namespace
} // namespace Tolvarine::Test

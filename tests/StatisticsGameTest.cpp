// The player's figures in the whole game: two games in a row in one run, the player's guns fired
// at an enemy close ahead in each; every game's end-of-scenario summary shows the player's damage.
#include "MenuWalk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace Tolvarine::Test {
namespace {

TEST(StatisticsGame, EachOfTwoGamesInARunRecordsThePlayersHits)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py") << "from Tolvarine import *\nTestGround.getSingleton().loadTestScenario()\n";
    // The scenario Test of this run: the player's fighter alone, an enemy bastion 150 m straight ahead.
    const std::filesystem::path scenario = game.folder() / "data/scenarios/test.py";
    std::string text = readTextFile(scenario);
    for (const auto& [cut, kept] : {std::pair<std::string, std::string>{"{\"kestrel\": 2}", "{}"},
                                    {"Vector3(400, -100, -1200)", "Vector3(0, 0, -150)"},
                                    {"{\"bastion\": 1}, player", "{}, player"}}) {
        ASSERT_NE(text.find(cut), std::string::npos) << cut;
        text.replace(text.find(cut), cut.size(), kept);
    }
    std::ofstream(scenario) << text;
    game.start();
    for (std::size_t run = 1; run <= 2; ++run) {
        ASSERT_TRUE(MenuWalk::waitForLines(game, "Scenario Test loaded.", run, 60)) << "game " << run;
        ASSERT_TRUE(MenuWalk::pressForLine(game, "c", "Command mode left")) << "game " << run;
        game.xdotool("mousedown 1");
        std::this_thread::sleep_for(std::chrono::seconds(3));
        game.xdotool("mouseup 1");
        ASSERT_TRUE(run == 2 || game.sendKey("F7"));
    }
    EXPECT_EQ(game.quitWithKeys("Test"), 0) << game.standardError();

    // One summary per game, the second's as well: its load cleared the first's figures only.
    std::vector<double> damage;
    for (const std::string& line : game.logLines())
        if (line.rfind("Player damage:\t", 0) == 0)
            damage.push_back(std::stod(line.substr(15)));
    ASSERT_EQ(damage.size(), 2u);
    EXPECT_GT(damage[0], 0.0) << "first game";
    EXPECT_GT(damage[1], 0.0) << "second game";
}

} // namespace
} // namespace Tolvarine::Test

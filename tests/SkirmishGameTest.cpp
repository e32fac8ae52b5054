// A whole skirmish in the game, played by the AI on both sides, from a start-up script.
#include "GameProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace Tolvarine::Test {
namespace {

// The shots a side fired, from its line of the statistics at unload; -1 when there is none.
long shotsOf(const std::vector<std::string>& lines, const std::string& faction)
{
    const std::string prefix = faction + " shots:\t";
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    }
    return -1;
}

TEST(SkirmishGame, TwoSmallAiFleetsFightToTheEndAndBothSidesShotsAreCounted)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    // No ship has the focus, so the AI flies the player's side too. The fleets start further apart
    // than the AI looks for targets, so the player's side is sent towards the enemy, as a player
    // would fly; three against one keeps the fight short.
    std::ofstream(game.folder() / "startup.py")
        << "from Tolvarine import *\n"
           "scenario = startSkirmish('Deep Space', {'trifighter': 3}, {'trifighter': 1})\n"
           "for ship in scenario.getFaction('Player').getShipList():\n"
           "    ship.getBehaviour().loiter(Vector3(0, 0, -4000))\n";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish loaded.")) << game.standardError();
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish ended.", std::chrono::seconds(300)))
        << "the skirmish did not end on its own";
    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0) << game.standardError();

    const std::vector<std::string> lines = game.logLines();
    for (const char* line : {"Initialising area", "Creating factions", "Debris systems", "Statistics dump:"})
        EXPECT_TRUE(game.logHas(line)) << line;
    EXPECT_GT(shotsOf(lines, "Player"), 0);
    EXPECT_GT(shotsOf(lines, "Enemy"), 0);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
}

} // namespace
} // namespace Tolvarine::Test

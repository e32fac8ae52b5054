// A skirmish played by the AI on both sides from a start-up script: whatever the fight took out of
// its pool (ships, shots in flight, explosions going off) is back in it once the scenario unloads,
// even when the player quits in the middle of a ship's explosion, and the unload counts both sides'
// shots.
#include "GameProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

// The block of "Pool <kind>: <n> live" lines that first follows line `from`, by kind.
std::map<std::string, std::string> poolBlockAfter(const std::vector<std::string>& lines, std::size_t from)
{
    std::map<std::string, std::string> counts;
    for (std::size_t i = from; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t colon = line.find(": ");
        const bool isPoolLine = line.rfind("Pool ", 0) == 0 && colon != std::string::npos &&
                                line.size() > 5 && line.compare(line.size() - 5, 5, " live") == 0;
        if (!isPoolLine) {
            if (!counts.empty())
                break;
            continue;
        }
        counts[line.substr(5, colon - 5)] = line.substr(colon + 2, line.size() - 5 - colon - 2);
    }
    return counts;
}

TEST(PoolCountGame, EveryPooledKindIsBackInItsPoolWhenASkirmishIsQuitDuringAnExplosion)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    // The AI flies both sides, the player's sent towards the enemy; three against one is short.
    std::ofstream(game.folder() / "startup.py")
        << "from Tolvarine import *\n"
           "scenario = startSkirmish('Deep Space', {'trifighter': 3}, {'trifighter': 1})\n"
           "for ship in scenario.getFaction('Player').getShipList():\n"
           "    ship.getBehaviour().loiter(Vector3(0, 0, -4000))\n";
    // A report every second tells the test when a ship is going up.
    ::setenv("TOLVARINE_REPORT_PERIOD", "1", 1);
    game.start();
    ::unsetenv("TOLVARINE_REPORT_PERIOD");
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish loaded.")) << game.standardError();
    ASSERT_TRUE(game.waitForLogLine("Pool ShipExplosionSequence: 1 live", std::chrono::seconds(300)))
        << "no ship was destroyed";
    EXPECT_EQ(game.quitWithKeys("Skirmish"), 0) << game.standardError();

    const std::vector<std::string> lines = game.logLines();
    const std::size_t unload = std::find(lines.begin(), lines.end(), "Scenario Skirmish running unload...") - lines.begin();
    ASSERT_LT(unload, lines.size());
    const std::map<std::string, std::string> expected = {
        {"ComplexExplosion", "0"}, {"ExplosionDebris", "0"},       {"FireableProjectile", "0"}, {"ParticleSpray", "0"},
        {"Ship", "0"},             {"ShipExplosionSequence", "0"}, {"WarpArrival", "0"}};
    EXPECT_EQ(poolBlockAfter(lines, unload), expected);
    for (const char* line : {"Initialising area", "Creating factions", "Debris systems",
                             "Statistics dump:"})
        EXPECT_TRUE(game.logHas(line)) << line;
    // Just before it, "Player shots:\t12" for each side: a ship went up, so the fight fired some.
    long shots = 0;
    const auto before = std::make_reverse_iterator(lines.begin() + unload);
    for (const std::string side : {"Player shots:\t", "Enemy shots:\t"}) {
        const auto line = std::find_if(before, lines.rend(), [&](const std::string& text) {
            return text.rfind(side, 0) == 0;
        });
        ASSERT_NE(line, lines.rend()) << side;
        shots += std::stol(line->substr(side.size()));
    }
    EXPECT_GT(shots, 0);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
    // The reports during the fight came with the memory the process held.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.begin() + unload, [](const std::string& line) {
        return line.rfind("Resources at ", 0) == 0 && line.find(" kB resident") != std::string::npos &&
               line.find(": 0 kB") == std::string::npos;
    }));
}

} // namespace
} // namespace Tolvarine::Test

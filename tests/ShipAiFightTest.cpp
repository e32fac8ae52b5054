#include "../tools/BattleWorld.h"

#include "ConfigFiles.h"
#include "LogCapture.h"
#include "RenderingRoot.h"
#include "ShipBehaviour.h"

#include <OgreMath.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

// The battle world reads the game's data from the repository root, as the game does from its own.
class InRepositoryRoot {
public:
    InRepositoryRoot() : previous(std::filesystem::current_path()) { std::filesystem::current_path(TOLVARINE_SOURCE_DIR); }
    ~InRepositoryRoot() { std::filesystem::current_path(previous); }

private:
    std::filesystem::path previous;
};

// Two fighters of the shipped types, 800 apart and facing each other, fight for 30 s of game time
// with the best skill; the AI flies them from their activation.
TEST(ShipAiFight, TwoHostileFightersBothShootAndHitWithinThirtySeconds)
{
    if (!RenderingRoot::displayAvailable())
        GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
    TemporaryFolder folder;
    writeFile(folder.file("difficulty.cfg"), "[Difficulty]\ndifficulty = 1\nenemyIntelligenceFactor = 1\n"
                                             "friendlyIntelligenceFactor = 1\n");
    InRepositoryRoot home;
    LogCapture log;
    {
        Battle::BattleWorld world(folder.file("battle.log"), folder.file("difficulty.cfg"));
        Faction red("Red", 0), blue("Blue", 0);
        red.addEnemy(blue);
        blue.addEnemy(red);
        const Ogre::Quaternion turned(Ogre::Degree(180), Ogre::Vector3::UNIT_Y);
        Ship* redShip = world.spawnWing("trifighter", red, 1, Ogre::Vector3(0, 0, 400), Ogre::Quaternion::IDENTITY, 0)[0];
        world.spawnWing("trifighter", blue, 1, Ogre::Vector3(0, 0, -400), turned, 0);
        EXPECT_TRUE(redShip->getBehaviour().isActive());
        for (int frame = 0; frame < 30 * 60; ++frame)
            world.frame();

        const Statistics& statistics = world.getStatistics();
        EXPECT_GT(statistics.getFactionShots("Red"), 0u);
        EXPECT_GT(statistics.getFactionShots("Blue"), 0u);
        EXPECT_GE(statistics.getFactionHits("Red") + statistics.getFactionHits("Blue"), 1u);
        // The player taking the ship stops its AI; leaving it starts the AI again, until the ship
        // leaves play.
        ShipBehaviour& ai = redShip->getBehaviour();
        redShip->setFocus(true);
        EXPECT_FALSE(ai.isActive());
        redShip->setFocus(false);
        EXPECT_TRUE(ai.isActive());
        redShip->deactivate(static_cast<DisableTime>(2));
        EXPECT_FALSE(ai.isActive());
        // What the scenario's end writes: the statistics dump names each side that hit.
        statistics.dump();
        world.getProfiler().writeReport(folder.file("Profile.log"));
    }
    const std::vector<std::string> lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Red hit proportion:", 0) == 0 || line.rfind("Blue hit proportion:", 0) == 0;
    }));
    std::ifstream profile(folder.file("Profile.log"));
    std::stringstream report;
    report << profile.rdbuf();
    for (const char* block : {"ShipBehaviour/TargetUpdate", "ShipBehaviour/Behaviour", "ShipBehaviour/Avoidance",
                              "neighbourAvoidance", "arrival"})
        EXPECT_NE(report.str().find(block), std::string::npos) << block;
}

} // namespace
} // namespace Tolvarine::Test

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
// with the best skill.
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
        world.spawnWing("trifighter", red, 1, Ogre::Vector3(0, 0, 400), Ogre::Quaternion::IDENTITY, 0);
        world.spawnWing("trifighter", blue, 1, Ogre::Vector3(0, 0, -400), turned, 0);
        for (int frame = 0; frame < 30 * 60; ++frame)
            world.frame();

        const Statistics& statistics = world.getStatistics();
        EXPECT_GT(statistics.getFactionShots("Red"), 0u);
        EXPECT_GT(statistics.getFactionShots("Blue"), 0u);
        EXPECT_GE(statistics.getFactionHits("Red") + statistics.getFactionHits("Blue"), 1u);
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

// Every ship's AI runs from its activation, except while the player flies the ship; each type keeps
// its own missile dodge range.
TEST(ShipAiFight, TheAiFliesEveryShipInPlayExceptTheOneThePlayerFlies)
{
    if (!RenderingRoot::displayAvailable())
        GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
    TemporaryFolder folder;
    InRepositoryRoot home;
    Battle::BattleWorld world(folder.file("battle.log"));
    Faction red("Red", 0);
    Ship* ships[2];
    const char* const types[2] = {"kestrel", "trifighter"};
    for (int i = 0; i < 2; ++i) {
        ships[i] = world.spawnWing(types[i], red, 1, Ogre::Vector3(0, 0, 100.0f * i), Ogre::Quaternion::IDENTITY, 0)[0];
        const float range = ShipType::getByName(types[i]).get<float>("Behaviour", "missileDodgeRange");
        EXPECT_EQ(ships[i]->getThreatRangeSquared(), range * range) << types[i];
    }
    EXPECT_NE(ships[0]->getThreatRangeSquared(), ships[1]->getThreatRangeSquared());
    ShipBehaviour& ai = ships[0]->getBehaviour();
    EXPECT_TRUE(ai.isActive());
    ships[0]->setFocus(true);
    EXPECT_FALSE(ai.isActive());
    EXPECT_TRUE(ships[1]->getBehaviour().isActive());
    ships[0]->setFocus(false);
    EXPECT_TRUE(ai.isActive());
    ships[0]->deactivate(static_cast<DisableTime>(2));
    EXPECT_FALSE(ai.isActive());
}

} // namespace
} // namespace Tolvarine::Test

#include "Difficulty.h"

#include "Config.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "ResponseCurves.h"
#include "Statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Tolvarine::Test::LogCapture;
using Tolvarine::Test::TemporaryFolder;
using Tolvarine::Test::readFile;
using Tolvarine::Test::writeFile;
using Tolvarine::Test::written;

// Five samples: a difficulty of 0.5 sits halfway between the two samples of 1 (ratio 1), a
// difficulty of 0.25 a quarter of the way from 1.5 to 1 (ratio 1.375). All exact in binary.
const char* const testCurves = "[Difficulty Hit Ratio]\n"
                               "0 = 2\n"
                               "1 = 1.5\n"
                               "2 = 1\n"
                               "3 = 1\n"
                               "4 = 0.5\n";


std::string sourceFile(const std::string& relativePath)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/" + relativePath;
}

class DifficultyTest : public ::testing::Test {
protected:
    DifficultyTest()
        : curves(written(folder.file("curves.cfg"), testCurves)), statistics(std::make_unique<Statistics>())
    {
    }

    std::string settingsPath() const { return folder.file("difficulty.cfg"); }
    void writeSettings(const std::string& text) const { writeFile(settingsPath(), text); }

    // Hit proportions for the factions that the adjustment compares.
    void recordFaction(const std::string& faction, int hits, int shots)
    {
        for (int i = 0; i < shots; ++i)
            statistics->recordShot(faction, faction == "Player", "Laser");
        for (int i = 0; i < hits; ++i)
            statistics->recordHit(faction, faction == "Player", "Laser", 10);
    }

    TemporaryFolder folder;
    ResponseCurves curves;
    std::unique_ptr<Statistics> statistics;
};

TEST_F(DifficultyTest, SettingsAreReadAsTheyStandWithDefaultsForWhatIsMissingOrNotFinite)
{
    struct Row {
        const char* rule;
        const char* file;  // null: no file
        Lines log;
        float difficulty, enemy, friendly;
    };
    const Row rows[] = {
        {"a missing file is created with the defaults", nullptr, {settingsPath() + " does not exist"}, 0.5f, 0.5f, 0.5f},
        // Skills are the factors times the difficulty.
        {"values as they stand", "[Difficulty]\ndifficulty = 0.05\nenemyIntelligenceFactor = 3\nfriendlyIntelligenceFactor = 0\n",
         {}, 0.05f, 0.15f, 0.0f},
        {"numbers that are not finite give way to the defaults",
         "[Difficulty]\ndifficulty = nan\nenemyIntelligenceFactor = inf\nfriendlyIntelligenceFactor = 2\n",
         {"Difficulty: difficulty is not a finite number, using 0.5",
          "Difficulty: enemyIntelligenceFactor is not a finite number, using 1"},
         0.5f, 0.5f, 1.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        std::filesystem::remove(settingsPath());
        if (row.file)
            writeSettings(row.file);
        {
            LogCapture log;
            Difficulty difficulty(settingsPath(), curves);
            EXPECT_EQ(log.lines(), row.log);
            EXPECT_EQ(Difficulty::getSingletonPtr(), &difficulty);
            EXPECT_TRUE(std::filesystem::exists(settingsPath()));
            EXPECT_FLOAT_EQ(difficulty.getDifficulty(), row.difficulty);
            EXPECT_FLOAT_EQ(difficulty.getEnemyIntelligence(), row.enemy);
            EXPECT_FLOAT_EQ(difficulty.getFriendlyIntelligence(), row.friendly);
            // Skills never exceed one.
            difficulty.setDifficulty(0.5f);
            EXPECT_LE(difficulty.getEnemyIntelligence(), 1.0f);
        }
        EXPECT_EQ(Difficulty::getSingletonPtr(), nullptr);
    }
    // A value that is no number at all is the file's error, reported by the reader; a missing
    // curve fails too. Neither leaves a singleton.
    writeSettings("[Difficulty]\ndifficulty = hard\n");
    EXPECT_ANY_THROW(Difficulty(settingsPath(), curves));
    std::filesystem::remove(settingsPath());
    const ResponseCurves otherCurves(written(folder.file("other.cfg"), "[Another Curve]\n0 = 1\n"));
    LogCapture log;
    EXPECT_THROW(Difficulty(settingsPath(), otherCurves), ConfigurationError);
    EXPECT_TRUE(log.contains("Unknown ResponseCurve: Difficulty Hit Ratio"));
    EXPECT_EQ(Difficulty::getSingletonPtr(), nullptr);
}

TEST_F(DifficultyTest, SetDifficultyRaisesLowLevelsIgnoresNonsenseAndWritesOnlyOnSave)
{
    Difficulty difficulty(settingsPath(), curves);
    const std::pair<float, float> setAndGot[] = {{0.05f, 0.1f}, {0.1f, 0.1f}, {-3.0f, 0.1f},
                                                 {std::numeric_limits<float>::quiet_NaN(), 0.1f}, {0.75f, 0.75f}};
    for (const auto& [set, got] : setAndGot) {
        SCOPED_TRACE(set);
        difficulty.setDifficulty(set);
        EXPECT_FLOAT_EQ(difficulty.getDifficulty(), got);
    }
    EXPECT_EQ(difficulty.getValue("Difficulty", "difficulty"), "0.75");
    EXPECT_EQ(readFile(settingsPath()), "") << "written before save";
    difficulty.save();
    EXPECT_FLOAT_EQ(Difficulty(settingsPath(), curves).getDifficulty(), 0.75f);
}

TEST_F(DifficultyTest, RecalculationMovesTheFactorsTowardTheDesiredRatioWithinZeroAndTen)
{
    struct Row {
        const char* rule;
        const char* file;
        int playerHits, playerShots, enemyHits, enemyShots;
        float enemyFactor, friendlyFactor;
    };
    const Row rows[] = {
        // Current ratio 0.75 / 0.5; the curve asks for 1 at difficulty 0.5; the default rate is 0.1.
        {"a player better than desired makes enemies smarter", "", 3, 4, 1, 2, 1.05f, 0.95f},
        // Step (1.375 - 0.5) x 0.5 = 0.4375.
        {"a player worse than desired makes friends smarter",
         "difficulty = 0.25\nenemyIntelligenceFactor = 2\nfriendlyIntelligenceFactor = 0.5\n"
         "intelligenceAdjustmentRate = 0.5\n",
         1, 4, 1, 2, 1.5625f, 0.9375f},
        // Step (1 - 4) x 1 = -3.
        {"the factors stop at 10 and 0",
         "enemyIntelligenceFactor = 9.5\nfriendlyIntelligenceFactor = 0.5\nintelligenceAdjustmentRate = 1\n", 1, 1, 1, 4,
         10.0f, 0.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        writeSettings(std::string("[Difficulty]\n") + row.file);
        const std::string before = readFile(settingsPath());
        statistics->clear();
        recordFaction("Player", row.playerHits, row.playerShots);
        recordFaction("Enemy", row.enemyHits, row.enemyShots);
        {
            Difficulty difficulty(settingsPath(), curves);
            LogCapture log;
            difficulty.recalculate();
            // The adjustment reports its reasoning in this order.
            if (row.playerHits == 3) {
                EXPECT_EQ(log.lines(), (Lines{"Recalc difficulty: current ratio is 1.5", "Recalc difficulty: desired ratio is 1",
                                              "Recalc difficulty: adjusting enemy intelligence factor to 1.05",
                                              "Recalc difficulty: adjusting friendly intelligence factor to 0.95"}));
            }
            EXPECT_FLOAT_EQ(difficulty.getEnemyIntelligence(), std::min(1.0f, row.enemyFactor * difficulty.getDifficulty()));
            EXPECT_FLOAT_EQ(difficulty.getFriendlyIntelligence(), row.friendlyFactor * difficulty.getDifficulty());
            EXPECT_EQ(readFile(settingsPath()), before) << "written before save";
            difficulty.save();
        }
        // The adjustment survives a save.
        Difficulty reopened(settingsPath(), curves);
        EXPECT_FLOAT_EQ(reopened.get<float>("Difficulty", "enemyIntelligenceFactor"), row.enemyFactor);
        EXPECT_FLOAT_EQ(reopened.get<float>("Difficulty", "friendlyIntelligenceFactor"), row.friendlyFactor);
    }

}

TEST_F(DifficultyTest, NoAdjustmentWhenEitherSideNeverHit)
{
    Difficulty difficulty(settingsPath(), curves);
    LogCapture log;

    // The player's faction fired but never hit.
    recordFaction("Player", 0, 5);
    recordFaction("Enemy", 2, 5);
    difficulty.recalculate();
    // The enemy never fired at all.
    statistics->clear();
    recordFaction("Player", 2, 5);
    difficulty.recalculate();
    // No statistics exist.
    statistics.reset();
    difficulty.recalculate();

    EXPECT_EQ(log.lines(), (Lines{"Statistics::getFactionHitProportion, unknown faction Player",
                                  "Statistics::getFactionHitProportion, unknown faction Enemy"}));
    EXPECT_FLOAT_EQ(difficulty.getEnemyIntelligence(), 0.5f);
    EXPECT_FLOAT_EQ(difficulty.getFriendlyIntelligence(), 0.5f);
    EXPECT_THROW(difficulty.getValue("Difficulty", "enemyIntelligenceFactor"), ConfigurationError);
}

// The desired player-to-enemy hit ratio falls as the difficulty rises: at the lowest level the
// player should outshoot the enemy, at the highest no longer.
TEST(DifficultyHitRatioCurve, ShippedCurveFallsFromEasyToHard)
{
    const ResponseCurve curve = ResponseCurves(sourceFile("data/curves.cfg")).lookup("Difficulty Hit Ratio");
    const std::vector<float>& samples = curve.getSamples();
    EXPECT_TRUE(std::is_sorted(samples.rbegin(), samples.rend()) && samples.back() > 0.0f);
    EXPECT_GT(curve.evaluate(0.1f), 1.0f);
    EXPECT_LT(curve.evaluate(1.0f), 1.0f);
}

} // namespace
} // namespace Tolvarine

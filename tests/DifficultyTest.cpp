#include "Difficulty.h"

#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "ResponseCurves.h"
#include "Statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Test::LogCapture;
using Test::readFile;

// A difficulty of 0.5 sits halfway between the two samples of 1 (ratio 1), a difficulty of 0.25
// a quarter of the way from 1.5 to 1 (ratio 1.375). All exact in binary.
class DifficultyTest : public ::testing::Test {
protected:
    std::string settings(const char* text = nullptr) const
    {
        std::filesystem::remove(folder.file("difficulty.cfg"));
        return text ? Tolvarine::Test::written(folder.file("difficulty.cfg"), text) : folder.file("difficulty.cfg");
    }
    // Hit proportions for the factions that the adjustment compares.
    void record(const std::string& faction, int hits, int shots)
    {
        for (int i = 0; i < shots; ++i)
            statistics->recordShot(faction, faction == "Player", "Laser");
        for (int i = 0; i < hits; ++i)
            statistics->recordHit(faction, faction == "Player", "Laser", 10);
    }

    Tolvarine::Test::TemporaryFolder folder;
    ResponseCurves curves{Tolvarine::Test::written(folder.file("curves.cfg"), "[Difficulty Hit Ratio]\n0 = 2\n1 = 1.5\n2 = 1\n3 = 1\n4 = 0.5\n")};
    std::unique_ptr<Statistics> statistics = std::make_unique<Statistics>();
};

TEST_F(DifficultyTest, SettingsAreReadIntoRangeWithDefaultsForWhatIsMissingOrNotFiniteAndWrittenOnlyOnSave)
{
    const std::string file = folder.file("difficulty.cfg");
    const struct { const char* rule; const char* file; Lines log; float difficulty, enemy, friendly; } rows[] = {
        {"a missing file is created with the defaults", nullptr, {settings() + " does not exist"}, 0.5f, 0.5f, 0.5f},
        // Skills are the factors times the difficulty.
        {"values in range as they stand", "[Difficulty]\ndifficulty = 0.25\nenemyIntelligenceFactor = 3\nfriendlyIntelligenceFactor = 0\n",
         {}, 0.25f, 0.75f, 0.0f},
        {"values out of range brought into it", "[Difficulty]\ndifficulty = -5\nenemyIntelligenceFactor = 30\n",
         {"Difficulty: difficulty -5 is outside 0.1 to 1, using 0.1", "Difficulty: enemyIntelligenceFactor 30 is outside 0 to 10, using 10"},
         0.1f, 1.0f, 0.1f},
        {"numbers that are not finite give way to the defaults",
         "[Difficulty]\ndifficulty = nan\nenemyIntelligenceFactor = inf\nfriendlyIntelligenceFactor = 2\n",
         {"nan failed lexical cast (not a finite number)", "Config: in " + file + ", section Difficulty, key difficulty",
          "Difficulty: difficulty is not a finite number, using 0.5", "inf failed lexical cast (not a finite number)",
          "Config: in " + file + ", section Difficulty, key enemyIntelligenceFactor",
          "Difficulty: enemyIntelligenceFactor is not a finite number, using 1"},
         0.5f, 0.5f, 1.0f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const std::string path = settings(row.file);
        LogCapture log;
        Difficulty difficulty(path, curves);
        EXPECT_EQ(log.lines(), row.log);
        EXPECT_EQ(Difficulty::getSingletonPtr(), &difficulty);
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(std::vector<float>({difficulty.getDifficulty(), difficulty.getEnemyIntelligence(), difficulty.getFriendlyIntelligence()}),
                  std::vector<float>({row.difficulty, row.enemy, row.friendly}));
    }
    EXPECT_EQ(Difficulty::getSingletonPtr(), nullptr);
    // Low levels are raised to 0.1, nonsense is ignored, and skills never exceed one.
    {
        Difficulty difficulty(settings("[Difficulty]\nenemyIntelligenceFactor = 3\n"), curves);
        for (const auto& [set, got] : {std::pair{0.05f, 0.1f}, {-3.0f, 0.1f}, {std::numeric_limits<float>::quiet_NaN(), 0.1f}, {0.75f, 0.75f}}) {
            SCOPED_TRACE(set);
            difficulty.setDifficulty(set);
            EXPECT_FLOAT_EQ(difficulty.getDifficulty(), got);
        }
        EXPECT_FLOAT_EQ(difficulty.getEnemyIntelligence(), 1.0f);
        EXPECT_EQ(readFile(folder.file("difficulty.cfg")), "[Difficulty]\nenemyIntelligenceFactor = 3\n") << "written before save";
        difficulty.save();
    }
    EXPECT_FLOAT_EQ(Difficulty(folder.file("difficulty.cfg"), curves).getDifficulty(), 0.75f);
    // A value that is no number at all is the file's error, reported by the reader; a missing
    // curve fails too. Neither leaves a singleton.
    EXPECT_ANY_THROW(Difficulty(settings("[Difficulty]\ndifficulty = hard\n"), curves));
    const ResponseCurves otherCurves(Tolvarine::Test::written(folder.file("other.cfg"), "[Another Curve]\n0 = 1\n"));
    LogCapture log;
    EXPECT_THROW(Difficulty(settings(), otherCurves), ConfigurationError);
    EXPECT_TRUE(log.contains("Unknown ResponseCurve: Difficulty Hit Ratio"));
    EXPECT_EQ(Difficulty::getSingletonPtr(), nullptr);
}

TEST_F(DifficultyTest, RecalculationMovesTheFactorsTowardTheDesiredRatioWithinZeroAndTenAndNeedsHitsOnBothSides)
{
    const struct { const char* rule; const char* file; int playerHits, playerShots, enemyHits, enemyShots; float enemyFactor, friendlyFactor; Lines log; } rows[] = {
        // Current ratio 0.75 / 0.5; the curve asks for 1 at difficulty 0.5; the default rate is 0.1.
        {"a player better than desired makes enemies smarter", "", 3, 4, 1, 2, 1.05f, 0.95f,
         {"Recalc difficulty: current ratio is 1.5", "Recalc difficulty: desired ratio is 1",
          "Recalc difficulty: adjusting enemy intelligence factor to 1.05", "Recalc difficulty: adjusting friendly intelligence factor to 0.95"}},
        // Step (1.375 - 0.5) x 0.5 = 0.4375.
        {"a player worse than desired makes friends smarter",
         "difficulty = 0.25\nenemyIntelligenceFactor = 2\nfriendlyIntelligenceFactor = 0.5\nintelligenceAdjustmentRate = 0.5\n",
         1, 4, 1, 2, 1.5625f, 0.9375f, {}},
        // Step (1 - 4) x 1 = -3.
        {"the factors stop at 10 and 0", "enemyIntelligenceFactor = 9.5\nfriendlyIntelligenceFactor = 0.5\nintelligenceAdjustmentRate = 1\n",
         1, 1, 1, 4, 10.0f, 0.0f, {}},
        {"the player never hit", "", 0, 5, 2, 5, 1, 1, {"Statistics::getFactionHitProportion, unknown faction Player"}},
        {"the enemy never fired", "", 2, 5, 0, 0, 1, 1, {"Statistics::getFactionHitProportion, unknown faction Enemy"}},
        {"no statistics", "", 0, 0, 0, 0, 1, 1, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const std::string path = settings((std::string("[Difficulty]\n") + row.file).c_str());
        const std::string before = readFile(path);
        if (row.playerShots == 0)
            statistics.reset();
        else {
            statistics->clear();
            record("Player", row.playerHits, row.playerShots);
            record("Enemy", row.enemyHits, row.enemyShots);
        }
        {
            Difficulty difficulty(path, curves);
            LogCapture log;
            difficulty.recalculate();
            if (!row.log.empty() || row.enemyFactor == 1) {
                EXPECT_EQ(log.lines(), row.log);
            }
            EXPECT_FLOAT_EQ(difficulty.getEnemyIntelligence(), std::min(1.0f, row.enemyFactor * difficulty.getDifficulty()));
            EXPECT_FLOAT_EQ(difficulty.getFriendlyIntelligence(), row.friendlyFactor * difficulty.getDifficulty());
            EXPECT_EQ(readFile(path), before) << "written before save";
            difficulty.save();
        }
        // The adjustment survives a save; without one nothing is written.
        const Difficulty reopened(path, curves);
        if (row.enemyFactor == 1) {
            EXPECT_THROW(reopened.getValue("Difficulty", "enemyIntelligenceFactor"), ConfigurationError);
            continue;
        }
        EXPECT_FLOAT_EQ(reopened.get<float>("Difficulty", "enemyIntelligenceFactor"), row.enemyFactor);
        EXPECT_FLOAT_EQ(reopened.get<float>("Difficulty", "friendlyIntelligenceFactor"), row.friendlyFactor);
    }
}

} // namespace
} // namespace Tolvarine

#include "SurvivalWaves.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

// Runs of the update task at the given elapsed times, with or without enemy ships; the run
// indices at which a wave is sent (timers set back by each wave, as spawnWave does).
TEST(SurvivalWaves, WavesComeAfterThreeSecondsThenEvery180OrFiveAfterTheEnemyIsGone)
{
    const struct { const char* name; float elapsed; bool enemyHasShips; unsigned runs; std::vector<unsigned> due; } rows[] = {
        // 1 s runs: the first wave at the run that passes 3 s (run 3, 4 s after the start).
        {"first wave after 3 s", 1.0f, true, 5, {3}},
        // With enemies alive the next one comes 180 s later: run 3 + 181.
        {"every 180 s while enemies live", 1.0f, true, 190, {3, 184}},
        // With no enemy the cleared timer (5 s) follows. It counts down in the run that sent the
        // first wave, after that wave set it back: 5 runs later, then every 6 runs.
        {"5 s after the enemy is gone", 1.0f, false, 20, {3, 8, 14}},
        {"half-second runs", 0.5f, false, 20, {6, 16}},
        // A run as long as both timers: the 180 s timer's wave, then the cleared-wave timer's.
        {"a run past both timers sends two", 6.0f, false, 1, {0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SurvivalWaves waves;
        std::vector<unsigned> due;
        for (unsigned run = 0; run < row.runs; ++run)
            waves.update(row.elapsed, [&row] { return row.enemyHasShips; }, [&] { due.push_back(run), waves.restartTimers(); });
        EXPECT_EQ(due, row.due);
    }
}

// A wave spends its budget on affordable rows and stops when none is left, whatever the table.
TEST(SurvivalWaves, ComposeSpendsTheBudgetAndNeverDrawsForEver)
{
    const struct { const char* name; std::vector<SurvivalWaves::Row> table; unsigned budget; std::vector<std::string> wave; } rows[] = {
        {"the game's table", SurvivalWaves::defaultTable(), 3, {"trifighter", "trifighter", "trifighter"}},
        {"every row too dear", {{"cruiser", 5}}, 4, {}},
        {"dear row left out once the budget falls", {{"cruiser", 3}, {"fighter", 1}}, 4, {"cruiser", "fighter"}},
        {"free rows are never drawn", {{"ghost", 0}}, 2, {}},
        {"strength of unknown types counts 0", {{"fighter", 2}}, 0, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        unsigned draws = 0;
        // Always the first affordable row; the count of draws is bounded by the budget.
        EXPECT_EQ(SurvivalWaves::compose(row.table, row.budget, [&draws](unsigned) { return ++draws, 0u; }), row.wave);
        EXPECT_LE(draws, row.budget);
    }
    EXPECT_EQ(SurvivalWaves::strength({{"fighter", 2}, {"bomber", 3}}, {"fighter", "bomber", "unknown", "fighter"}), 7u);
}

} // namespace
} // namespace Tolvarine

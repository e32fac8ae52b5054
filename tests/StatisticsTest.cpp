#include "Statistics.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <functional>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;

TEST(Statistics, QueriesPerTypeAndFactionLogWhatTheyDoNotKnow)
{
    // A small battle: the player and a wingman fly for "Player", one enemy fighter shoots back,
    // and a neutral ship fires without ever hitting.
    Statistics stats;
    const struct { const char* faction; bool player; const char* type; int shots; std::vector<unsigned> hits; } battle[] = {
        {"Player", true, "Laser", 3, {10, 5}}, {"Player", true, "Missile", 1, {}}, {"Player", true, "Autocannon", 1, {1}},
        {"Player", false, "Plasma", 2, {}},    {"Enemy", false, "Laser", 4, {7}},   {"Neutral", false, "Plasma", 1, {}}};
    for (const auto& row : battle) {
        for (int i = 0; i < row.shots; ++i)
            stats.recordShot(row.faction, row.player, row.type);
        for (unsigned damage : row.hits)
            stats.recordHit(row.faction, row.player, row.type, damage);
    }
    stats.recordHit("Ghost", false, "Laser", 3); // fired before the last clear, hitting afterwards
    EXPECT_EQ(stats.getProjectileNames(), (Lines{"Autocannon", "Laser", "Missile"}));
    const struct { const char* what; std::function<double()> query; double want; std::string line; } rows[] = {
        {"player laser", [&] { return stats.getPlayerHitProportion("Laser"); }, 2.0 / 3.0, ""},
        {"player laser damage", [&] { return stats.getPlayerDamageInflicted("Laser"); }, 15.0, ""},
        {"enemy laser", [&] { return stats.getFactionHitProportion("Enemy", "Laser"); }, 0.25, ""},
        {"fired, never hit", [&] { return stats.getPlayerHitProportion("Missile"); }, 0.0,
         "Statistics::getHitProportion(b) for unknown projectile Missile"},
        {"damage never done", [&] { return stats.getPlayerDamageInflicted("Missile"); }, 0.0,
         "Statistics::getDamageInflicted for unknown projectile Missile"},
        {"only the AI fired it", [&] { return stats.getPlayerHitProportion("Plasma"); }, 0.0,
         "Statistics::getHitProportion for unknown projectile Plasma"},
        {"faction knows it from shots only", [&] { return stats.getFactionHitProportion("Player", "Plasma"); }, 0.0,
         "Statistics::getHitProportion(b) for unknown projectile Plasma"},
        {"faction never hit", [&] { return stats.getFactionHitProportion("Neutral", ""); }, 0.0,
         "Statistics::getFactionHitProportion, unknown faction Neutral"},
        {"faction never shot", [&] { return stats.getFactionHitProportion("Ghost", ""); }, 0.0,
         "Statistics::getFactionHitProportion(b), unknown faction Ghost"},
        {"no such faction", [&] { return stats.getFactionHitProportion("Nobody", "Laser"); }, 0.0,
         "Statistics::getFactionHitProportion, unknown faction Nobody"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Tolvarine::Test::LogCapture log;
        EXPECT_DOUBLE_EQ(row.query(), row.want);
        EXPECT_EQ(log.lines(), row.line.empty() ? Lines{} : Lines{row.line});
    }
    // Clearing empties every table; counting starts afresh.
    stats.clear();
    EXPECT_TRUE(stats.getProjectileNames().empty());
    stats.recordShot("Enemy", false, "Laser");
    stats.recordShot("Enemy", false, "Laser");
    stats.recordHit("Enemy", false, "Laser", 1);
    EXPECT_DOUBLE_EQ(stats.getFactionHitProportion("Enemy", ""), 0.5);
    // With no shot recorded at all, the overall proportion divides by one; damage totals do not
    // wrap across types.
    Statistics fresh;
    fresh.recordHit("Player", true, "Laser", 3000000000u);
    fresh.recordHit("Player", true, "Missile", 3000000000u);
    EXPECT_DOUBLE_EQ(fresh.getPlayerHitProportion(""), 2.0);
    EXPECT_DOUBLE_EQ(fresh.getPlayerDamageInflicted(""), 6e9);
}

} // namespace
} // namespace Tolvarine

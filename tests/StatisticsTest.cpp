#include "Statistics.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;

// A small battle: the player and a wingman fly for "Player", one enemy fighter shoots back,
// and a neutral ship fires without ever hitting.
void recordBattle(Statistics& stats)
{
    stats.recordShot("Player", true, "Laser");
    stats.recordShot("Player", true, "Laser");
    stats.recordShot("Player", true, "Laser");
    stats.recordHit("Player", true, "Laser", 10);
    stats.recordHit("Player", true, "Laser", 5);
    stats.recordShot("Player", true, "Missile");
    stats.recordShot("Player", true, "Autocannon");
    stats.recordHit("Player", true, "Autocannon", 1);

    stats.recordShot("Player", false, "Plasma");
    stats.recordShot("Player", false, "Plasma");

    for (int i = 0; i < 4; ++i)
        stats.recordShot("Enemy", false, "Laser");
    stats.recordHit("Enemy", false, "Laser", 7);

    stats.recordShot("Neutral", false, "Plasma");
}

TEST(Statistics, NoShotsGiveZeroAndAFullDump)
{
    {
        Statistics stats;
        EXPECT_EQ(&Statistics::getSingleton(), &stats);
    }
    EXPECT_EQ(Statistics::getSingletonPtr(), nullptr);
    Statistics stats;
    Tolvarine::Test::LogCapture log;
    EXPECT_EQ(stats.getPlayerHitProportion(""), 0.0);
    EXPECT_EQ(stats.getPlayerDamageInflicted(""), 0.0);
    EXPECT_TRUE(stats.getProjectileNames().empty());
    EXPECT_TRUE(log.lines().empty()) << "overall queries on empty tables must not log";

    stats.dump();
    EXPECT_EQ(log.lines(), (Lines{"Statistics dump:", "Player hit proportion:\t0", "Player damage:\t0",
                                  "AI hit proportion:\t0", "AI damage:\t0"}));
}

TEST(Statistics, DumpListsPlayerAiAndFactionsThatHit)
{
    Statistics stats;
    recordBattle(stats);
    Tolvarine::Test::LogCapture log;
    stats.dump();
    // Player: 3 hits of 5 shots, 16 damage. AI: 1 hit of 7 shots, 7 damage.
    // "Player" faction: 3 hits of 7 shots (the wingman's misses count); "Neutral" never hit.
    EXPECT_EQ(log.lines(), (Lines{"Statistics dump:", "Player hit proportion:\t0.6", "Player damage:\t16",
                                  "AI hit proportion:\t0.1428571", "AI damage:\t7",
                                  "Enemy hit proportion:\t0.25", "Player hit proportion:\t0.4285714"}));
}

TEST(Statistics, PerTypeProportionsAndDamage)
{
    Statistics stats;
    recordBattle(stats);
    Tolvarine::Test::LogCapture log;

    EXPECT_DOUBLE_EQ(stats.getPlayerHitProportion("Laser"), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(stats.getPlayerDamageInflicted("Laser"), 15.0);
    EXPECT_DOUBLE_EQ(stats.getFactionHitProportion("Enemy", "Laser"), 0.25);
    EXPECT_DOUBLE_EQ(stats.getFactionHitProportion("Player", "Laser"), 2.0 / 3.0);
    EXPECT_TRUE(log.lines().empty());

    // Fired but never hit: the second table misses the type.
    EXPECT_EQ(stats.getPlayerHitProportion("Missile"), 0.0);
    EXPECT_EQ(stats.getPlayerDamageInflicted("Missile"), 0.0);
    // Only the AI fired plasma, so the player's tables do not know it at all.
    EXPECT_EQ(stats.getPlayerHitProportion("Plasma"), 0.0);
    // A faction that knows the type from its shots only.
    EXPECT_EQ(stats.getFactionHitProportion("Player", "Plasma"), 0.0);
    EXPECT_EQ(log.lines(), (Lines{"Statistics::getHitProportion(b) for unknown projectile Missile",
                                  "Statistics::getDamageInflicted for unknown projectile Missile",
                                  "Statistics::getHitProportion for unknown projectile Plasma",
                                  "Statistics::getHitProportion(b) for unknown projectile Plasma"}));

    EXPECT_EQ(stats.getProjectileNames(), (Lines{"Autocannon", "Laser", "Missile"}));
}

TEST(Statistics, UnknownFactionsAndHitsWithoutShots)
{
    Statistics stats;
    recordBattle(stats);
    // A projectile fired before the last clear can still hit afterwards.
    stats.recordHit("Ghost", false, "Laser", 3);
    Tolvarine::Test::LogCapture log;

    EXPECT_EQ(stats.getFactionHitProportion("Neutral", ""), 0.0);
    EXPECT_EQ(stats.getFactionHitProportion("Ghost", ""), 0.0);
    EXPECT_EQ(stats.getFactionHitProportion("Nobody", "Laser"), 0.0);
    EXPECT_EQ(log.lines(), (Lines{"Statistics::getFactionHitProportion, unknown faction Neutral",
                                  "Statistics::getFactionHitProportion(b), unknown faction Ghost",
                                  "Statistics::getFactionHitProportion, unknown faction Nobody"}));

    // With no shot recorded at all, the overall proportion divides by one.
    Statistics fresh;
    fresh.recordHit("Player", true, "Laser", 1);
    fresh.recordHit("Player", true, "Laser", 1);
    fresh.recordHit("Player", true, "Missile", 1);
    EXPECT_DOUBLE_EQ(fresh.getPlayerHitProportion(""), 3.0);
}

TEST(Statistics, DamageTotalsDoNotWrapAcrossTypes)
{
    Statistics stats;
    stats.recordHit("Player", true, "Beam", 3000000000u);
    stats.recordHit("Player", true, "Torpedo", 3000000000u);
    EXPECT_DOUBLE_EQ(stats.getPlayerDamageInflicted(""), 6.0e9);

    Tolvarine::Test::LogCapture log;
    stats.dump();
    ASSERT_GE(log.lines().size(), 3u);
    EXPECT_EQ(log.lines()[2], "Player damage:\t6e+09");
}

TEST(Statistics, ClearEmptiesEveryTable)
{
    Statistics stats;
    recordBattle(stats);
    stats.clear();
    Tolvarine::Test::LogCapture log;

    EXPECT_TRUE(stats.getProjectileNames().empty());
    EXPECT_EQ(stats.getFactionHitProportion("Enemy", ""), 0.0);
    EXPECT_EQ(stats.getPlayerHitProportion("Laser"), 0.0);
    EXPECT_EQ(log.lines(), (Lines{"Statistics::getFactionHitProportion, unknown faction Enemy",
                                  "Statistics::getHitProportion for unknown projectile Laser"}));

    // Counting starts afresh.
    stats.recordShot("Enemy", false, "Laser");
    stats.recordShot("Enemy", false, "Laser");
    stats.recordHit("Enemy", false, "Laser", 1);
    EXPECT_DOUBLE_EQ(stats.getFactionHitProportion("Enemy", ""), 0.5);
}

} // namespace
} // namespace Tolvarine

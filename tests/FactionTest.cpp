#include "Faction.h"

#include "ConfigurationError.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Test::LogCapture;

// With a stand-in for the running scenario that keeps every faction handed to it, in order: five
// ids are handed out smallest first and reused, factions are found by name, enmity is one way and
// a faction is its own side.
TEST(FactionTest, FiveIdsAreHandedOutSmallestFirstReusedAndRelationsGoByIdentity)
{
    std::vector<std::shared_ptr<Faction>> factions;
    Faction::setScenarioLink({[&](std::shared_ptr<Faction> faction) { factions.push_back(std::move(faction)); },
                              [&](const std::string& name) {
                                  for (const auto& faction : factions)
                                      if (faction->getName() == name)
                                          return faction;
                                  return std::shared_ptr<Faction>();
                              }});
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(Faction::create("Side" + std::to_string(i))->getId());
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{256, 512, 1024, 2048, 4096}));
    LogCapture log;
    EXPECT_THROW(Faction::create("Sixth"), ConfigurationError);
    EXPECT_EQ(factions.size(), 5u);
    // When the scenario lets go of 512 and 2048, the next factions get them, smallest first.
    factions.erase(factions.begin() + 1);
    factions.erase(factions.begin() + 2);
    Faction* late = Faction::create("Late");
    EXPECT_EQ(late->getId(), 512u);
    EXPECT_EQ(Faction::create("Later")->getId(), 2048u);
    EXPECT_EQ(Faction::find("Later").get(), factions.back().get());
    EXPECT_EQ(Faction::find("later"), nullptr);
    EXPECT_EQ(log.lines(), (Lines{"Exceeded the allowable number of factions", "Faction::find, no faction named later"}));

    // Another faction of the same name is not the same side; even a faction that counts itself an
    // enemy is its own side.
    Faction* a = factions[0].get();
    Faction* b = factions[1].get();
    Faction twinOf(a->getName(), 3);
    Faction* twin = &twinOf;
    for (Faction* enemy : {b, late, late, a})
        a->addEnemy(*enemy);
    EXPECT_EQ(a->getEnemyMask(), a->getId() | b->getId() | late->getId());
    for (const auto& [other, relation] : {std::pair{a, 0}, {b, 2}, {late, 2}, {twin, 1}})
        EXPECT_EQ(a->relationTo(*other), relation) << other->getName();
    EXPECT_EQ(b->relationTo(*a), 1) << "enmity is one way";
    factions.clear();
    EXPECT_EQ(Faction::freeIdCount(), 5u);

    // Outside a scenario creation fails cleanly, and only an id taken from the pool goes back.
    Faction::setScenarioLink({});
    {
        log.clear();
        EXPECT_THROW(Faction::create("Player"), ConfigurationError);
        EXPECT_EQ(Faction::find("Player"), nullptr);
        EXPECT_EQ(log.lines(), (Lines{"Faction::create, no running scenario to hold faction Player",
                                      "Faction::find, no running scenario to look up faction Player"}));
        Faction pooled("Pooled", 1024);
        EXPECT_EQ(Faction::freeIdCount(), 4u);
        // An id that is not in the pool is used as given, and never added to the pool.
        EXPECT_EQ(Faction("Outside", 3).getId(), 3u);
        Faction again("Again", 1024);
        EXPECT_EQ(Faction::freeIdCount(), 4u);
    }
    EXPECT_EQ(Faction::freeIdCount(), 5u);
    EXPECT_EQ(Faction("Next", 0).getId(), 256u) << "the pool hands out only its own one-bit ids";
}

} // namespace
} // namespace Tolvarine

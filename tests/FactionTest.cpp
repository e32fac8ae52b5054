#include "Faction.h"

#include "ConfigurationError.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Tolvarine::Test::LogCapture;

// A stand-in for the running scenario: it keeps every faction handed to it, in order.
class FactionTest : public ::testing::Test {
protected:
    FactionTest()
    {
        Faction::setScenarioLink({[this](std::shared_ptr<Faction> faction) { factions.push_back(std::move(faction)); },
                                  [this](const std::string& name) {
                                      for (const auto& faction : factions)
                                          if (faction->getName() == name)
                                              return faction;
                                      return std::shared_ptr<Faction>();
                                  }});
    }

    ~FactionTest() override { Faction::setScenarioLink({}); }

    std::vector<std::shared_ptr<Faction>> factions;
};

TEST_F(FactionTest, FiveIdsAreHandedOutSmallestFirstAndReused)
{
    ASSERT_EQ(Faction::freeIdCount(), 5u);
    const std::vector<std::uint32_t> expected{256, 512, 1024, 2048, 4096};
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(Faction::create("Side" + std::to_string(i))->getId());
    EXPECT_EQ(ids, expected);

    // A sixth live faction is refused; nothing is created and the pool stays empty.
    LogCapture log;
    EXPECT_THROW(Faction::create("Sixth"), ConfigurationError);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Exceeded the allowable number of factions"});
    EXPECT_EQ(factions.size(), 5u);

    // When the scenario lets go of the faction with 512, the next faction gets 512, then 2048.
    factions.erase(factions.begin() + 1);
    factions.erase(factions.begin() + 2);
    EXPECT_EQ(Faction::freeIdCount(), 2u);
    EXPECT_EQ(Faction::create("Late")->getId(), 512u);
    EXPECT_EQ(Faction::create("Later")->getId(), 2048u);

    factions.clear();
    EXPECT_EQ(Faction::freeIdCount(), 5u);
}

TEST_F(FactionTest, EnmityIsOneWayAndAFactionIsItself)
{
    Faction* a = Faction::create("A");
    Faction* b = Faction::create("B");
    Faction* c = Faction::create("C");

    // Even a faction that counts itself an enemy is its own side; relations go by identity: another
    // faction of the same name is not the same side.
    Faction* twin = Faction::create("A");
    for (Faction* enemy : {b, c, c, a})
        a->addEnemy(*enemy);
    EXPECT_EQ(a->getEnemyMask(), a->getId() | b->getId() | c->getId());
    const std::pair<Faction*, int> rows[] = {{a, 0}, {b, 2}, {c, 2}, {twin, 1}};
    for (const auto& [other, relation] : rows)
        EXPECT_EQ(a->relationTo(*other), relation) << other->getName();
    EXPECT_EQ(b->relationTo(*a), 1) << "enmity is one way";
    EXPECT_EQ(b->relationTo(*b), 0);
}

TEST_F(FactionTest, NamesAreLookedUpInTheRunningScenario)
{
    Faction* player = Faction::create("Player");
    EXPECT_EQ(Faction::find("Player").get(), player);

    LogCapture log;
    EXPECT_EQ(Faction::find("player"), nullptr);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Faction::find, no faction named player"});
}

TEST(FactionWithoutScenario, CreationAndLookUpFailCleanly)
{
    const std::size_t freeBefore = Faction::freeIdCount();
    LogCapture log;
    EXPECT_THROW(Faction::create("Player"), ConfigurationError);
    EXPECT_EQ(Faction::find("Player"), nullptr);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Faction::create, no running scenario to hold faction Player",
                                                     "Faction::find, no running scenario to look up faction Player"}));
    EXPECT_EQ(Faction::freeIdCount(), freeBefore);
}

TEST(FactionWithGivenId, OnlyAnIdTakenFromThePoolGoesBack)
{
    const std::size_t freeBefore = Faction::freeIdCount();
    {
        Faction pooled("Pooled", 1024);
        EXPECT_EQ(pooled.getId(), 1024u);
        EXPECT_EQ(Faction::freeIdCount(), freeBefore - 1);
        // An id that is not in the pool is used as given, and never added to the pool.
        Faction outside("Outside", 3);
        EXPECT_EQ(outside.getId(), 3u);
        Faction again("Again", 1024);
        EXPECT_EQ(Faction::freeIdCount(), freeBefore - 1);
    }
    EXPECT_EQ(Faction::freeIdCount(), freeBefore);
    // The pool hands out only its own one-bit ids afterwards.
    Faction next("Next", 0);
    EXPECT_EQ(next.getId(), 256u);
}

} // namespace
} // namespace Tolvarine

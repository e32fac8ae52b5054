#include "Formation.h"

#include "CombatWorld.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FormationParts.h"
#include "LogCapture.h"
#include "SteeringDoubles.h"

#include <OgreOverlay.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;
using Role = ShipType::Role;

class Formations : public CombatWorld {
protected:
    Formations() : CombatWorld(RenderingRoot::Kind::Headless) {}

    Formation& formation()
    {
        if (!parts)
            parts = std::make_unique<FormationParts>(scene(), folder.file("formation.cfg"));
        return parts->formation;
    }
    const Config& config()
    {
        formation();
        return parts->config;
    }
    // Members in a vector that never grows past its reserve, so their identity order is theirs.
    Member& member(const std::string& name, Role role, float radius)
    {
        members.reserve(8);
        return members.emplace_back(journal, name, role, radius);
    }
    std::string icons() { return std::string(formation().getFreeIcon()->isVisible() ? "free" : "-") + (formation().getSlavedIcon()->isVisible() ? " slaved" : " -"); }

    // The members outlive the formation, which lets them go when it is destroyed.
    std::vector<std::string> journal;
    std::vector<Member> members;
    std::unique_ptr<FormationParts> parts;
    Faction player{"Player", 0};
};

void expectNear(const Vector3& actual, const Vector3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-3f);
    EXPECT_NEAR(actual.y, expected.y, 1e-3f);
    EXPECT_NEAR(actual.z, expected.z, 1e-3f);
}

TEST_F(Formations, LayoutPutsInterceptorsOnTheInnerRingFightersOnTheTiltedOuterRingAndAtMostTwoCapitalShipsInTheMiddle)
{
    struct Row { const char* name; std::vector<std::pair<Role, float>> ships; bool accepted; std::vector<Vector3> slots; };
    const float d = 16.0f * std::sqrt(0.5f), e = 60.0f * std::sqrt(0.5f);
    const Vector3 untouched(7, 7, 7);
    const Row rows[] = {
        {"a fighter and a lone interceptor: the interceptor in the middle, the fighter on the ring of max(3Rf, 2Rf + 3Ri)",
         {{ShipType::FIGHTER, 5}, {ShipType::INTERCEPTOR, 2}}, true, {Vector3(0, d, d), Vector3::ZERO}},
        {"four interceptors of radius 10: a ring of 25 from -90 degrees",
         {{ShipType::INTERCEPTOR, 10}, {ShipType::INTERCEPTOR, 10}, {ShipType::INTERCEPTOR, 10}, {ShipType::INTERCEPTOR, 10}}, true,
         {Vector3(0, -25, 0), Vector3(25, 0, 0), Vector3(0, 25, 0), Vector3(-25, 0, 0)}},
        {"a capital ship of 100 in the middle pushes two interceptors out to 120",
         {{ShipType::CAPITAL, 100}, {ShipType::INTERCEPTOR, 10}, {ShipType::INTERCEPTOR, 10}}, true,
         {Vector3::ZERO, Vector3(0, -120, 0), Vector3(0, 120, 0)}},
        {"two capital ships side by side at the larger radius; a fighter at 2Rf + Rc",
         {{ShipType::CAPITAL, 50}, {ShipType::CAPITAL, 40}, {ShipType::FIGHTER, 5}}, true,
         {Vector3(-50, 0, 0), Vector3(50, 0, 0), Vector3(0, e, e)}},
        {"three capital ships are refused and nothing is written",
         {{ShipType::CAPITAL, 50}, {ShipType::CAPITAL, 50}, {ShipType::CAPITAL, 50}, {ShipType::FIGHTER, 5}}, false,
         {untouched, untouched, untouched, untouched}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        members.clear();
        Formation::Offsets offsets;
        for (const auto& ship : row.ships)
            offsets[&member("m", ship.first, ship.second)] = untouched;
        LogCapture log;
        EXPECT_EQ(Formation::layout(offsets), row.accepted);
        EXPECT_EQ(log.contains("Too many capital ships in formation"), !row.accepted);
        for (std::size_t i = 0; i < members.size(); ++i)
            expectNear(offsets.at(&members[i]), row.slots[i]);
    }
}

TEST_F(Formations, MembersJoinAndLeaveAndTheSecondToLastLeavingDissolvesTheFormationOnce)
{
    Member& a = member("a", ShipType::INTERCEPTOR, 10);
    Member& b = member("b", ShipType::INTERCEPTOR, 10);
    Member& c = member("c", ShipType::INTERCEPTOR, 10);
    for (Member* m : {&a, &b, &c})
        m->joinFormation(&formation());
    // Toggling the mode while there is no formation flips it and shows nothing.
    formation().toggleMode();
    formation().toggleMode();
    EXPECT_EQ(icons(), "- -");
    EXPECT_EQ(a.offset, Vector3(7, 7, 7));

    formation().activate(&player, Vector3(0, 0, 100), Ogre::Quaternion::IDENTITY);
    EXPECT_EQ(formation().getFaction(), &player);
    EXPECT_EQ(formation().getPrimaryWeaponSystem()->getFaction(), &player);
    EXPECT_FALSE(formation().isInactive());
    EXPECT_EQ(icons(), "free -");
    expectNear(a.offset, Vector3(0, -25, 0));
    expectNear(c.offset, Vector3(25 * std::cos(Ogre::Math::PI * 5 / 6), 25 * std::sin(Ogre::Math::PI * 5 / 6), 0));
    formation().toggleMode();
    EXPECT_TRUE(a.slaved && b.slaved && c.slaved);
    EXPECT_EQ(icons(), "- slaved");

    // The player flies b, then moves to c: b letting go must not release c.
    formation().setControlledMember(&b);
    formation().setControlledMember(&c);
    formation().clearControlledMember(&b);
    EXPECT_EQ(formation().getControlledMember(), &c);
    // The flown ship dies: it leaves, and the formation no longer follows it.
    c.leaveFormation();
    EXPECT_EQ(formation().getControlledMember(), nullptr);
    EXPECT_FALSE(c.slaved);
    expectNear(a.offset, Vector3(0, -25, 0));
    expectNear(b.offset, Vector3(0, 25, 0));

    // One member left alone dissolves the formation; the last member leaves inside that, once.
    journal.clear();
    formation().setControlledMember(&a);
    b.leaveFormation();
    EXPECT_EQ(journal, (std::vector<std::string>{"leave b", "leave a", "left a", "left b"}));
    EXPECT_FALSE(formation().isActive());
    EXPECT_TRUE(formation().isInactive());
    EXPECT_TRUE(formation().getMembers().empty());
    EXPECT_EQ(formation().getControlledMember(), nullptr);
    EXPECT_EQ(formation().getFaction(), nullptr);
    EXPECT_EQ(icons(), "- -");
    // The mode outlives the formation.
    formation().activate(&player, Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    EXPECT_EQ(icons(), "- slaved");
    journal.clear();
    formation().dissolve();
    EXPECT_TRUE(journal.empty());
}

TEST_F(Formations, ThePlayersPickReachesEveryOtherMemberOnceAndOnlySlavedMembersFireWithTheLeader)
{
    Craft leaderShip(config(), 5);
    Craft enemy(config(), 5);
    Member& leader = member("leader", ShipType::FIGHTER, 5);
    Member& wing = member("wing", ShipType::INTERCEPTOR, 3);
    leader.owner = &leaderShip;
    leader.joinFormation(&formation());
    wing.joinFormation(&formation());
    formation().activate(&player, Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    leaderShip.setFocus(true);

    journal.clear();
    leader.setTarget(&enemy);
    EXPECT_EQ(journal, (std::vector<std::string>{"target leader", "target wing"}));
    EXPECT_EQ(wing.target, &enemy);
    formation().setFiringPrimary(true);
    EXPECT_TRUE(wing.firing);
    EXPECT_FALSE(leader.firing);
    leaderShip.setFocus(false);
}

TEST_F(Formations, TheFormationFollowsItsControlledShipAndWithoutFocusOrSideTheKeyOnlyRefreshesTheIcons)
{
    Craft leaderShip(config(), 5);
    Member& leader = member("leader", ShipType::FIGHTER, 5);
    Member& wing = member("wing", ShipType::INTERCEPTOR, 3);
    leader.owner = &leaderShip;
    leader.joinFormation(&formation());
    wing.joinFormation(&formation());
    formation().activate(&player, Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    formation().setControlledMember(&leader);
    const Ogre::Quaternion turned(Ogre::Degree(90), Vector3::UNIT_Y);
    leaderShip.body.setPosition(Vector3(100, 0, 0));
    leaderShip.body.setOrientation(turned);
    leaderShip.body.setLinearVelocity(Vector3(0, 0, -20));
    frame(0.02);
    // The leader sits exactly in its slot: its offset, turned with it, back from the centre.
    expectNear(formation().getPosition() + formation().getOrientation() * leader.offset, Vector3(100, 0, 0));
    EXPECT_TRUE(formation().getOrientation().equals(turned, Ogre::Radian(1e-3f)));
    expectNear(formation().getVelocity(), Vector3(0, 0, -20));
    EXPECT_NEAR(formation().getBoundingRadius(), 0.0f, 1e-6f);

    formation().dissolve();
    // No focused object, then a focused object of a side no running scenario knows.
    struct Stranger : Craft {
        using Craft::Craft;
        Faction* getFaction() override { return side; }
        Faction* side = nullptr;
    } stranger(config(), 5);
    stranger.side = &player;
    for (bool focus : {false, true}) {
        SCOPED_TRACE(focus ? "focus without a scenario" : "no focus");
        stranger.setFocus(focus);
        formation().toggleFormation();
        EXPECT_FALSE(formation().isActive());
        EXPECT_EQ(icons(), "- -");
    }
    stranger.setFocus(false);
}

TEST_F(Formations, ForceControllerWeaponSystemsAndFileErrors)
{
    ForceController& controller = *formation().getForceController();
    const PhysicsBody& body = *formation().getPhysicsBody();
    controller.setForce(Vector3(300, 400, 0), true);
    expectNear(body.getForce(), Vector3(60, 80, 0));
    controller.setForce(Vector3(300, 400, 0), false);
    expectNear(body.getForce(), Vector3(300, 400, 0));
    controller.applyTorque(Vector3(0, 1, 0));
    expectNear(body.getTorque(), Vector3(0, 5, 0));
    controller.setTorque(Vector3(0, 0, 9), true);
    expectNear(body.getTorque(), Vector3(0, 0, 5));
    for (const auto& [value, clamped] : std::vector<std::pair<float, float>>{{7, 5}, {-9, -5}, {3, 3}})
        EXPECT_EQ(clampToLimit(controller, value), clamped) << value;

    WeaponSystem& weapons = *formation().getSecondaryWeaponSystem();
    EXPECT_EQ(weapons.getFarRange(), 1000.0f);
    EXPECT_EQ(weapons.getLaunchSpeed(), 1000.0f);
    EXPECT_EQ(weapons.getBestRange(), 200.0f);
    EXPECT_EQ(weapons.getNearRange(), 0.0f);
    weapons.setFiring(true);
    EXPECT_FALSE(weapons.isFiring());

    // An icon overlay the rendering engine does not know stops the formation being built.
    formation().dissolve();
    parts.reset();
    LogCapture log;
    EXPECT_THROW(FormationParts(scene(), folder.file("broken.cfg"), "NoSuchIcon"), ConfigurationError);
    EXPECT_TRUE(log.contains("Formation: no overlay \"NoSuchIcon\" for freeIconOverlay"));
}

} // namespace
} // namespace Tolvarine::Test

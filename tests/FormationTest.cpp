#include "Formation.h"

#include "CombatWorld.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FormationParts.h"
#include "LogCapture.h"
#include "SteeringDoubles.h"

#include <OgreOverlay.h>
#include <gtest/gtest.h>

#include <deque>
#include <iterator>
#include <tuple>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;
constexpr ShipType::Role I = ShipType::INTERCEPTOR, F = ShipType::FIGHTER, C = ShipType::CAPITAL;

class Formations : public CombatWorld {
protected:
    Formations() : CombatWorld(RenderingRoot::Kind::Headless) { members.reserve(8); }
    Formation& formation()
    {
        if (!parts)
            parts = std::make_unique<FormationParts>(scene(), folder.file("formation.cfg"));
        return parts->formation;
    }
    // Kept in a vector that never grows past its reserve, so their identity order is theirs.
    Member& member(const std::string& name, ShipType::Role role, float radius, Controllable* owner = nullptr)
    {
        members.emplace_back(journal, name, role, radius).owner = owner;
        if (parts)
            members.back().joinFormation(&formation());
        return members.back();
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
    EXPECT_LT(actual.distance(expected), 1e-3f) << actual << " != " << expected;
}

TEST_F(Formations, MembersJoinAndLeaveAndTheSecondToLastLeavingDissolvesTheFormationOnce)
{
    formation().toggleMode();
    EXPECT_EQ(icons(), "- -");
    Member& a = member("a", I, 10);
    Member& b = member("b", I, 10);
    Member& c = member("c", I, 10);
    formation().activate(&player, Vector3(0, 0, 100), Ogre::Quaternion::IDENTITY);
    EXPECT_EQ(formation().getPrimaryWeaponSystem()->getFaction(), &player);
    EXPECT_EQ(icons(), "- slaved");
    expectNear(c.offset, 25 * Vector3(std::cos(Ogre::Math::PI * 5 / 6), std::sin(Ogre::Math::PI * 5 / 6), 0));
    formation().toggleMode();
    EXPECT_EQ(icons(), "free -");

    // The player moves from b to c: b letting go must not release c. Then c dies and leaves.
    formation().setControlledMember(&b);
    formation().setControlledMember(&c);
    formation().clearControlledMember(&b);
    EXPECT_EQ(formation().getControlledMember(), &c);
    c.leaveFormation();
    EXPECT_EQ(formation().getControlledMember(), nullptr);
    expectNear(b.offset, Vector3(0, 25, 0));

    // One member left alone dissolves the formation, which it leaves inside that, once.
    journal.clear();
    formation().setControlledMember(&a);
    b.leaveFormation();
    EXPECT_EQ(journal, (std::vector<std::string>{"leave b", "leave a", "left a", "left b"}));
    EXPECT_TRUE(!formation().isActive() && formation().isInactive() && formation().getMembers().empty());
    EXPECT_EQ(formation().getControlledMember(), nullptr);
    EXPECT_EQ(formation().getFaction(), nullptr);
    EXPECT_EQ(icons(), "- -");

    // Two capital ships sit either side of the middle at the larger radius; three are refused.
    Member c1(journal, "c1", C, 50), c2(journal, "c2", C, 60), c3(journal, "c3", C, 70);
    Formation::Offsets two{{&c1, Vector3::ZERO}, {&c2, Vector3::ZERO}};
    EXPECT_TRUE(Formation::layout(two));
    expectNear(two.at(&c1) + two.at(&c2), Vector3::ZERO);
    expectNear(Vector3(std::abs(two.at(&c1).x), two.at(&c1).y, two.at(&c1).z), Vector3(60, 0, 0));
    Formation::Offsets three{{&c1, Vector3::ZERO}, {&c2, Vector3::ZERO}, {&c3, Vector3::ZERO}};
    LogCapture log;
    EXPECT_FALSE(Formation::layout(three));
    EXPECT_TRUE(log.contains("Too many capital ships in formation"));
}

TEST_F(Formations, TheFormationFollowsThePlayersShipAndPassesItsPickAndFireToTheOthersOnce)
{
    Craft flown((formation(), parts->config), 5), enemy((formation(), parts->config), 5);
    Member& leader = member("leader", F, 5, &flown);
    Member& wing = member("wing", I, 3);
    formation().activate(&player, Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    formation().setControlledMember(&leader);
    const Ogre::Quaternion turned(Ogre::Degree(90), Vector3::UNIT_Y);
    flown.body.setPosition(Vector3(100, 0, 0));
    flown.body.setOrientation(turned);
    flown.body.setLinearVelocity(Vector3(0, 0, -20));
    frame(0.02);
    expectNear(formation().getPosition() + turned * leader.offset, Vector3(100, 0, 0));
    EXPECT_TRUE(formation().getOrientation().equals(turned, Ogre::Radian(1e-3f)));
    expectNear(formation().getVelocity(), Vector3(0, 0, -20));

    flown.setFocus(true);
    journal.clear();
    leader.setTarget(&enemy);
    formation().setFiringPrimary(true);
    EXPECT_EQ(journal, (std::vector<std::string>{"target leader", "target wing"}));
    EXPECT_TRUE(wing.firing && !leader.firing);

    // The key with a focused object of no faction, or of one no running scenario knows.
    formation().dissolve();
    formation().dissolve(); // a second time: nothing
    struct Sided : Craft {
        using Craft::Craft;
        Faction* getFaction() override { return side; }
        Faction* side = nullptr;
    } sided((formation(), parts->config), 5);
    for (Faction* side : {static_cast<Faction*>(nullptr), &player}) {
        sided.side = side;
        sided.setFocus(true);
        formation().toggleFormation();
        EXPECT_EQ(icons(), "- -");
    }
    sided.setFocus(false);
}

TEST_F(Formations, TheForceControllerDrivesTheBodyWithinItsLimitsAndAMissingIconStopsTheBuild)
{
    ForceController& controller = *formation().getForceController();
    const PhysicsBody& body = *formation().getPhysicsBody();
    controller.setForce(Vector3(300, 400, 0), true);
    expectNear(body.getForce(), Vector3(60, 80, 0));
    controller.setTorque(Vector3(0, 0, 9), true);
    expectNear(body.getTorque(), Vector3(0, 0, 5));
    for (const auto& [value, clamped] : std::vector<std::pair<float, float>>{{7, 5}, {-9, -5}, {3, 3}})
        EXPECT_EQ(clampToLimit(controller, value), clamped) << value;
    WeaponSystem& weapons = *formation().getSecondaryWeaponSystem();
    EXPECT_EQ(std::vector<float>({weapons.getFarRange(), weapons.getLaunchSpeed(), weapons.getBestRange(), weapons.getNearRange()}),
              std::vector<float>({1000, 1000, 200, 0}));

    parts.reset();
    EXPECT_TRUE(logged(failsWith<ConfigurationError>([this] { FormationParts(scene(), folder.file("broken.cfg"), "NoSuchIcon"); }),
                       "Formation: no overlay \"NoSuchIcon\" for freeIconOverlay"));
}

// Fleets of every size get slots with no ship inside another; a role whose ring the rules already
// give room keeps the radius they give it.
TEST(FormationLayout, KeepsEveryShipApartAndTheRingsThatFitWhereTheyAre)
{
    struct Row {
        const char* name;
        unsigned interceptors, fighters, capitals;
        float ri, rf, rc;
        // The distance from the centre of every member of a role whose ring fits (0: not checked).
        float keptRi, keptRf, keptRc;
    };
    // The shipped ships' bounding radii: Kestrel 9, Trifighter 7, Bastion 85.
    const Row rows[] = {
        {"ten fighters, one more than the ring holds", 0, 10, 0, 0, 7, 0, 0, 0, 0},
        {"eight interceptors, one more than the ring holds", 8, 0, 0, 9, 0, 0, 0, 0, 0},
        {"two interceptors keep their ring inside 400 fighters", 2, 400, 0, 9, 7, 0, 22.5f, 0, 0},
        {"interceptors far larger than the fighters", 4, 4, 0, 20, 1, 0, 50, 0, 0},
        {"two capital ships keep their places beside three fighters", 0, 3, 2, 0, 7, 85, 0, 0, 85},
        {"three capital ships, refused by the formation", 0, 0, 3, 0, 0, 85, 0, 0, 0},
        {"a thousand capital ships with their escort", 12, 40, 1000, 9, 7, 85, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> journal;
        std::deque<Member> members;
        Formation::Offsets offsets;
        for (const auto& [count, role, radius] : {std::tuple(row.interceptors, I, row.ri), std::tuple(row.fighters, F, row.rf),
                                                  std::tuple(row.capitals, C, row.rc)}) {
            for (unsigned i = 0; i < count; ++i)
                offsets[&members.emplace_back(journal, "m", role, radius)] = Vector3::ZERO;
        }
        EXPECT_EQ(Formation::layout(offsets), row.capitals <= 2);

        unsigned meeting = 0;
        for (auto a = offsets.begin(); a != offsets.end(); ++a) {
            for (auto b = std::next(a); b != offsets.end(); ++b)
                meeting += a->second.distance(b->second) < 0.9999f * (a->first->getBoundingRadius() + b->first->getBoundingRadius());
        }
        EXPECT_EQ(meeting, 0u);
        for (Member& member : members) {
            const float kept = member.role == I ? row.keptRi : member.role == F ? row.keptRf : row.keptRc;
            if (kept > 0) {
                EXPECT_NEAR(offsets.at(&member).length(), kept, 1e-3f);
            }
        }
    }
}

} // namespace
} // namespace Tolvarine::Test

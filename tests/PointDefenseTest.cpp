// Point defence with the game's own beam and seeker missile.

#include "CombatWorld.h"
#include "Faction.h"
#include "GuidedProjectile.h"
#include "PointDefenseBeamWeapon.h"
#include "PointDefenseWeaponSystem.h"
#include "TargetingDoubles.h"

#include <gtest/gtest.h>

#include <cmath>


namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

// A still capital ship, turned half round, that hands the threats it is told of to its defence.
class Hull : public TestShip {
public:
    Hull(const Config& type, Journal& journal) : TestShip("hull", type, journal, {false, false})
    {
        body.setPosition(Vector3(500, 0, 0));
        body.setOrientation(Quaternion(0, 0, 1, 0));
    }
    void addThreat(GuidedProjectile* missile) override { defence->addThreat(missile); }
    void removeThreat(GuidedProjectile* missile) override { defence->removeThreat(missile); }

    PointDefenseWeaponSystem* defence = nullptr;
};

// Two beams: "Front" at the bow looking ahead, whose direction of length 2 with limitDot 0.5 gives
// a cone of 75.5 degrees (cosine above 0.25), "Top" on the deck covering the half-space above it;
// range 100.
const char* const SYSTEM = "[PointDefense]\nautomatic = 0\nguided = 0\nfarRange = 100\nnearRange = 0\n"
                           "bestRange = 50\nfireThreshold = 0.9\nfirePeriod = 1\nupdatePeriod = 0.25\n"
                           "updateVariance = 0\nweapon_0 = Front\nweapon_1 = Top\n"
                           "[Front]\ntype = point_defense\nposition = (0 0 -10)\ndirection = (0 0 -2)\nlimitDot = 0.5\n"
                           "[Top]\ntype = point_defense\nposition = (0 5 0)\ndirection = (0 1 0)\nlimitDot = 0\n"
                           "[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n";

class PointDefenseTest : public ShippedCombatWorld {
protected:
    PointDefenseTest()
    {
        if (!root)
            return;
        type = std::make_unique<Config>(written(folder.file("hull.cfg"), SYSTEM));
        hull = std::make_unique<Hull>(*type, journal);
        // The beams hang under a node that keeps the hull's pose, as a ship's do.
        Ogre::SceneNode* node = scene().getRootSceneNode()->createChildSceneNode(hull->getPosition(), hull->getOrientation());
        defence = std::make_unique<PointDefenseWeaponSystem>(hull.get(), node, *type, "PointDefense");
        hull->defence = defence.get();
        defence->activate(&ours);
    }
    ~PointDefenseTest() override
    {
        FireableProjectile::unloadTypes();
        defence.reset();
    }

    // A missile of the other side at a point of the hull's frame, homing on the hull.
    GuidedProjectile* missileAt(const Vector3& local)
    {
        auto* missile = dynamic_cast<GuidedProjectile*>(FireableProjectile::create("seeker_missile"));
        missile->launch(&theirs, false, hull->getPosition() + hull->getOrientation() * local,
                        Vector3::ZERO, Quaternion::IDENTITY, 40.0f, hull.get());
        return missile;
    }

    std::unique_ptr<Config> type;
    Journal journal;
    std::unique_ptr<Hull> hull;
    std::unique_ptr<PointDefenseWeaponSystem> defence;
    Faction ours{"Player", 0};
    Faction theirs{"Enemy", 0};
};

// Only a missile inside a beam's cone and nearer than the range is shot, and then struck off; two
// beams take two missiles in turn, each its first, and the shots blow the missiles up. One out of
// reach keeps the task polling; dying, it leaves the list (every entry) and the task.
TEST_F(PointDefenseTest, ABeamShootsOnlyInsideItsConeAndRangeAndStrikesTheMissileOff)
{
    // Off the bow beam's mount, in the hull's level plane (below the deck beam's half-space).
    const auto offBow = [](float degrees, float distance) {
        const float angle = Ogre::Degree(degrees).valueRadians();
        return Vector3(std::sin(angle), 0, -std::cos(angle)) * distance + Vector3(0, 0, -10);
    };
    const struct { const char* name; Vector3 local; } misses[] = {{"just outside the cone", offBow(76, 50)},
                                                                  {"just beyond the range", offBow(0, 100.5f)}};
    for (const auto& row : misses) {
        SCOPED_TRACE(row.name);
        GuidedProjectile* missile = missileAt(row.local);
        defence->addThreat(missile);
        defence->addThreat(missile);
        EXPECT_EQ(defence->getThreats(), (std::list<GuidedProjectile*>{missile, missile}));
        EXPECT_TRUE(defence->isEngaging() && defence->getBeams()[0]->reload() >= 1.0f && defence->getBeams()[1]->reload() >= 1.0f);
        missile->destroy();
        EXPECT_TRUE(defence->getThreats().empty());
        EXPECT_FALSE(defence->isEngaging());
    }
    // The standard firing has no target; a target outside the cone is refused.
    defence->setFiring(true);
    EXPECT_FALSE(defence->getBeams()[0]->fire(nullptr));
    EXPECT_FALSE(defence->getBeams()[0]->fire(missileAt({0, 0, 50})));
    // Above the bow: in both cones. The bow beam takes the first, the deck beam, next, the second.
    for (const float height : {30.0f, 40.0f}) {
        defence->addThreat(missileAt({0, height, -40}));
        EXPECT_TRUE(defence->getThreats().empty());
        EXPECT_EQ(defence->getBeams()[1]->reload() >= 1.0f, height < 35.0f) << height;
    }
    EXPECT_LT(defence->getBeams()[0]->reload(), 1.0f);
    run(0.5);
    EXPECT_EQ(1u, FireableProjectile::getPools().getPool("seeker_missile")->getLiveCount()) << "the one behind";
    // Switched off (its ship leaves play), it forgets the missiles it listed and aimed at: they may
    // be deleted before its next life, when the projectile types are read again.
    GuidedProjectile* outOfReach = missileAt({0, 0, 500});
    defence->addThreat(outOfReach);
    defence->setTarget(outOfReach);
    defence->deactivate();
    EXPECT_TRUE(defence->getThreats().empty());
    EXPECT_EQ(defence->getTarget(), nullptr);
    // Announced while switched off: listed, not engaged; switching on starts afresh.
    defence->addThreat(missileAt({0, 0, -40}));
    EXPECT_FALSE(defence->isEngaging());
    defence->activate(&ours);
    EXPECT_TRUE(defence->getThreats().empty());
    // A pass over an empty list has struck nothing off: it asks to go on.
    EXPECT_TRUE(defence->update(0.0f));
    // The cone is the direction as given: 70 degrees off the bow, past the 60 degrees of a cosine
    // of 0.5, lies inside the bow beam's cone.
    defence->addThreat(missileAt(offBow(70, 50)));
    EXPECT_TRUE(defence->getThreats().empty());
}

} // namespace
} // namespace Tolvarine::Test

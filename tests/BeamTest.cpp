#include "Beam.h"
#include "BeamBillboard.h"
#include "CombatDoubles.h"
#include "CombatWorld.h"
#include "ConfigurationError.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "LogCapture.h"

#include <OgreSceneNode.h>
#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

using Ogre::ColourValue;
using Ogre::Quaternion;
using Ogre::Vector3;

std::string beamType(const std::string& more = "")
{
    return "[Factory]\npoolSize = 1\n[Fireable]\nbeam = 1\nguidedBeam = 0\ndirectDamage = 8\nsplashDamage = 2.5\n"
           "shock = 4\nimpactImpulse = 6\nrange = 50\nexplosionGroup = Nowhere\ntimeToLive = 1\n"
           "updatePeriod = 0.125\nupdateVariance = 0\nbeamColour = (1 0.5 0.25 1)\nmaterialName = BaseWhite\n"
           "beamSize = 2\nexplosionSpeedProportion = 0\nexplosionBounceSpeedProportion = 0\n" + more +
           "[Physics]\nmass = 0.1\n[Collision_Geometry]\ntype = ray\nlength = 50\n";
}

class BeamTest : public CombatWorld {
protected:
    BeamTest() : CombatWorld(RenderingRoot::Kind::Headless)
    {
        if (!root)
            return;
        frame(1.0 / 32);
    }

    Beam& take(const std::string& type = beamType())
    {
        writeProjectileType("lance", type);
        FireableProjectile::loadTypes(entities());
        return dynamic_cast<Beam&>(*FireableProjectile::create("lance"));
    }
    static std::size_t liveCount() { return FireableProjectile::getPools().getPool("lance")->getLiveCount(); }

    Faction faction{"Player", 0};
};

TEST_F(BeamTest, ABeamIsAStripThatFadesHitsOncePerLifeAndNeedsAFaction)
{
    Beam& beam = take();
    // As long as the range along -z from the node on, and never found by scene queries.
    const BeamBillboard& strip = beam.getBillboard();
    EXPECT_EQ(beam.getSceneNode(), strip.getParentSceneNode());
    EXPECT_EQ(Vector3(0, 0, -50), strip.getEnd());
    EXPECT_EQ(0u, strip.getQueryFlags());
    EXPECT_TRUE(strip.getBoundingBox().isInfinite()); // never culled
    beam.launch(&faction, true, Vector3(1, 2, 3), Vector3(50, 0, 0), Quaternion::IDENTITY, 300.0f, nullptr);
    EXPECT_EQ(1u, liveCount());
    // It stays where it was fired and does not move.
    EXPECT_EQ(Vector3(1, 2, 3), beam.getPhysicsBody().getPosition());
    EXPECT_EQ(Vector3::ZERO, beam.getPhysicsBody().getVelocity());

    EXPECT_TRUE(beam.update(0.25f));
    EXPECT_EQ(ColourValue(0.75f, 0.375f, 0.1875f, 0.75f), beam.getBillboard().getColour());
    // A hit is scaled by the life left and only the first contact counts; the explosion of the
    // unknown group fails cleanly after the damage.
    ExplosionManager explosions(this->explosions());
    RecordingListener first;
    RecordingListener second;
    EXPECT_THROW(beam.collide(&first, 3, Vector3(1, 2, 3), Vector3::UNIT_Y), ConfigurationError);
    EXPECT_FALSE(beam.collide(&second, 0, Vector3::ZERO, Vector3::UNIT_Y));
    EXPECT_TRUE(second.damage.empty());
    ASSERT_EQ(1u, first.damage.size());
    const DamageRecord& hit = first.damage[0];
    EXPECT_EQ((std::vector<float>{6, 1.875f, 3}),
              (std::vector<float>{hit.directDamage, hit.splashDamage, hit.shock}));
    EXPECT_TRUE(beam.update(0.5f));
    EXPECT_FALSE(beam.update(0.25f));
    EXPECT_EQ(0u, liveCount());
    // A second end changes nothing.
    beam.deactivate(TAKEN_OUT);
    EXPECT_EQ(1u, FireableProjectile::getPools().getPool("lance")->getFreeCount());

    // Launched again while live, it starts a new life, live once; its update task ends it.
    beam.launch(&faction, false, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 0.0f, nullptr);
    run(0.5);
    beam.launch(&faction, false, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 0.0f, nullptr);
    EXPECT_EQ(0.0f, beam.getAge());
    EXPECT_FALSE(beam.hasHit()); // a new life may hit again
    EXPECT_EQ(1u, liveCount());
    run(0.75);
    EXPECT_TRUE(beam.isLive());
    run(0.5);
    EXPECT_FALSE(beam.isLive());
    EXPECT_EQ(0u, liveCount());

    // Without a faction the launch is refused and the beam goes back to its pool.
    LogCapture log;
    take().launch(nullptr, false, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 0, nullptr);
    EXPECT_TRUE(log.contains("Beam::launch, lance launched without a faction"));
    EXPECT_EQ(0u, liveCount());

    // A guided beam points at its target, or keeps its orientation when the target is on it.
    const Quaternion aim = Beam::aimAt(Vector3(10, 0, 0), Vector3(10, 5, 0), Quaternion::IDENTITY);
    EXPECT_TRUE((aim * Vector3::NEGATIVE_UNIT_Z).positionEquals(Vector3::UNIT_Y, 1e-5f));
    const Quaternion kept(Ogre::Degree(30), Vector3::UNIT_Y);
    EXPECT_EQ(kept, Beam::aimAt(Vector3::UNIT_X, Vector3::UNIT_X, kept));
}

// A beam with no time to live strikes as one of a very short life does, at full strength, and
// ends at its first update, however little time has passed; its strength and colour, which divide
// by its time to live, never become NaN.
TEST_F(BeamTest, ABeamWithNoTimeToLiveStrikesAtFullStrengthAndEndsAtItsFirstUpdate)
{
    std::string flash = beamType();
    flash.replace(flash.find("timeToLive = 1"), 14, "timeToLive = 0");
    Beam& beam = take(flash);
    beam.launch(&faction, true, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 0.0f, nullptr);
    EXPECT_EQ(1.0f, beam.getStrength());
    ExplosionManager explosions(this->explosions());
    RecordingListener struck;
    EXPECT_THROW(beam.collide(&struck, 0, Vector3::ZERO, Vector3::UNIT_Y), ConfigurationError); // no such group
    ASSERT_EQ(1u, struck.damage.size());
    EXPECT_EQ((std::vector<float>{8, 2.5f, 4}),
              (std::vector<float>{struck.damage[0].directDamage, struck.damage[0].splashDamage, struck.damage[0].shock}));
    EXPECT_EQ(ColourValue(1, 0.5f, 0.25f, 1), beam.getBillboard().getColour());
    EXPECT_FALSE(beam.update(0.0f));
    EXPECT_FALSE(beam.isLive());
    EXPECT_EQ(ColourValue(1, 0.5f, 0.25f, 1), beam.getBillboard().getColour());
}

} // namespace
} // namespace Tolvarine::Test

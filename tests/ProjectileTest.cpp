#include "CombatDoubles.h"
#include "CombatWorld.h"
#include "ComplexProjectile.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "LogCapture.h"
#include "Projectile.h"
#include "Scenario.h"
#include "TestMeshes.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreControllerManager.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::CombatWorld;
using Test::createMesh;
using Test::DamageRecord;
using Test::LogCapture;
using Test::RecordingListener;
using Test::RenderingRoot;
using Test::sphereShape;
using Test::TargetBody;
using Test::writeFile;

constexpr DisableTime OWN_END = static_cast<DisableTime>(1);

// A bolt of the given "Fireable" keys; the required ones are filled in unless the text has them.
std::string boltType(const std::string& keys, const std::string& more = "")
{
    std::string text = "[Factory]\npoolSize = 1\n[Fireable]\n" + keys;
    const std::vector<std::pair<std::string, std::string>> defaults = {
        {"directDamage", "2.7"}, {"splashDamage", "0"}, {"shock", "1.5"}, {"impactImpulse", "4"},
        {"explosionGroup", "Plasma"}, {"timeToLive", "1"}, {"damageType", "Plasma"},
        {"explosionSpeedProportion", "0.5"}, {"explosionBounceSpeedProportion", "0.25"}};
    for (const auto& entry : defaults) {
        if (keys.find(entry.first + " =") == std::string::npos)
            text += entry.first + " = " + entry.second + "\n";
    }
    return text + "[Physics]\nmass = 0.5\n[Collision_Geometry]\ntype = ray\nlength = 2\n" + more;
}

// The same type with a pool that starts empty, so that loading builds no object.
std::string unpooled(std::string type)
{
    return type.replace(type.find("poolSize = 1"), 12, "poolSize = 0");
}

class ProjectileTest : public CombatWorld {
protected:
    ProjectileTest() : CombatWorld(RenderingRoot::Kind::Headless)
    {
        if (!root)
            return;
        // Runs the scheduler once, so that the next passes have a frame time.
        frame(1.0 / 32);
    }

    Projectile& take(const std::string& name)
    {
        return dynamic_cast<Projectile&>(*FireableProjectile::create(name));
    }
    void launch(Projectile& shot, const Vector3& position = Vector3::ZERO,
                const Quaternion& orientation = Quaternion::IDENTITY, float speed = 100.0f)
    {
        shot.launch(&faction, true, position, Vector3(7, 8, 9), orientation, speed, nullptr);
    }
    static std::size_t liveCount(const std::string& name)
    {
        return FireableProjectile::getPools().getPool(name)->getLiveCount();
    }
    static std::size_t freeCount(const std::string& name)
    {
        return FireableProjectile::getPools().getPool(name)->getFreeCount();
    }

    Faction faction{"Player", 0};
};

TEST_F(ProjectileTest, ConstructionNamesTheObjectAndBuildsItsBillboardsOutOfReachOfQueries)
{
    writeProjectileType("bolt", boltType("billboardSet = 1\nbillboardMaterial = BaseWhite\nbillboardSize = 3\n"
                                         "billboardColour = (1 0.5 0.25 1)\n",
                                         "[Particles]\nposition0 = (0 0 0)\nposition1 = (0 0 2)\ncolour = 1\n"));
    writeProjectileType("plain", boltType(""));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    Projectile& plain = take("plain");

    const std::string boltName = bolt.getSceneNode()->getName();
    const std::string plainName = plain.getSceneNode()->getName();
    ASSERT_EQ(0u, boltName.rfind("Fireable", 0));
    ASSERT_EQ(0u, plainName.rfind("Fireable", 0));
    EXPECT_EQ(std::stoul(boltName.substr(8)) + 1, std::stoul(plainName.substr(8)));
    EXPECT_EQ(nullptr, plain.getBillboardSet());

    Ogre::BillboardSet* set = bolt.getBillboardSet();
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(boltName + "/ProjectileBS", set->getName());
    EXPECT_EQ(bolt.getSceneNode(), set->getParentSceneNode());
    EXPECT_EQ(0u, set->getQueryFlags());
    EXPECT_EQ("BaseWhite", set->getMaterialName());
    EXPECT_FLOAT_EQ(3.0f, set->getDefaultWidth());
    EXPECT_FLOAT_EQ(3.0f, set->getDefaultHeight());
    // One billboard per key naming a position, in key order; other keys only size the set.
    ASSERT_EQ(2, set->getNumBillboards());
    EXPECT_EQ(3u, set->getPoolSize());
    EXPECT_EQ(Vector3(0, 0, 2), set->getBillboard(1)->getPosition());
    EXPECT_EQ(Ogre::ColourValue(1, 0.5f, 0.25f, 1), set->getBillboard(0)->getColour());
    EXPECT_EQ(PLASMA, bolt.getDamageType());
    EXPECT_EQ("Plasma", bolt.getExplosionGroup());
}

TEST_F(ProjectileTest, AnUnknownBillboardMaterialIsLoggedAndLeavesNothingBehind)
{
    writeProjectileType("bolt", boltType("billboardSet = 1\nbillboardMaterial = Nowhere\nbillboardSize = 3\n"
                                         "billboardColour = (1 1 1 1)\n"));
    LogCapture log;
    EXPECT_THROW(FireableProjectile::loadTypes(entities()), ConfigurationError);
    EXPECT_TRUE(log.contains("Projectile type bolt: unknown material Nowhere"));
    EXPECT_FALSE(FireableProjectile::hasType("bolt"));
    EXPECT_TRUE(scene().getMovableObjects("BillboardSet").empty());
}

TEST_F(ProjectileTest, LaunchRecordsTheShotAndFliesStraightAtItsSpeedWithoutTheFirersVelocity)
{
    writeProjectileType("bolt", boltType("timeToLive = 0.5\n"));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    const Quaternion turned(Ogre::Degree(90), Vector3::UNIT_Y);
    launch(bolt, Vector3(1, 2, 3), turned, 64.0f);

    EXPECT_TRUE(bolt.isInFlight());
    EXPECT_TRUE(bolt.isActive());
    EXPECT_EQ(&faction, bolt.getFaction());
    EXPECT_EQ(scene().getRootSceneNode(), bolt.getSceneNode()->getParent());
    // Turned 90 degrees about y, the bolt's forward (-z) is world -x.
    EXPECT_TRUE(bolt.getPhysicsBody().getVelocity().positionEquals(Vector3(-64, 0, 0), 1e-3f));
    EXPECT_EQ(std::vector<std::string>{"bolt"}, statistics.getProjectileNames());

    frame(1.0 / 32);
    // About 2 units in the frame, as far as whole world steps go.
    const Vector3 moved = bolt.getSceneNode()->getPosition();
    EXPECT_EQ(bolt.getPhysicsBody().getPosition(), moved);
    EXPECT_LT(moved.x, 1.0f - 1.5f);
    EXPECT_GT(moved.x, 1.0f - 2.5f);
    EXPECT_NEAR(2.0f, moved.y, 1e-4f);
    EXPECT_NEAR(3.0f, moved.z, 1e-4f);

    // Its life ends "timeToLive" seconds after the launch, and it is back in its pool.
    run(0.375);
    EXPECT_TRUE(bolt.isInFlight());
    run(0.25);
    EXPECT_FALSE(bolt.isInFlight());
    EXPECT_FALSE(bolt.isActive());
    EXPECT_EQ(nullptr, bolt.getSceneNode()->getParent());
    EXPECT_EQ(0u, liveCount("bolt"));
    EXPECT_EQ(1u, freeCount("bolt"));
}

TEST_F(ProjectileTest, ALaunchWithoutFactionOrWithAnEndlessSpeedIsRefusedAndTheShotGoesBack)
{
    writeProjectileType("bolt", boltType(""));
    FireableProjectile::loadTypes(entities());
    LogCapture log;

    Projectile& bolt = take("bolt");
    bolt.launch(nullptr, true, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 10.0f, nullptr);
    EXPECT_TRUE(log.contains("Projectile::launch, bolt launched without a faction"));
    EXPECT_FALSE(bolt.isInFlight());
    EXPECT_FALSE(bolt.isActive());
    EXPECT_EQ(0u, liveCount("bolt"));

    Projectile& again = take("bolt");
    again.launch(&faction, true, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY,
                 std::numeric_limits<float>::infinity(), nullptr);
    EXPECT_TRUE(log.contains("Projectile::launch, bolt launched at a speed that is not a finite number"));
    EXPECT_FALSE(again.isActive());
    EXPECT_EQ(0u, liveCount("bolt"));
    EXPECT_EQ(1u, freeCount("bolt"));
    EXPECT_TRUE(statistics.getProjectileNames().empty());
}

TEST_F(ProjectileTest, TheEndOfAGameReturnsEveryShotInFlightToItsPool)
{
    writeProjectileType("bolt", boltType(""));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    launch(bolt);
    Scenario::releasePooledObjects();
    EXPECT_FALSE(bolt.isInFlight());
    EXPECT_EQ(0u, liveCount("bolt"));
    EXPECT_EQ(1u, freeCount("bolt"));
}

TEST_F(ProjectileTest, ALaunchInFlightStartsANewLifeThatTheOldTimeoutCannotEnd)
{
    writeProjectileType("bolt", boltType("timeToLive = 1\n"));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    launch(bolt);
    run(0.5);
    launch(bolt, Vector3(0, 0, 50));
    EXPECT_EQ(1u, liveCount("bolt"));
    EXPECT_EQ(0u, freeCount("bolt"));
    EXPECT_TRUE(bolt.isInFlight());

    // The first life would have ended here.
    run(0.75);
    EXPECT_TRUE(bolt.isInFlight());
    run(0.5);
    EXPECT_FALSE(bolt.isInFlight());
    EXPECT_EQ(0u, liveCount("bolt"));
    EXPECT_EQ(1u, freeCount("bolt"));
}

TEST_F(ProjectileTest, AHitRecordsTruncatedDamageHandsItOnAndPushesAlongTheFlight)
{
    // It flies on through bodies that do not make every shot explode.
    writeProjectileType("bolt", boltType("alwaysTriggerOnCollision = 0\nshock = 1.5\n"));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    const Quaternion turned(Ogre::Degree(90), Vector3::UNIT_X);
    launch(bolt, Vector3::ZERO, turned, 40.0f);

    RecordingListener hull;
    EXPECT_FALSE(bolt.collide(&hull, 7, Vector3(1, 2, 3), Vector3::UNIT_Y));
    EXPECT_TRUE(bolt.isInFlight());
    EXPECT_EQ(1.0, statistics.getPlayerHitProportion("bolt"));
    EXPECT_EQ(2.0, statistics.getPlayerDamageInflicted("bolt"));

    ASSERT_EQ(1u, hull.damage.size());
    const DamageRecord& hit = hull.damage[0];
    EXPECT_EQ(Vector3(1, 2, 3), hit.position);
    EXPECT_TRUE(hit.velocity.positionEquals(bolt.getPhysicsBody().getVelocity()));
    EXPECT_EQ(7, hit.component);
    EXPECT_FLOAT_EQ(2.7f, hit.directDamage);
    EXPECT_FLOAT_EQ(0.0f, hit.splashDamage);
    EXPECT_FLOAT_EQ(1.5f, hit.shock);
    EXPECT_EQ(PLASMA, hit.damageType);

    // The impulse of 4 along the flight (turned about x, forward is world +y), as a force for one
    // world step.
    ASSERT_EQ(1u, hull.pushes.size());
    EXPECT_TRUE(hull.pushes[0].force.positionEquals(physics.impulseToForce(Vector3(0, 4, 0)), 1e-3f));
    EXPECT_EQ(Vector3(1, 2, 3), hull.pushes[0].position);

    // A second body hit on the way counts again.
    EXPECT_FALSE(bolt.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Y));
    EXPECT_EQ(2u, hull.damage.size());
    EXPECT_EQ(4.0, statistics.getPlayerDamageInflicted("bolt"));
    // Two hits of one shot.
    EXPECT_EQ(2.0, statistics.getPlayerHitProportion("bolt"));
}

TEST_F(ProjectileTest, HitDamageIsTruncatedAndNeverNegative)
{
    EXPECT_EQ(2u, Projectile::hitDamage(2.7f, 0.0f));
    EXPECT_EQ(3u, Projectile::hitDamage(2.7f, 0.5f));
    EXPECT_EQ(0u, Projectile::hitDamage(-5.0f, 1.0f));
    EXPECT_EQ(0u, Projectile::hitDamage(std::nanf(""), 1.0f));
    EXPECT_EQ(std::numeric_limits<unsigned>::max(), Projectile::hitDamage(1e20f, 0.0f));
}

TEST_F(ProjectileTest, ABodyThatTriggersEveryShotMakesItExplodeAndAnUnknownGroupEndsTheShotCleanly)
{
    writeProjectileType("bolt", boltType("alwaysTriggerOnCollision = 0\nexplosionGroup = Nowhere\n"));
    FireableProjectile::loadTypes(entities());
    // A manager without explosion types knows no group.
    ExplosionManager explosions(this->explosions());
    Projectile& bolt = take("bolt");
    launch(bolt);

    RecordingListener trigger(Projectile::TRIGGER_BIT);
    LogCapture log;
    EXPECT_THROW(bolt.collide(&trigger, 0, Vector3::ZERO, Vector3::UNIT_Z), ConfigurationError);
    EXPECT_TRUE(log.contains("There is no group called Nowhere"));
    // Damage and push came first; the shot is over and back in its pool.
    EXPECT_EQ(1u, trigger.damage.size());
    EXPECT_EQ(1u, trigger.pushes.size());
    EXPECT_FALSE(bolt.isInFlight());
    EXPECT_EQ(0u, liveCount("bolt"));
}

TEST_F(ProjectileTest, AShotEndedByItsTimeoutIgnoresALaterContactOfTheSameStep)
{
    writeProjectileType("bolt", boltType(""));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    launch(bolt);

    EXPECT_FALSE(bolt.timeout(1.0f));
    RecordingListener hull(Projectile::TRIGGER_BIT);
    EXPECT_FALSE(bolt.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    EXPECT_TRUE(hull.damage.empty());
    bolt.deactivate(OWN_END);
    // Back in the pool once.
    EXPECT_EQ(1u, freeCount("bolt"));
    EXPECT_EQ(0u, liveCount("bolt"));
    EXPECT_EQ(&bolt, &take("bolt"));
    EXPECT_EQ(0u, freeCount("bolt"));
}

TEST_F(ProjectileTest, AHitThatEndsTheFlightThroughTheDamageStopsThere)
{
    writeProjectileType("bolt", boltType(""));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    launch(bolt);
    // The damage destroys the last ship and the scenario ends, taking every shot out of play.
    RecordingListener hull(Projectile::TRIGGER_BIT);
    hull.onDamage = [] { FireableProjectile::releaseAll(); };
    EXPECT_FALSE(bolt.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    EXPECT_TRUE(hull.pushes.empty());
    EXPECT_EQ(1u, freeCount("bolt"));
}

TEST_F(ProjectileTest, AProjectileAnswersAsAHarmlessObjectThatNeverMakesAPhysicalContact)
{
    writeProjectileType("bolt", boltType(""));
    FireableProjectile::loadTypes(entities());
    Projectile& bolt = take("bolt");
    EXPECT_EQ(0, bolt.getCollisionType());
    EXPECT_EQ(0, bolt.getComponentIndex("anything"));
    // Not in flight: no contact counts.
    RecordingListener hull;
    EXPECT_FALSE(bolt.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    EXPECT_TRUE(hull.damage.empty());
}

class PushTest : public ProjectileTest, public ::testing::WithParamInterface<float> {};

// The push of a hit is the impulse of the type, whatever the frame rate.
TEST_P(PushTest, AHitChangesTheVelocityOfTheBodyByItsImpulseOverItsMass)
{
    createMesh("ball.mesh", "Core", sphereShape(6, 8, 1.0f));
    writeFile(folder.file("ball.cfg"), "[Physics]\nmass = 8\n[Display]\nmesh = ball.mesh\n"
                                             "[Collision_Geometry]\ntype = sphere\nradius = 1\n");
    const Config targetType(folder.file("ball.cfg"));
    TargetBody target(scene(), "Ball", targetType);
    target.place(Vector3::ZERO);

    writeProjectileType("slug", boltType("alwaysTriggerOnCollision = 0\nimpactImpulse = 12\n"));
    FireableProjectile::loadTypes(entities());
    Projectile& slug = take("slug");
    launch(slug, Vector3(0, 0, 30));
    slug.collide(&target, 0, Vector3(0, 0, 1), Vector3::UNIT_Z);

    const float frameTime = GetParam();
    physics.update(frameTime, frameTime);
    EXPECT_NEAR(-12.0f / 8.0f, target.getPhysicsBody().getVelocity().z, 1e-3f);
    EXPECT_NEAR(0.0f, target.getPhysicsBody().getVelocity().x, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(FrameRates, PushTest, ::testing::Values(1.0f / 120, 1.0f / 60, 1.0f / 15));

// Particle systems run on controllers, which a rendering engine without a render system lacks.
class ComplexProjectileTest : public ProjectileTest {
protected:
    ComplexProjectileTest()
    {
        if (!Ogre::ControllerManager::getSingletonPtr())
            controllers = std::make_unique<Ogre::ControllerManager>();
    }
    ~ComplexProjectileTest() override { FireableProjectile::unloadTypes(); }

    std::unique_ptr<Ogre::ControllerManager> controllers;
};

TEST_F(ComplexProjectileTest, GlowAndTrailAreBuiltOnlyWhenTheTypeAsksForThem)
{
    Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Trail", "Core");
    writeProjectileType("plain", boltType("complex = 1\nglowSize = 0\n"));
    writeProjectileType("glowing", boltType("complex = 1\nglowSize = 5\nglowMaterial = BaseWhite\n"
                                            "glowColour = (0 1 0 1)\nparticleSystem = Test/Trail\n"
                                            "billboardSet = 1\nbillboardMaterial = BaseWhite\nbillboardSize = 1\n"
                                            "billboardColour = (1 1 1 1)\n",
                                            "[Particles]\nposition = (0 0 0)\n"));
    writeProjectileType("white", boltType("complex = 1\nglowSize = 2\nglowMaterial = BaseWhite\n"));
    FireableProjectile::loadTypes(entities());

    // "glowSize" 0 reads no "glowMaterial", and an absent "particleSystem" makes no trail.
    auto& plain = dynamic_cast<ComplexProjectile&>(*FireableProjectile::create("plain"));
    EXPECT_EQ(nullptr, plain.getGlowSet());
    EXPECT_EQ(nullptr, plain.getParticleSystem());

    auto& glowing = dynamic_cast<ComplexProjectile&>(*FireableProjectile::create("glowing"));
    const std::string node = glowing.getSceneNode()->getName();
    Ogre::BillboardSet* glow = glowing.getGlowSet();
    ASSERT_NE(nullptr, glow);
    EXPECT_EQ(node + "/GlowBS", glow->getName());
    EXPECT_EQ(glowing.getSceneNode(), glow->getParentSceneNode());
    EXPECT_EQ(0u, glow->getQueryFlags());
    EXPECT_FLOAT_EQ(5.0f, glow->getDefaultWidth());
    ASSERT_EQ(1, glow->getNumBillboards());
    EXPECT_EQ(Vector3::ZERO, glow->getBillboard(0)->getPosition());
    EXPECT_EQ(Ogre::ColourValue(0, 1, 0, 1), glow->getBillboard(0)->getColour());
    Ogre::ParticleSystem* trail = glowing.getParticleSystem();
    ASSERT_NE(nullptr, trail);
    EXPECT_EQ(node + "/PS", trail->getName());
    EXPECT_EQ(glowing.getSceneNode(), trail->getParentSceneNode());
    EXPECT_EQ(0u, trail->getQueryFlags());
    // The projectile's own billboards stay beside the glow.
    ASSERT_NE(nullptr, glowing.getBillboardSet());
    EXPECT_EQ(1, glowing.getBillboardSet()->getNumBillboards());

    auto& white = dynamic_cast<ComplexProjectile&>(*FireableProjectile::create("white"));
    EXPECT_EQ(Ogre::ColourValue::White, white.getGlowSet()->getBillboard(0)->getColour());
    EXPECT_EQ(nullptr, white.getParticleSystem());

    // It flies and ends as a plain projectile does.
    glowing.launch(&faction, false, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 10.0f, nullptr);
    EXPECT_TRUE(glowing.isInFlight());
    glowing.deactivate(OWN_END);
    EXPECT_EQ(1u, freeCount("glowing"));
}

TEST_F(ComplexProjectileTest, AnUnknownTrailOrGlowMaterialIsLoggedAndLeavesNoEffectBehind)
{
    writeProjectileType("smoky", unpooled(boltType("complex = 1\nglowSize = 2\nglowMaterial = BaseWhite\n"
                                                   "particleSystem = Nowhere/Trail\n")));
    writeProjectileType("dark", unpooled(boltType("complex = 1\nglowSize = 2\nglowMaterial = Nowhere\n")));
    LogCapture log;
    FireableProjectile::loadTypes(entities());
    EXPECT_THROW(FireableProjectile::createByKind("smoky"), ConfigurationError);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(0u, log.lines().back().rfind("Projectile type smoky: no particle system of the template Nowhere/Trail: ", 0))
        << log.lines().back();
    EXPECT_THROW(FireableProjectile::createByKind("dark"), ConfigurationError);
    EXPECT_TRUE(log.contains("Projectile type dark: unknown material Nowhere"));
    // Neither left a glow set in the scene.
    for (const auto& entry : scene().getMovableObjects("BillboardSet"))
        ADD_FAILURE() << "left behind: " << entry.first;
}

} // namespace
} // namespace Tolvarine

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
    // Loads the one type "bolt" of the given keys and takes a bolt from its pool.
    Projectile& bolt(const std::string& keys = "")
    {
        writeProjectileType("bolt", boltType(keys));
        FireableProjectile::loadTypes(entities());
        return take("bolt");
    }
    void launch(Projectile& shot, const Vector3& position = Vector3::ZERO,
                const Quaternion& orientation = Quaternion::IDENTITY, float speed = 100.0f)
    {
        shot.launch(&faction, true, position, Vector3(7, 8, 9), orientation, speed, nullptr);
    }
    // Live and idle shots of a type.
    static std::pair<std::size_t, std::size_t> counts(const std::string& name = "bolt")
    {
        const auto* pool = FireableProjectile::getPools().getPool(name);
        return {pool->getLiveCount(), pool->getFreeCount()};
    }
    const std::pair<std::size_t, std::size_t> idle{0, 1};

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
    ASSERT_EQ(0u, boltName.rfind("Fireable", 0));
    EXPECT_EQ("Fireable" + std::to_string(std::stoul(boltName.substr(8)) + 1), plain.getSceneNode()->getName());
    EXPECT_EQ(nullptr, plain.getBillboardSet());

    Ogre::BillboardSet* set = bolt.getBillboardSet();
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(boltName + "/ProjectileBS", set->getName());
    EXPECT_EQ(bolt.getSceneNode(), set->getParentSceneNode());
    EXPECT_EQ(0u, set->getQueryFlags());
    EXPECT_FLOAT_EQ(3.0f, set->getDefaultHeight());
    // One billboard per key naming a position, in key order; other keys only size the set.
    ASSERT_EQ(2, set->getNumBillboards());
    EXPECT_EQ(3u, set->getPoolSize());
    EXPECT_EQ(Vector3(0, 0, 2), set->getBillboard(1)->getPosition());
    EXPECT_EQ(Ogre::ColourValue(1, 0.5f, 0.25f, 1), set->getBillboard(0)->getColour());
    EXPECT_EQ(PLASMA, bolt.getDamageType());
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
    Projectile& shot = bolt("timeToLive = 0.5\n");
    launch(shot, Vector3(1, 2, 3), Quaternion(Ogre::Degree(90), Vector3::UNIT_Y), 64.0f);
    EXPECT_TRUE(shot.isActive());
    EXPECT_EQ(scene().getRootSceneNode(), shot.getSceneNode()->getParent());
    EXPECT_EQ(std::vector<std::string>{"bolt"}, statistics.getProjectileNames());

    // Turned 90 degrees about y, the bolt's forward (-z) is world -x: about 2 units in the frame,
    // as far as whole world steps go.
    frame(1.0 / 32);
    const Vector3 moved = shot.getSceneNode()->getPosition();
    EXPECT_EQ(shot.getPhysicsBody().getPosition(), moved);
    EXPECT_LT(moved.x, 1.0f - 1.5f);
    EXPECT_GT(moved.x, 1.0f - 2.5f);
    EXPECT_TRUE(Vector3(2, 3, 0).positionEquals(Vector3(moved.y, moved.z, 0), 1e-4f));

    // Its life ends "timeToLive" seconds after the launch, and it is back in its pool.
    run(0.375);
    EXPECT_TRUE(shot.isInFlight());
    run(0.25);
    EXPECT_FALSE(shot.isInFlight());
    EXPECT_FALSE(shot.isActive());
    EXPECT_EQ(nullptr, shot.getSceneNode()->getParent());
    EXPECT_EQ(idle, counts());
}

TEST_F(ProjectileTest, ALaunchWithoutFactionOrWithAnEndlessSpeedIsRefusedAndTheShotGoesBack)
{
    writeProjectileType("bolt", boltType(""));
    FireableProjectile::loadTypes(entities());
    LogCapture log;
    const std::pair<Faction*, float> launches[] = {{nullptr, 10.0f},
                                                   {&faction, std::numeric_limits<float>::infinity()}};
    for (const auto& [firer, speed] : launches) {
        SCOPED_TRACE(speed);
        Projectile& shot = take("bolt");
        shot.launch(firer, true, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, speed, nullptr);
        EXPECT_FALSE(shot.isActive());
        EXPECT_EQ(idle, counts());
    }
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Projectile::launch, bolt launched without a faction",
                               "Projectile::launch, bolt launched at a speed that is not a finite number"}));
    EXPECT_TRUE(statistics.getProjectileNames().empty());
}

TEST_F(ProjectileTest, ALaunchInFlightStartsANewLifeThatTheOldTimeoutCannotEnd)
{
    Projectile& shot = bolt("timeToLive = 1\n");
    launch(shot);
    run(0.5);
    launch(shot, Vector3(0, 0, 50));
    EXPECT_EQ(std::make_pair(std::size_t(1), std::size_t(0)), counts());
    // The first life would have ended here.
    run(0.75);
    EXPECT_TRUE(shot.isInFlight());
    run(0.5);
    EXPECT_FALSE(shot.isInFlight());
    EXPECT_EQ(idle, counts());

    // The end of a game returns every shot in flight to its pool.
    launch(take("bolt"));
    Scenario::releasePooledObjects();
    EXPECT_FALSE(shot.isInFlight());
    EXPECT_EQ(idle, counts());
}

TEST_F(ProjectileTest, AHitRecordsTruncatedDamageHandsItOnAndPushesAlongTheFlight)
{
    // It flies on through bodies that do not make every shot explode.
    Projectile& shot = bolt("alwaysTriggerOnCollision = 0\nshock = 1.5\n");
    launch(shot, Vector3::ZERO, Quaternion(Ogre::Degree(90), Vector3::UNIT_X), 40.0f);
    // A shot answers as a harmless object that never makes a physical contact.
    EXPECT_EQ(0, shot.getCollisionType());

    RecordingListener hull;
    EXPECT_FALSE(shot.collide(&hull, 7, Vector3(1, 2, 3), Vector3::UNIT_Y));
    EXPECT_TRUE(shot.isInFlight());
    ASSERT_EQ(1u, hull.damage.size());
    const DamageRecord& hit = hull.damage[0];
    EXPECT_EQ(Vector3(1, 2, 3), hit.position);
    EXPECT_TRUE(hit.velocity.positionEquals(shot.getPhysicsBody().getVelocity()));
    EXPECT_EQ(7, hit.component);
    EXPECT_FLOAT_EQ(2.7f, hit.directDamage);
    EXPECT_FLOAT_EQ(1.5f, hit.shock);
    EXPECT_EQ(PLASMA, hit.damageType);
    // The impulse of 4 along the flight (turned about x, forward is world +y), as a force for one
    // world step.
    ASSERT_EQ(1u, hull.pushes.size());
    EXPECT_TRUE(hull.pushes[0].force.positionEquals(physics.impulseToForce(Vector3(0, 4, 0)), 1e-3f));

    // A second body hit on the way counts again: two hits of one shot, truncated damage.
    EXPECT_FALSE(shot.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Y));
    EXPECT_EQ(4.0, statistics.getPlayerDamageInflicted("bolt"));
    EXPECT_EQ(2.0, statistics.getPlayerHitProportion("bolt"));
}

TEST(HitDamage, FollowsItsRules)
{
    struct Row {
        const char* rule;
        float direct, splash;
        unsigned want;
    };
    const Row rows[] = {{"truncates", 2.7f, 0.0f, 2},
                        {"adds the splash", 2.7f, 0.5f, 3},
                        {"never negative", -5.0f, 1.0f, 0},
                        {"NaN counts 0", std::nanf(""), 1.0f, 0},
                        {"saturates", 1e20f, 0.0f, std::numeric_limits<unsigned>::max()}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        EXPECT_EQ(r.want, Projectile::hitDamage(r.direct, r.splash));
    }
}

TEST_F(ProjectileTest, ABodyThatTriggersEveryShotMakesItExplodeAndAnUnknownGroupEndsTheShotCleanly)
{
    Projectile& shot = bolt("alwaysTriggerOnCollision = 0\nexplosionGroup = Nowhere\n");
    // A manager without explosion types knows no group.
    ExplosionManager explosions(this->explosions());
    launch(shot);
    RecordingListener trigger(Projectile::TRIGGER_BIT);
    LogCapture log;
    EXPECT_THROW(shot.collide(&trigger, 0, Vector3::ZERO, Vector3::UNIT_Z), ConfigurationError);
    EXPECT_TRUE(log.contains("There is no group called Nowhere"));
    // Damage and push came first; the shot is over and back in its pool.
    EXPECT_EQ(1u, trigger.damage.size());
    EXPECT_EQ(1u, trigger.pushes.size());
    EXPECT_EQ(idle, counts());
}

TEST_F(ProjectileTest, AShotEndedByItsTimeoutOrByItsOwnDamageIgnoresWhatFollowsInTheStep)
{
    Projectile& shot = bolt();
    // Not in flight: no contact counts.
    RecordingListener hull(Projectile::TRIGGER_BIT);
    EXPECT_FALSE(shot.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    launch(shot);
    EXPECT_FALSE(shot.timeout(1.0f));
    EXPECT_FALSE(shot.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    EXPECT_TRUE(hull.damage.empty());
    shot.deactivate(OWN_END);
    // Back in the pool once.
    EXPECT_EQ(idle, counts());
    EXPECT_EQ(&shot, &take("bolt"));
    EXPECT_EQ(0u, counts().second);

    // The damage destroys the last ship and the scenario ends, taking every shot out of play:
    // the hit stops there, without a push.
    launch(shot);
    hull.onDamage = [] { FireableProjectile::releaseAll(); };
    EXPECT_FALSE(shot.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    EXPECT_TRUE(hull.pushes.empty());
    EXPECT_EQ(idle, counts());
}

struct FrameRow {
    const char* name;
    std::vector<float> frames;
};
void PrintTo(const FrameRow& row, std::ostream* out)
{
    *out << row.name;
}

class PushTest : public ProjectileTest, public ::testing::WithParamInterface<FrameRow> {};

// The push of a hit is the impulse of the type, whatever the frame rate: also when the first
// frames are too short for a world step, or take no time at all.
TEST_P(PushTest, AHitChangesTheVelocityOfTheBodyByItsImpulseOverItsMass)
{
    createMesh("ball.mesh", "Core", sphereShape(6, 8, 1.0f));
    writeFile(folder.file("ball.cfg"), "[Physics]\nmass = 8\n[Display]\nmesh = ball.mesh\n"
                                       "[Collision_Geometry]\ntype = sphere\nradius = 1\n");
    const Config targetType(folder.file("ball.cfg"));
    TargetBody target(scene(), "Ball", targetType);
    target.place(Vector3::ZERO);
    Projectile& slug = bolt("alwaysTriggerOnCollision = 0\nimpactImpulse = 12\n");
    launch(slug, Vector3(0, 0, 30));
    slug.collide(&target, 0, Vector3(0, 0, 1), Vector3::UNIT_Z);
    for (float frameTime : GetParam().frames)
        physics.update(frameTime, frameTime);
    EXPECT_NEAR(-12.0f / 8.0f, target.getPhysicsBody().getVelocity().z, 1e-3f);
    EXPECT_NEAR(0.0f, target.getPhysicsBody().getVelocity().x, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(FrameRates, PushTest,
                         ::testing::Values(FrameRow{"At120Hz", {1.0f / 120}}, FrameRow{"At60Hz", {1.0f / 60}},
                                           FrameRow{"At15Hz", {1.0f / 15}}, FrameRow{"At10Hz", {0.1f}},
                                           FrameRow{"InTwoShortFrames", {0.003f, 0.003f}},
                                           FrameRow{"AfterAnEmptyFrame", {0.0f, 0.005f}}),
                         [](const auto& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(0u, glow->getQueryFlags());
    EXPECT_FLOAT_EQ(5.0f, glow->getDefaultWidth());
    EXPECT_EQ(Ogre::ColourValue(0, 1, 0, 1), glow->getBillboard(0)->getColour());
    Ogre::ParticleSystem* trail = glowing.getParticleSystem();
    ASSERT_NE(nullptr, trail);
    EXPECT_EQ(node + "/PS", trail->getName());
    EXPECT_EQ(glowing.getSceneNode(), trail->getParentSceneNode());
    EXPECT_EQ(0u, trail->getQueryFlags());
    // The projectile's own billboards stay beside the glow.
    ASSERT_NE(nullptr, glowing.getBillboardSet());
    auto& white = dynamic_cast<ComplexProjectile&>(*FireableProjectile::create("white"));
    EXPECT_EQ(Ogre::ColourValue::White, white.getGlowSet()->getBillboard(0)->getColour());

    // It flies and ends as a plain projectile does.
    glowing.launch(&faction, false, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 10.0f, nullptr);
    EXPECT_TRUE(glowing.isInFlight());
    glowing.deactivate(OWN_END);
    EXPECT_EQ(idle, counts("glowing"));
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

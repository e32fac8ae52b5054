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


namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Counts = std::pair<std::size_t, std::size_t>;

// A bolt of the given "Fireable" keys before the defaults (the first of a repeated key counts).
std::string boltType(const std::string& keys, const std::string& more = "", const char* poolSize = "1")
{
    return std::string("[Factory]\npoolSize = ") + poolSize + "\n[Fireable]\n" + keys
         + "directDamage = 2.7\nsplashDamage = 0\nshock = 1.5\nimpactImpulse = 4\n"
           "explosionGroup = Plasma\ntimeToLive = 1\ndamageType = Plasma\n"
           "explosionSpeedProportion = 0.5\nexplosionBounceSpeedProportion = 0.25\n"
           "[Physics]\nmass = 0.5\n[Collision_Geometry]\ntype = ray\nlength = 2\n" + more;
}

class ProjectileTest : public CombatWorld {
protected:
    // Particle systems run on controllers, which a rendering engine without a render system lacks.
    ProjectileTest() : CombatWorld(RenderingRoot::Kind::Headless)
    {
        if (!root)
            return;
        if (!Ogre::ControllerManager::getSingletonPtr())
            controllers = std::make_unique<Ogre::ControllerManager>();
        frame(1.0 / 32); // so that the next passes have a frame time
    }
    ~ProjectileTest() override { FireableProjectile::unloadTypes(); } // while the controllers last

    template <typename Kind = Projectile> static Kind& take(const std::string& name)
    {
        return dynamic_cast<Kind&>(*FireableProjectile::create(name));
    }
    // Loads the one type "bolt" of the given keys and takes a bolt from its pool.
    Projectile& bolt(const std::string& keys = "")
    {
        writeProjectileType("bolt", boltType(keys));
        FireableProjectile::loadTypes(entities());
        return take("bolt");
    }
    void launch(Projectile& shot, const Vector3& at = Vector3::ZERO, const Quaternion& turn = Quaternion::IDENTITY,
                float speed = 100.0f)
    {
        shot.launch(&faction, true, at, Vector3(7, 8, 9), turn, speed, nullptr);
    }
    // Live and idle shots of a type.
    static Counts counts(const std::string& name = "bolt")
    {
        const auto* pool = FireableProjectile::getPools().getPool(name);
        return {pool->getLiveCount(), pool->getFreeCount()};
    }

    const Counts idle{0, 1};
    Faction faction{"Player", 0};
    std::unique_ptr<Ogre::ControllerManager> controllers;
};

// Every projectile type is checked for what its flight needs as it loads, also one whose pool
// starts empty: a NaN time to live stalled every task of the game, and a body that one step of its
// damping sends flying aborts the physics. A time to live of 0 (a shot that ends at once), a
// period below 0 (an update at every pass) and a tiny body play, and load.
TEST_F(ProjectileTest, TypesAreCheckedForWhatTheirFlightNeedsWhateverTheirPoolSize)
{
    const struct { const char* rule; const char* keys; const char* more; const char* line; const char* section; const char* key; } rows[] = {
        {"a NaN time to live", "timeToLive = nan\n", "", "Failed lexical cast (not a finite number)", "Fireable", "timeToLive"},
        {"a body damped past its motion", "", "[Physics]\nvelocityDecay = 400\n",
         "PhysicsBody: mass 0.5 in section Physics is too light for velocityDecay 400: it must be at least 1 "
         "(velocityDecay times the physics step of 0.005 s, halved)", "Physics", "mass"},
        {"no time to live", "timeToLive = 0\n", "", nullptr, "", ""},
        // Beyond half the float range the renderer's box of the billboards passes it.
        {"billboards wider than the renderer draws", "billboardSet = 1\nbillboardMaterial = BaseWhite\nbillboardSize = 2e38\n"
         "billboardColour = (1 1 1 1)\n", "", "billboardSize 2e+38 lies beyond 1.70141e+38 either way, the longest length the "
         "renderer can draw", "Fireable", "billboardSize"},
        {"a beam updated at every pass", "beam = 1\nupdatePeriod = -1\nupdateVariance = 0\nguidedBeam = 0\nrange = 100\n"
         "beamColour = (1 1 1 1)\nmaterialName = BaseWhite\nbeamSize = 1\n", "", nullptr, "", ""},
        {"a tiny body", "", "[Physics]\nmassRadius = 0.001\n", nullptr, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        writeProjectileType("bolt", boltType(row.keys, row.more, "0"));
        LogCapture log;
        if (row.line) {
            EXPECT_ANY_THROW(FireableProjectile::loadTypes(entities()));
            EXPECT_EQ(log.lines(), (std::vector<std::string>{row.line, "Config: in " + entities() + "/bolt.fireable, section "
                                                                          + row.section + ", key " + row.key}));
        } else {
            EXPECT_NO_THROW(FireableProjectile::loadTypes(entities()));
            EXPECT_EQ(log.lines(), std::vector<std::string>{});
        }
        EXPECT_EQ(FireableProjectile::hasType("bolt"), !row.line);
        FireableProjectile::unloadTypes();
    }
}

TEST_F(ProjectileTest, BillboardsGlowAndTrailAreBuiltOutOfReachOfQueriesAndUnknownOnesAreRefusedAtLoad)
{
    Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Trail", "Core");
    LogCapture log;
    EXPECT_THROW(FireableProjectile::loadTypes(folder.file("nowhere")), ConfigurationError);
    EXPECT_TRUE(log.contains("FireableProjectile: cannot read the projectile folder "
                             + folder.file("nowhere")));
    // Their pools start empty, so their first objects would be built at a shot in the middle of a
    // battle: unknown materials and templates are refused as the types load, with the file's place.
    const std::string dark = boltType("complex = 1\nglowSize = 2\nglowMaterial = Nowhere\nbillboardSet = 1\n"
                                      "billboardMaterial = BaseWhite\nbillboardSize = 3\nbillboardColour = (1 1 1 1)\n",
                                      "", "0");
    const struct { const char* type; std::string text; const char* line; const char* key; } refused[] = {
        {"bolt",
         boltType("billboardSet = 1\nbillboardMaterial = Nowhere\nbillboardSize = 3\nbillboardColour = (1 1 1 1)\n",
                  "", "0"),
         "Projectile type bolt: unknown material Nowhere", "billboardMaterial"},
        {"smoky",
         boltType("complex = 1\nglowSize = 2\nglowMaterial = BaseWhite\nparticleSystem = Nowhere/Trail\n", "", "0"),
         "Projectile type smoky: no particle system of the template Nowhere/Trail: ", "particleSystem"},
        {"dark", dark, "Projectile type dark: unknown material Nowhere", "glowMaterial"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.type);
        writeProjectileType(row.type, row.text);
        log.clear();
        EXPECT_THROW(FireableProjectile::loadTypes(entities()), ConfigurationError);
        ASSERT_EQ(2u, log.lines().size()) << ::testing::PrintToString(log.lines());
        EXPECT_EQ(0u, log.lines()[0].rfind(row.line, 0)) << log.lines()[0];
        EXPECT_EQ("Config: in " + entities() + "/" + row.type + ".fireable, section Fireable, key " + row.key,
                  log.lines()[1]);
        EXPECT_FALSE(FireableProjectile::hasType(row.type));
        for (const char* extension : {".fireable", ".fireablex"})
            std::filesystem::remove(entities() + "/" + row.type + extension);
    }
    // The constructor refuses through the same reader, and leaves nothing behind.
    Config darkType(written(folder.file("dark.fireable"), dark));
    EXPECT_THROW(ComplexProjectile(darkType, "dark"), ConfigurationError);
    EXPECT_TRUE(scene().getMovableObjects("BillboardSet").empty());

    writeProjectileType("plain", boltType("complex = 1\nglowSize = 0\n", "", "0"));
    writeProjectileType("glowing", boltType("complex = 1\nglowSize = 5\nglowMaterial = BaseWhite\nglowColour = (0 1 0 1)\n"
                                            "particleSystem = Test/Trail\nbillboardSet = 1\nbillboardMaterial = BaseWhite\n"
                                            "billboardSize = 3\nbillboardColour = (1 0.5 0.25 1)\n",
                                            "[Particles]\nposition0 = (0 0 0)\nposition1 = (0 0 2)\ncolour = 1\n", "0"));
    writeProjectileType("odd", boltType("damageType = plasma\n", "", "0"));
    FireableProjectile::loadTypes(entities());
    EXPECT_EQ(CONVENTIONAL, take("odd").getDamageType());
    EXPECT_TRUE(log.contains("Unknown damage type string: plasma"));
    EXPECT_EQ(BEAM, FireableProjectile::parseDamageType("Beam"));

    auto& glowing = take<ComplexProjectile>("glowing");
    // "glowSize" 0 reads no "glowMaterial", and an absent "particleSystem" makes no trail.
    auto& plain = take<ComplexProjectile>("plain");
    EXPECT_FALSE(plain.getGlowSet() || plain.getParticleSystem() || plain.getBillboardSet());
    const std::string node = glowing.getSceneNode()->getName();
    ASSERT_EQ(0u, node.rfind("Fireable", 0));
    EXPECT_EQ("Fireable" + std::to_string(std::stoul(node.substr(8)) + 1), plain.getSceneNode()->getName());
    Ogre::BillboardSet* set = glowing.getBillboardSet();
    Ogre::BillboardSet* glow = glowing.getGlowSet();
    Ogre::ParticleSystem* trail = glowing.getParticleSystem();
    ASSERT_TRUE(set && glow && trail);
    EXPECT_EQ((std::vector<std::string>{node + "/ProjectileBS", node + "/GlowBS", node + "/PS"}),
              (std::vector<std::string>{set->getName(), glow->getName(), trail->getName()}));
    // One billboard per key naming a position, in key order; other keys only size the set.
    ASSERT_EQ(2, set->getNumBillboards());
    EXPECT_EQ(3u, set->getPoolSize());
    EXPECT_EQ(Vector3(0, 0, 2), set->getBillboard(1)->getPosition());
    EXPECT_EQ(Ogre::ColourValue(1, 0.5f, 0.25f, 1), set->getBillboard(0)->getColour());
    EXPECT_FLOAT_EQ(5.0f, glow->getDefaultWidth());
    EXPECT_EQ(Ogre::ColourValue(0, 1, 0, 1), glow->getBillboard(0)->getColour());
    EXPECT_EQ(glowing.getSceneNode(), trail->getParentSceneNode());
    EXPECT_EQ(0u, set->getQueryFlags() | glow->getQueryFlags() | trail->getQueryFlags());
    glowing.launch(&faction, false, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 10.0f, nullptr);
    EXPECT_TRUE(glowing.isInFlight());
    // Shutting down reads the types again.
    writeProjectileType("late", boltType("", "", "0"));
    FireableProjectile::shutdown();
    EXPECT_TRUE(FireableProjectile::hasType("late"));
}

// A reload reads and checks every file before it takes any: a refused file leaves the types, their
// pools and the shots in flight as they were (a reload refused half-way once left only the types
// before the damaged file, and the next shot of a later one ended the game); the mended file is read.
TEST_F(ProjectileTest, AReloadThatRefusesAFileLeavesTheTypesAndTheShotsInFlight)
{
    Projectile& shot = bolt();
    launch(shot);
    writeProjectileType("spark", boltType("timeToLive = 1.5s\n"));
    EXPECT_ANY_THROW(FireableProjectile::shutdown());
    ASSERT_TRUE(FireableProjectile::getPools().getPool("bolt") && FireableProjectile::getPools().getPool("bolt")->isLive(&shot));
    EXPECT_TRUE(shot.isInFlight());
    EXPECT_EQ(FireableProjectile::getTypeNames(), std::vector<std::string>{"bolt"});
    writeProjectileType("spark", boltType(""));
    FireableProjectile::shutdown();
    EXPECT_EQ(FireableProjectile::getTypeNames(), (std::vector<std::string>{"bolt", "spark"}));
    EXPECT_EQ(FireableProjectile::getPools().getLiveCount(), 0u);
}

TEST_F(ProjectileTest, AShotFliesStraightAtItsSpeedForItsLifeAndGoesBackToItsPool)
{
    Projectile& shot = bolt("timeToLive = 0.5\n");
    launch(shot, Vector3(1, 2, 3), Quaternion(Ogre::Degree(90), Vector3::UNIT_Y), 64.0f);
    EXPECT_EQ(std::vector<std::string>{"bolt"}, statistics.getProjectileNames());
    // Turned about y its forward is world -x, without the firer's velocity.
    frame(1.0 / 32);
    const Vector3 moved = shot.getSceneNode()->getPosition();
    EXPECT_EQ(shot.getPhysicsBody().getPosition(), moved);
    EXPECT_TRUE(moved.positionEquals(Vector3(-1, 2, 3), 0.5f)) << moved; // about 2 units a frame along world -x
    EXPECT_TRUE(Vector3(2, 3, 0).positionEquals(Vector3(moved.y, moved.z, 0), 1e-4f));
    run(0.375);
    EXPECT_TRUE(shot.isInFlight());
    run(0.25);
    EXPECT_FALSE(shot.isActive());
    EXPECT_EQ(nullptr, shot.getSceneNode()->getParent());
    EXPECT_EQ(idle, counts());

    // Launched again in flight, it starts a new life that the old timeout cannot end.
    launch(shot);
    run(0.25);
    launch(shot, Vector3(0, 0, 50));
    EXPECT_EQ(Counts(1, 0), counts());
    run(0.375);
    EXPECT_TRUE(shot.isInFlight());
    run(0.25);
    EXPECT_EQ(idle, counts());
    // The end of a game returns every shot in flight to its pool.
    launch(take("bolt"));
    Scenario::releasePooledObjects();
    EXPECT_EQ(idle, counts());

    // Without a faction or at an endless speed the launch is refused, and the shot goes back.
    LogCapture log;
    take("bolt").launch(nullptr, true, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 10.0f, nullptr);
    launch(take("bolt"), Vector3::ZERO, Quaternion::IDENTITY, std::numeric_limits<float>::infinity());
    EXPECT_EQ(idle, counts());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Projectile::launch, bolt launched without a faction",
                                                     "Projectile::launch, bolt launched at a speed that is not a finite number"}));
}

TEST_F(ProjectileTest, AShotEndedMidHitIgnoresWhatFollowsAndAnUnknownGroupEndsItCleanly)
{
    Projectile& shot = bolt("explosionGroup = Nowhere\n");
    RecordingListener hull(Projectile::TRIGGER_BIT);
    // Timed out: a contact in the same step counts for nothing, and the shot goes back once.
    launch(shot);
    EXPECT_FALSE(shot.timeout(1.0f));
    EXPECT_FALSE(shot.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    EXPECT_TRUE(hull.damage.empty());
    shot.deactivate(DisableTime(1));
    EXPECT_EQ(idle, counts());
    EXPECT_EQ(&shot, &take("bolt"));
    // The damage destroys the last ship and the scenario ends, taking every shot out of play: the
    // hit stops there, without a push.
    launch(shot);
    hull.onDamage = [] { FireableProjectile::releaseAll(); };
    EXPECT_FALSE(shot.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z));
    EXPECT_TRUE(hull.pushes.empty());
    EXPECT_EQ(idle, counts());
    // A body that triggers every shot makes it explode; a manager without types knows no group.
    ExplosionManager explosions(this->explosions());
    hull.onDamage = nullptr;
    launch(take("bolt"));
    EXPECT_TRUE(logged(failsWith<ConfigurationError>([&] { shot.collide(&hull, 0, Vector3::ZERO, Vector3::UNIT_Z); }),
                       "There is no group called Nowhere"));
    EXPECT_EQ(1u, hull.pushes.size()) << "damage and push came first";
    EXPECT_EQ(idle, counts());
}

TEST(HitDamage, FollowsItsRules)
{
    const std::tuple<const char*, float, float, unsigned> rows[] = {
        {"truncates", 2.7f, 0.0f, 2}, {"adds the splash", 2.7f, 0.5f, 3}, {"never negative", -5.0f, 1.0f, 0},
        {"NaN counts 0", std::nanf(""), 1.0f, 0}, {"saturates", 1e20f, 0.0f, std::numeric_limits<unsigned>::max()}};
    for (const auto& [rule, direct, splash, want] : rows) {
        SCOPED_TRACE(rule);
        EXPECT_EQ(want, Projectile::hitDamage(direct, splash));
    }
}

struct FrameRow {
    const char* name;
    std::vector<float> frames;
};
void PrintTo(const FrameRow& row, std::ostream* out) { *out << row.name; }
class PushTest : public ProjectileTest, public ::testing::WithParamInterface<FrameRow> {};

// The push of a hit is the impulse of the type, whatever the frame rate: also when the first
// frames are too short for a world step, or take no time at all.
TEST_P(PushTest, AHitChangesTheVelocityOfTheBodyByItsImpulseOverItsMass)
{
    createMesh("ball.mesh", "Core", sphereShape(6, 8, 1.0f));
    const Config targetType(written(folder.file("ball.cfg"), "[Physics]\nmass = 8\n[Display]\nmesh = ball.mesh\n"
                                                             "[Collision_Geometry]\ntype = sphere\nradius = 1\n"));
    TargetBody target(scene(), "Ball", targetType);
    target.place(Vector3::ZERO);
    Projectile& slug = bolt("alwaysTriggerOnCollision = 0\nimpactImpulse = 12\n");
    launch(slug, Vector3(0, 0, 30));
    EXPECT_FALSE(slug.collide(&target, 7, Vector3(0, 0, 1), Vector3::UNIT_Z)); // it flies on
    ASSERT_EQ(1u, target.damage.size());
    const DamageRecord& hit = target.damage[0];
    EXPECT_EQ((std::vector<float>{7, 2.7f, 1.5f, float(PLASMA)}),
              (std::vector<float>{float(hit.component), hit.directDamage, hit.shock, float(hit.damageType)}));
    for (float frameTime : GetParam().frames)
        physics.update(frameTime, frameTime);
    EXPECT_NEAR(-12.0f / 8.0f, target.getPhysicsBody().getVelocity().z, 1e-3f);
    EXPECT_NEAR(0.0f, target.getPhysicsBody().getVelocity().x, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(FrameRates, PushTest,
                         ::testing::Values(FrameRow{"At120Hz", {1.0f / 120}}, FrameRow{"At15Hz", {1.0f / 15}},
                                           FrameRow{"InTwoShortFrames", {0.003f, 0.003f}},
                                           FrameRow{"AfterAnEmptyFrame", {0.0f, 0.005f}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace Tolvarine::Test

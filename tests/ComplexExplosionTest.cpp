#include "CombatDoubles.h"
#include "CombatWorld.h"
#include "ComplexExplosion.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "ExplosionManager.h"
#include "FatalError.h"
#include "GameplaySettings.h"
#include "LogCapture.h"
#include "OgreLink.h"
#include "ParticleSpray.h"
#include "ResponseCurves.h"
#include "Scenario.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "SoundSource.h"
#include "TestMeshes.h"

#include <OgreBillboardSet.h>
#include <OgreEntity.h>
#include <OgreMaterialManager.h>
#include <OgreParticleSystemManager.h>
#include <OgrePass.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <OgreTextureUnitState.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
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
using Test::RenderingRoot;
using Test::ScriptedRandom;
using Test::SeededRandom;
using Test::SoundFiles;
using Test::sphereShape;
using Test::TargetBody;
using Test::writeFile;

using Blast = ComplexExplosion::BlastEffect;
constexpr int PUSH = ComplexExplosion::PUSH;
constexpr int PERTURB = ComplexExplosion::PERTURB;
constexpr int DAMAGE = ComplexExplosion::DAMAGE;

TEST(ComplexExplosionBlast, FalloffIsLinearToTheRadiusAndNothingAtOrBeyondIt)
{
    const Vector3 centre(10, 0, 0);
    const Blast half = ComplexExplosion::computeBlast(centre, 8, 100, 30, PUSH | DAMAGE, 0, 1, Vector3(10, 4, 0), 1.5f);
    EXPECT_TRUE(half.affected);
    EXPECT_FLOAT_EQ(0.5f, half.falloff);
    EXPECT_EQ(Vector3(0, 1, 0), half.direction);
    EXPECT_TRUE(half.force.positionEquals(Vector3(0, 50, 0)));
    EXPECT_EQ(Vector3::ZERO, half.leverArm);
    EXPECT_FLOAT_EQ(15.0f, half.damage);
    // The point of the body's bounding sphere that faces the centre.
    EXPECT_TRUE(half.hitPoint.positionEquals(Vector3(10, 2.5f, 0)));

    // At the centre: full damage, but no direction to push in.
    const Blast centred = ComplexExplosion::computeBlast(centre, 8, 100, 30, PUSH | DAMAGE, 0, 1, centre, 1.5f);
    EXPECT_TRUE(centred.affected);
    EXPECT_FLOAT_EQ(1.0f, centred.falloff);
    EXPECT_EQ(Vector3::ZERO, centred.force);
    EXPECT_FLOAT_EQ(30.0f, centred.damage);
    EXPECT_EQ(centre, centred.hitPoint);

    // At the radius the factor is 0; beyond it (a body found by its bounds) it would be
    // negative, which would pull the body in and heal it.
    for (const float distance : {8.0f, 9.0f, 20.0f}) {
        const Blast outside = ComplexExplosion::computeBlast(centre, 8, 100, 30, PUSH | DAMAGE, 0, 1,
                                                             centre + Vector3(0, 0, distance), 1.5f);
        EXPECT_FALSE(outside.affected) << distance;
        EXPECT_EQ(Vector3::ZERO, outside.force) << distance;
        EXPECT_EQ(0.0f, outside.damage) << distance;
    }

    // Without DAMAGE no damage is counted.
    const Blast pushOnly = ComplexExplosion::computeBlast(centre, 8, 100, 30, PUSH, 0, 1, Vector3(10, 4, 0), 1.5f);
    EXPECT_EQ(0.0f, pushOnly.damage);
}

TEST(ComplexExplosionBlast, APerturbingBlastActsOnARandomLeverArmWithinTheRollReach)
{
    // Three draws: x at the bottom of the range, y in the middle, z at the top.
    ScriptedRandom random({0.0f, 0.5f, 1.0f});
    const Blast rolled =
        ComplexExplosion::computeBlast(Vector3::ZERO, 10, 40, 0, PERTURB, 3.0f, 0.5f, Vector3(0, 0, -2.5f), 1);
    EXPECT_EQ(3u, random.draws());
    EXPECT_TRUE(rolled.leverArm.positionEquals(Vector3(-1.5f, 0.0f, 1.5f)));
    EXPECT_TRUE(rolled.force.positionEquals(Vector3(0, 0, -30)));

    // A push draws nothing, and neither does a body out of reach.
    ComplexExplosion::computeBlast(Vector3::ZERO, 10, 40, 0, PUSH, 0, 0.5f, Vector3(0, 0, -2.5f), 1);
    ComplexExplosion::computeBlast(Vector3::ZERO, 10, 40, 0, PERTURB, 3.0f, 0.5f, Vector3(0, 0, -12), 1);
    EXPECT_EQ(3u, random.draws());
}

// Blasts in a scene of bodies: sphere meshes of radius 1 and mass 4.
class ComplexExplosionBlastTest : public CombatWorld {
protected:
    ComplexExplosionBlastTest() : CombatWorld(RenderingRoot::Kind::Headless)
    {
        if (!root)
            return;
        createMesh("ball.mesh", "Core", sphereShape(6, 8, 1.0f));
        writeFile(folder.file("ball.cfg"), "[Physics]\nmass = 4\nexplosionEffectable = 1\n"
                                           "[Display]\nmesh = ball.mesh\n");
        writeFile(folder.file("wall.cfg"), "[Physics]\nmass = 4\n[Display]\nmesh = ball.mesh\n");
        ball = std::make_unique<Config>(folder.file("ball.cfg"));
        wall = std::make_unique<Config>(folder.file("wall.cfg"));
    }

    TargetBody& body(const std::string& name, const Vector3& position, bool effectable = true)
    {
        bodies.push_back(std::make_unique<TargetBody>(scene(), name, effectable ? *ball : *wall));
        bodies.back()->place(position);
        return *bodies.back();
    }
    void step() { physics.update(1.0f / 60, 1.0f / 60); }
    static Vector3 velocityOf(const TargetBody& target) { return target.getPhysicsBody().getVelocity(); }

    std::unique_ptr<Config> ball;
    std::unique_ptr<Config> wall;
    std::vector<std::unique_ptr<TargetBody>> bodies;
};

TEST_F(ComplexExplosionBlastTest, TheBlastPushesAndDamagesTheBodiesItMayAffectWithinItsRadius)
{
    TargetBody& near = body("Near", Vector3(5, 0, 0));
    TargetBody& centred = body("Centred", Vector3(0, 0, 0));
    TargetBody& shielded = body("Shielded", Vector3(0, 5, 0), false);
    // Its centre is beyond the radius, but its bounds reach into the blast.
    TargetBody& beyond = body("Beyond", Vector3(0, 0, -10.5f));
    TargetBody& far = body("Far", Vector3(0, 0, 30));
    // A scene object without a scene link, which queries find with every flag set.
    scene().getRootSceneNode()->createChildSceneNode(Vector3(1, 0, 0))->attachObject(
        scene().createEntity("Bare", "ball.mesh"));

    ComplexExplosion::applyPhysics(Vector3::ZERO, 10, 2, 6, PUSH | DAMAGE, 0);
    step();
    // Half the impulse of 2 at half the radius, on a mass of 4.
    EXPECT_TRUE(velocityOf(near).positionEquals(Vector3(0.25f, 0, 0), 1e-3f));
    EXPECT_TRUE(velocityOf(centred).positionEquals(Vector3::ZERO, 1e-5f));
    for (const TargetBody* untouched : {&shielded, &beyond, &far}) {
        EXPECT_TRUE(velocityOf(*untouched).positionEquals(Vector3::ZERO, 1e-5f));
        EXPECT_TRUE(untouched->damage.empty());
    }

    ASSERT_EQ(1u, near.damage.size());
    const DamageRecord& hit = near.damage[0];
    EXPECT_TRUE(hit.position.positionEquals(Vector3(5 - near.getEntity()->getBoundingRadius(), 0, 0)));
    EXPECT_EQ(Vector3(1, 0, 0), hit.velocity);
    EXPECT_EQ(-2, hit.component);
    EXPECT_FLOAT_EQ(3.0f, hit.directDamage);
    EXPECT_EQ(0.0f, hit.splashDamage);
    EXPECT_EQ(0.0f, hit.shock);
    EXPECT_EQ(3, hit.damageType);
    ASSERT_EQ(1u, centred.damage.size());
    EXPECT_FLOAT_EQ(6.0f, centred.damage[0].directDamage);
}

TEST_F(ComplexExplosionBlastTest, ANullRadiusOrImpulseDoesNothingAtAllAndPooledBodiesStayAsleep)
{
    TargetBody& near = body("Near", Vector3(2, 0, 0));
    TargetBody& pooled = body("Pooled", Vector3(0, 2, 0));
    pooled.deactivate(static_cast<DisableTime>(1));

    ComplexExplosion::applyPhysics(Vector3::ZERO, 0, 2, 6, PUSH | DAMAGE, 0);
    ComplexExplosion::applyPhysics(Vector3::ZERO, 10, 0, 6, PUSH | DAMAGE, 0);
    step();
    EXPECT_TRUE(velocityOf(near).positionEquals(Vector3::ZERO, 1e-5f));
    EXPECT_TRUE(near.damage.empty());

    ComplexExplosion::applyPhysics(Vector3::ZERO, 10, 2, 6, PUSH | DAMAGE, 0);
    step();
    EXPECT_FALSE(near.damage.empty());
    EXPECT_TRUE(pooled.damage.empty());
    EXPECT_FALSE(pooled.getPhysicsBody().isActive());
    EXPECT_TRUE(velocityOf(pooled).positionEquals(Vector3::ZERO, 1e-5f));
}

TEST_F(ComplexExplosionBlastTest, APerturbingBlastRollsTheBodyByTheGameplayRollProportion)
{
    GameplaySettings settings(folder.file("gameplay.cfg"));
    TargetBody& pushed = body("Pushed", Vector3(5, 0, 0));
    TargetBody& rolled = body("Rolled", Vector3(-5, 0, 0));

    ComplexExplosion::applyPhysics(Vector3(10, 0, 0), 10, 2, 0, PUSH, 1.0f);
    settings.setExplosionRollProportion(0.5f);
    {
        ScriptedRandom random({1.0f, 0.5f, 0.5f});
        ComplexExplosion::applyPhysics(Vector3(-10, 0, 0), 10, 2, 0, PERTURB, 4.0f);
        EXPECT_EQ(3u, random.draws());
    }
    step();
    // Pushed alike; the lever arm (2, 0, 0) lies along the push, so it spins nothing yet.
    EXPECT_TRUE(velocityOf(pushed).positionEquals(Vector3(-0.25f, 0, 0), 1e-3f));
    EXPECT_TRUE(velocityOf(rolled).positionEquals(Vector3(0.25f, 0, 0), 1e-3f));
    EXPECT_EQ(Quaternion::IDENTITY, pushed.getPhysicsBody().getAngularVelocity());
    EXPECT_EQ(Quaternion::IDENTITY, rolled.getPhysicsBody().getAngularVelocity());

    {
        // A lever arm of (0, 2, 0) across a push along x spins the body about z.
        ScriptedRandom random({0.5f, 1.0f, 0.5f});
        ComplexExplosion::applyPhysics(Vector3(-10, 0, 0), 10, 2, 0, PERTURB, 4.0f);
    }
    step();
    Vector3 axis;
    Ogre::Radian angle;
    rolled.getPhysicsBody().getAngularVelocity().ToAngleAxis(angle, axis);
    EXPECT_GT(angle.valueRadians(), 0.0f);
    EXPECT_TRUE(axis.positionEquals(Vector3(0, 0, -1), 1e-3f)) << axis;
}

// Explosions of their own types, drawn on a hidden window: flip-book flash materials, a glow
// curve, the sound definitions of SoundFiles in the working folder and a silent sound manager.
class ComplexExplosionTest : public CombatWorld {
protected:
    ComplexExplosionTest() : CombatWorld(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        makeFlipBook("Flash", 4);
        writeFile(folder.file("curves.cfg"), "[Rise]\n0 = 0\n1 = 1\n");
        curves = std::make_unique<ResponseCurves>(folder.file("curves.cfg"));
        // Sound definitions are read once per process; these are this test's.
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        createMesh("ball.mesh", "Core", sphereShape(6, 8, 1.0f));
        writeFile(folder.file("ball.cfg"), "[Physics]\nmass = 4\nexplosionEffectable = 1\n"
                                           "[Display]\nmesh = ball.mesh\n");
        ball = std::make_unique<Config>(folder.file("ball.cfg"));
        frame(1.0 / 32);
    }
    ~ComplexExplosionTest() override
    {
        manager.reset();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    // A material whose first texture unit steps through `frames` small textures by hand.
    static void makeFlipBook(const std::string& name, unsigned frames)
    {
        const std::string group = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
        std::vector<Ogre::String> names;
        for (unsigned i = 0; i < frames; ++i) {
            names.push_back(name + "/Frame" + std::to_string(i));
            Ogre::TextureManager::getSingleton().createManual(names.back(), group, Ogre::TEX_TYPE_2D, 4, 4, 0,
                                                              Ogre::PF_BYTE_RGBA);
        }
        Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().create(name, group);
        Ogre::TextureUnitState* unit = material->getTechnique(0)->getPass(0)->createTextureUnitState();
        unit->setAnimatedTextureName(names.data(), names.size(), 0);
    }

    // An explosion type of the group, with flash and glow of the given durations and the
    // "Physics" keys given.
    static std::string explosionType(const std::string& group, const std::string& physics, double flash = 0.25,
                                     double glow = 0.5, const std::string& more = "")
    {
        return "[Explosion]\ngroup = " + group + "\n[Physics]\nmass = 1\n" + physics
             + "[Animation]\nmaterialName = Flash\nduration = " + std::to_string(flash)
             + "\ntimeResolution = 0.03125\nsize = 4\n"
               "[Glow]\nmaterialName = BaseWhite\nduration = " + std::to_string(glow)
             + "\ntimeResolution = 0.03125\nsizeCurveName = Rise\nminSize = 1\nmaxSize = 2\n"
               "colourCurveName = Rise\nminColour = (0 0 0 0)\nmaxColour = (1 1 1 1)\n"
               "[Sound]\nname = beep\n" + more;
    }

    ExplosionManager& load()
    {
        manager = std::make_unique<ExplosionManager>(explosions(), curves.get());
        return *manager;
    }
    std::size_t liveCount(const std::string& name) const { return manager->getPools().getPool(name)->getLiveCount(); }
    std::size_t freeCount(const std::string& name) const { return manager->getPools().getPool(name)->getFreeCount(); }
    bool shows(const ComplexExplosion& explosion) const
    {
        return explosion.getSceneNode()->getParent() == scene().getRootSceneNode();
    }

    TargetBody& body(const std::string& name, const Vector3& position)
    {
        bodies.push_back(std::make_unique<TargetBody>(scene(), name, *ball));
        bodies.back()->place(position);
        return *bodies.back();
    }

    SoundFiles soundFiles;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<Config> ball;
    std::vector<std::unique_ptr<TargetBody>> bodies;
    std::unique_ptr<ExplosionManager> manager;
};

TEST_F(ComplexExplosionTest, ConstructionReadsTheBlastTheDebrisAndTheExplosionType)
{
    writeExplosionType("plain", explosionType("A", "explosionType = push\nexplosionRadius = 5\n"
                                                   "explosionImpulse = 2\nmaxDamage = -0\n"));
    writeExplosionType("rolling", explosionType("A", "explosionType = Perturb\nmaxDamage = 3\n", 0.25, 0.5,
                                                "[Explosion_Debris_A]\nname = shard\n[Big Explosion_Debris]\n"
                                                "name = plate\n[Explosion_Debris_A]\nname = shard\n"));
    writeExplosionType("wide", explosionType("A", "explosionType = Perturb\nperturbDistance = 2.5\n"));
    writeExplosionType("sprayed", "[Factory]\npoolSize = 1\n" + explosionType("A", "", 0.25, 0.5) +
                                  "[Explosion]\nparticleSpray = sparks\n");
    ExplosionManager& explosions = load();

    ComplexExplosion& plain = *explosions.create("plain");
    EXPECT_EQ("plain", plain.getName());
    // Only "Perturb" rolls; a damage of 0 turns no damage on.
    EXPECT_EQ(PUSH, plain.getPhysicsFlags());
    EXPECT_EQ(0.0f, plain.getPerturbDistance());
    EXPECT_EQ(5.0f, plain.getExplosionRadius());
    EXPECT_EQ(2.0f, plain.getExplosionImpulse());
    EXPECT_TRUE(plain.getDebrisTypes().empty());
    EXPECT_FALSE(plain.isActive());
    EXPECT_EQ(0u, plain.getAnimation().getBillboardSet().getQueryFlags());
    EXPECT_EQ(0u, plain.getGlow().getBillboardSet().getQueryFlags());

    ComplexExplosion& rolling = *explosions.create("rolling");
    EXPECT_EQ(PERTURB | DAMAGE, rolling.getPhysicsFlags());
    EXPECT_EQ(1.0f, rolling.getPerturbDistance());
    // In file order, a repeated header once more.
    EXPECT_EQ((std::vector<std::string>{"shard", "plate", "shard"}), rolling.getDebrisTypes());
    EXPECT_EQ(2.5f, explosions.create("wide")->getPerturbDistance());
    EXPECT_EQ(1u, freeCount("sprayed"));
    EXPECT_EQ("sparks", explosions.create("sprayed")->getParticleSpray());
}

TEST_F(ComplexExplosionTest, NegativeBlastValuesAndMissingSoundsAreRefusedAtConstruction)
{
    writeExplosionType("healing", explosionType("A", "maxDamage = -4\n"));
    writeExplosionType("pulling", explosionType("A", "explosionImpulse = -4\n"));
    writeExplosionType("silent", "[Explosion]\ngroup = A\n[Physics]\nmass = 1\n");
    std::string unheard = explosionType("A", "");
    writeExplosionType("unheard", unheard.replace(unheard.find("beep"), 4, "hush"));
    ExplosionManager& explosions = load();
    LogCapture log;
    EXPECT_THROW(explosions.create("healing"), ConfigurationError);
    EXPECT_TRUE(log.contains("ComplexExplosion: maxDamage of explosion type healing must not be below 0, not -4"));
    EXPECT_THROW(explosions.create("pulling"), ConfigurationError);
    EXPECT_TRUE(log.contains("ComplexExplosion: explosionImpulse of explosion type pulling must not be below 0, not -4"));
    EXPECT_THROW(explosions.create("silent"), ConfigurationError);
    EXPECT_THROW(explosions.create("unheard"), ConfigurationError);
    EXPECT_TRUE(log.contains("Could not get sound config hush"));
    for (const char* name : {"healing", "pulling", "silent", "unheard"})
        EXPECT_EQ(0u, liveCount(name) + freeCount(name)) << name;
}

TEST_F(ComplexExplosionTest, MaterialsWhoseTexturesAreMissingAreRefusedBeforeAnythingIsBuilt)
{
    Ogre::MaterialPtr scorched = Ogre::MaterialManager::getSingleton().create(
        "Scorched", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    scorched->getTechnique(0)->getPass(0)->createTextureUnitState("missing.png");
    std::string flash = explosionType("A", "");
    writeExplosionType("scorched", flash.replace(flash.find("Flash"), 5, "Scorched"));
    std::string glow = explosionType("A", "");
    writeExplosionType("dim", glow.replace(glow.find("BaseWhite"), 9, "Nowhere"));
    writeExplosionType("plainly", explosionType("A", ""));
    writeProjectileType("bolt", "[Fireable]\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\nimpactImpulse = 1\n"
                                "explosionGroup = A\ntimeToLive = 1\ndamageType = Plasma\nbillboardSet = 1\n"
                                "billboardMaterial = Scorched\nbillboardSize = 1\nbillboardColour = (1 1 1 1)\n");
    ExplosionManager& explosions = load();
    FireableProjectile::loadTypes(entities());

    LogCapture log;
    EXPECT_THROW(explosions.create("scorched"), ConfigurationError);
    EXPECT_TRUE(log.contains("Explosion type scorched: material Scorched uses the unknown texture missing.png"));
    EXPECT_THROW(explosions.create("dim"), ConfigurationError);
    EXPECT_TRUE(log.contains("Explosion type dim: unknown material Nowhere"));
    EXPECT_THROW(FireableProjectile::create("bolt"), ConfigurationError);
    EXPECT_TRUE(log.contains("Projectile type bolt: material Scorched uses the unknown texture missing.png"));
    EXPECT_TRUE(scene().getMovableObjects("BillboardSet").empty());

    // Textures the program made itself count.
    EXPECT_NO_THROW(explosions.create("plainly"));
}

TEST_F(ComplexExplosionTest, AnExplosionLivesUntilItsFlashItsGlowAndItsBlastAreAllDone)
{
    writeExplosionType("late", explosionType("A", "triggerTime = 1\nexplosionRadius = 10\nexplosionImpulse = 2\n"));
    writeExplosionType("early", explosionType("B", "triggerTime = 0.125\nexplosionRadius = 10\nexplosionImpulse = 2\n"));
    ExplosionManager& explosions = load();
    TargetBody& target = body("Target", Vector3(5, 0, 0));

    ComplexExplosion& late = *explosions.createFromGroup("A");
    EXPECT_EQ("late", late.getName());
    int triggers = 0;
    late.activate(Vector3::ZERO, Vector3::ZERO, [&triggers] { ++triggers; });
    EXPECT_TRUE(late.isActive());
    EXPECT_TRUE(shows(late));
    EXPECT_EQ(late.getSceneNode(), late.getAnimation().getBillboardSet().getParentSceneNode());
    EXPECT_EQ(late.getSceneNode(), late.getGlow().getBillboardSet().getParentSceneNode());
    EXPECT_TRUE(late.getSound().isPlaying());

    // Flash and glow end long before the blast; the explosion waits for it.
    run(0.875);
    EXPECT_TRUE(late.isBlastPending());
    EXPECT_EQ(0, triggers);
    EXPECT_EQ(1u, liveCount("late"));
    run(0.25);
    EXPECT_EQ(1, triggers);
    EXPECT_FALSE(late.isActive());
    EXPECT_FALSE(shows(late));
    EXPECT_FALSE(late.getSound().isPlaying());
    EXPECT_EQ(nullptr, late.getAnimation().getBillboardSet().getParentSceneNode());
    EXPECT_EQ(nullptr, late.getGlow().getBillboardSet().getParentSceneNode());
    EXPECT_EQ(0u, liveCount("late"));
    EXPECT_EQ(1u, freeCount("late"));
    // It pushed once.
    EXPECT_GT(target.getPhysicsBody().getVelocity().x, 0.0f);
    const Vector3 pushed = target.getPhysicsBody().getVelocity();

    // The blast comes first; the glow keeps the explosion alive.
    ComplexExplosion& early = *explosions.createFromGroup("B");
    early.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback());
    run(0.25);
    EXPECT_FALSE(early.isBlastPending());
    EXPECT_TRUE(early.isActive());
    EXPECT_EQ(1u, liveCount("early"));
    EXPECT_GT(target.getPhysicsBody().getVelocity().x, pushed.x);
    run(0.375);
    EXPECT_FALSE(early.isActive());
    EXPECT_EQ(0u, liveCount("early"));
    EXPECT_EQ(1u, freeCount("early"));
}

TEST_F(ComplexExplosionTest, TheBlastIsCentredWhereTheDriftingBodyIsWhenItGoesOff)
{
    writeExplosionType("drifting", explosionType("A", "triggerTime = 0.5\nexplosionRadius = 10\nexplosionImpulse = 2\n"));
    ExplosionManager& explosions = load();
    TargetBody& target = body("Target", Vector3(5, 4, 0));
    ComplexExplosion& explosion = *explosions.create("drifting");
    Vector3 centre = Vector3::ZERO;
    explosion.activate(Vector3::ZERO, Vector3(10, 0, 0),
                       [&centre, &explosion] { centre = explosion.getPhysicsBody().getPosition(); });
    run(0.625);
    EXPECT_NEAR(5.0f, centre.x, 0.35f);
    // Pushed away from where the explosion had drifted to: straight up, not away from the start.
    const Vector3 velocity = target.getPhysicsBody().getVelocity();
    EXPECT_GT(velocity.y, 0.0f);
    EXPECT_LT(std::abs(velocity.x), 0.1f * velocity.y);
}

TEST_F(ComplexExplosionTest, ATriggerTimeOfZeroBlastsAtTheNextPass)
{
    writeExplosionType("instant", explosionType("A", "explosionRadius = 10\nexplosionImpulse = 2\n"));
    ExplosionManager& explosions = load();
    TargetBody& target = body("Target", Vector3(5, 0, 0));
    ComplexExplosion& explosion = *explosions.create("instant");
    explosion.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback());
    EXPECT_TRUE(explosion.isBlastPending());
    frame(1.0 / 32);
    EXPECT_FALSE(explosion.isBlastPending());
    frame(1.0 / 32);
    EXPECT_GT(target.getPhysicsBody().getVelocity().x, 0.0f);
}

TEST_F(ComplexExplosionTest, AnExplosionTakenOutOfPlayNeverBlastsAndItsNextLifeKeepsItsOwnTime)
{
    writeExplosionType("slow", "[Factory]\npoolSize = 1\n"
                                   + explosionType("A", "triggerTime = 0.5\nexplosionRadius = 10\nexplosionImpulse = 2\n"));
    ExplosionManager& explosions = load();
    TargetBody& target = body("Target", Vector3(5, 0, 0));
    ComplexExplosion& explosion = *explosions.create("slow");
    int triggers = 0;
    explosion.activate(Vector3::ZERO, Vector3::ZERO, [&triggers] { ++triggers; });
    run(0.25);

    // The end of the game.
    Scenario::releasePooledObjects();
    EXPECT_FALSE(explosion.isActive());
    EXPECT_EQ(0u, liveCount("slow"));
    EXPECT_EQ(1u, freeCount("slow"));
    run(0.5);
    EXPECT_EQ(0, triggers);
    EXPECT_TRUE(target.getPhysicsBody().getVelocity().positionEquals(Vector3::ZERO, 1e-5f));

    // The pool hands the same explosion out again; the old trigger time does not end it early.
    ComplexExplosion& again = *explosions.create("slow");
    ASSERT_EQ(&explosion, &again);
    again.activate(Vector3::ZERO, Vector3::ZERO, [&triggers] { ++triggers; });
    run(0.375);
    EXPECT_TRUE(again.isBlastPending());
    EXPECT_EQ(0, triggers);
    run(0.25);
    EXPECT_EQ(1, triggers);
}

TEST_F(ComplexExplosionTest, ActivatingALiveExplosionStartsANewLifeWithoutEnteringThePoolTwice)
{
    writeExplosionType("boom", explosionType("A", "triggerTime = 0.25\n"));
    ExplosionManager& explosions = load();
    ComplexExplosion& explosion = *explosions.create("boom");
    int triggers = 0;
    explosion.activate(Vector3::ZERO, Vector3::ZERO, [&triggers] { ++triggers; });
    run(0.125);
    explosion.activate(Vector3(0, 0, 100), Vector3::ZERO, [&triggers] { triggers += 10; });
    EXPECT_TRUE(explosion.isActive());
    EXPECT_EQ(1u, liveCount("boom"));
    EXPECT_EQ(0u, freeCount("boom"));
    run(1.0);
    // Only the second life's trigger ran.
    EXPECT_EQ(10, triggers);
    EXPECT_FALSE(explosion.isActive());
    EXPECT_EQ(0u, liveCount("boom"));
    EXPECT_EQ(1u, freeCount("boom"));
    // A second deactivation gives nothing back again.
    explosion.deactivate(static_cast<DisableTime>(2));
    EXPECT_EQ(1u, freeCount("boom"));
}

TEST_F(ComplexExplosionTest, TheExplosionFiresItsParticleSprayWhereItStarts)
{
    Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Puff", "Core");
    writeFile(explosions() + "/puff.spray", "[ParticleSpray]\nsystemName = Test/Puff\nduration = 0.25\n"
                                            "rateCurveName = Rise\ntimeResolution = 0.0625\n[Physics]\nmass = 1\n");
    writeExplosionType("smoky", explosionType("A", "", 0.25, 0.5, "[Explosion]\nparticleSpray = puff\n"));
    writeExplosionType("lost", explosionType("A", "", 0.25, 0.5, "[Explosion]\nparticleSpray = nothing\n"));
    struct Unload {
        ~Unload() { ParticleSpray::unloadTypes(); }
    } unload;
    ParticleSpray::loadTypes(explosions(), &scene(), curves.get());
    ExplosionManager& explosions = load();

    ComplexExplosion& smoky = *explosions.create("smoky");
    smoky.activate(Vector3(1, 2, 3), Vector3(0, 0, -10), ComplexExplosion::Callback());
    const std::set<ParticleSpray*> sprays = ParticleSpray::getPools().getPool("puff")->getLiveObjects();
    ASSERT_EQ(1u, sprays.size());
    EXPECT_EQ(Vector3(1, 2, 3), (*sprays.begin())->getPhysicsBody().getPosition());
    EXPECT_EQ(Vector3(0, 0, -10), (*sprays.begin())->getPhysicsBody().getVelocity());

    ComplexExplosion& lost = *explosions.create("lost");
    LogCapture log;
    EXPECT_THROW(lost.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback()), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nothing as there is no creator registered"));
    EXPECT_FALSE(lost.isActive());
    EXPECT_EQ(0u, liveCount("lost"));
    ComplexExplosion::releaseAll();
}

TEST_F(ComplexExplosionTest, AnUnknownDebrisTypeFailsCleanlyAndTheExplosionGoesBack)
{
    writeExplosionType("shrapnel", explosionType("A", "", 0.25, 0.5, "[Explosion_Debris]\nname = shard\n"));
    ExplosionManager& explosions = load();
    ComplexExplosion& explosion = *explosions.create("shrapnel");
    LogCapture log;
    EXPECT_THROW(explosion.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback()), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create shard as there is no creator registered"));
    EXPECT_FALSE(explosion.isActive());
    EXPECT_FALSE(shows(explosion));
    EXPECT_EQ(0u, liveCount("shrapnel"));
}

TEST_F(ComplexExplosionTest, AGroupDrawsEachMemberEquallyOften)
{
    for (const char* name : {"a", "b", "c"})
        writeExplosionType(name, explosionType("Three", ""));
    writeExplosionType("solo", explosionType("One", ""));
    ExplosionManager& explosions = load();

    {
        // The lowest draw takes the first member, the highest the last.
        ScriptedRandom random({0.0f, 0.9999f, 0.5f});
        EXPECT_EQ("a", explosions.createFromGroup("Three")->getName());
        EXPECT_EQ("c", explosions.createFromGroup("Three")->getName());
        EXPECT_EQ("b", explosions.createFromGroup("Three")->getName());
        EXPECT_EQ("solo", explosions.createFromGroup("One")->getName());
        ComplexExplosion::releaseAll();
    }

    SeededRandom random(14);
    std::map<std::string, int> draws;
    const int total = 3000;
    for (int i = 0; i < total; ++i) {
        ComplexExplosion* explosion = explosions.createFromGroup("Three");
        ++draws[explosion->getName()];
        explosion->deactivate(static_cast<DisableTime>(1));
    }
    ASSERT_EQ(3u, draws.size());
    for (const auto& entry : draws)
        EXPECT_NEAR(total / 3, entry.second, 150) << entry.first;
    // Each explosion drawn went back; the pools only grew as far as one explosion each.
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_EQ(0u, liveCount(name));
        EXPECT_EQ(1u, freeCount(name));
    }
}

} // namespace
} // namespace Tolvarine

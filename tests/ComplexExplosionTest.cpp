#include "CombatDoubles.h"
#include "CombatWorld.h"
#include "ComplexExplosion.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "OgreLink.h"
#include "Scenario.h"
#include "SoundSource.h"
#include "TestMeshes.h"

#include <OgreBillboardSet.h>
#include <OgreEntity.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneQuery.h>
#include <gtest/gtest.h>

#include <random>
#include <set>


namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

// Explosions of their own types among sphere bodies (radius 1, mass 4) that the blasts push.
class ComplexExplosionTest : public ExplosionWorld {
protected:
    ComplexExplosionTest()
    {
        if (!root)
            return;
        createMesh("ball.mesh", "Core", sphereShape(6, 8, 1.0f));
        ball = std::make_unique<Config>(
            written(folder.file("ball.cfg"), "[Display]\nmesh = ball.mesh\n[Physics]\nmass = 4\n"
                                             "explosionEffectable = 1\n"));
        frame(1.0 / 32);
    }

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

    std::unique_ptr<Config> ball;
    std::vector<std::unique_ptr<TargetBody>> bodies;
};

TEST_F(ComplexExplosionTest, ConstructionReadsTheBlastAndTheDebrisAndRefusesBadTypesCleanly)
{
    // A missing key, an unknown sound and materials whose textures are missing are refused as the
    // types load, whatever their pool size (these pools start empty): the first explosion of such
    // a type used to end the game. Textures the program made itself count.
    Ogre::MaterialPtr scorched = Ogre::MaterialManager::getSingleton().create(
        "Scorched", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    scorched->getTechnique(0)->getPass(0)->createTextureUnitState("missing.png");
    const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const struct { const char* name; std::string text; const char* line; } refusedAtLoad[] = {
        {"silent", "[Explosion]\ngroup = A\n[Physics]\nmass = 1\n", "Key not found"},  // type files are read enciphered
        {"unheard", replaced(explosionType("A", ""), "beep", "hush"), "Could not get sound config hush"},
        {"scorched", replaced(explosionType("A", ""), "Flash", "Scorched"),
         "Explosion type scorched: material Scorched uses the unknown texture missing.png"},
        {"dim", replaced(explosionType("A", ""), "BaseWhite", "Nowhere"), "Explosion type dim: unknown material Nowhere"},
    };
    for (const auto& row : refusedAtLoad) {
        SCOPED_TRACE(row.name);
        writeExplosionType(row.name, row.text + "[Factory]\npoolSize = 0\n");
        EXPECT_TRUE(logged(failsWith<ConfigurationError>([this] { load(); }), row.line));
        // Reading the file wrote its twin beside it.
        for (const char* extension : {".explosion", ".explosionx"})
            std::filesystem::remove(explosions() + "/" + row.name + extension);
    }
    writeExplosionType("plain", explosionType("A", "explosionType = push\nexplosionRadius = 5\n"
                                                   "explosionImpulse = 2\nmaxDamage = -0\n"));
    writeExplosionType("rolling", explosionType("A", "explosionType = Perturb\nmaxDamage = 3\n", 0.25, 0.5,
                                                "[Explosion_Debris_A]\nname = shard\n[Big Explosion_Debris]\n"
                                                "name = plate\n[Explosion_Debris_A]\nname = shard\n"));
    writeExplosionType("wide", explosionType("A", "explosionType = Perturb\nperturbDistance = 2.5\n"));
    ExplosionManager& explosions = load();

    // Only "Perturb" rolls; a damage of 0 turns no damage on.
    ComplexExplosion& plain = *explosions.create("plain");
    EXPECT_EQ(ComplexExplosion::PUSH, plain.getPhysicsFlags());
    EXPECT_EQ(0.0f, plain.getPerturbDistance());
    // The blast's sphere query must not find the explosion's own billboards.
    EXPECT_EQ(0u, plain.getAnimation().getBillboardSet().getQueryFlags() |
                      plain.getGlow().getBillboardSet().getQueryFlags());
    ComplexExplosion& rolling = *explosions.create("rolling");
    EXPECT_EQ(ComplexExplosion::PERTURB | ComplexExplosion::DAMAGE, rolling.getPhysicsFlags());
    EXPECT_EQ(1.0f, rolling.getPerturbDistance());
    // In file order, a repeated header once more.
    EXPECT_EQ((std::vector<std::string>{"shard", "plate", "shard"}), rolling.getDebrisTypes());
    EXPECT_EQ(2.5f, explosions.create("wide")->getPerturbDistance());

    // The constructor refuses what the check refuses, through the same reader.
    Config unheard(written(folder.file("unheard.explosion"), replaced(explosionType("A", ""), "beep", "hush")));
    EXPECT_TRUE(logged(failsWith<ConfigurationError>([&] { ComplexExplosion(unheard, "unheard", curves.get()); }),
                       "Could not get sound config hush"));
}

TEST_F(ComplexExplosionTest, AnExplosionLivesUntilItsFlashGlowAndBlastAreDoneAndEachLifeKeepsItsOwnTime)
{
    const std::string blast = "explosionRadius = 10\nexplosionImpulse = 2\n";
    writeExplosionType("late", explosionType("A", "triggerTime = 1\n" + blast));
    writeExplosionType("early", explosionType("B", "triggerTime = 0.125\n" + blast));
    writeExplosionType("drifting", explosionType("C", "triggerTime = 0.5\n" + blast));
    writeExplosionType("slow", "[Factory]\npoolSize = 1\n" + explosionType("D", "triggerTime = 0.5\n" + blast));
    writeExplosionType("instant", explosionType("E", "", 0.0));
    writeExplosionType("mending", explosionType("F", "triggerTime = -1\nexplosionRadius = 10\nexplosionImpulse = -2\n"
                                                "maxDamage = -4\n"));
    writeExplosionType("inverted", explosionType("G", "triggerTime = -1\nexplosionRadius = -10\nexplosionImpulse = 2\n"
                                                   "maxDamage = 4\n"));
    ExplosionManager& explosions = load();
    EXPECT_EQ(1u, explosionsFree("slow"));
    TargetBody& target = body("Target", Vector3(5, 0, 0));
    // Blasts must never wake a pooled body, nor trip over a scene object without a scene link.
    TargetBody& pooled = body("Pooled", Vector3(0, 2, 0));
    pooled.deactivate(OWN_END);
    Ogre::SceneNode* bare = scene().getRootSceneNode()->createChildSceneNode(Vector3(1, 0, 0));
    bare->attachObject(scene().createEntity("ball.mesh"));
    int triggers = 0;
    const auto count = [&triggers] { ++triggers; };
    {
        SCOPED_TRACE("flash and glow end long before the blast; the explosion waits for it");
        ComplexExplosion& late = *explosions.createFromGroup("A");
        late.activate(Vector3::ZERO, Vector3::ZERO, count);
        EXPECT_TRUE(shows(late));
        EXPECT_TRUE(late.getSound().isPlaying());
        run(0.875);
        EXPECT_TRUE(late.isBlastPending());
        EXPECT_EQ(1u, explosionsLive("late"));
        run(0.25);
        EXPECT_EQ(1, triggers);
        EXPECT_FALSE(late.isActive() || shows(late) || late.getSound().isPlaying());
        EXPECT_EQ(nullptr, late.getGlow().getBillboardSet().getParentSceneNode());
        EXPECT_EQ(1u, explosionsFree("late"));
        EXPECT_GT(target.getPhysicsBody().getVelocity().x, 0.0f);
        EXPECT_FALSE(pooled.getPhysicsBody().isActive());
    }
    {
        SCOPED_TRACE("the blast comes first; the glow keeps the explosion alive");
        const Vector3 pushed = target.getPhysicsBody().getVelocity();
        ComplexExplosion& early = *explosions.createFromGroup("B");
        early.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback());
        run(0.25);
        EXPECT_FALSE(early.isBlastPending());
        EXPECT_TRUE(early.isActive());
        EXPECT_GT(target.getPhysicsBody().getVelocity().x, pushed.x);
        run(0.375);
        EXPECT_EQ(1u, explosionsFree("early"));
    }
    {
        SCOPED_TRACE("a flash of no duration shows its last frame at its first run and ends");
        ComplexExplosion& instant = *explosions.create("instant");
        instant.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback());
        run(0.125);
        EXPECT_EQ(3u, instant.getAnimation().getCurrentFrame());
        run(0.5);
        EXPECT_EQ(1u, explosionsFree("instant"));
    }
    {
        SCOPED_TRACE("values below 0: at the first pass the blast pulls the body in and mends it");
        target.place(Vector3(5, 0, 0));
        target.damage.clear();
        ComplexExplosion& mending = *explosions.createFromGroup("F");
        mending.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback());
        run(0.03125);
        EXPECT_FALSE(mending.isBlastPending());
        run(0.03125); // the pull moves the body at the next physics step
        EXPECT_LT(target.getPhysicsBody().getVelocity().x, 0.0f);
        ASSERT_EQ(1u, target.damage.size());
        EXPECT_FLOAT_EQ(-4.0f * 0.5f, target.damage[0].directDamage);
        SCOPED_TRACE("a radius below 0 reaches nothing");
        target.place(Vector3(5, 0, 0));
        explosions.createFromGroup("G")->activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback());
        run(0.0625);
        EXPECT_EQ(Vector3::ZERO, target.getPhysicsBody().getVelocity());
        EXPECT_EQ(1u, target.damage.size());
    }
    target.place(Vector3(5, 4, 0));
    {
        // It once went off where the explosion started, not where its body had drifted to.
        SCOPED_TRACE("the blast is centred where the drifting body is when it goes off");
        ComplexExplosion& explosion = *explosions.create("drifting");
        Vector3 centre = Vector3::ZERO;
        explosion.activate(Vector3::ZERO, Vector3(10, 0, 0),
                           [&centre, &explosion] { centre = explosion.getPhysicsBody().getPosition(); });
        run(0.625);
        EXPECT_NEAR(5.0f, centre.x, 0.35f);
        const Vector3 velocity = target.getPhysicsBody().getVelocity();
        EXPECT_GT(velocity.y, 0.0f);
        EXPECT_LT(std::abs(velocity.x), 0.1f * velocity.y);
    }
    target.place(Vector3(5, 0, 0));
    {
        // It once blasted later anyway, and its next life ended at the old trigger time.
        SCOPED_TRACE("an explosion taken out of play never blasts; its next life keeps its own time");
        ComplexExplosion& explosion = *explosions.create("slow");
        triggers = 0;
        explosion.activate(Vector3::ZERO, Vector3::ZERO, count);
        run(0.25);
        Scenario::releasePooledObjects();
        EXPECT_FALSE(explosion.isActive());
        EXPECT_EQ(1u, explosionsFree("slow"));
        ComplexExplosion::applyPhysics(Vector3(5, 0, 0), 0, 2, 6, ComplexExplosion::PUSH, 0); // no radius
        run(0.5);
        EXPECT_EQ(0, triggers);
        EXPECT_TRUE(target.getPhysicsBody().getVelocity().positionEquals(Vector3::ZERO, 1e-5f));
        ASSERT_EQ(&explosion, explosions.create("slow"));
        explosion.activate(Vector3::ZERO, Vector3::ZERO, count);
        run(0.375);
        EXPECT_EQ(0, triggers);
        // It once entered its pool twice, and ran both lives' triggers.
        SCOPED_TRACE("activating a live explosion starts a new life without entering the pool twice");
        explosion.activate(Vector3(0, 0, 100), Vector3::ZERO, [&triggers] { triggers += 10; });
        EXPECT_EQ(1u, explosionsLive("slow"));
        EXPECT_EQ(0u, explosionsFree("slow"));
        run(1.0);
        EXPECT_EQ(10, triggers);
        EXPECT_EQ(1u, explosionsFree("slow"));
        explosion.deactivate(TAKEN_OUT);
        EXPECT_EQ(1u, explosionsFree("slow"));
    }
}

// A blast finds its bodies through the grid of what searches look for: every body in play that
// explosions push is filed there, targetable or not, and the blast reaches what the scene's own
// sphere query finds among the bodies in play.
TEST_F(ComplexExplosionTest, ABlastReachesTheBodiesTheScenesSphereQueryFinds)
{
    const Config fixed(written(folder.file("fixed.cfg"), "[Display]\nmesh = ball.mesh\n[Physics]\nmass = 4\n"));
    std::mt19937 random(11);
    const auto near = [&random] { return std::uniform_real_distribution<float>(-45.0f, 45.0f)(random); };
    for (int i = 0; i < 60; ++i) {
        const std::string name = "Body" + std::to_string(i);
        if (i % 4 == 3)
            bodies.push_back(std::make_unique<TargetBody>(scene(), name, fixed));
        else
            bodies.push_back(std::make_unique<TargetBody>(scene(), name, *ball));
        bodies.back()->place(Vector3(near(), near(), near()));
        if (i % 10 == 9)
            bodies.back()->deactivate(OWN_END);
    }
    frame(1.0 / 32);
    const Ogre::Sphere blast(Vector3(5, 0, -5), 30.0f);
    std::set<std::string> expected;
    for (const auto& body : bodies)
        body->getEntity()->getWorldBoundingSphere(true);
    Ogre::SphereSceneQuery* query = scene().createSphereQuery(blast, OgreLink::EXPLOSION_EFFECTABLE_FLAG);
    for (Ogre::MovableObject* object : query->execute().movables) {
        const OgreLink* link = OgreLink::getFrom(*object);
        if (link && link->getBody()->isActive() && (object->getParentNode()->_getDerivedPosition() - blast.getCenter()).length() < blast.getRadius())
            expected.insert(object->getName());
    }
    scene().destroyQuery(query);
    ComplexExplosion::applyPhysics(blast.getCenter(), blast.getRadius(), 2.0f, 1.0f,
                                   ComplexExplosion::PUSH | ComplexExplosion::DAMAGE, 0.0f);
    std::set<std::string> reached;
    for (const auto& body : bodies) {
        if (!body->damage.empty())
            reached.insert(body->getEntity()->getName());
    }
    EXPECT_GT(expected.size(), 5u);
    EXPECT_EQ(reached, expected);
}

TEST_F(ComplexExplosionTest, GroupsSplitTheDrawAndTheExplosionFiresItsSprayAndAnUnknownSprayOrDebrisFailsCleanly)
{
    Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Puff", "Core");
    writeFile(explosions() + "/puff.spray", "[ParticleSpray]\nsystemName = Test/Puff\nduration = 0.25\n"
                                            "rateCurveName = Rise\ntimeResolution = 0.0625\n[Physics]\nmass = 1\n");
    writeExplosionType("smoky", explosionType("A", "", 0.25, 0.5, "[Explosion]\nparticleSpray = puff\n"));
    writeExplosionType("lost", explosionType("A", "", 0.25, 0.5, "[Explosion]\nparticleSpray = nothing\n"));
    writeExplosionType("shrapnel", explosionType("A", "", 0.25, 0.5, "[Explosion_Debris]\nname = shard\n"));
    struct Unload { ~Unload() { ParticleSpray::unloadTypes(); } } unload;
    ParticleSpray::loadTypes(explosions(), &scene(), curves.get());
    for (const char* name : {"a", "b", "c"})
        writeExplosionType(name, explosionType("Three", ""));
    ExplosionManager& explosions = load();
    // A group splits the draw equally: the lowest takes the first member, the highest the last.
    ScriptedRandom random({0.0f, 0.9999f, 0.5f});
    EXPECT_EQ("a", explosions.createFromGroup("Three")->getName());
    EXPECT_EQ("c", explosions.createFromGroup("Three")->getName());
    EXPECT_EQ("b", explosions.createFromGroup("Three")->getName());

    explosions.create("smoky")->activate(Vector3(1, 2, 3), Vector3(0, 0, -10), ComplexExplosion::Callback());
    const std::set<ParticleSpray*> sprays = ParticleSpray::getPools().getPool("puff")->getLiveObjects();
    ASSERT_EQ(1u, sprays.size());
    EXPECT_EQ(Vector3(1, 2, 3), (*sprays.begin())->getPhysicsBody().getPosition());
    EXPECT_EQ(Vector3(0, 0, -10), (*sprays.begin())->getPhysicsBody().getVelocity());

    // The game stops, but the explosion must not stay live meanwhile.
    for (auto [name, lack] : {std::pair{"lost", "nothing"}, std::pair{"shrapnel", "shard"}}) {
        SCOPED_TRACE(name);
        ComplexExplosion& explosion = *explosions.create(name);
        LogCapture log;
        EXPECT_THROW(explosion.activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback()), FatalError);
        EXPECT_TRUE(log.contains(std::string("Multipool factory cannot create ") + lack
                                 + " as there is no creator registered"));
        EXPECT_FALSE(explosion.isActive());
        EXPECT_FALSE(shows(explosion));
        EXPECT_EQ(0u, explosionsLive(name));
    }
    ComplexExplosion::releaseAll();

    // A missing folder or a broken type stops the debris load with a log line and leaves no type.
    const std::string debris = this->explosions() + "/debris";
    const auto writeDebris = [&debris](const std::string& name, const std::string& group) {
        writeFile(debris + "/" + name + ".debris", "[Physics]\nmass = 1\n[Display]\nmesh = ball.mesh\n"
                  "[ExplosionDebris]\nfireParticleSystem = Test/Puff\nminTimeout = 0.5\n"
                  "maxTimeout = 0.5\nexplosionGroup = " + group + "\n");
    };
    struct UnloadDebris { ~UnloadDebris() { ExplosionDebris::unloadTypes(); } } unloadDebris;
    LogCapture log;
    EXPECT_THROW(ExplosionDebris::loadTypes(debris), ConfigurationError);
    EXPECT_TRUE(log.contains("ExplosionDebris: cannot read the debris folder " + debris));
    std::filesystem::create_directories(debris);
    writeDebris("dud", "Huge");
    EXPECT_THROW(ExplosionDebris::loadTypes(debris), ConfigurationError);
    EXPECT_TRUE(log.contains("ExplosionDebris: type dud explodes into the unknown explosion group "
                             "Huge"));
    EXPECT_FALSE(ExplosionDebris::hasType("dud"));
    ExplosionDebris::unloadTypes();
    std::filesystem::remove(debris + "/dud.debris");
    // Types load once; unknown ones are refused.
    writeDebris("chip", "Three");
    ExplosionDebris::loadTypes(debris);
    writeDebris("late", "Three");
    ExplosionDebris::loadTypes(debris);
    EXPECT_EQ(std::vector<std::string>{"chip"}, ExplosionDebris::getTypeNames());
    EXPECT_THROW(ExplosionDebris::createDebris("late"), ConfigurationError);

    // A piece relaunched in flight once entered its pool twice; one released at the end of a game
    // exploded later anyway.
    ExplosionDebris* chip = ExplosionDebris::getPools().create("chip");
    chip->launch(Vector3::ZERO, Ogre::Quaternion::IDENTITY, Vector3::ZERO);
    run(0.375);
    chip->launch(Vector3(0, 50, 0), Ogre::Quaternion::IDENTITY, Vector3::ZERO);
    run(0.375);
    EXPECT_TRUE(chip->isInFlight());
    EXPECT_EQ(1u, ExplosionDebris::getPools().getPool("chip")->getLiveCount());
    Scenario::releasePooledObjects();
    EXPECT_EQ(1u, ExplosionDebris::getPools().getPool("chip")->getFreeCount());
    run(1.0);
    EXPECT_EQ(0u, manager->getPools().getLiveCount());
    // Launched again by a holder that kept it: out of the free list, never handed out twice.
    chip->launch(Vector3::ZERO, Ogre::Quaternion::IDENTITY, Vector3::ZERO);
    EXPECT_NE(chip, ExplosionDebris::getPools().create("chip"));
}

} // namespace
} // namespace Tolvarine::Test

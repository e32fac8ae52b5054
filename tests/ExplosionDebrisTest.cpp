#include "CombatWorld.h"
#include "ComplexExplosion.h"
#include "ConfigurationError.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "OgreLink.h"
#include "ResponseCurves.h"
#include "Scenario.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "TestMeshes.h"

#include <OgreMaterialManager.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgrePass.h>
#include <OgreSceneNode.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <OgreTextureUnitState.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::boxShape;
using Test::CombatWorld;
using Test::createMesh;
using Test::LogCapture;
using Test::RenderingRoot;
using Test::ScriptedRandom;
using Test::SoundFiles;
using Test::writeFile;

// A debris type of a small box mesh burning with "Test/Fire", exploding into `group`.
std::string debrisType(const std::string& minTimeout, const std::string& maxTimeout, const std::string& group = "Small",
                       const std::string& fire = "Test/Fire")
{
    return "[Physics]\nmass = 1\nexplosionEffectable = 1\n[Display]\nmesh = chip.mesh\n"
           "[ExplosionDebris]\nfireParticleSystem = " + fire + "\nminTimeout = " + minTimeout
         + "\nmaxTimeout = " + maxTimeout + "\nexplosionGroup = " + group + "\n";
}

// What every debris test needs besides the combat world: the fire template, the piece's mesh and a
// debris folder. The types are forgotten at the end, before the scene goes.
class DebrisWorld : public CombatWorld {
protected:
    explicit DebrisWorld(RenderingRoot::Kind kind) : CombatWorld(kind)
    {
        if (!root)
            return;
        Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Fire", "Core");
        createMesh("chip.mesh", "Core", boxShape(Vector3(0.5f, 0.25f, 0.5f)));
        std::filesystem::create_directories(debris());
    }
    ~DebrisWorld() override { ExplosionDebris::unloadTypes(); }

    std::string debris() const { return folder.file("explosions/debris"); }
    void writeDebrisType(const std::string& fileName, const std::string& text) const
    {
        writeFile(debris() + "/" + fileName, text);
    }
    static std::size_t liveCount(const std::string& type)
    {
        return ExplosionDebris::getPools().getPool(type)->getLiveCount();
    }
    static std::size_t freeCount(const std::string& type)
    {
        return ExplosionDebris::getPools().getPool(type)->getFreeCount();
    }
};

class ExplosionDebrisLoaderTest : public DebrisWorld {
protected:
    ExplosionDebrisLoaderTest() : DebrisWorld(RenderingRoot::Kind::Windowed) {}

    // Loads the folder expecting a configuration error, then forgets whatever was loaded.
    void expectRefused()
    {
        EXPECT_THROW(ExplosionDebris::loadTypes(debris()), ConfigurationError);
        ExplosionDebris::unloadTypes();
    }
    void clearFolder() const
    {
        std::filesystem::remove_all(debris());
        std::filesystem::create_directories(debris());
    }
};

TEST_F(ExplosionDebrisLoaderTest, TypesAreTheDebrisFilesOfTheFolderWithPoolsThatStartEmpty)
{
    writeDebrisType("shard.debris", "[Factory]\npoolSize = 3\n" + debrisType("1", "2"));
    // Its twin is the same type and is never read.
    writeDebrisType("shard.debrisx", "not a configuration");
    writeDebrisType("ember.debris", debrisType("0.5", "0.5"));
    writeDebrisType(".hidden.debris", debrisType("1", "2"));
    writeDebrisType("loud.DEBRIS", debrisType("1", "2"));
    writeDebrisType("notes.txt", debrisType("1", "2"));
    std::filesystem::create_directories(debris() + "/deeper");
    writeDebrisType("deeper/buried.debris", debrisType("1", "2"));

    LogCapture log;
    ExplosionDebris::loadTypes(debris());
    EXPECT_EQ((std::vector<std::string>{"ember", "shard"}), ExplosionDebris::getTypeNames());
    EXPECT_TRUE(ExplosionDebris::hasType("shard"));
    EXPECT_FALSE(ExplosionDebris::hasType(".hidden"));
    // "poolSize" is not read: nothing is built until an explosion throws a piece.
    EXPECT_EQ(0u, liveCount("shard") + freeCount("shard"));
    EXPECT_TRUE(scene().getMovableObjects("Entity").empty());
    // A plain file is read without writing its twin beside it.
    EXPECT_FALSE(std::filesystem::exists(debris() + "/ember.debrisx"));

    // A second load reads nothing new.
    writeDebrisType("late.debris", debrisType("1", "2"));
    ExplosionDebris::loadTypes(debris());
    EXPECT_FALSE(ExplosionDebris::hasType("late"));

    // A piece is built on the first request, in the engine's scene, out of play.
    ExplosionDebris* piece = ExplosionDebris::getPools().create("ember");
    EXPECT_EQ(1u, liveCount("ember"));
    EXPECT_EQ("ember", piece->getTypeName());
    EXPECT_EQ("Small", piece->getExplosionGroup());
    EXPECT_FLOAT_EQ(0.5f, piece->getPeriod());
    EXPECT_FALSE(piece->isInFlight());
    EXPECT_EQ(2, piece->getCollisionType());
    const std::string name = piece->getSceneNode()->getName();
    EXPECT_EQ(0u, name.rfind("ember", 0));
    EXPECT_EQ(std::string::npos, name.find_first_not_of("0123456789", 5)) << name;
    EXPECT_EQ(name + "/FireSystem", piece->getFireSystem().getName());
    EXPECT_EQ(piece->getSceneNode(), piece->getFireSystem().getParentSceneNode());
    EXPECT_EQ(0u, piece->getFireSystem().getQueryFlags());
    EXPECT_TRUE(piece->getLink()->isExplosionEffectable());
    EXPECT_EQ(piece, piece->getLink()->getListener());

    // Unknown names: a clean error with its log line.
    EXPECT_THROW(ExplosionDebris::getPools().create("nothing"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nothing as there is no creator registered"));
    EXPECT_THROW(ExplosionDebris::createDebris("nothing"), ConfigurationError);
    EXPECT_TRUE(log.contains("Could not create ExplosionDebris: no config file found for type: nothing"));
}

TEST_F(ExplosionDebrisLoaderTest, ABrokenTypeStopsTheStartWithALogLineAndLeavesNoTypeOfIt)
{
    std::filesystem::create_directories(explosions());
    writeExplosionType("puff", "[Explosion]\ngroup = Small\n");
    ExplosionManager manager(explosions());
    LogCapture log;

    writeDebrisType("short.debris", "[Physics]\nmass = 1\n[Display]\nmesh = chip.mesh\n[ExplosionDebris]\n"
                                    "fireParticleSystem = Test/Fire\nminTimeout = 1\nexplosionGroup = Small\n");
    expectRefused();
    EXPECT_TRUE(log.contains("Key maxTimeout not found in section ExplosionDebris"));
    EXPECT_FALSE(ExplosionDebris::hasType("short"));

    clearFolder();
    writeDebrisType("backwards.debris", debrisType("3", "2"));
    expectRefused();
    EXPECT_TRUE(log.contains("ExplosionDebris: type backwards needs 0 <= minTimeout <= maxTimeout, not 3 and 2"));

    clearFolder();
    writeDebrisType("early.debris", debrisType("-1", "2"));
    expectRefused();
    EXPECT_TRUE(log.contains("ExplosionDebris: type early needs 0 <= minTimeout <= maxTimeout, not -1 and 2"));

    clearFolder();
    writeDebrisType("cold.debris", debrisType("1", "2", "Small", "Test/Nowhere"));
    expectRefused();
    EXPECT_TRUE(log.contains("ExplosionDebris: type cold names the unknown particle template Test/Nowhere"));

    clearFolder();
    writeDebrisType("dud.debris", debrisType("1", "2", "Huge"));
    expectRefused();
    EXPECT_TRUE(log.contains("ExplosionDebris: type dud explodes into the unknown explosion group Huge"));

    std::filesystem::remove_all(debris());
    expectRefused();

    // A sound folder loads.
    std::filesystem::create_directories(debris());
    writeDebrisType("fine.debris", debrisType("1", "2"));
    EXPECT_NO_THROW(ExplosionDebris::loadTypes(debris()));
    EXPECT_TRUE(ExplosionDebris::hasType("fine"));
}

TEST_F(ExplosionDebrisLoaderTest, ANameAlreadyTakenInTheSceneIsPassedOver)
{
    // Type "a1" would name its piece 0 like type "a" its piece 10; any other object may have taken
    // a name too.
    writeDebrisType("a.debris", debrisType("1", "1"));
    ExplosionDebris::loadTypes(debris());
    const std::string first = ExplosionDebris::getPools().create("a")->getSceneNode()->getName();
    const unsigned number = static_cast<unsigned>(std::stoul(first.substr(1)));
    const std::string taken = "a" + std::to_string(number + 1);
    scene().createSceneNode(taken);
    ExplosionDebris* next = nullptr;
    ASSERT_NO_THROW(next = ExplosionDebris::getPools().create("a"));
    EXPECT_EQ("a" + std::to_string(number + 2), next->getSceneNode()->getName());
    scene().destroySceneNode(taken);
}

// Explosions that throw debris, drawn on a hidden window (the flashes need textures): the group
// "Small" holds one explosion without debris, "Shrapnel" one that throws a shard and a spark.
class ExplosionDebrisTest : public DebrisWorld {
protected:
    ExplosionDebrisTest() : DebrisWorld(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        makeFlash();
        writeFile(folder.file("curves.cfg"), "[Rise]\n0 = 0\n1 = 1\n");
        curves = std::make_unique<ResponseCurves>(folder.file("curves.cfg"));
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        writeExplosionType("puff", explosionType("Small", ""));
        writeExplosionType("shrapnel", explosionType("Shrapnel", "[Explosion_Debris_1]\nname = shard\n"
                                                                 "[Explosion_Debris_2]\nname = spark\n"));
        manager = std::make_unique<ExplosionManager>(explosions(), curves.get());
        writeDebrisType("shard.debris", debrisType("0.5", "1.0"));
        writeDebrisType("spark.debris", debrisType("1.5", "1.5"));
        ExplosionDebris::loadTypes(debris());
        frame(1.0 / 32);
    }
    ~ExplosionDebrisTest() override
    {
        // Pieces in flight may hold explosions of the manager's pools in their future.
        ExplosionDebris::unloadTypes();
        manager.reset();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    // A flash material whose first texture unit steps through two small textures.
    static void makeFlash()
    {
        const std::string group = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
        std::vector<Ogre::String> names;
        for (const char* frame : {"Flash/Frame0", "Flash/Frame1"}) {
            names.push_back(frame);
            Ogre::TextureManager::getSingleton().createManual(frame, group, Ogre::TEX_TYPE_2D, 4, 4, 0,
                                                              Ogre::PF_BYTE_RGBA);
        }
        Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().create("Flash", group);
        Ogre::TextureUnitState* unit = material->getTechnique(0)->getPass(0)->createTextureUnitState();
        unit->setAnimatedTextureName(names.data(), names.size(), 0);
    }

    static std::string explosionType(const std::string& group, const std::string& more)
    {
        return "[Explosion]\ngroup = " + group + "\n[Physics]\nmass = 1\n"
               "[Animation]\nmaterialName = Flash\nduration = 0.25\ntimeResolution = 0.03125\nsize = 4\n"
               "[Glow]\nmaterialName = BaseWhite\nduration = 0.25\ntimeResolution = 0.03125\n"
               "sizeCurveName = Rise\nminSize = 1\nmaxSize = 2\ncolourCurveName = Rise\n"
               "minColour = (0 0 0 0)\nmaxColour = (1 1 1 1)\n[Sound]\nname = beep\n" + more;
    }

    ExplosionDebris* onlyLive(const std::string& type) const
    {
        const std::set<ExplosionDebris*> live = ExplosionDebris::getPools().getPool(type)->getLiveObjects();
        return live.size() == 1 ? *live.begin() : nullptr;
    }
    std::size_t explosionsLive(const std::string& type) const
    {
        return manager->getPools().getPool(type)->getLiveCount();
    }
    std::size_t explosionsBuilt(const std::string& type) const
    {
        return explosionsLive(type) + manager->getPools().getPool(type)->getFreeCount();
    }

    SoundFiles soundFiles;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> manager;
};

TEST_F(ExplosionDebrisTest, AnExplosionThrowsAPiecePerDebrisSectionAndEachExplodesWithinItsTime)
{
    // Every draw in the middle: the shard burns 0.75 s, the spark 1.5 s, each ± 0.1 s.
    ScriptedRandom random({0.5f});
    ComplexExplosion* explosion = manager->createFromGroup("Shrapnel");
    explosion->activate(Vector3(0, 0, -20), Vector3(8, 0, 0), ComplexExplosion::Callback());

    ExplosionDebris* shard = onlyLive("shard");
    ExplosionDebris* spark = onlyLive("spark");
    ASSERT_NE(nullptr, shard);
    ASSERT_NE(nullptr, spark);
    EXPECT_FLOAT_EQ(0.75f, shard->getPeriod());
    EXPECT_FLOAT_EQ(1.5f, spark->getPeriod());
    for (const ExplosionDebris* piece : {shard, spark}) {
        EXPECT_TRUE(piece->isInFlight());
        EXPECT_EQ(Vector3(0, 0, -20), piece->getPhysicsBody().getPosition());
        EXPECT_EQ(Vector3(8, 0, 0), piece->getPhysicsBody().getVelocity());
        // Burning where it flies.
        EXPECT_TRUE(piece->getFireSystem().isInScene());
    }

    run(0.625);
    EXPECT_TRUE(shard->isInFlight());
    EXPECT_TRUE(spark->isInFlight());
    EXPECT_EQ(0u, explosionsBuilt("puff"));

    run(0.25);
    EXPECT_FALSE(shard->isInFlight());
    EXPECT_FALSE(shard->getFireSystem().isInScene());
    EXPECT_EQ(0u, liveCount("shard"));
    EXPECT_EQ(1u, freeCount("shard"));
    EXPECT_TRUE(spark->isInFlight());
    // The shard's explosion, where the shard had flown to and moving as it moved.
    ASSERT_EQ(1u, explosionsLive("puff"));
    const ComplexExplosion* puff = *manager->getPools().getPool("puff")->getLiveObjects().begin();
    EXPECT_GT(puff->getPhysicsBody().getPosition().x, 4.0f);
    EXPECT_LT(puff->getPhysicsBody().getPosition().x, 7.5f);
    EXPECT_GT(puff->getPhysicsBody().getVelocity().x, 5.0f);

    run(0.5);
    EXPECT_TRUE(spark->isInFlight());
    run(0.25);
    EXPECT_FALSE(spark->isInFlight());
    EXPECT_EQ(0u, liveCount("spark"));
    EXPECT_EQ(1u, freeCount("spark"));
    EXPECT_EQ(1u, explosionsLive("puff"));
    run(0.5);
    // Both explosions went off and went back too: the shard's had ended before the spark's began,
    // so the pool handed the same one out again.
    EXPECT_EQ(0u, explosionsLive("puff"));
    EXPECT_EQ(1u, explosionsBuilt("puff"));
    EXPECT_EQ(0u, explosionsLive("shrapnel"));

    // The next explosion throws the same pieces again, with the times they drew once.
    manager->create("shrapnel")->activate(Vector3::ZERO, Vector3::ZERO, ComplexExplosion::Callback());
    EXPECT_EQ(shard, onlyLive("shard"));
    EXPECT_EQ(spark, onlyLive("spark"));
    EXPECT_FLOAT_EQ(0.75f, shard->getPeriod());
    run(1.75);
    EXPECT_EQ(0u, liveCount("shard") + liveCount("spark"));
}

TEST_F(ExplosionDebrisTest, APieceRelaunchedInFlightOrReleasedAtTheEndOfAGameIsPooledOnceAndNeverExplodes)
{
    ScriptedRandom random({0.0f});
    ExplosionDebris* shard = ExplosionDebris::getPools().create("shard");
    shard->launch(Vector3::ZERO, Quaternion::IDENTITY, Vector3::ZERO);
    run(0.375);
    // A new flight from elsewhere: the old one ends, the piece stays live once, and its time counts anew.
    shard->launch(Vector3(0, 50, 0), Quaternion::IDENTITY, Vector3::ZERO);
    EXPECT_TRUE(shard->isInFlight());
    EXPECT_EQ(1u, liveCount("shard"));
    EXPECT_EQ(0u, freeCount("shard"));
    run(0.375);
    EXPECT_TRUE(shard->isInFlight());
    EXPECT_EQ(0u, explosionsBuilt("puff"));

    // The end of the game.
    Scenario::releasePooledObjects();
    EXPECT_FALSE(shard->isInFlight());
    EXPECT_EQ(0u, liveCount("shard"));
    EXPECT_EQ(1u, freeCount("shard"));
    shard->deactivate(static_cast<DisableTime>(2));
    EXPECT_EQ(1u, freeCount("shard"));
    run(1.0);
    EXPECT_EQ(0u, explosionsBuilt("puff"));

    // Launched again by a holder that kept it: taken out of the free list, not handed out twice.
    shard->launch(Vector3::ZERO, Quaternion::IDENTITY, Vector3::ZERO);
    EXPECT_EQ(1u, liveCount("shard"));
    EXPECT_EQ(0u, freeCount("shard"));
    EXPECT_NE(shard, ExplosionDebris::getPools().create("shard"));
    ExplosionDebris::releaseAll();
}

TEST_F(ExplosionDebrisTest, BlastsPushBurningPiecesButNotPooledOnes)
{
    ExplosionDebris* flying = ExplosionDebris::getPools().create("spark");
    ExplosionDebris* pooled = ExplosionDebris::getPools().create("spark");
    flying->launch(Vector3(4, 0, 0), Quaternion::IDENTITY, Vector3::ZERO);
    pooled->launch(Vector3(-4, 0, 0), Quaternion::IDENTITY, Vector3::ZERO);
    pooled->deactivate(static_cast<DisableTime>(1));
    ComplexExplosion::applyPhysics(Vector3::ZERO, 10, 2, 5, ComplexExplosion::PUSH | ComplexExplosion::DAMAGE, 0);
    physics.update(1.0f / 60, 1.0f / 60);
    EXPECT_GT(flying->getPhysicsBody().getVelocity().x, 0.0f);
    EXPECT_TRUE(pooled->getPhysicsBody().getVelocity().positionEquals(Vector3::ZERO, 1e-5f));
    // Damage means nothing to debris: it burns on.
    EXPECT_TRUE(flying->isInFlight());
    ExplosionDebris::releaseAll();
}

} // namespace
} // namespace Tolvarine

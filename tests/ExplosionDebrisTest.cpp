#include "CombatWorld.h"
#include "ComplexExplosion.h"
#include "ConfigurationError.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "OgreLink.h"
#include "Scenario.h"
#include "TestMeshes.h"

#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>


namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::boxShape;
using Test::createMesh;
using Test::LogCapture;
using Test::ScriptedRandom;
using Test::writeFile;

// A debris type of a small box mesh burning with "Test/Fire", exploding into `group`.
std::string debrisType(const std::string& minTimeout, const std::string& maxTimeout, const std::string& group = "Small",
                       const std::string& fire = "Test/Fire")
{
    return "[Physics]\nmass = 1\nexplosionEffectable = 1\n[Display]\nmesh = chip.mesh\n"
           "[ExplosionDebris]\nfireParticleSystem = " + fire + "\nminTimeout = " + minTimeout
         + "\nmaxTimeout = " + maxTimeout + "\nexplosionGroup = " + group + "\n";
}

// Debris among explosions: the fire template, the piece's mesh and a debris folder; the group
// "Small" holds one explosion without debris, "Shrapnel" one that throws a shard and a spark. The
// types are forgotten at the end, before the explosions and the scene go.
class ExplosionDebrisTest : public Test::ExplosionWorld {
protected:
    ExplosionDebrisTest()
    {
        if (!root)
            return;
        Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Fire", "Core");
        createMesh("chip.mesh", "Core", boxShape(Vector3(0.5f, 0.25f, 0.5f)));
        std::filesystem::create_directories(debris());
        writeExplosionType("puff", explosionType("Small", "", 0.25, 0.25));
        writeExplosionType("shrapnel", explosionType("Shrapnel", "", 0.25, 0.25,
                                                     "[Explosion_Debris_1]\nname = shard\n"
                                                     "[Explosion_Debris_2]\nname = spark\n"));
        load();
    }
    ~ExplosionDebrisTest() override { ExplosionDebris::unloadTypes(); }

    std::string debris() const { return folder.file("explosions/debris"); }
    void writeDebrisType(const std::string& fileName, const std::string& text) const
    {
        writeFile(debris() + "/" + fileName, text);
    }
    // The shard burns 0.5 to 1 s, the spark 1.5 s.
    void loadShardAndSpark()
    {
        writeDebrisType("shard.debris", debrisType("0.5", "1.0"));
        writeDebrisType("spark.debris", debrisType("1.5", "1.5"));
        ExplosionDebris::loadTypes(debris());
        frame(1.0 / 32);
    }
    static std::size_t liveCount(const std::string& type)
    {
        return ExplosionDebris::getPools().getPool(type)->getLiveCount();
    }
    static std::size_t freeCount(const std::string& type)
    {
        return ExplosionDebris::getPools().getPool(type)->getFreeCount();
    }
    static ExplosionDebris* onlyLive(const std::string& type)
    {
        const std::set<ExplosionDebris*> live = ExplosionDebris::getPools().getPool(type)->getLiveObjects();
        return live.size() == 1 ? *live.begin() : nullptr;
    }
    std::size_t explosionsBuilt(const std::string& type) const { return explosionsLive(type) + explosionsFree(type); }
};

TEST_F(ExplosionDebrisTest, TypesAreTheDebrisFilesOfTheFolderWithPoolsThatStartEmpty)
{
    writeDebrisType("shard.debris", "[Factory]\npoolSize = 3\n" + debrisType("1", "2"));
    // Its twin is the same type and is never read.
    writeDebrisType("shard.debrisx", "not a configuration");
    writeDebrisType("ember.debris", debrisType("0.5", "0.5"));
    for (const char* ignored : {".hidden.debris", "loud.DEBRIS", "notes.txt", "deeper/buried.debris"}) {
        std::filesystem::create_directories(debris() + "/deeper");
        writeDebrisType(ignored, debrisType("1", "2"));
    }
    LogCapture log;
    ExplosionDebris::loadTypes(debris());
    EXPECT_EQ((std::vector<std::string>{"ember", "shard"}), ExplosionDebris::getTypeNames());
    // "poolSize" is not read: nothing is built until an explosion throws a piece.
    EXPECT_EQ(0u, liveCount("shard") + freeCount("shard"));
    EXPECT_TRUE(scene().getMovableObjects("Entity").empty());
    // A second load reads nothing new; a plain file is read without writing its twin beside it.
    writeDebrisType("late.debris", debrisType("1", "2"));
    ExplosionDebris::loadTypes(debris());
    EXPECT_FALSE(ExplosionDebris::hasType("late"));
    EXPECT_FALSE(std::filesystem::exists(debris() + "/ember.debrisx"));

    // A piece is built on the first request, in the engine's scene, out of play, named after its
    // type and a number.
    ExplosionDebris* piece = ExplosionDebris::getPools().create("ember");
    EXPECT_FALSE(piece->isInFlight());
    EXPECT_EQ(2, piece->getCollisionType());
    const std::string name = piece->getSceneNode()->getName();
    // Its fire is out of the blasts' scene queries; blasts reach the piece through its link.
    EXPECT_EQ(0u, piece->getFireSystem().getQueryFlags());
    EXPECT_TRUE(piece->getLink()->isExplosionEffectable());
    EXPECT_EQ(piece, piece->getLink()->getListener());

    // Type "a1" would name its piece 0 like type "ember" its piece 10; a name already taken in
    // the scene is passed over.
    const unsigned number = static_cast<unsigned>(std::stoul(name.substr(5)));
    scene().createSceneNode("ember" + std::to_string(number + 1));
    EXPECT_EQ("ember" + std::to_string(number + 2), ExplosionDebris::getPools().create("ember")->getSceneNode()->getName());
    scene().destroySceneNode("ember" + std::to_string(number + 1));

    // Unknown names: a clean error with its log line.
    EXPECT_THROW(ExplosionDebris::getPools().create("nothing"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nothing as there is no creator registered"));
    EXPECT_THROW(ExplosionDebris::createDebris("nothing"), ConfigurationError);
    EXPECT_TRUE(log.contains("Could not create ExplosionDebris: no config file found for type: nothing"));
}

TEST_F(ExplosionDebrisTest, ABrokenTypeStopsTheStartWithALogLineAndLeavesNoTypeOfIt)
{
    struct Row {
        const char* name;
        std::string text;
        const char* line;
    };
    const Row rows[] = {
        {"short", "[Physics]\nmass = 1\n[Display]\nmesh = chip.mesh\n[ExplosionDebris]\n"
                  "fireParticleSystem = Test/Fire\nminTimeout = 1\nexplosionGroup = Small\n",
         "Key maxTimeout not found in section ExplosionDebris"},
        {"backwards", debrisType("3", "2"), "ExplosionDebris: type backwards needs 0 <= minTimeout <= maxTimeout, not 3 and 2"},
        {"early", debrisType("-1", "2"), "ExplosionDebris: type early needs 0 <= minTimeout <= maxTimeout, not -1 and 2"},
        {"cold", debrisType("1", "2", "Small", "Test/Nowhere"),
         "ExplosionDebris: type cold names the unknown particle template Test/Nowhere"},
        {"dud", debrisType("1", "2", "Huge"), "ExplosionDebris: type dud explodes into the unknown explosion group Huge"},
        {"missing folder", "", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(debris());
        if (row.line) {
            std::filesystem::create_directories(debris());
            writeDebrisType(row.name + std::string(".debris"), row.text);
        }
        LogCapture log;
        EXPECT_THROW(ExplosionDebris::loadTypes(debris()), ConfigurationError);
        if (row.line) {
            EXPECT_TRUE(log.contains(row.line));
        }
        EXPECT_FALSE(ExplosionDebris::hasType(row.name));
        ExplosionDebris::unloadTypes();
    }
}

TEST_F(ExplosionDebrisTest, AnExplosionThrowsAPiecePerDebrisSectionAndEachExplodesWithinItsTime)
{
    loadShardAndSpark();
    ScriptedRandom random({0.5f}); // the shard burns 0.75 s, the spark 1.5 s
    manager->createFromGroup("Shrapnel")->activate(Vector3(0, 0, -20), Vector3(8, 0, 0), ComplexExplosion::Callback());
    ExplosionDebris* shard = onlyLive("shard");
    ExplosionDebris* spark = onlyLive("spark");
    ASSERT_TRUE(shard && spark);
    EXPECT_EQ(Vector3(8, 0, 0), spark->getPhysicsBody().getVelocity());
    EXPECT_TRUE(spark->getFireSystem().isInScene()); // burning where it flies
    run(0.625);
    EXPECT_EQ(0u, explosionsBuilt("puff"));
    run(0.25);
    EXPECT_FALSE(shard->isInFlight() || shard->getFireSystem().isInScene());
    EXPECT_TRUE(spark->isInFlight());
    // The shard's explosion, where the shard had flown to and moving as it moved.
    ASSERT_EQ(1u, explosionsLive("puff"));
    const ComplexExplosion* puff = *manager->getPools().getPool("puff")->getLiveObjects().begin();
    EXPECT_NEAR(puff->getPhysicsBody().getPosition().x, 5.75f, 1.75f);
    EXPECT_GT(puff->getPhysicsBody().getVelocity().x, 5.0f);
    run(1.25);
    // The shard's explosion had ended before the spark's began: the pool handed the same one out again.
    EXPECT_EQ(1u, freeCount("spark") + freeCount("shard") - 1);
    EXPECT_EQ(0u, explosionsLive("puff"));
    EXPECT_EQ(1u, explosionsBuilt("puff"));
}

// A piece relaunched in flight once entered its pool twice; one released at the end of a game
// exploded later anyway.
TEST_F(ExplosionDebrisTest, APieceRelaunchedInFlightOrReleasedAtTheEndOfAGameIsPooledOnceAndNeverExplodes)
{
    loadShardAndSpark();
    ScriptedRandom random({0.0f});
    ExplosionDebris* shard = ExplosionDebris::getPools().create("shard");
    shard->launch(Vector3::ZERO, Quaternion::IDENTITY, Vector3::ZERO);
    run(0.375);
    // A new flight from elsewhere: the old one ends, the piece stays live once, and its time counts anew.
    shard->launch(Vector3(0, 50, 0), Quaternion::IDENTITY, Vector3::ZERO);
    EXPECT_EQ(1u, liveCount("shard"));
    EXPECT_EQ(0u, freeCount("shard"));
    run(0.375);
    EXPECT_TRUE(shard->isInFlight());
    EXPECT_EQ(0u, explosionsBuilt("puff"));

    Scenario::releasePooledObjects();
    EXPECT_FALSE(shard->isInFlight());
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

    // Blasts push burning pieces but not pooled ones; damage means nothing to debris.
    ExplosionDebris* pooled = ExplosionDebris::getPools().create("spark");
    pooled->launch(Vector3(-4, 0, 0), Quaternion::IDENTITY, Vector3::ZERO);
    pooled->deactivate(static_cast<DisableTime>(1));
    ComplexExplosion::applyPhysics(Vector3(-4, 0, 4), 10, 2, 5, ComplexExplosion::PUSH | ComplexExplosion::DAMAGE, 0);
    physics.update(1.0f / 60, 1.0f / 60);
    EXPECT_GT(shard->getPhysicsBody().getVelocity().x, 0.0f);
    EXPECT_TRUE(pooled->getPhysicsBody().getVelocity().positionEquals(Vector3::ZERO, 1e-5f));
    EXPECT_TRUE(shard->isInFlight());
    ExplosionDebris::releaseAll();
}

} // namespace
} // namespace Tolvarine

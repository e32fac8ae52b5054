#include "CombatWorld.h"
#include "ComplexProjectile.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "Faction.h"
#include "FatalError.h"
#include "FireableProjectile.h"
#include "LogCapture.h"
#include "Projectile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::CombatWorld;
using Test::LogCapture;
using Test::RenderingRoot;
using Test::writeFile;

// The keys every plain projectile needs, after a "Factory" section of the given text.
std::string plainType(const std::string& factory, const std::string& extra = "",
                      const std::string& damageType = "Plasma")
{
    return factory + "[Fireable]\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\nimpactImpulse = 1\n"
                     "explosionGroup = Plasma\ntimeToLive = 1\ndamageType = " + damageType + "\n"
         + extra + "[Collision_Geometry]\ntype = ray\nlength = 1\n";
}

class FireableProjectileTest : public CombatWorld {
protected:
    FireableProjectileTest() : CombatWorld(RenderingRoot::Kind::Headless) {}

    static std::size_t freeCount(const std::string& name)
    {
        return FireableProjectile::getPools().getPool(name)->getFreeCount();
    }
    static std::size_t liveCount(const std::string& name)
    {
        return FireableProjectile::getPools().getPool(name)->getLiveCount();
    }

    Faction faction{"Player", 0};
};

TEST_F(FireableProjectileTest, TypesAreFileStemsLoadedOnceEachWithTheirPools)
{
    writeProjectileType("laser", plainType("[Factory]\npoolSize = 2\n"));
    // A stale twin of laser with another pool size: the plain file, first in name order, counts.
    ASSERT_TRUE(encipherToFile(plainType("[Factory]\npoolSize = 5\n"), entities() + "/laser.fireablex"));
    // A type that ships only as its twin.
    ASSERT_TRUE(encipherToFile(plainType("[Factory]\npoolSize = 1\n"), entities() + "/bolt.fireablex"));
    writeProjectileType(".old", plainType("[Factory]\npoolSize = 1\n"));
    writeFile(entities() + "/Caps.FIREABLE", plainType(""));
    writeFile(entities() + "/notes.txt", "not a type");

    FireableProjectile::loadTypes(entities());
    EXPECT_EQ((std::vector<std::string>{"bolt", "laser"}), FireableProjectile::getTypeNames());
    EXPECT_EQ((std::vector<std::string>{"bolt", "laser"}), FireableProjectile::getPools().getTypeNames());
    EXPECT_EQ(1.0f, FireableProjectile::getType("bolt").get<float>("Fireable", "directDamage"));
    EXPECT_EQ(entities() + "/laser.fireable", FireableProjectile::getPath("laser"));
    // Loading again builds nothing more.
    FireableProjectile::loadTypes(entities());
    EXPECT_EQ(2u, freeCount("laser"));
    EXPECT_EQ(1u, freeCount("bolt"));
}

TEST_F(FireableProjectileTest, UnknownNamesFoldersAndBrokenTypesAreLoggedAndRefused)
{
    LogCapture log;
    EXPECT_THROW(FireableProjectile::loadTypes(folder.file("nowhere")), ConfigurationError);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(0u, log.lines().back().rfind("FireableProjectile: cannot read the projectile folder ", 0));
    EXPECT_THROW(FireableProjectile::getType("phaser"), ConfigurationError);
    EXPECT_TRUE(log.contains("There is no projectile type phaser"));
    EXPECT_THROW(FireableProjectile::create("phaser"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create phaser as there is no creator registered"));

    writeProjectileType("broken", "[Factory]\npoolSize = 1\n[Fireable]\nsplashDamage = 0\n");
    log.clear();
    EXPECT_THROW(FireableProjectile::loadTypes(entities()), ConfigurationError);
    // Type files are read as enciphered data, which keeps key names out of the log.
    EXPECT_TRUE(log.contains("Key not found"));
    EXPECT_FALSE(FireableProjectile::hasType("broken"));
    EXPECT_FALSE(FireableProjectile::getPools().hasType("broken"));
}

TEST_F(FireableProjectileTest, AKindIsChosenByTheFirstFlagSetOfGuidedBeamAndComplex)
{
    writeProjectileType("missile", plainType("", "guided = 1\nbeam = 1\ncomplex = 1\n"));
    writeProjectileType("laser", plainType("", "beam = 1\ncomplex = 1\n"));
    writeProjectileType("torpedo", plainType("", "complex = 1\n"));
    writeProjectileType("slug", plainType(""));
    FireableProjectile::loadTypes(entities());

    LogCapture log;
    // The guided kind has no class yet: its types are refused cleanly.
    EXPECT_THROW(FireableProjectile::createByKind("missile"), ConfigurationError);
    EXPECT_TRUE(log.contains("FireableProjectile: projectile type missile is guided, a kind that cannot be built yet"));
    // A beam, not a complex projectile: it asks for the beam's own keys, which this type lacks.
    EXPECT_THROW(FireableProjectile::createByKind("laser"), ConfigurationError);
    EXPECT_TRUE(log.contains("Key not found"));
    EXPECT_EQ(0u, liveCount("missile") + freeCount("missile")) << "nothing left behind by the refusals";

    const std::unique_ptr<FireableProjectile> torpedo(FireableProjectile::createByKind("torpedo"));
    EXPECT_NE(nullptr, dynamic_cast<ComplexProjectile*>(torpedo.get()));
    const std::unique_ptr<FireableProjectile> slug(FireableProjectile::createByKind("slug"));
    EXPECT_EQ(nullptr, dynamic_cast<ComplexProjectile*>(slug.get()));
}

TEST_F(FireableProjectileTest, ReleaseAllReturnsEveryShotAndShutdownReadsTheTypesAgain)
{
    writeProjectileType("slug", plainType("[Factory]\npoolSize = 1\n"));
    writeProjectileType("bolt", plainType("[Factory]\npoolSize = 1\n"));
    FireableProjectile::loadTypes(entities());
    std::vector<Projectile*> shots;
    for (const char* name : {"slug", "slug", "bolt"}) {
        shots.push_back(dynamic_cast<Projectile*>(FireableProjectile::create(name)));
        shots.back()->launch(&faction, false, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 5.0f, nullptr);
    }
    FireableProjectile::releaseAll();
    for (const Projectile* shot : shots)
        EXPECT_FALSE(shot->isActive());
    EXPECT_EQ(0u, liveCount("slug") + liveCount("bolt"));
    EXPECT_EQ(2u, freeCount("slug"));

    writeProjectileType("slug", plainType("[Factory]\npoolSize = 3\n"));
    FireableProjectile::shutdown();
    EXPECT_EQ(3u, freeCount("slug"));
    EXPECT_EQ(1u, freeCount("bolt"));
}

TEST_F(FireableProjectileTest, DamageTypeNamesMatchExactlyAndAnythingElseIsConventional)
{
    LogCapture log;
    const std::pair<const char*, DamageType> rows[] = {
        {"Beam", BEAM}, {"Plasma", PLASMA}, {"Conventional", CONVENTIONAL}, {"plasma", CONVENTIONAL}};
    for (const auto& [name, type] : rows)
        EXPECT_EQ(type, FireableProjectile::parseDamageType(name)) << name;
    EXPECT_EQ(std::vector<std::string>{"Unknown damage type string: plasma"}, log.lines());

    writeProjectileType("bolt", plainType("", "", "plasma"));
    FireableProjectile::loadTypes(entities());
    const std::unique_ptr<FireableProjectile> bolt(FireableProjectile::createByKind("bolt"));
    EXPECT_EQ(CONVENTIONAL, dynamic_cast<Projectile&>(*bolt).getDamageType());
}

} // namespace
} // namespace Tolvarine

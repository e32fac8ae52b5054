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

namespace Tolvarine {
namespace {

using Test::LogCapture;
using Types = std::vector<std::string>;

// The keys every plain projectile needs, with a pool of `poolSize` and the keys of `extra`.
std::string plainType(const std::string& poolSize, const std::string& extra = "", const std::string& damage = "Plasma")
{
    return (poolSize.empty() ? "" : "[Factory]\npoolSize = " + poolSize + "\n")
           + "[Fireable]\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\nimpactImpulse = 1\nexplosionGroup = Plasma\n"
             "timeToLive = 1\ndamageType = " + damage + "\n" + extra + "[Collision_Geometry]\ntype = ray\nlength = 1\n";
}

class FireableProjectileTest : public Test::CombatWorld {
protected:
    FireableProjectileTest() : CombatWorld(Tolvarine::Test::RenderingRoot::Kind::Headless) {}
    static std::size_t freeCount(const std::string& name) { return FireableProjectile::getPools().getPool(name)->getFreeCount(); }
};

TEST_F(FireableProjectileTest, TypesAreFileStemsLoadedOnceAndBrokenOnesAreRefused)
{
    LogCapture log;
    EXPECT_THROW(FireableProjectile::loadTypes(folder.file("nowhere")), ConfigurationError);
    EXPECT_EQ(0u, log.lines().back().rfind("FireableProjectile: cannot read the projectile folder ", 0));
    writeProjectileType("laser", plainType("2"));
    // A stale twin with another pool size: the plain file, first in name order, counts.
    ASSERT_TRUE(encipherToFile(plainType("5"), entities() + "/laser.fireablex"));
    ASSERT_TRUE(encipherToFile(plainType("1"), entities() + "/bolt.fireablex")); // shipped only as its twin
    writeProjectileType(".old", plainType("1"));
    Tolvarine::Test::writeFile(entities() + "/Caps.FIREABLE", plainType(""));
    FireableProjectile::loadTypes(entities());
    FireableProjectile::loadTypes(entities());
    EXPECT_EQ((Types{"bolt", "laser"}), FireableProjectile::getTypeNames());
    EXPECT_EQ((Types{"bolt", "laser"}), FireableProjectile::getPools().getTypeNames());
    EXPECT_EQ(entities() + "/laser.fireable", FireableProjectile::getPath("laser"));
    EXPECT_EQ(2u, freeCount("laser"));
    EXPECT_EQ(1u, freeCount("bolt"));
    EXPECT_THROW(FireableProjectile::getType("phaser"), ConfigurationError);
    EXPECT_TRUE(log.contains("There is no projectile type phaser"));
    EXPECT_THROW(FireableProjectile::create("phaser"), FatalError);

    // Type files are read as enciphered data, which keeps key names out of the log.
    writeProjectileType("broken", "[Factory]\npoolSize = 1\n[Fireable]\nsplashDamage = 0\n");
    log.clear();
    EXPECT_THROW(FireableProjectile::loadTypes(entities()), ConfigurationError);
    EXPECT_TRUE(log.contains("Key not found"));
    EXPECT_FALSE(FireableProjectile::hasType("broken"));
    EXPECT_FALSE(FireableProjectile::getPools().hasType("broken"));
}

TEST_F(FireableProjectileTest, KindsDamageTypesAndTheWayBackToThePools)
{
    // The kind is the first flag set of guided, beam and complex.
    writeProjectileType("missile", plainType("", "guided = 1\nbeam = 1\ncomplex = 1\n"));
    writeProjectileType("laser", plainType("", "beam = 1\ncomplex = 1\n"));
    writeProjectileType("torpedo", plainType("", "complex = 1\n"));
    writeProjectileType("slug", plainType("1", "", "plasma"));
    LogCapture log;
    FireableProjectile::loadTypes(entities());
    EXPECT_THROW(FireableProjectile::createByKind("missile"), ConfigurationError);
    // A missile, not a beam: it asks for the missile's own sections, which this type lacks.
    EXPECT_TRUE(log.contains("Key not found"));
    // A beam asks for the beam's own keys, which this type lacks.
    EXPECT_THROW(FireableProjectile::createByKind("laser"), ConfigurationError);
    EXPECT_TRUE(log.contains("Key not found"));
    const std::unique_ptr<FireableProjectile> torpedo(FireableProjectile::createByKind("torpedo"));
    EXPECT_NE(nullptr, dynamic_cast<ComplexProjectile*>(torpedo.get()));
    // Damage type names match exactly; anything else is conventional.
    const std::pair<const char*, DamageType> rows[] = {{"Beam", BEAM}, {"Plasma", PLASMA}, {"Conventional", CONVENTIONAL}};
    for (const auto& [name, type] : rows)
        EXPECT_EQ(type, FireableProjectile::parseDamageType(name)) << name;
    auto* slug = dynamic_cast<Projectile*>(FireableProjectile::create("slug"));
    ASSERT_NE(nullptr, slug);
    EXPECT_EQ(nullptr, dynamic_cast<ComplexProjectile*>(slug));
    EXPECT_EQ(CONVENTIONAL, slug->getDamageType());
    EXPECT_TRUE(log.contains("Unknown damage type string: plasma"));

    Faction faction("Player", 0);
    for (Projectile* shot : {slug, dynamic_cast<Projectile*>(FireableProjectile::create("slug"))})
        shot->launch(&faction, false, Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY, 5.0f, nullptr);
    FireableProjectile::releaseAll();
    EXPECT_FALSE(slug->isActive());
    EXPECT_EQ(2u, freeCount("slug"));
    // Shutting down reads the types again.
    writeProjectileType("slug", plainType("3"));
    FireableProjectile::shutdown();
    EXPECT_EQ(3u, freeCount("slug"));
}

} // namespace
} // namespace Tolvarine

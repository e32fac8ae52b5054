#include "CombatWorld.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FatalError.h"
#include "FireableProjectile.h"
#include "LogCapture.h"
#include "Projectile.h"
#include "SoundFixture.h"
#include "StandardWeaponSystem.h"
#include "Weapon.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::CombatWorld;
using Test::LogCapture;
using Test::RenderingRoot;
using Test::writeFile;

const char* const BOLT = "[Factory]\npoolSize = 0\n[Fireable]\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\n"
                         "impactImpulse = 0\nexplosionGroup = Plasma\ntimeToLive = 100\ndamageType = Plasma\n"
                         "[Physics]\nmass = 0.5\n[Collision_Geometry]\ntype = ray\nlength = 2\n";
const char* const RAY = "[Fireable]\nbeam = 1\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\nimpactImpulse = 0\n"
                        "explosionGroup = Plasma\ntimeToLive = 1\n";

std::string weaponType(const std::string& keys)
{
    std::string text = "[Weapon]\n" + keys;
    for (const char* key : {"projectile = bolt", "maxLoaded = 3", "loadPeriod = 2", "launchSpeed = 100"}) {
        const std::string name = std::string(key).substr(0, std::string(key).find(' '));
        if (keys.find(name + " =") == std::string::npos)
            text += std::string(key) + "\n";
    }
    return text;
}

class WeaponTest : public CombatWorld {
protected:
    WeaponTest() : CombatWorld(RenderingRoot::Kind::Headless)
    {
        if (!root)
            return;
        writeProjectileType("bolt", BOLT);
        writeProjectileType("ray", RAY);
        FireableProjectile::loadTypes(entities());
        Weapon::setTypeFolder(entities());
        ownerNode = scene().getRootSceneNode()->createChildSceneNode("Owner");
        frame(1.0 / 32);
    }
    ~WeaponTest() override
    {
        system.reset();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
    }

    void writeWeapon(const std::string& name, const std::string& keys) const
    {
        writeFile(folder.file("entities/" + name + ".weapon"), weaponType(keys));
    }
    // A system of the given section keys and entries in a ship file of the test.
    StandardWeaponSystem& makeSystem(const std::string& text)
    {
        writeFile(folder.file("owner.ship"), text);
        ownerType = std::make_unique<Config>(folder.file("owner.ship"));
        system = std::make_unique<StandardWeaponSystem>(&owner, ownerNode, *ownerType, "WeaponSystem_Primary");
        system->activate(&faction);
        return *system;
    }
    // A system of one weapon of the given type keys.
    // Types are parsed once per name, so each of a test's types needs a name of its own.
    Weapon& makeWeapon(const std::string& keys, const std::string& systemKeys = "automatic = 0\n",
                       const std::string& name = "gun")
    {
        writeWeapon(name, keys);
        makeSystem("[WeaponSystem_Primary]\n" + systemKeys + systemSection() + "weapon1 = Gun1\n"
                   "[Gun1]\ntype = " + name + "\nposition = (1 2 3)\n");
        return *system->getWeapons().at(0);
    }
    static std::string systemSection()
    {
        return "guided = 0\nfarRange = 900\nnearRange = 50\nbestRange = 300\nfireThreshold = 0.9\nfirePeriod = 1\n";
    }
    // Projectiles launched and still in flight (their lifetime is far beyond any test).
    static std::size_t shots() { return FireableProjectile::getPools().getPool("bolt")->getLiveCount(); }
    void advance(double seconds) { Tolvarine::Test::ManualTicks::advance(seconds); }

    Tolvarine::Test::FakeReporter owner; // stays where the test puts it
    Ogre::SceneNode* ownerNode = nullptr;
    Faction faction{"Player", 0};
    std::unique_ptr<Config> ownerType;
    std::unique_ptr<StandardWeaponSystem> system;
};

TEST_F(WeaponTest, AWeaponSpendsWholeUnitsAndReloadsOverGameTime)
{
    Weapon& gun = makeWeapon("maxLoaded = 3\nloadPeriod = 2\n");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(gun.fire(nullptr));
    advance(1.0);
    EXPECT_FALSE(gun.fire(nullptr));
    EXPECT_FLOAT_EQ(0.5f, gun.getLoaded());
    EXPECT_FLOAT_EQ(0.5f / 3.0f, system->getLoadProportion());
    advance(1.0);
    EXPECT_TRUE(gun.fire(nullptr));
    EXPECT_EQ(4u, shots());
    // The load never grows past the most the weapon holds.
    advance(100.0);
    EXPECT_FLOAT_EQ(3.0f, gun.reload());

    // A weapon that holds less than one unit never fires.
    Weapon& dud = makeWeapon("maxLoaded = 0.9\nloadPeriod = 0.1\n", "automatic = 0\n", "dud");
    advance(10.0);
    EXPECT_FALSE(dud.fire(nullptr));
    EXPECT_EQ(4u, shots());
}

TEST_F(WeaponTest, ADelayedShotBlocksFurtherRequestsAndSpendsItsLoadAtTheLaunch)
{
    Weapon& gun = makeWeapon("fireDelay = 0.5\n");
    owner.orientation = Quaternion(Ogre::Degree(90), Vector3::UNIT_Y);
    owner.velocity = Vector3(5, 0, 0);
    EXPECT_TRUE(gun.fire(nullptr));
    EXPECT_TRUE(gun.isPending());
    EXPECT_FALSE(gun.fire(nullptr));
    EXPECT_FLOAT_EQ(3.0f, gun.getLoaded());
    run(0.375);
    EXPECT_EQ(0u, shots());
    run(0.25);
    ASSERT_EQ(1u, shots());
    EXPECT_FALSE(gun.isPending());
    EXPECT_LT(gun.getLoaded(), 2.5f);

    // From the mount's world position, along the owner's orientation at the launch, without the
    // owner's velocity.
    auto* bolt = dynamic_cast<Projectile*>(*FireableProjectile::getPools().getPool("bolt")->getLiveObjects().begin());
    ASSERT_NE(nullptr, bolt);
    const Vector3 velocity = bolt->getPhysicsBody().getVelocity();
    EXPECT_NEAR(-100.0f, velocity.x, 0.01f);
    EXPECT_NEAR(0.0f, velocity.z, 0.01f);
    EXPECT_EQ(&faction, bolt->getFaction());
    EXPECT_EQ(Vector3(1, 2, 3), gun.getMountNode()->getPosition());
}

TEST_F(WeaponTest, ADeactivatedWeaponLaunchesNothingAndItsPendingShotIsClearedByTheNextActivation)
{
    Weapon& gun = makeWeapon("fireDelay = 0.5\n");
    ASSERT_TRUE(gun.fire(nullptr));
    system->deactivate();
    run(1.0);
    EXPECT_TRUE(gun.isPending());
    // A launch task that still runs while the weapon is inactive launches nothing.
    EXPECT_FALSE(gun.actuallyFire(0.0f));
    EXPECT_EQ(0u, shots());
    system->activate(&faction);
    EXPECT_FALSE(gun.isPending());
    EXPECT_TRUE(gun.fire(nullptr));
}

TEST_F(WeaponTest, LaunchSpeedZeroIsInstantForBeamsAndAConfigurationErrorForAnythingElse)
{
    writeWeapon("lance", "projectile = ray\nlaunchSpeed = 0\n");
    Weapon lance(&owner, ownerNode, nullptr, Vector3::ZERO, *Weapon::load("lance"));
    EXPECT_EQ(std::numeric_limits<float>::infinity(), lance.getLaunchSpeed());

    writeWeapon("slow", "launchSpeed = 0\n");
    LogCapture log;
    EXPECT_THROW(Weapon(&owner, ownerNode, nullptr, Vector3::ZERO, *Weapon::load("slow")), ConfigurationError);
    EXPECT_TRUE(log.contains("Weapon: launch speed 0 is only for beams, and projectile type bolt is not a beam"));
}

TEST_F(WeaponTest, BadNamesAreLoggedAndFailCleanlyLeavingNoMountBehind)
{
    LogCapture log;
    writeWeapon("nowhere", "projectile = nothing\n");
    EXPECT_THROW(Weapon(&owner, ownerNode, nullptr, Vector3::ZERO, *Weapon::load("nowhere")), ConfigurationError);
    EXPECT_TRUE(log.contains("There is no projectile type nothing"));

    writeWeapon("mute", "fireSound = no_such_sound\n");
    EXPECT_ANY_THROW(Weapon(&owner, ownerNode, nullptr, Vector3::ZERO, *Weapon::load("mute")));
    EXPECT_EQ(0u, ownerNode->numChildren());

    EXPECT_THROW(Weapon(nullptr, ownerNode, nullptr, Vector3::ZERO, *Weapon::load("gun_missing_but_unread")),
                 ConfigurationError);
    writeWeapon("gun", "");
    EXPECT_THROW(Weapon(nullptr, ownerNode, nullptr, Vector3::ZERO, *Weapon::load("gun")), FatalError);
    EXPECT_TRUE(log.contains("Weapon: a weapon needs an owner that reports its position"));
}

TEST_F(WeaponTest, AWeaponTypeIsParsedOnceAndTheMountGoesWithItsWeapon)
{
    writeWeapon("gun", "maxLoaded = 2\n");
    Config* first = Weapon::load("gun");
    writeWeapon("gun", "maxLoaded = 7\n");
    EXPECT_EQ(first, Weapon::load("gun"));
    {
        Weapon a(&owner, ownerNode, nullptr, Vector3::ZERO, *first);
        Weapon b(&owner, ownerNode, nullptr, Vector3::UNIT_X, *first);
        EXPECT_FLOAT_EQ(2.0f, b.getMaxLoaded());
        const std::string nameA = a.getMountNode()->getName();
        const std::string nameB = b.getMountNode()->getName();
        ASSERT_EQ(0u, nameA.rfind("Weapon", 0));
        EXPECT_EQ(std::stoul(nameA.substr(6)) + 1, std::stoul(nameB.substr(6)));
    }
    EXPECT_EQ(0u, ownerNode->numChildren());
}

TEST_F(WeaponTest, WeaponEntriesLoadInByteOrderOfTheirKeysAndFireInTurn)
{
    writeWeapon("gun", "maxLoaded = 1\nloadPeriod = 1000\n");
    makeSystem("[WeaponSystem_Primary]\nautomatic = 0\n" + systemSection() +
               "weapon1 = A\nweapon2 = C\nweapon10 = B\nWeapon3 = Ignored\nprimaryweapon = D\n"
               "[A]\ntype = gun\nposition = (1 0 0)\n[B]\ntype = gun\nposition = (10 0 0)\n"
               "[C]\ntype = gun\nposition = (2 0 0)\n[D]\ntype = gun\nposition = (7 0 0)\n");
    const auto& weapons = system->getWeapons();
    ASSERT_EQ(4u, weapons.size());
    const float expected[] = {7, 1, 10, 2};
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(Vector3(expected[i], 0, 0), system->getCurrentWeaponPosition()) << i;
        system->setFiring(true);
        EXPECT_EQ(i + 1, shots());
        EXPECT_FLOAT_EQ(0.0f, weapons[i]->getLoaded()) << i;
    }
    // Everything empty: one request asks each weapon once and makes no shot.
    EXPECT_TRUE(system->fireNextWeapon(0.0f));
    EXPECT_EQ(4u, shots());
    EXPECT_EQ(0u, system->getCurrentWeapon());
    EXPECT_FALSE(system->isFiring());
}

TEST_F(WeaponTest, AnEmptyWeaponIsSkippedWhileTheTurnStillAlternates)
{
    writeWeapon("gun", "maxLoaded = 5\n");
    writeWeapon("dud", "maxLoaded = 0.5\n");
    makeSystem("[WeaponSystem_Primary]\nautomatic = 0\n" + systemSection() +
               "weapon1 = A\nweapon2 = B\n[A]\ntype = gun\nposition = (1 0 0)\n[B]\ntype = dud\nposition = (2 0 0)\n");
    Weapon& gun = *system->getWeapons()[0];
    system->setFiring(true);
    EXPECT_EQ(1u, system->getCurrentWeapon());
    EXPECT_FLOAT_EQ(1.0f, system->getLoadProportion());
    system->setFiring(true);
    EXPECT_EQ(1u, system->getCurrentWeapon());
    EXPECT_EQ(2u, shots());
    EXPECT_NEAR(3.0f, gun.getLoaded(), 0.01f);
}

TEST_F(WeaponTest, AutomaticFireShootsAtOnceAndThenEveryPeriodUntilStopped)
{
    makeWeapon("maxLoaded = 100\nloadPeriod = 0.01\n", "automatic = 1\n");
    system->setFirePeriod(0.5f);
    system->setFiring(true);
    EXPECT_EQ(1u, shots());
    run(0.4);
    EXPECT_EQ(1u, shots());
    run(0.2);
    EXPECT_EQ(2u, shots());
    run(0.5);
    EXPECT_EQ(3u, shots());
    system->setFiring(false);
    EXPECT_FALSE(system->isFiring());
    run(2.0);
    EXPECT_EQ(3u, shots());

    // Deactivation stops automatic fire and activation does not start it again.
    system->setFiring(true);
    EXPECT_EQ(4u, shots());
    system->deactivate();
    EXPECT_FALSE(system->isFiring());
    system->activate(&faction);
    run(2.0);
    EXPECT_EQ(4u, shots());

    // With its weapons empty an automatic system keeps its task and fires once reloaded.
    makeWeapon("maxLoaded = 1\nloadPeriod = 2\n", "automatic = 1\n", "single");
    system->getWeapons()[0]->fire(nullptr);
    system->setFirePeriod(0.25f);
    system->setFiring(true);
    EXPECT_TRUE(system->isFiring());
    run(1.5);
    EXPECT_EQ(5u, shots());
    run(1.0);
    EXPECT_EQ(6u, shots());
}

TEST_F(WeaponTest, ASystemReadsItsSectionAndFailsWithoutAWeapon)
{
    writeWeapon("gun", "launchSpeed = 250\n");
    makeSystem("[WeaponSystem_Primary]\nautomatic = 0\ndescription = Twin guns\n" + systemSection() +
               "weapon = A\n[A]\ntype = gun\nposition = (0 0 -4)\n");
    EXPECT_EQ("Twin guns", system->getDescription());
    EXPECT_FLOAT_EQ(250.0f, system->getLaunchSpeed()); // its weapons' speed
    system->setPlayerControlled(true);
    EXPECT_TRUE(system->getWeapons()[0]->isPlayerControlled());

    LogCapture log;
    EXPECT_THROW(makeSystem("[WeaponSystem_Primary]\nautomatic = 0\n" + systemSection() + "Weapon1 = A\n"
                            "[A]\ntype = gun\nposition = (0 0 0)\n"),
                 ConfigurationError);
    EXPECT_TRUE(log.contains("Weapon system WeaponSystem_Primary has no weapon"));
    EXPECT_THROW(makeSystem("[WeaponSystem_Primary]\nautomatic = 0\nweapon = A\n[A]\ntype = gun\nposition = (0 0 0)\n"),
                 ConfigurationError);
}

} // namespace
} // namespace Tolvarine

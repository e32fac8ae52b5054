#include "CombatWorld.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "LogCapture.h"
#include "Projectile.h"
#include "SoundFixture.h"
#include "StandardWeaponSystem.h"
#include "Weapon.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

const char* const BOLT = "[Factory]\npoolSize = 0\n[Fireable]\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\n"
                         "impactImpulse = 0\nexplosionGroup = Plasma\ntimeToLive = 100\ndamageType = Plasma\n"
                         "explosionSpeedProportion = 0\nexplosionBounceSpeedProportion = 0\n"
                         "[Physics]\nmass = 0.5\n[Collision_Geometry]\ntype = ray\nlength = 2\n";
const char* const RAY = "[Fireable]\nbeam = 1\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\nimpactImpulse = 0\n"
                        "explosionGroup = Plasma\ntimeToLive = 1\nupdatePeriod = 0.125\nupdateVariance = 0\n"
                        "explosionSpeedProportion = 0\nexplosionBounceSpeedProportion = 0\n"
                        "guidedBeam = 0\nrange = 100\nbeamColour = (1 1 1 1)\nmaterialName = BaseWhite\nbeamSize = 1\n";
// The keys a weapon system needs besides its entries.
const std::string SYSTEM = "guided = 0\nfarRange = 900\nnearRange = 50\nbestRange = 300\n"
                           "fireThreshold = 0.9\nfirePeriod = 1\n";

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

    // The test's keys before the defaults: the first of a repeated key counts.
    void writeWeapon(const std::string& name, const std::string& keys) const
    {
        writeFile(folder.file("entities/" + name + ".weapon"), "[Weapon]\n" + keys
                  + "projectile = bolt\nmaxLoaded = 3\nloadPeriod = 2\nlaunchSpeed = 100\n");
    }
    // A system of the given section keys and entries in a ship file of the test.
    StandardWeaponSystem& makeSystem(const std::string& text)
    {
        ownerType = std::make_unique<Config>(written(folder.file("owner.ship"), text));
        system = std::make_unique<StandardWeaponSystem>(&owner, ownerNode, *ownerType, "WeaponSystem_Primary");
        system->activate(&faction);
        return *system;
    }
    // A system of one weapon; types are parsed once per name, so each needs a name of its own.
    Weapon& makeWeapon(const std::string& keys, const std::string& systemKeys = "automatic = 0\n",
                       const std::string& name = "gun")
    {
        writeWeapon(name, keys);
        makeSystem("[WeaponSystem_Primary]\n" + systemKeys + SYSTEM + "weapon1 = Gun1\n"
                   "[Gun1]\ntype = " + name + "\nposition = (1 2 3)\n");
        return *system->getWeapons().at(0);
    }
    static std::size_t shots() { return FireableProjectile::getPools().getPool("bolt")->getLiveCount(); }

    FakeReporter owner; // stays where the test puts it
    Ogre::SceneNode* ownerNode = nullptr;
    Faction faction{"Player", 0};
    std::unique_ptr<Config> ownerType;
    std::unique_ptr<StandardWeaponSystem> system;
};

TEST_F(WeaponTest, AWeaponSpendsWholeUnitsReloadsOverGameTimeAndDelaysItsShot)
{
    // A delayed shot blocks further requests and spends its load at the launch, from the mount's
    // world position along the owner's orientation then, without the owner's velocity.
    Weapon& slow = makeWeapon("fireDelay = 0.5\n", "automatic = 0\n", "slow");
    owner.orientation = Quaternion(Ogre::Degree(90), Vector3::UNIT_Y);
    owner.velocity = Vector3(5, 0, 0);
    EXPECT_TRUE(slow.fire(nullptr));
    EXPECT_FALSE(slow.fire(nullptr));
    EXPECT_FLOAT_EQ(3.0f, slow.getLoaded());
    run(0.375);
    EXPECT_EQ(0u, shots());
    run(0.25);
    ASSERT_EQ(1u, shots());
    EXPECT_FALSE(slow.isPending());
    EXPECT_LT(slow.getLoaded(), 2.5f);
    auto* bolt = dynamic_cast<Projectile*>(*FireableProjectile::getPools().getPool("bolt")->getLiveObjects().begin());
    ASSERT_NE(nullptr, bolt);
    EXPECT_TRUE(bolt->getPhysicsBody().getVelocity().positionEquals(Vector3(-100, 0, 0), 0.01f));
    EXPECT_EQ(&faction, bolt->getFaction());

    // Deactivated, it launches nothing; the next activation clears the pending shot.
    ASSERT_TRUE(slow.fire(nullptr));
    system->deactivate();
    run(1.0);
    EXPECT_TRUE(slow.isPending());
    EXPECT_FALSE(slow.actuallyFire(0.0f));
    EXPECT_EQ(1u, shots());
    system->activate(&faction);
    EXPECT_FALSE(slow.isPending());

    Weapon& gun = makeWeapon("maxLoaded = 3\nloadPeriod = 2\n");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(gun.fire(nullptr));
    ManualTicks::advance(1.0);
    EXPECT_FALSE(gun.fire(nullptr));
    EXPECT_FLOAT_EQ(0.5f / 3.0f, system->getLoadProportion());
    ManualTicks::advance(1.0);
    EXPECT_TRUE(gun.fire(nullptr));
    EXPECT_EQ(5u, shots());
    ManualTicks::advance(100.0);
    EXPECT_FLOAT_EQ(3.0f, gun.reload()); // never past the most the weapon holds
    Weapon& dud = makeWeapon("maxLoaded = 0.9\nloadPeriod = 0.1\n", "automatic = 0\n", "dud");
    ManualTicks::advance(10.0);
    EXPECT_FALSE(dud.fire(nullptr)); // holds less than one unit: never fires
    EXPECT_EQ(5u, shots());
}

TEST_F(WeaponTest, TypesAreParsedOnceBadOnesLeaveNoMountAndEntriesFireInTurnInKeyOrder)
{
    writeWeapon("gun", "maxLoaded = 2\n");
    Config* first = Weapon::load("gun");
    writeWeapon("gun", "maxLoaded = 7\n");
    EXPECT_EQ(first, Weapon::load("gun"));
    {
        Weapon a(&owner, ownerNode, nullptr, Vector3::ZERO, *first);
        Weapon b(&owner, ownerNode, nullptr, Vector3(1, 2, 3), *first);
        EXPECT_EQ(Vector3(1, 2, 3), b.getMountNode()->getPosition());
        const std::string nameA = a.getMountNode()->getName(), nameB = b.getMountNode()->getName();
        ASSERT_EQ(0u, nameA.rfind("Weapon", 0));
        EXPECT_EQ(std::stoul(nameA.substr(6)) + 1, std::stoul(nameB.substr(6)));
    }
    EXPECT_EQ(0u, ownerNode->numChildren());
    writeWeapon("lance", "projectile = ray\nlaunchSpeed = 0\n");
    Weapon lance(&owner, ownerNode, nullptr, Vector3::ZERO, *Weapon::load("lance"));
    EXPECT_EQ(std::numeric_limits<float>::infinity(), lance.getLaunchSpeed()); // beams are instant

    LogCapture log;
    writeWeapon("still", "launchSpeed = 0\n");
    writeWeapon("nowhere", "projectile = nothing\n");
    writeWeapon("mute", "fireSound = no_such_sound\n");
    struct Row { const char* type; const char* line; bool owned; };
    const Row rows[] = {
        {"still", "Weapon: launch speed 0 is only for beams, and projectile type bolt is not a beam", true},
        {"nowhere", "There is no projectile type nothing", true},
        {"mute", nullptr, true},
        {"gun_missing_but_unread", nullptr, false},
        {"gun", "Weapon: a weapon needs an owner that reports its position", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        EXPECT_ANY_THROW(Weapon(row.owned ? &owner : nullptr, ownerNode, nullptr, Vector3::ZERO, *Weapon::load(row.type)));
        EXPECT_TRUE(!row.line || log.contains(row.line));
        EXPECT_EQ(1u, ownerNode->numChildren()); // the lance's only
    }

    // Entries load in byte order of their keys and fire in turn, skipping empty ones.
    writeWeapon("twin", "maxLoaded = 1\nloadPeriod = 1000\nlaunchSpeed = 250\n");
    makeSystem("[WeaponSystem_Primary]\nautomatic = 0\n" + SYSTEM +
               "weapon1 = A\nweapon2 = C\nweapon10 = B\nWeapon3 = Ignored\nprimaryweapon = D\n"
               "[A]\ntype = twin\nposition = (1 0 0)\n[B]\ntype = twin\nposition = (10 0 0)\n"
               "[C]\ntype = twin\nposition = (2 0 0)\n[D]\ntype = twin\nposition = (7 0 0)\n");
    EXPECT_FLOAT_EQ(250.0f, system->getLaunchSpeed()); // its weapons' speed
    const auto& weapons = system->getWeapons();
    ASSERT_EQ(4u, weapons.size());
    const float expected[] = {7, 1, 10, 2};
    for (unsigned i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Vector3(expected[i], 0, 0), system->getCurrentWeaponPosition());
        system->setFiring(true);
        EXPECT_EQ(i + 1, shots());
    }
    // Everything empty: one request asks each weapon once and makes no shot.
    EXPECT_TRUE(system->fireNextWeapon(0.0f));
    EXPECT_EQ(4u, shots());
    EXPECT_EQ(0u, system->getCurrentWeapon());
    EXPECT_FALSE(system->isFiring());

    // An empty weapon is skipped while the turn still alternates.
    writeWeapon("full", "maxLoaded = 5\n");
    writeWeapon("dud", "maxLoaded = 0.5\n");
    makeSystem("[WeaponSystem_Primary]\nautomatic = 0\n" + SYSTEM +
               "weapon1 = A\nweapon2 = B\n[A]\ntype = full\nposition = (1 0 0)\n[B]\ntype = dud\nposition = (2 0 0)\n");
    system->setFiring(true);
    EXPECT_EQ(1u, system->getCurrentWeapon());
    system->setFiring(true);
    EXPECT_EQ(1u, system->getCurrentWeapon());
    EXPECT_EQ(6u, shots());
    EXPECT_NEAR(3.0f, system->getWeapons()[0]->getLoaded(), 0.01f);

    EXPECT_THROW(makeSystem("[WeaponSystem_Primary]\nautomatic = 0\n" + SYSTEM + "Weapon1 = A\n"
                            "[A]\ntype = gun\nposition = (0 0 0)\n"),
                 ConfigurationError);
    EXPECT_TRUE(log.contains("Weapon system WeaponSystem_Primary has no weapon"));
    EXPECT_THROW(makeSystem("[WeaponSystem_Primary]\nautomatic = 0\nweapon = A\n[A]\ntype = gun\nposition = (0 0 0)\n"),
                 ConfigurationError);
}

// The loaders of ships and stations check every weapon system and weapon type at start-up, also
// for types whose pools start empty; nothing is built. A NaN launch speed was logged at every shot.
// A fire period of 0 (automatic fire asked at every pass), a load period below 0 (reloaded at once),
// a fire delay below 0 (fired at once) and a launch speed below 0 (fired backwards) play, and pass.
TEST_F(WeaponTest, SystemsAndTheirWeaponTypesAreCheckedWithoutBuildingAnything)
{
    // The refused key stands in the weapon's file, or with `inSystem` in the owner's, in the system's
    // section or, for the mount's place, in the mount's.
    const struct {
        const char* rule; const char* systemKeys; const char* weaponKeys; const char* line; bool inSystem; const char* key;
        const char* mount = "(0 0 0)";
    } rows[] = {
        {"a NaN launch speed", "", "launchSpeed = nan\n", "Failed lexical cast (not a finite number)", false, "launchSpeed"},
        {"a shot of no speed that is no beam", "", "launchSpeed = 0\n",
         "Weapon: launch speed 0 is only for beams, and projectile type bolt is not a beam", false, "launchSpeed"},
        {"a fire period of 0", "firePeriod = 0\n", "", nullptr, true, ""},
        {"a load period below 0", "", "loadPeriod = -1\n", nullptr, false, ""},
        {"a launch speed below 0", "", "launchSpeed = -5\n", nullptr, false, ""},
        {"a fire delay below 0", "", "fireDelay = -1\n", nullptr, false, ""},
        // The muzzle's flash is drawn there: past half the float range its box passes the range.
        {"a mount beyond what the renderer draws", "", "", "position (0 -2e+38 0) reaches 1.9e+38 on an axis, where a place "
         "the renderer drew ended the game", true, "position", "(0 -2e38 0)"},
        {"a mount short of it", "", "", nullptr, true, "", "(1.85e38 0 -1.85e38)"},
    };
    int number = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        // Types are parsed once per name.
        const std::string name = "checked" + std::to_string(number++);
        writeWeapon(name, row.weaponKeys);
        const Config ownerFile(written(folder.file(name + ".ship"), std::string("[WeaponSystem_Primary]\n") + row.systemKeys
                                       + "automatic = 0\n" + SYSTEM + "weapon1 = Gun1\n[Gun1]\ntype = " + name + "\nposition = " + row.mount + "\n"));
        const std::string section = row.key == std::string("position") ? "Gun1" : "WeaponSystem_Primary";
        const std::string place = row.inSystem ? ownerFile.getPath() + ", section " + section
                                               : folder.file("entities/" + name + ".weapon") + ", section Weapon";
        LogCapture log;
        if (row.line) {
            EXPECT_ANY_THROW(StandardWeaponSystem::checkSection(ownerFile, "WeaponSystem_Primary"));
            EXPECT_EQ(log.lines(), (std::vector<std::string>{row.line, "Config: in " + place + ", key " + row.key}));
        } else {
            EXPECT_NO_THROW(StandardWeaponSystem::checkSection(ownerFile, "WeaponSystem_Primary"));
            EXPECT_EQ(log.lines(), std::vector<std::string>{});
        }
        EXPECT_EQ(0u, ownerNode->numChildren());
    }
}

} // namespace
} // namespace Tolvarine::Test

#include "Ship.h"

#include "CombatWorld.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "Difficulty.h"
#include "Faction.h"
#include "FatalError.h"
#include "FireableProjectile.h"
#include "FrameDisplay.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "InstrumentSoundManager.h"
#include "LogCapture.h"
#include "MovementController.h"
#include "OgreLink.h"
#include "ResponseCurves.h"
#include "ScenarioWorld.h"
#include "ShipDamageModel.h"
#include "ShipExplosionSequence.h"
#include "ShipFiles.h"
#include "ShipType.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "TestMeshes.h"
#include "Weapon.h"

#include <boost/python/extract.hpp>

#include <OgreControllerManager.h>
#include <OgreEntity.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

const char* const BOLT = "[Factory]\npoolSize = 0\n[Fireable]\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\n"
                         "impactImpulse = 0\nexplosionGroup = Plasma\ntimeToLive = 100\ndamageType = Plasma\n"
                         "[Physics]\nmass = 0.5\n[Collision_Geometry]\ntype = ray\nlength = 2\n";

// A hull, camera offsets, a collision sphere and two weapon systems of one gun each.
std::string flyableSections(const std::string& mesh)
{
    const std::string system = "automatic = 0\nguided = 0\nfarRange = 900\nnearRange = 50\nbestRange = 300\n"
                               "fireThreshold = 0.9\nfirePeriod = 1\n";
    return (mesh.empty() ? std::string() : "[Display]\nmesh = " + mesh + "\n") +
           "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"
           "[Collision_Geometry]\ntype = sphere\nradius = 2\ncomponent = Hull\n" +
           componentText("Component_Hull", 100) +
           "[WeaponSystem_Primary]\n" + system + "weapon1 = Gun1\n[Gun1]\ntype = gun\nposition = (1 0 -2)\n"
           "[WeaponSystem_Secondary]\n" + system + "weapon1 = Gun2\n[Gun2]\ntype = gun\nposition = (-1 0 -2)\n";
}

// Ship types in a temporary entities folder with every service a ship talks to.
class ShipTest : public CombatWorld {
protected:
    ShipTest() : CombatWorld(RenderingRoot::Kind::Headless)
    {
        if (!root)
            return;
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        Ogre::ParticleSystem* engine = Ogre::ParticleSystemManager::getSingleton().createTemplate(
            "TestEngine", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        engine->addEmitter("Point")->setEmissionRate(40.0f);
        createMesh("hull.mesh", "Core", sphereShape(6, 8, 2.0f));

        writeFile(folder.file("curves.cfg"), "[Difficulty Hit Ratio]\n0 = 1\n1 = 1\n");
        writeFile(folder.file("difficulty.cfg"), "[Difficulty]\ndifficulty = 0.5\nenemyIntelligenceFactor = 1\n"
                                                 "friendlyIntelligenceFactor = 0.5\n");
        curves = std::make_unique<ResponseCurves>(folder.file("curves.cfg"));
        difficulty = std::make_unique<Difficulty>(folder.file("difficulty.cfg"), *curves);

        writeProjectileType("bolt", BOLT);
        FireableProjectile::loadTypes(entities());
        writeFile(folder.file("entities/gun.weapon"),
                  "[Weapon]\nprojectile = bolt\nmaxLoaded = 3\nloadPeriod = 2\nlaunchSpeed = 100\n");
        Weapon::setTypeFolder(entities());
        ShipExplosionSequence::getPoolFactory().registerType(
            "SmallShipDeath", [] { return new ShipExplosionSequence("SmallShipDeath", 1.0f, 0.0f); }, 0);
    }

    ~ShipTest() override
    {
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        ShipType::unloadAll();
        ShipExplosionSequence::getPoolFactory().clear();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
        if (root)
            Ogre::ParticleSystemManager::getSingleton().removeTemplate("TestEngine");
    }

    void writeShip(const std::string& name, int poolSize, const std::map<std::string, std::string>& changes = {},
                   const std::string& mesh = "hull.mesh") const
    {
        std::map<std::string, std::string> keys = changes;
        keys["poolSize"] = std::to_string(poolSize);
        keys["mainThrustSound"] = "hum";
        keys["auxiliaryThrustSound"] = "hum";
        writeFile(folder.file("entities/" + name + ".ship"), shipText(name, keys, flyableSections(mesh)));
    }

    void loadShips() { Ship::loadTypes(entities()); }
    static Ship::Pools::Pool& pool(const std::string& name) { return *Ship::getPoolFactory().getPool(name); }
    static unsigned long queryFlags(const Ship& ship) { return ship.getEntity()->getQueryFlags(); }

    struct FreshSoundDefinitions {
        FreshSoundDefinitions() { SoundManager::forgetSoundConfigs(); }
        ~FreshSoundDefinitions() { SoundManager::forgetSoundConfigs(); }
    } freshSoundDefinitions;
    // Particle systems attach their update to the controllers, which a headless root lacks.
    std::unique_ptr<Ogre::ControllerManager> controllers =
        root ? std::make_unique<Ogre::ControllerManager>() : nullptr;
    GraphicsSettings graphics{folder.file("graphics.cfg")};
    GameplaySettings gameplay{folder.file("gameplay.cfg")};
    SoundFiles soundFiles;
    SoundManager soundManager{nullptr, SoundSystem::Output::SILENT};
    InstrumentSoundManager sounds;
    MovementController movement;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<Difficulty> difficulty;
    Faction player{"Player", 0};
    Faction enemy{"Enemy", 0};
};

TEST_F(ShipTest, PoolsActivationFocusAndReactivation)
{
    writeShip("Dart", 2);
    writeShip("Arrow", 1, {{"description", "Arrow interceptor"}});
    loadShips();
    EXPECT_EQ(1u, pool("Arrow").getFreeCount());
    EXPECT_EQ("Arrow interceptor", Ship::createByFilename("Arrow")->getName());
    Ship* ship = Ship::create("Dart");
    EXPECT_FALSE(ship->isInPlay());
    EXPECT_EQ(static_cast<CollisionListener*>(&ship->getShipDamageModel()), ship->getLink()->getListener());
    EXPECT_EQ(ship, ship->getLink()->getControllable());
    ship->activate(player, Vector3(10, 20, 30), Quaternion::IDENTITY);
    EXPECT_EQ(1, player.getShipCount());
    EXPECT_TRUE(ship->getFrameDisplay().isActive());
    EXPECT_EQ(&player, ship->getSecondaryWeaponSystem()->getFaction());
    EXPECT_EQ(player.getId() | ship->getLink()->getFlags() | 64ul, queryFlags(*ship));
    // The player's side flies with the friendly intelligence, every other with the enemy's.
    EXPECT_FLOAT_EQ(difficulty->getFriendlyIntelligence(), ship->getSkill());
    {
        SCOPED_TRACE("the focused ship hides its frame, drives the movement and loses focus when it leaves");
        ship->setFocus(true);
        EXPECT_FALSE(ship->getFrameDisplay().isActive());
        EXPECT_EQ(&ship->getThrust(), movement.getControllable());
        ship->deactivate(static_cast<DisableTime>(2));
        EXPECT_EQ(nullptr, Controllable::getFocused());
        EXPECT_EQ(nullptr, movement.getControllable());
        EXPECT_FALSE(ship->getFrameDisplay().isActive());
        EXPECT_EQ(nullptr, ship->getSecondaryWeaponSystem()->getFaction());
    }
    {
        SCOPED_TRACE("deactivating a ship out of play changes nothing");
        ship->deactivate(static_cast<DisableTime>(1));
        EXPECT_EQ(0, player.getShipCount());
        EXPECT_EQ(2u, pool("Dart").getFreeCount());
        EXPECT_EQ(ship, Ship::create("Dart"));
    }
    {
        SCOPED_TRACE("reactivating the flown ship takes it from the player and from its faction");
        ship->activate(player, Vector3::ZERO, Quaternion::IDENTITY);
        ship->setFocus(true);
        ship->activate(enemy, Vector3(0, 0, -50), Quaternion::IDENTITY);
        EXPECT_EQ(nullptr, Controllable::getFocused());
        EXPECT_TRUE(ship->getFrameDisplay().isActive());
        EXPECT_EQ(0, player.getShipCount());
        EXPECT_EQ(1, enemy.getShipCount());
        EXPECT_FLOAT_EQ(difficulty->getEnemyIntelligence(), ship->getSkill());
    }
    {
        SCOPED_TRACE("the pool grows rather than hand out a flying ship; the end of a game returns all");
        Ship* second = Ship::create("Dart");
        Ship* third = Ship::create("Dart");
        EXPECT_EQ(3u, (std::set<Ship*>{ship, second, third}.size()));
        second->activate(player, Vector3::ZERO, Quaternion::IDENTITY);
        Ship::deactivateAll();
        EXPECT_EQ(0u, pool("Dart").getLiveCount());
        EXPECT_EQ(3u, pool("Dart").getFreeCount());
        EXPECT_EQ(0, enemy.getShipCount() + player.getShipCount());
    }
}

TEST_F(ShipTest, AFleetTakesItsShipsInTypeNameOrderAndSpreadsThemAroundThePosition)
{
    writeShip("Beta", 0);
    writeShip("Alpha", 0, {{"role", "interceptor"}});
    loadShips();

    const Quaternion turned(Ogre::Degree(90), Vector3::UNIT_Y);
    const std::vector<Ship*> fleet = Ship::spawnFleet({{"Beta", 2}, {"Alpha", 1}}, enemy, Vector3(100, 0, 0), turned);
    ASSERT_EQ(3u, fleet.size());
    EXPECT_EQ("Alpha", fleet[0]->getType().getName());
    EXPECT_EQ("Beta", fleet[2]->getType().getName());

    for (Ship* ship : fleet)
        EXPECT_TRUE((ship->getOrientation() * Vector3::NEGATIVE_UNIT_Z).positionEquals(Vector3::NEGATIVE_UNIT_X, 1e-4f));
    // The lone interceptor sits at the centre, the two fighters on a ring around it.
    EXPECT_EQ(Vector3(100, 0, 0), fleet[0]->getPosition());
    const float ring = (fleet[1]->getPosition() - Vector3(100, 0, 0)).length();
    EXPECT_GT(ring, 2.0f * fleet[1]->getBoundingRadius());
    EXPECT_NEAR(ring, (fleet[2]->getPosition() - Vector3(100, 0, 0)).length(), 1e-3f);
    EXPECT_NE(fleet[1]->getPosition(), fleet[2]->getPosition());

    // The faction lists its ships pool by pool, in type-name order; factions go by name.
    EXPECT_EQ(fleet, Faction("Enemy", 0).getShips());

    // A fleet naming an unknown type fails as a whole and keeps no ship out of its pool.
    Ship::deactivateAll();
    LogCapture log;
    EXPECT_THROW(Ship::spawnFleet({{"Alpha", 1}, {"Zulu", 1}}, enemy, Vector3::ZERO, Quaternion::IDENTITY),
                 FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create Zulu as there is no creator registered"));
    EXPECT_EQ(0u, pool("Alpha").getLiveCount());
    EXPECT_TRUE(enemy.getShips().empty());
}

TEST_F(ShipTest, BadTypesAndNamesFailCleanlyWithTheirLogLines)
{
    writeShip("Dart", 1);
    loadShips();
    LogCapture log;
    EXPECT_THROW(Ship::createByFilename("dartt"), ConfigurationError);
    EXPECT_TRUE(log.contains("ShipType file dartt not found"));
    // A type without a mesh cannot make a ship.
    ShipType::unloadAll();
    writeShip("Ghost", 1, {}, "");
    EXPECT_THROW(loadShips(), FatalError);
    EXPECT_TRUE(log.contains("Ship created with no entity!"));
    EXPECT_EQ(nullptr, Ship::getPoolFactory().getPool("Ghost"));

    // A capital ship without its point defence cannot be built.
    ShipType::unloadAll();
    std::filesystem::remove(folder.file("entities/Ghost.ship"));
    writeShip("Carrier", 1, {{"Ship.capitalShip", "1"}});
    EXPECT_THROW(loadShips(), ConfigurationError);
    EXPECT_TRUE(log.contains("Key not found"));
}

TEST_F(ShipTest, ScriptsTakeShipsFromThePoolsAndFlyThemForAFaction)
{
    writeShip("Dart", 2);
    loadShips();
    ScriptSystem& host = scriptHost();
    auto faction = std::make_shared<Faction>("Scripted", 0);
    host.evaluate("globals()")["scripted"] = faction;
    host.runString("from Tolvarine import *\n"
                   "ship = Ship.create('Dart')\n"
                   "ship.activate(scripted, Vector3(1, 2, 3), Quaternion(1, 0, 0, 0))\n"
                   "same = Ship.createByFilename('Dart')\n"
                   "listed = scripted.getShipList()\n"
                   "fleet = Ship.spawnFleet({'Dart': 1}, scripted, Vector3(0, 0, 0), Quaternion(1, 0, 0, 0))\n");
    EXPECT_EQ(2, faction->getShipCount());
    EXPECT_EQ(1, boost::python::extract<int>(host.evaluate("len(listed)"))());
    EXPECT_TRUE(boost::python::extract<bool>(host.evaluate("listed[0] is not None and len(fleet) == 1"))());
    Ship* first = boost::python::extract<Ship*>(host.evaluate("ship"));
    EXPECT_EQ(Vector3(1, 2, 3), first->getPosition());

    host.runString("ship.deactivate(2)\n");
    EXPECT_FALSE(first->isInPlay());
    host.runString("del ship, same, listed, fleet\n");
    Ship::deactivateAll();
    host.evaluate("globals()").attr("pop")("scripted");
}

} // namespace
} // namespace Tolvarine::Test

// Capital ships and their turret stations, built from the game's own Bastion and Lancer files in a
// windowed world: station types, poses and joints on a turned hull, manning, point-defence threats,
// a second life, and turrets fighting an enemy fighter.

#include "CapitalShip.h"
#include "CapitalShipStation.h"

#include "CollisionMeshCache.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "Difficulty.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "FixedTask.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "GuidedProjectile.h"
#include "InputHandler.h"
#include "InstrumentSoundManager.h"
#include "Interface.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "MovementController.h"
#include "ParticleSpray.h"
#include "PhysicsEngine.h"
#include "PointDefenseWeaponSystem.h"
#include "Profiler.h"
#include "RenderingRoot.h"
#include "ResponseCurves.h"
#include "Scheduler.h"
#include "ShipType.h"
#include "SoundManager.h"
#include "Statistics.h"
#include "TolvarineEngine.h"
#include "TurretBehaviour.h"
#include "Weapon.h"

#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;
using Ogre::Quaternion;
using Ogre::Vector3;

std::string shipped(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/" + relative;
}

// The registry walks one folder: dot files and other kinds are skipped, a twin is its plain
// file's type, and a second load changes nothing.
TEST(CapitalShipStationTypes, RegistryRules)
{
    TemporaryFolder first, second;
    for (const char* name : {"lancer.station", "lancer.stationx", ".station", ".hidden.station", "ram.station",
                             "hull.ship", "upper.STATION"})
        writeFile(first.file(name), "[Physics]\nmaxTorque = 1\n");
    fs::create_directories(first.file("nested"));
    writeFile(first.file("nested/deep.station"), "[Physics]\nmaxTorque = 1\n");
    writeFile(second.file("late.station"), "[Physics]\nmaxTorque = 1\n");
    CapitalShipStation::loadTypes(first.file(""));
    CapitalShipStation::loadTypes(second.file(""));

    const struct {
        const char* name;
        bool registered;
    } rows[] = {{"lancer", true}, {"ram", true}, {"", false}, {".hidden", false}, {"hull", false},
                {"upper", false}, {"deep", false}, {"late", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        if (row.registered) {
            EXPECT_EQ(CapitalShipStation::getType(row.name).get<float>("Physics", "maxTorque"), 1.0f);
        } else {
            EXPECT_THROW(CapitalShipStation::getType(row.name), ConfigurationError);
            EXPECT_TRUE(log.contains(std::string("There is no capital-ship-station type ") + row.name));
        }
    }
    CapitalShipStation::unloadTypes();
}

// The game's data folders, engines and services a capital ship talks to, in a working folder of
// its own, on a hand-driven clock.
class CapitalShipWorld : public ::testing::Test {
protected:
    CapitalShipWorld() : previous(fs::current_path())
    {
        if (!RenderingRoot::displayAvailable())
            return;
        rendering = std::make_unique<RenderingRoot>(RenderingRoot::Kind::Windowed);
        Ogre::Root& ogre = Ogre::Root::getSingleton();
        ogre.loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
        ogre.loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        Ogre::ResourceGroupManager& resources = Ogre::ResourceGroupManager::getSingleton();
        resources.createResourceGroup("Core");
        for (const char* folder : {"materials", "particle_systems", "textures", "textures/explosions", "meshes"})
            resources.addResourceLocation(shipped("data/") + folder, "FileSystem", "Core", true);
        resources.initialiseResourceGroup("Core");
        engine = std::make_unique<TolvarineEngine>(ogre);
        engine->sceneManager = &rendering->sceneManager();

        for (const char* folder : {"cfg", "data/sound", "data/entities", "data/explosions/debris"})
            fs::create_directories(workFolder.file(folder));
        fs::copy_file(shipped("cfg/sound.cfg"), workFolder.file("cfg/sound.cfg"));
        fs::copy_file(shipped("data/curves.cfg"), workFolder.file("data/curves.cfg"));
        for (const char* folder : {"data/sound", "data/entities", "data/explosions", "data/explosions/debris"}) {
            for (const fs::directory_entry& entry : fs::directory_iterator(shipped(folder))) {
                if (entry.is_regular_file())
                    fs::copy_file(entry.path(), workFolder.file(std::string(folder) + "/" + entry.path().filename().string()));
            }
        }
        fs::current_path(workFolder.file(""));
        writeFile("cfg/difficulty.cfg", "[Difficulty]\ndifficulty = 0.5\n");
        curves = std::make_unique<ResponseCurves>("data/curves.cfg");
        difficulty = std::make_unique<Difficulty>("cfg/difficulty.cfg", *curves);
        graphics = std::make_unique<GraphicsSettings>("cfg/graphics.cfg");
        gameplay = std::make_unique<GameplaySettings>("cfg/gameplay.cfg");
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        instruments = std::make_unique<InstrumentSoundManager>();
        ParticleSpray::loadTypes("data/explosions", &rendering->sceneManager(), curves.get());
        ExplosionDebris::loadTypes("data/explosions/debris");
        explosions = std::make_unique<ExplosionManager>("data/explosions", curves.get());
        FireableProjectile::loadTypes("data/entities");
        Weapon::setTypeFolder("data/entities");
        CapitalShipStation::loadTypes("data/entities");
        Ship::loadTypes("data/entities");
    }

    ~CapitalShipWorld() override
    {
        if (!rendering)
            return;
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        ShipType::unloadAll();
        CapitalShipStation::unloadTypes();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
        FireableProjectile::unloadTypes();
        ExplosionDebris::unloadTypes();
        explosions.reset();
        ParticleSpray::unloadTypes();
        instruments.reset();
        sound.reset();
        SoundManager::forgetSoundConfigs();
        fs::current_path(previous);
    }

    void SetUp() override
    {
        if (!rendering)
            GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
    }

    CapitalShip* bastion(Faction& faction, const Vector3& position, const Quaternion& orientation)
    {
        auto* ship = dynamic_cast<CapitalShip*>(Ship::create("bastion"));
        EXPECT_NE(ship, nullptr);
        if (ship)
            ship->activate(faction, position, orientation);
        return ship;
    }

    void run(double seconds, double step = 1.0 / 32)
    {
        for (double t = 0; t < seconds; t += step) {
            ManualTicks::advance(step - work);
            scheduler.run();
        }
    }

    // The station's world pose must follow the hull's, and its joint hold it there (to the joint's
    // give while the hull flies).
    static void expectOnHull(CapitalShip& ship, CapitalShipStation& station)
    {
        const Quaternion home = ship.getOrientation() * station.getHomeOrientation();
        EXPECT_TRUE(station.isActive());
        EXPECT_FALSE(station.isInactive());
        EXPECT_TRUE(station.getPosition().positionEquals(ship.getPosition() + ship.getOrientation() * station.getOffset(), 0.01f));
        EXPECT_TRUE((station.getOrientation() * Vector3::NEGATIVE_UNIT_Z).positionEquals(home * Vector3::NEGATIVE_UNIT_Z, 0.01f));
        EXPECT_TRUE((station.getOrientation() * Vector3::UNIT_Y).positionEquals(home * Vector3::UNIT_Y, 0.01f));
        dVector3 yaw, pitch;
        dJointGetUniversalAxis1(station.getJoint(), yaw);
        dJointGetUniversalAxis2(station.getJoint(), pitch);
        EXPECT_TRUE(Vector3(yaw[0], yaw[1], yaw[2]).positionEquals(home * Vector3::UNIT_Y, 0.01f));
        EXPECT_TRUE(Vector3(pitch[0], pitch[1], pitch[2]).positionEquals(home * Vector3::UNIT_X, 0.01f));
        EXPECT_EQ(dJointGetBody(station.getJoint(), 0), ship.getPhysicsBody()->getBody());
        EXPECT_EQ(dJointGetBody(station.getJoint(), 1), station.getPhysicsBody()->getBody());
        EXPECT_EQ(station.getFaction(), ship.getFaction());
        EXPECT_TRUE(station.getTurretBehaviour().isActive());
    }

    fs::path previous;
    TemporaryFolder workFolder;
    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    const double work = 1.0 / 256;
    FixedTask workTask{[this](float, float) { ManualTicks::advance(work); }, "Work", 0};
    Profiler profiler;
    PhysicsEngine physics;
    CollisionMeshCache meshCache;
    Statistics statistics;
    MovementController movement;
    Interface interface;
    std::unique_ptr<RenderingRoot> rendering;
    std::unique_ptr<TolvarineEngine> engine;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<Difficulty> difficulty;
    std::unique_ptr<GraphicsSettings> graphics;
    std::unique_ptr<GameplaySettings> gameplay;
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<InstrumentSoundManager> instruments;
    std::unique_ptr<ExplosionManager> explosions;
    Faction ours{"Ours", 0};
    Faction theirs{"Theirs", 0};
};

// The Bastion's five stations in file order, each on its own joint with the file's stops, placed
// on a hull turned about two axes; out of play with the hull, and whole again in its next life.
TEST_F(CapitalShipWorld, StationsSitOnTheTurnedHullAndComeBackWhole)
{
    const ShipType& type = ShipType::getByName("bastion");
    std::vector<std::string> sections;
    for (const std::string& section : type.getSectionNames()) {
        if (section.find("Station") != std::string::npos)
            sections.push_back(section);
    }
    const Quaternion turned = Quaternion(Ogre::Degree(70), Vector3::UNIT_Y) * Quaternion(Ogre::Degree(-25), Vector3::UNIT_X);
    CapitalShip* ship = bastion(ours, Vector3(100, -40, 300), turned);
    ASSERT_NE(ship, nullptr);
    ASSERT_EQ(ship->getStations().size(), sections.size());
    ASSERT_GE(sections.size(), 3u);
    std::set<std::string> names;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        SCOPED_TRACE(sections[i]);
        CapitalShipStation& station = *ship->getStations()[i];
        names.insert(station.getObjectName());
        EXPECT_EQ(station.getObjectName().rfind("CapitalShipStation", 0), 0u);
        EXPECT_TRUE(station.getOffset().positionEquals(type.get<Vector3>(sections[i], "offset")));
        const dJointID joint = station.getJoint();
        EXPECT_FLOAT_EQ(dJointGetUniversalParam(joint, dParamLoStop), -type.get<float>(sections[i], "yawNegativeLimit"));
        EXPECT_FLOAT_EQ(dJointGetUniversalParam(joint, dParamHiStop), type.get<float>(sections[i], "yawPositiveLimit"));
        EXPECT_FLOAT_EQ(dJointGetUniversalParam(joint, dParamLoStop2), -type.get<float>(sections[i], "pitchNegativeLimit"));
        EXPECT_FLOAT_EQ(dJointGetUniversalParam(joint, dParamHiStop2), type.get<float>(sections[i], "pitchPositiveLimit"));
        EXPECT_FALSE(station.isTargetable());
        expectOnHull(*ship, station);
    }
    EXPECT_EQ(names.size(), sections.size());
    EXPECT_TRUE(ship->getPointDefense().isEnabled());

    // Destroyed: the hull, its stations and its point defence leave play together.
    ship->deactivate(static_cast<DisableTime>(1));
    for (const auto& station : ship->getStations()) {
        EXPECT_FALSE(station->isActive());
        EXPECT_TRUE(station->isInactive());
        EXPECT_EQ(dJointGetBody(station->getJoint(), 0), nullptr);
        EXPECT_FALSE(station->getTurretBehaviour().isActive());
    }
    EXPECT_FALSE(ship->getPointDefense().isEnabled());

    // The pool hands the same ship out again; at its new place every station is back on it.
    CapitalShip* again = bastion(theirs, Vector3(-500, 0, 0), Quaternion(Ogre::Degree(180), Vector3::UNIT_Z));
    ASSERT_EQ(again, ship);
    run(0.5);
    for (const auto& station : again->getStations())
        expectOnHull(*again, *station);
    EXPECT_TRUE(again->getPointDefense().isEnabled());
}

// A player who mans a station takes it from its AI and gives it back on leaving; a manned
// station whose ship leaves play sends the player to command mode. Nobody selects a station.
TEST_F(CapitalShipWorld, ManningTakesTheTurretFromItsAi)
{
    CapitalShip* ship = bastion(ours, Vector3::ZERO, Quaternion::IDENTITY);
    ASSERT_NE(ship, nullptr);
    CapitalShipStation& station = *ship->getStations().front();
    const struct {
        const char* step;
        bool focus;
        bool aiActive;
    } rows[] = {{"man", true, false}, {"man again", true, false}, {"leave", false, true}, {"man once more", true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        station.setFocus(row.focus);
        EXPECT_EQ(Controllable::getFocused() == &station, row.focus);
        EXPECT_EQ(station.getTurretBehaviour().isActive(), row.aiActive);
    }
    // A fighter behind the turret, nose on it: select-ahead passes over the station to its hull.
    Ship* fighter = Ship::create("trifighter");
    fighter->activate(theirs, station.getPosition() + Vector3(0, 3, 40), Quaternion::IDENTITY);
    EXPECT_EQ(fighter->querySphereAhead(300.0f, 0.5f), ship);

    interface.setMode(Interface::NORMAL, false);
    ship->deactivate(static_cast<DisableTime>(2));
    EXPECT_EQ(interface.getMode(), Interface::COMMAND);
    EXPECT_EQ(Controllable::getFocused(), nullptr);
    EXPECT_FALSE(station.getTurretBehaviour().isActive());
}

// Missiles announced to the hull or to a station reach the point defence and leave it the same
// way, never the hull's AI.
TEST_F(CapitalShipWorld, ThreatsGoToPointDefenceAndLeaveIt)
{
    // Far from the missiles, which wait in their pool, so that no beam reaches one.
    CapitalShip* ship = bastion(ours, Vector3(0, 0, 20000), Quaternion::IDENTITY);
    ASSERT_NE(ship, nullptr);
    Targetable& station = *ship->getStations()[1];
    auto* first = dynamic_cast<GuidedProjectile*>(FireableProjectile::create("seeker_missile"));
    auto* second = dynamic_cast<GuidedProjectile*>(FireableProjectile::create("seeker_missile"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(station.getThreatRangeSquared(), ship->getPointDefense().getFarRangeSquared());

    const struct {
        const char* step;
        Targetable* through;
        GuidedProjectile* missile;
        bool add;
        std::size_t listed;
    } rows[] = {{"hull adds", ship, first, true, 1}, {"station adds", &station, second, true, 2},
                {"station removes", &station, second, false, 1}, {"hull removes", ship, first, false, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        if (row.add)
            row.through->addThreat(row.missile);
        else
            row.through->removeThreat(row.missile);
        EXPECT_EQ(ship->getPointDefense().getThreats().size(), row.listed);
        EXPECT_EQ(ship->getPointDefense().isEngaging(), row.listed != 0);
    }
    FireableProjectile::release(first, "seeker_missile");
    FireableProjectile::release(second, "seeker_missile");
}

// An enemy fighter off the bow: the turrets turn towards it and the capital ship's side fires.
TEST_F(CapitalShipWorld, TurretsTurnTowardsAndFireAtAnEnemyFighter)
{
    ours.addEnemy(theirs);
    theirs.addEnemy(ours);
    CapitalShip* ship = bastion(ours, Vector3::ZERO, Quaternion::IDENTITY);
    ASSERT_NE(ship, nullptr);
    Ship* fighter = Ship::create("trifighter");
    const Vector3 place(120, 60, -330);
    fighter->activate(theirs, place, Quaternion::IDENTITY);
    CapitalShipStation& turret = *ship->getStations().front();
    const auto aimError = [&] {
        const Vector3 forward = turret.getOrientation() * Vector3::NEGATIVE_UNIT_Z;
        return forward.angleBetween(fighter->getPosition() - turret.getPosition()).valueDegrees();
    };
    const float before = aimError();
    run(4.0);
    EXPECT_EQ(turret.getTurretBehaviour().getTarget(), fighter);
    EXPECT_LT(aimError(), before / 2);
    EXPECT_GT(statistics.getFactionShots("Ours"), 0u);
    // The hull holds its place: a capital ship does not dogfight.
    EXPECT_LT(ship->getPosition().length(), 2.0f);
}

} // namespace
} // namespace Tolvarine::Test

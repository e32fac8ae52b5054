#include "TurretBehaviour.h"

#include "CombatWorld.h"
#include "Faction.h"
#include "OgreLink.h"
#include "TargetGrid.h"
#include "TargetingDoubles.h"

#include <OgreManualObject.h>
#include <OgreSceneQuery.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>
#include <ode/objects.h>


namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

struct Arming {
    float load = 1;
    bool guided = false, firing = false;
    float launchSpeed = std::numeric_limits<float>::infinity();
};

// A weapon system that fires from 50 to 800 units within about 8 degrees of its aim.
class ScriptedSystem : public RecordingWeaponSystem {
public:
    ScriptedSystem(Journal& journal, Arming arming) : RecordingWeaponSystem("system", journal), arming(arming) {}
    float getLoadProportion() override { return arming.load; }
    bool isGuided() const override { return arming.guided; }
    float getLaunchSpeed() override { return arming.launchSpeed; }
    float getFarRange() override { return 800; }
    float getNearRange() override { return 50; }
    float getFireThreshold() override { return 0.99f; }
    void setFiring(bool on) override { arming.firing = on; }
    bool isFiring() override { return arming.firing; }
    Arming arming;
};

// The turret's station, or a hand-placed target, of a faction.
class TurretShip : public TestShip {
public:
    TurretShip(const std::string& name, const Config& type, Journal& journal, Faction& faction)
        : TestShip(name, type, journal, {false, false, true}), faction(faction) {}
    Faction* getFaction() override { return &faction; }
    bool isValidTarget() override { return true; }
    void setPendingObject(Controllable* attacker) override { pendingObject = attacker; }
    WeaponSystem* getPrimaryWeaponSystem() override { return primarySystem.get(); }
    WeaponSystem* getSecondaryWeaponSystem() override { return secondarySystem.get(); }

    Faction& faction;
    Controllable* pendingObject = nullptr;
    std::unique_ptr<ScriptedSystem> primarySystem, secondarySystem;
};

// A turret at the origin facing -z on a hull that may turn, amid targets placed in the scene.
class TurretWorld : public CombatWorld {
protected:
    TurretWorld() : CombatWorld(RenderingRoot::Kind::Headless) { own.addEnemy(enemy); }

    TurretShip& makeStation(std::optional<Arming> primary = {}, std::optional<Arming> secondary = {})
    {
        turret.reset();
        station = std::make_unique<TurretShip>("station", type, journal, own);
        if (primary)
            station->primarySystem = std::make_unique<ScriptedSystem>(journal, *primary);
        if (secondary)
            station->secondarySystem = std::make_unique<ScriptedSystem>(journal, *secondary);
        turret = std::make_unique<TurretBehaviour>(type, station.get(), Quaternion::IDENTITY, &hull);
        return *station;
    }

    // A target of the other side, filed where turrets search as the game files its targets; the bounds
    // of its scene object reach `reach` units along each axis.
    TurretShip& place(const char* name, const Vector3& at, const Vector3& velocity = Vector3::ZERO, float reach = 10)
    {
        targets.push_back(std::make_unique<TurretShip>(name, type, journal, enemy));
        TurretShip& target = *targets.back();
        target.body.setPosition(at);
        target.body.setLinearVelocity(velocity);
        Ogre::ManualObject* object = scene().createManualObject(name);
        object->begin("BaseWhiteNoLighting", Ogre::RenderOperation::OT_POINT_LIST);
        object->position(Vector3(-reach));
        object->position(Vector3(reach));
        object->end();
        object->setQueryFlags(enemy.getId() | OgreLink::TARGETABLE_FLAG);
        links.push_back(std::make_unique<OgreLink>(&target.body, false, nullptr, &target, &target));
        links.back()->attachTo(*object);
        scene().getRootSceneNode()->createChildSceneNode(at)->attachObject(object);
        TargetGrid::get().file(*object);
        return target;
    }

    void clearTargets()
    {
        scene().destroyAllManualObjects();
        scene().getRootSceneNode()->removeAndDestroyAllChildren();
        links.clear();
        targets.clear();
    }

    Faction own{"Turret side", 0}, enemy{"Other side", 0};
    const Config type{written(folder.file("turret.station"),
                              "[Physics]\nmaxTorque = 0.4\n[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"
                              "[Behaviour]\ntargetUpdateVariance = 0\ntargetUpdatePeriod = 0.5\n"
                              "behaviourUpdateVariance = 0\nbehaviourUpdatePeriod = 0.125\nengagementRange = 1000\n"
                              "primaryWeaponCapacityRestriction = 0.3\nsecondaryWeaponCapacityRestriction = 0.5\n"
                              "targetLeadProportion = 1\n")};
    PhysicsBody hull{type};
    Journal journal;
    std::unique_ptr<TurretShip> station;
    std::unique_ptr<TurretBehaviour> turret;
    std::vector<std::unique_ptr<TurretShip>> targets;
    std::vector<std::unique_ptr<OgreLink>> links;
    SeededRandom random{23};
};

TEST_F(TurretWorld, FiresWhenInRangeOnAimAndLoadedAndStopsOnItsRestrictions)
{
    const Vector3 ahead(0, 0, -500), offAim(300, 0, -500), still = Vector3::ZERO, crossing(200, 0, 0);
    const struct {
        const char* name;
        Vector3 position, velocity;
        std::optional<Arming> primary, secondary;
        bool primaryFires, secondaryFires;
    } rows[] = {
        {"in range, on aim, loaded", ahead, still, Arming{1, false, false}, Arming{1, false, false}, true, true},
        {"beyond the far range", Vector3(0, 0, -900), still, Arming{1, false, false}, Arming{1, true, false}, false, false},
        {"inside the near range", Vector3(0, 0, -40), still, Arming{1, false, false}, Arming{1, true, false}, false, false},
        {"off aim: only the guided one starts", offAim, still, Arming{1, false, false}, Arming{1, true, false}, false, true},
        {"not loaded", ahead, still, Arming{0, false, false}, Arming{0, true, false}, false, false},
        {"the lead spoils the aim", ahead, crossing, Arming{1, false, false, 500}, Arming{1, false, false, 500}, false, false},
        {"an instant weapon needs no lead", ahead, crossing, Arming{1, false, false}, Arming{1, false, false}, true, true},
        {"below the restrictions firing stops", ahead, still, Arming{0.29f, false, true}, Arming{0.49f, true, true}, false, false},
        {"above the restrictions firing goes on", ahead, still, Arming{0.31f, false, true}, Arming{0.51f, true, true}, true, true},
        {"off aim firing stops, but not guided", offAim, still, Arming{1, false, true}, Arming{1, true, true}, false, true},
        {"a lone secondary aims by itself", ahead, still, std::nullopt, Arming{1, false, false}, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TurretShip& turretStation = makeStation(row.primary, row.secondary);
        TurretShip& target = place("T", row.position, row.velocity);
        turret->updateTarget();
        turret->updateBehaviour(1.0f / 8);
        EXPECT_EQ(turretStation.secondarySystem->arming.firing, row.secondaryFires);
        if (row.primary) {
            EXPECT_EQ(turretStation.primarySystem->arming.firing, row.primaryFires);
            // Only a firing primary warns the target; a system that starts is given it.
            EXPECT_EQ(target.pendingObject, row.primaryFires ? &turretStation : nullptr);
            EXPECT_EQ(turretStation.primarySystem->target, row.primaryFires && !row.primary->firing ? &target : nullptr);
        }
        clearTargets();
    }
}

// Regression: the score's two factors, both below 0 for a big ship behind the station whose
// bounds reach into the range from beyond it, made it the best target: the turret turned away
// from the fighter it could hit and fired at nothing.
TEST_F(TurretWorld, NeverPicksATargetBehindItsRestDirectionNorOneBeyondItsRange)
{
    TurretShip& turretStation = makeStation(Arming());
    TurretShip& ahead = place("ahead", Vector3(0, 0, -750));
    place("behind", Vector3(0, 0, 1300), Vector3::ZERO, 350);
    turret->updateTarget();
    EXPECT_EQ(turret->getTarget(), &ahead);
    turret->updateBehaviour(1.0f / 8);
    EXPECT_TRUE(turretStation.primarySystem->arming.firing);
}

// The target the update chose when it walked the scene's own sphere query: the first of the best
// scores above 0, in the query's order.
Targetable* chosenByTheSceneQuery(Ogre::SceneManager& scene, const TurretBehaviour& turret, std::uint32_t mask)
{
    Ogre::SphereSceneQuery* query = scene.createSphereQuery(Ogre::Sphere(Vector3::ZERO, 1000), mask);
    Targetable* best = nullptr;
    float bestScore = 0;
    for (Ogre::MovableObject* object : query->execute().movables) {
        Targetable* candidate = OgreLink::getFrom(*object)->getTargetable();
        if (turret.score(*candidate) > bestScore)
            best = candidate, bestScore = turret.score(*candidate);
    }
    scene.destroyQuery(query);
    return best;
}

TEST_F(TurretWorld, ChoosesAsTheSceneQueryDidAmongEqualScores)
{
    const auto nameOf = [](Targetable* target) { return target ? static_cast<TurretShip*>(target)->name : "none"; };
    // Equal scores: as far away and as far off the rest direction.
    const Vector3 ahead(0, 0, -500), up(0, 200, -500), right(200, 0, -500), left(-200, 0, -500);
    const struct {
        const char* name;
        std::vector<std::pair<const char*, Vector3>> targets;
    } rows[] = {
        {"one cube, the later name placed first", {{"b", up}, {"a", right}}},
        {"one cube, the earlier name placed first", {{"a", up}, {"b", right}}},
        {"two cubes", {{"d", right}, {"c", left}, {"b", up}}},
        {"a better one among the equals", {{"d", right}, {"z", ahead}, {"c", left}}},
        {"equals behind a straddling giant", {{"b", right}, {"giant", Vector3(0, 0, -1300)}, {"a", left}}},
    };
    makeStation();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& [name, at] : row.targets)
            place(name, at, Vector3::ZERO, std::string(name) == "giant" ? 350 : 10);
        turret->updateTarget();
        EXPECT_EQ(nameOf(turret->getTarget()), nameOf(chosenByTheSceneQuery(scene(), *turret, own.getEnemyMask())));
        clearTargets();
    }
}

// Switched off, its tasks and motor stop; a target that leaves play is dropped with the fire at it;
// the next spell starts with no target and no turn left over.
TEST_F(TurretWorld, RunsItsTasksWhileActiveAndStartsEachActivationAfresh)
{
    TurretShip& turretStation = makeStation(Arming(), Arming());
    Targetable* target = &place("A", Vector3(300, 0, -500)); // off the nose: it must turn first
    turret->activate();
    run(6);
    EXPECT_EQ(turret->getTarget(), target);
    EXPECT_TRUE(turretStation.primarySystem->arming.firing);
    // Switched off, the AI leaves the weapon systems to the station, which switches them off
    // itself as it leaves play.
    turret->deactivate();
    EXPECT_FALSE(turret->getTarget() || turret->getMotor().isAttached());
    EXPECT_TRUE(turretStation.primarySystem->arming.firing);
    turret->activate();
    run(1);
    EXPECT_EQ(turret->getTarget(), target);
    // A target that leaves play is dropped and the fire at it stops.
    target->setInactive(true);
    turret->updateBehaviour(1.0f / 8);
    EXPECT_FALSE(turret->getTarget() || turretStation.primarySystem->arming.firing);
    target->setInactive(false);
    turret->deactivate();
    run(2);
    EXPECT_EQ(turret->getTarget(), nullptr);
    EXPECT_FALSE(turretStation.primarySystem->arming.firing || turret->getMotor().isAttached());
    clearTargets();
    turret->activate();
    EXPECT_EQ(dJointGetAMotorParam(turret->getMotor().getJoint(), dParamVel), 0);
    run(1);
    EXPECT_FALSE(turret->getTarget() || turret->getMotor().isAttached());
}

} // namespace
} // namespace Tolvarine::Test

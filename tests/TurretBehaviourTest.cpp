#include "TurretBehaviour.h"

#include "CombatWorld.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "Faction.h"
#include "LogCapture.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "StationThruster.h"
#include "WeaponSystem.h"

#include <OgreManualObject.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>
#include <ode/objects.h>

#include <limits>
#include <map>
#include <optional>
#include <sstream>

namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

const std::string STATION_TYPE = "[Physics]\nmass = 1\nmassRadius = 1\nmaxTorque = 0.4\n"
                                 "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"
                                 "[Behaviour]\ntargetUpdateVariance = 0\ntargetUpdatePeriod = 0.5\n"
                                 "behaviourUpdateVariance = 0\nbehaviourUpdatePeriod = 0.125\n"
                                 "engagementRange = 1000\nprimaryWeaponCapacityRestriction = 0.3\n"
                                 "secondaryWeaponCapacityRestriction = 0.5\ntargetLeadProportion = 1\n";

// What a weapon system reports to the AI, chosen by the test.
struct WeaponSetup {
    float load = 1;
    float nearRange = 50;
    float farRange = 800;
    float threshold = 0.99f;
    float launchSpeed = std::numeric_limits<float>::infinity();
    bool guided = false;
    bool firing = false;
};

class ScriptedWeaponSystem : public WeaponSystem {
public:
    explicit ScriptedWeaponSystem(WeaponSetup setup) : setup(setup) {}

    float getLoadProportion() override { return setup.load; }
    bool isGuided() const override { return setup.guided; }
    float getLaunchSpeed() override { return setup.launchSpeed; }
    float getFarRange() override { return setup.farRange; }
    float getNearRange() override { return setup.nearRange; }
    float getFireThreshold() override { return setup.threshold; }
    void setFiring(bool on) override { setup.firing = on; }
    bool isFiring() override { return setup.firing; }
    void setTarget(Targetable* newTarget) override { target = newTarget; }
    void clearTarget() override { target = nullptr; }
    Targetable* getTarget() override { return target; }

    void activate(Faction*) override {}
    void deactivate() override {}
    const std::string& getDescription() const override { static const std::string none; return none; }
    Ogre::Vector3 getCurrentWeaponPosition() override { return Vector3::ZERO; }
    float getBestRange() override { return setup.farRange; }
    void setPlayerControlled(bool) override {}
    void setFirePeriod(float) override {}
    Faction* getFaction() override { return nullptr; }

    WeaponSetup setup;
    Targetable* target = nullptr;
};

// A turret: a body of its own, a torque-only thruster and the weapon systems a row asks for.
class TestStation : public Controllable {
public:
    TestStation(const Config& type, Faction& faction)
        : Controllable(type)
        , body(type)
        , thruster(body, type)
        , faction(faction)
    {
    }

    Vector3 getPosition() const override { return body.getPosition(); }
    Quaternion getOrientation() const override { return body.getOrientation(); }
    Vector3 getVelocity() const override { return body.getVelocity(); }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Vector3 predictPosition(float t) const override { return body.predictPosition(t); }
    Vector3 predictPositionWithThrust(float t) const override { return body.predictPositionWithThrust(t); }
    Vector3 predictPositionWithThrustFactor(float t, float f) const override
    {
        return body.predictPositionWithThrustFactor(t, f);
    }
    float getBoundingRadius() const override { return 5; }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return &faction; }
    bool isTargetable() override { return false; }
    PhysicsBody* getPhysicsBody() override { return &body; }
    const PhysicsBody* getPhysicsBody() const override { return &body; }
    ForceController* getForceController() override { return &thruster; }
    const ForceController* getForceController() const override { return &thruster; }
    WeaponSystem* getPrimaryWeaponSystem() override { return primary.get(); }
    WeaponSystem* getSecondaryWeaponSystem() override { return secondary.get(); }
    void setFiringPrimary(bool) override {}
    void setFiringSecondary(bool) override {}

    PhysicsBody body;
    StationThruster thruster;
    Faction& faction;
    std::unique_ptr<ScriptedWeaponSystem> primary;
    std::unique_ptr<ScriptedWeaponSystem> secondary;
};

// A hand-placed target: a pose that coasts, and a scene object of its faction carrying its link.
class TestTarget : public Targetable {
public:
    TestTarget(const Config& type, Vector3 position, Vector3 velocity)
        : Targetable(type)
        , position(position)
        , velocity(velocity)
    {
    }

    Vector3 getPosition() const override { return position; }
    Quaternion getOrientation() const override { return Quaternion::IDENTITY; }
    Vector3 getVelocity() const override { return velocity; }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Vector3 predictPosition(float t) const override { return position + velocity * t; }
    Vector3 predictPositionWithThrust(float t) const override { return predictPosition(t); }
    Vector3 predictPositionWithThrustFactor(float t, float) const override { return predictPosition(t); }
    float getBoundingRadius() const override { return 10; }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return nullptr; }
    bool isValidTarget() override { return valid; }
    void setPendingObject(Controllable* attacker) override { pendingObject = attacker; }

    Vector3 position;
    Vector3 velocity;
    bool valid = true;
    Controllable* pendingObject = nullptr;
};

struct Placement {
    const char* name;
    Vector3 position;
    bool enemy = true;
    bool valid = true;
    // Half the size of its scene object's box: big boxes reach into the range from beyond it.
    float size = 10;
    Vector3 velocity = Vector3::ZERO;
};

class TurretWorld : public CombatWorld {
protected:
    TurretWorld() : CombatWorld(RenderingRoot::Kind::Headless)
    {
        own.addEnemy(enemy);
        writeFile(folder.file("turret.station"), STATION_TYPE);
        type = std::make_unique<Config>(folder.file("turret.station"));
        writeFile(folder.file("hull.ship"), "[Physics]\nmass = 10\n");
        hullType = std::make_unique<Config>(folder.file("hull.ship"));
        hull = std::make_unique<PhysicsBody>(*hullType);
    }

    ~TurretWorld() override
    {
        turret.reset();
        if (station)
            physics.removeBody(&station->body);
    }

    // A station at the origin facing -z, with the systems asked for, and its turret.
    TestStation& makeStation(const WeaponSetup* primary, const WeaponSetup* secondary)
    {
        turret.reset();
        if (station)
            physics.removeBody(&station->body);
        station = std::make_unique<TestStation>(*type, own);
        physics.addBody(&station->body);
        physics.activateBody(&station->body);
        if (primary)
            station->primary = std::make_unique<ScriptedWeaponSystem>(*primary);
        if (secondary)
            station->secondary = std::make_unique<ScriptedWeaponSystem>(*secondary);
        turret = std::make_unique<TurretBehaviour>(*type, station.get(), Quaternion::IDENTITY, hull.get());
        return *station;
    }

    TestTarget& place(const Placement& placement)
    {
        targets.push_back(std::make_unique<TestTarget>(*type, placement.position, placement.velocity));
        TestTarget& target = *targets.back();
        target.valid = placement.valid;
        Ogre::ManualObject* object = scene().createManualObject(placement.name);
        const float s = placement.size;
        object->setBoundingBox(Ogre::AxisAlignedBox(-s, -s, -s, s, s, s));
        object->setQueryFlags((placement.enemy ? enemy : own).getId() | OgreLink::TARGETABLE_FLAG);
        links.push_back(std::make_unique<OgreLink>(nullptr, false, nullptr, &target, nullptr));
        links.back()->attachTo(*object);
        nodes.push_back(scene().getRootSceneNode()->createChildSceneNode(placement.position));
        nodes.back()->attachObject(object);
        names[&target] = placement.name;
        return target;
    }

    void clearTargets()
    {
        scene().destroyAllManualObjects();
        for (Ogre::SceneNode* node : nodes)
            scene().destroySceneNode(node);
        nodes.clear();
        links.clear();
        targets.clear();
        names.clear();
    }

    std::string targetName() const
    {
        const Targetable* target = turret->getTarget();
        return target ? names.at(target) : "-";
    }

    Faction own{"Turret side", 0};
    Faction enemy{"Other side", 0};
    std::unique_ptr<Config> type;
    std::unique_ptr<Config> hullType;
    std::unique_ptr<PhysicsBody> hull;
    std::unique_ptr<TestStation> station;
    std::unique_ptr<TurretBehaviour> turret;
    std::vector<std::unique_ptr<TestTarget>> targets;
    std::vector<std::unique_ptr<OgreLink>> links;
    std::vector<Ogre::SceneNode*> nodes;
    std::map<const Targetable*, std::string> names;
    SeededRandom random{23};
};

TEST_F(TurretWorld, ChoosesTheBestEnemyInRangeAheadOfItsRestDirection)
{
    struct Row {
        const char* name;
        std::vector<Placement> placed;
        // The hull's turn about y; the rest direction turns with it.
        float hullDegrees;
        const char* chosen;
    };
    const Row rows[] = {
        {"out of range ahead", {{"A", Vector3(0, 0, -1100), true, true, 200}}, 0, "-"},
        {"out of range behind", {{"A", Vector3(0, 0, 1100), true, true, 200}}, 0, "-"},
        {"out of the arc", {{"A", Vector3(0, 0, 500)}, {"B", Vector3(900, 0, 10)}}, 0, "-"},
        {"friendly", {{"A", Vector3(0, 0, -300), false}}, 0, "-"},
        {"not a valid target", {{"A", Vector3(0, 0, -300), true, false}}, 0, "-"},
        {"best score",
         {{"far on the axis", Vector3(0, 0, -800)}, {"near off the axis", Vector3(300, 0, -300)},
          {"friend nearer", Vector3(0, 0, -100), false}},
         0, "near off the axis"},
        {"equal scores keep the first", {{"A", Vector3(0, 0, -500)}, {"B", Vector3(0, 0, -500)}}, 0, "A"},
        {"rest direction turns with the hull", {{"A", Vector3(0, 0, -200)}, {"B", Vector3(0, 0, 600)}}, 180, "B"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        makeStation(nullptr, nullptr);
        hull->setOrientation(Quaternion(Ogre::Degree(row.hullDegrees), Vector3::UNIT_Y));
        for (const Placement& placement : row.placed)
            place(placement);
        turret->updateTarget();
        EXPECT_EQ(targetName(), row.chosen);
        EXPECT_EQ(turret->getMotor().isAttached(), std::string(row.chosen) != "-");
        clearTargets();
    }
}

TEST_F(TurretWorld, FiresWhenInRangeOnAimAndLoadedAndStopsOnItsRestrictions)
{
    WeaponSetup base;
    WeaponSetup guided = base;
    guided.guided = true;
    auto with = [](WeaponSetup setup, auto change) { change(setup); return setup; };
    const WeaponSetup empty = with(base, [](WeaponSetup& s) { s.load = 0; });
    const WeaponSetup slow = with(base, [](WeaponSetup& s) { s.launchSpeed = 500; });
    const Vector3 ahead(0, 0, -500), offAim(300, 0, -500);
    struct Row {
        const char* name;
        Vector3 position;
        Vector3 velocity;
        std::optional<WeaponSetup> primary;
        std::optional<WeaponSetup> secondary;
        bool primaryFires;
        bool secondaryFires;
    };
    const Row rows[] = {
        {"in range, on aim, loaded", ahead, Vector3::ZERO, base, base, true, true},
        {"beyond the far range", Vector3(0, 0, -900), Vector3::ZERO, base, guided, false, false},
        {"inside the near range", Vector3(0, 0, -40), Vector3::ZERO, base, guided, false, false},
        {"off aim: only the guided one starts", offAim, Vector3::ZERO, base, guided, false, true},
        {"off aim, unguided", offAim, Vector3::ZERO, base, base, false, false},
        {"weapons not loaded", ahead, Vector3::ZERO, empty, with(guided, [](WeaponSetup& s) { s.load = 0; }), false, false},
        {"the lead spoils the aim", ahead, Vector3(200, 0, 0), slow, slow, false, false},
        {"an instant weapon needs no lead", ahead, Vector3(200, 0, 0), base, base, true, true},
        {"below the restriction firing stops whatever the aim", ahead, Vector3::ZERO,
         with(base, [](WeaponSetup& s) { s.firing = true; s.load = 0.29f; }),
         with(guided, [](WeaponSetup& s) { s.firing = true; s.load = 0.49f; }), false, false},
        {"above the restriction firing goes on", ahead, Vector3::ZERO,
         with(base, [](WeaponSetup& s) { s.firing = true; s.load = 0.31f; }),
         with(guided, [](WeaponSetup& s) { s.firing = true; s.load = 0.51f; }), true, true},
        {"off aim firing stops, but not the guided one", offAim, Vector3::ZERO,
         with(base, [](WeaponSetup& s) { s.firing = true; }), with(guided, [](WeaponSetup& s) { s.firing = true; }),
         false, true},
        {"a lone secondary aims by itself", ahead, Vector3::ZERO, std::nullopt, base, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestStation& turretStation = makeStation(row.primary ? &*row.primary : nullptr,
                                                 row.secondary ? &*row.secondary : nullptr);
        TestTarget& target = place({"T", row.position, true, true, 10, row.velocity});
        turret->updateTarget();
        ASSERT_EQ(turret->getTarget(), &target);
        turret->updateBehaviour(1.0f / 8);
        if (turretStation.primary) {
            EXPECT_EQ(turretStation.primary->isFiring(), row.primaryFires);
            // Only a firing primary warns the target, and a system that starts is given it.
            EXPECT_EQ(target.pendingObject, row.primaryFires ? &turretStation : nullptr);
            if (!row.primary->firing) {
                EXPECT_EQ(turretStation.primary->target, row.primaryFires ? &target : nullptr);
            }
        }
        EXPECT_EQ(turretStation.secondary->isFiring(), row.secondaryFires);
        clearTargets();
    }
}

TEST_F(TurretWorld, RunsItsTasksWhileActiveAndStartsEachActivationAfresh)
{
    const WeaponSetup setup;
    TestStation& turretStation = makeStation(&setup, &setup);
    ScriptedWeaponSystem& primary = *turretStation.primary;
    // Off the station's nose: it must turn before either system bears.
    TestTarget& a = place({"A", Vector3(300, 0, -500)});
    TestTarget& b = place({"B", Vector3(0, 0, -700)});
    turret->activate();
    run(6);
    EXPECT_EQ(targetName(), "A");
    EXPECT_GT((-turretStation.getOrientation().zAxis()).dotProduct(a.position.normalisedCopy()), setup.threshold);
    EXPECT_TRUE(primary.isFiring());
    EXPECT_TRUE(turretStation.secondary->isFiring());
    std::ostringstream report;
    profiler.writeReport(report);
    for (const char* block : {"TurretBehaviour/TargetUpdate", "TurretBehaviour/Behaviour"})
        EXPECT_NE(report.str().find(block), std::string::npos) << block;

    // A target that leaves play is dropped at the next step, its fire stopped, and the next best
    // taken at once.
    a.setInactive(true);
    turret->updateBehaviour(1.0f / 8);
    EXPECT_EQ(targetName(), "B");
    EXPECT_FALSE(primary.isFiring());
    EXPECT_EQ(primary.target, nullptr);
    run(6);
    EXPECT_TRUE(primary.isFiring());
    EXPECT_EQ(primary.target, &b);

    // Out of play: tasks, motor and fire stop, and stay stopped with an enemy in range.
    turret->deactivate();
    run(2);
    EXPECT_EQ(turret->getTarget(), nullptr);
    EXPECT_FALSE(primary.isFiring());
    EXPECT_FALSE(turretStation.secondary->isFiring());
    EXPECT_FALSE(turret->getMotor().isAttached());

    // The next spell starts with no target and no turn left over from the last.
    clearTargets();
    turret->activate();
    EXPECT_EQ(turret->getTarget(), nullptr);
    EXPECT_EQ(dJointGetAMotorParam(turret->getMotor().getJoint(), dParamVel), 0);
    run(1);
    EXPECT_EQ(turret->getTarget(), nullptr);
    EXPECT_FALSE(turret->getMotor().isAttached());
    EXPECT_FALSE(primary.isFiring());
}

TEST_F(TurretWorld, ABrokenTypeFileIsRefusedWithItsLine)
{
    const WeaponSetup setup;
    makeStation(&setup, nullptr);
    struct Row {
        const char* name;
        std::string from;
        std::string to;
        const char* line;
    };
    const Row rows[] = {
        {"missing variance before period", "targetUpdateVariance = 0\ntargetUpdatePeriod = 0.5\n", "",
         "Key targetUpdateVariance not found in section Behaviour"},
        {"no range", "engagementRange = 1000", "engagementRange = 0",
         "TurretBehaviour: engagementRange in section Behaviour must be above 0"},
        {"missing lead", "targetLeadProportion = 1", "", "Key targetLeadProportion not found in section Behaviour"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string text = STATION_TYPE;
        text.replace(text.find(row.from), row.from.size(), row.to);
        writeFile(folder.file("broken.station"), text);
        const Config broken(folder.file("broken.station"));
        LogCapture log;
        EXPECT_THROW(TurretBehaviour(broken, station.get(), Quaternion::IDENTITY, hull.get()), ConfigurationError);
        EXPECT_TRUE(log.contains(row.line));
    }
}

} // namespace
} // namespace Tolvarine::Test

#include "ShipBehaviour.h"

#include "CombatWorld.h"
#include "FormationParts.h"
#include "Faction.h"
#include "GuidedProjectile.h"
#include "OgreLink.h"
#include "ShipFiles.h"
#include "ShipType.h"
#include "SteeringDoubles.h"
#include "TargetingDoubles.h"
#include "TestMeshes.h"

#include <OgreEntity.h>
#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Manoeuvre = ShipBehaviour::Manoeuvre;

// A weapon system whose ranges, aim tolerance, load and state a test sets.
class AiSystem : public RecordingWeaponSystem {
public:
    using RecordingWeaponSystem::RecordingWeaponSystem;
    float getLoadProportion() override { return load; }
    bool isGuided() const override { return guided; }
    float getLaunchSpeed() override { return std::numeric_limits<float>::infinity(); }
    float getFarRange() override { return far; }
    float getNearRange() override { return near; }
    float getFireThreshold() override { return threshold; }
    void setFiring(bool on) override
    {
        firing = on;
        journal.add(name + (on ? ".fire" : ".stop"));
    }
    bool isFiring() override { return firing; }

    float far = 600, near = 20, threshold = 0.99f, load = 1;
    bool guided = false, firing = false;
};

// A ship of a faction on a real body in the physics world, with two AI systems, that records the
// warnings attackers send it.
class AiShip : public TestShip {
public:
    AiShip(const std::string& name, const Config& type, Journal& journal, Faction& faction)
        : TestShip(name, type, journal, {false, false, true}), faction(faction)
    {
        PhysicsEngine::getSingleton().addBody(&body);
        body.activate();
        PhysicsEngine::getSingleton().activateBody(&body);
    }
    ~AiShip() override { PhysicsEngine::getSingleton().removeBody(&body); }
    Faction* getFaction() override { return &faction; }
    WeaponSystem* getPrimaryWeaponSystem() override { return &p1; }
    WeaponSystem* getSecondaryWeaponSystem() override { return &p2; }
    void setPendingObject(Controllable* attacker) override { pendingObject = attacker; }

    Faction& faction;
    AiSystem p1{name + ".P1", journal}, p2{name + ".P2", journal};
    Controllable* pendingObject = nullptr;
};

// The AI of ship "me" (faction Red, at the origin facing -z) among ships placed by hand in the
// headless scene, on a hand-driven clock.
class ShipAi : public CombatWorld {
protected:
    explicit ShipAi(RenderingRoot::Kind kind = RenderingRoot::Kind::Headless) : CombatWorld(kind)
    {
        if (!root)
            return;
        red.addEnemy(blue);
        createMesh("hull.mesh", "Core", boxShape(Vector3(5, 5, 5)));
    }

    ShipBehaviour& makeAi(float skill = 0.0f)
    {
        ai = std::make_unique<ShipBehaviour>(type, me.get(), &type);
        ai->startLife(skill);
        ai->activate();
        return *ai;
    }

    // A ship in the scene, findable by the target search.
    AiShip& place(const std::string& name, const Vector3& position, Faction& faction)
    {
        ships.push_back(std::make_unique<AiShip>(name, body, journal, faction));
        AiShip& ship = *ships.back();
        ship.body.setPosition(position);
        Ogre::Entity* entity = scene().createEntity(name, "hull.mesh");
        entity->setQueryFlags(faction.getId() | OgreLink::SHIP_FLAG);
        links.push_back(std::make_unique<OgreLink>(&ship.body, false, nullptr, &ship, &ship));
        links.back()->attachTo(*entity);
        scene().getRootSceneNode()->createChildSceneNode(position)->attachObject(entity);
        return ship;
    }

    std::string stack() const
    {
        static const char* const names[] = {"attack", "loiter", "drone", "path", "formation"};
        std::string text;
        for (const Manoeuvre manoeuvre : ai->getManoeuvres())
            text += std::string(text.empty() ? "" : " ") + names[static_cast<int>(manoeuvre)];
        return text;
    }

    static std::string nameOf(Targetable* target)
    {
        const auto* ship = dynamic_cast<const TestShip*>(target);
        return ship ? ship->name : "-";
    }

    Faction red{"Red", 0}, blue{"Blue", 0};
    ShipType type{written(folder.file("ai.ship"), shipText("ai", {{"missileDodgeRange", "300"}}))};
    ShipType other{written(folder.file("other.ship"), shipText("other", {{"missileDodgeRange", "50"}}))};
    const Config body{written(folder.file("body.cfg"), "[Physics]\nmass = 1\n[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n")};
    Journal journal;
    std::vector<std::unique_ptr<AiShip>> ships;
    std::vector<std::unique_ptr<OgreLink>> links;
    std::unique_ptr<AiShip> me = std::make_unique<AiShip>("me", body, journal, red);
    std::unique_ptr<ShipBehaviour> ai;
    // The formation is built on first use: a windowed world without a display has no scene.
    Formation& formation()
    {
        if (!formationParts)
            formationParts = std::make_unique<FormationParts>(scene(), folder.file("formation.cfg"));
        return formationParts->formation;
    }
    std::unique_ptr<FormationParts> formationParts;
};

TEST_F(ShipAi, OrdersStayBelowAttackRunsWhichEndNearTheirAimPointOrWhenTheTargetIsGone)
{
    struct Row { const char* name; std::function<void(ShipBehaviour&, AiShip& a, AiShip& b)> steps; const char *stack, *target; };
    Path path(10, false), empty(10, false);
    path.appendWaypoint(Vector3(0, 0, -500));
    // The attack offset is (near + far) / 2 = 310 along x.
    const Vector3 aimPoint = Vector3(0, 0, -1000) + Vector3(310, 0, 0);
    const Row rows[] = {
        {"nothing ordered: a loiter where the ship is", [](ShipBehaviour& s, AiShip&, AiShip&) { s.updateBehaviour(0.1f); }, "loiter", "-"},
        {"a run goes on top of the order", [](ShipBehaviour& s, AiShip& a, AiShip&) { s.loiter(Vector3(1, 2, 3)); s.attack(&a); }, "loiter attack", "a"},
        {"a new target replaces only the run", [](ShipBehaviour& s, AiShip& a, AiShip& b) { s.loiter(Vector3::ZERO); s.attack(&a); s.attack(&b); }, "loiter attack", "b"},
        {"a path ordered while a target is held survives the next run",
         [&](ShipBehaviour& s, AiShip& a, AiShip&) { s.attack(&a); s.followPath(path); s.attack(&a); }, "path attack", "a"},
        {"a drone order clears the stack", [](ShipBehaviour& s, AiShip& a, AiShip&) { s.attack(&a); s.drone(Vector3(0, 0, -5)); }, "drone", "a"},
        {"a path without waypoints is no order", [&](ShipBehaviour& s, AiShip&, AiShip&) { s.drone(Vector3::UNIT_X); s.followPath(empty); }, "drone", "-"},
        {"50 from the aim point the run goes on",
         [&](ShipBehaviour& s, AiShip& a, AiShip&) { s.drone(Vector3::UNIT_X); s.attack(&a); me->body.setPosition(aimPoint + Vector3(0, 50, 0)); s.updateBehaviour(0.1f); },
         "drone attack", "a"},
        {"just inside 50 the run ends and the order resumes",
         [&](ShipBehaviour& s, AiShip& a, AiShip&) { s.drone(Vector3::UNIT_X); s.attack(&a); me->body.setPosition(aimPoint + Vector3(0, 49.9f, 0)); s.updateBehaviour(0.1f); },
         "drone", "-"},
        {"a target out of play breaks the run off",
         [](ShipBehaviour& s, AiShip& a, AiShip&) { s.loiter(Vector3::ZERO); s.attack(&a); a.setInactive(true); s.updateBehaviour(0.1f); }, "loiter", "-"},
        {"a formation takes the ship out of any order", [&](ShipBehaviour& s, AiShip& a, AiShip&) { s.attack(&a); s.joinFormation(&formation()); }, "formation", "-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        me->body.setPosition(Vector3::ZERO);
        ships.clear();
        AiShip& a = *ships.emplace_back(std::make_unique<AiShip>("a", body, journal, blue));
        AiShip& b = *ships.emplace_back(std::make_unique<AiShip>("b", body, journal, blue));
        a.body.setPosition(Vector3(0, 0, -1000));
        // Attack offsets along +x: the draws give (1, 0, 0).
        ScriptedRandom offsets({1.0f, 0.5f, 0.5f});
        row.steps(makeAi(), a, b);
        EXPECT_EQ(stack(), row.stack);
        EXPECT_EQ(nameOf(ai->getTarget()), row.target);
    }
    // Weapons stop only when the run is broken off, not when it is flown.
    std::vector<std::string> weaponCalls;
    for (const std::string& call : journal.entries)
        if (call.rfind("me.", 0) == 0)
            weaponCalls.push_back(call);
    EXPECT_EQ(weaponCalls, (std::vector<std::string>{"me.P1.clearTarget", "me.P1.stop", "me.P2.clearTarget", "me.P2.stop"}));
}

// The game's own seeker missile as a threat: a windowed world, since the missile's engine needs
// its particle template, materials and sound.
class ShipAiAgainstMissiles : public ShipAi {
protected:
    ShipAiAgainstMissiles() : ShipAi(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        loadShippedEffects();
        std::filesystem::copy_file(shippedData("entities/seeker_missile.fireable"), entities() + "/seeker_missile.fireable");
        soundFiles.define("missile_thrust", "filename = hum.wav\nlooping = 1\n");
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        FireableProjectile::loadTypes(entities());
    }
    ~ShipAiAgainstMissiles() override
    {
        FireableProjectile::unloadTypes();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    // A missile of the Blue side flying along +z from `position` at 50.
    GuidedProjectile& launchMissile(const Vector3& position)
    {
        auto* missile = dynamic_cast<GuidedProjectile*>(FireableProjectile::create("seeker_missile"));
        missile->launch(&blue, false, position, Vector3::ZERO, Quaternion(Ogre::Degree(180), Vector3::UNIT_Y), 50.0f, nullptr);
        return *missile;
    }

    SoundFiles soundFiles;
    std::unique_ptr<SoundManager> sound;
};

TEST_F(ShipAiAgainstMissiles, NothingOfAPreviousLifeOrOfAnotherTypeCarriesOver)
{
    AiShip& attacker = place("attacker", Vector3(0, 0, -300), blue);
    ShipBehaviour& behaviour = makeAi(1.0f);
    GuidedProjectile& missile = launchMissile(Vector3(0, 0, -200));
    me->body.setLinearVelocity(Vector3(10, 0, 0));

    behaviour.joinFormation(&formation());
    behaviour.setPendingObject(&attacker);
    behaviour.setPendingVector(Vector3::UNIT_Y);
    behaviour.addThreat(&missile);
    me->p1.firing = true;
    // The first threat is dodged at once, sideways, the way the ship already drifts.
    EXPECT_GT(behaviour.getDodge().x, 0.0f);
    // Leaving play: the fire stops and the formation is left without an order for the next life.
    behaviour.deactivate(static_cast<DisableTime>(2));
    behaviour.leaveFormation();
    EXPECT_EQ(behaviour.getFormation(), nullptr);
    EXPECT_EQ(stack(), "");
    EXPECT_FALSE(me->p1.firing);
    // Focus handed back within a life keeps the threats but not an attacker's warning.
    behaviour.activate();
    EXPECT_EQ(behaviour.getPendingObject(), nullptr);
    EXPECT_EQ(behaviour.getPendingVector(), Vector3::ZERO);
    EXPECT_EQ(behaviour.getThreats().size(), 1u);
    // A new life forgets the missiles of the last one.
    behaviour.startLife(1.0f);
    EXPECT_TRUE(behaviour.getThreats().empty());
    EXPECT_EQ(behaviour.getDodge(), Vector3::ZERO);
    // A missile out of play ends the dodging, and the task with it.
    behaviour.addThreat(&missile);
    missile.deactivate(static_cast<DisableTime>(2));
    EXPECT_FALSE(behaviour.updateMissileAvoidance());
    EXPECT_TRUE(behaviour.getThreats().empty());
    // Each ship type keeps its own dodge range.
    ShipBehaviour second(other, ships.front().get(), &other);
    EXPECT_EQ(behaviour.getMissileDodgeRangeSquared(), 90000.0f);
    EXPECT_EQ(second.getMissileDodgeRangeSquared(), 2500.0f);
    // A ship without weapon systems attacks from no distance rather than from infinitely far.
    TestShip unarmed("unarmed", body, journal, {false, false, true});
    EXPECT_EQ(ShipBehaviour(type, &unarmed, &type).getFarRange(), 0.0f);
    // A shaken ship neither flies nor turns.
    behaviour.loiter(Vector3(0, 0, -500));
    me->body.setForce(Vector3::ZERO);
    behaviour.addShock(1000.0f);
    behaviour.updateBehaviour(0.1f);
    EXPECT_EQ(me->body.getForce(), Vector3::ZERO);
}

TEST_F(ShipAi, InThePhysicsWorldAShipReachesItsLoiterPointAndFliesALoopingPathRoundAndRound)
{
    ShipBehaviour& loiterer = makeAi(1.0f);
    loiterer.loiter(Vector3(120, 0, -160));
    AiShip& pathShip = place("pilot", Vector3(0, 100, 0), red);
    ShipBehaviour pilot(type, &pathShip, &type);
    pilot.startLife(1.0f);
    pilot.activate();
    Path loop(15, true);
    loop.appendWaypoint(Vector3(0, 100, -100));
    loop.appendWaypoint(Vector3(100, 100, -100));
    pilot.followPath(loop);

    std::vector<std::size_t> waypoints{pilot.getWaypoint()};
    for (int second = 0; second < 120; ++second) {
        run(1.0);
        if (pilot.getWaypoint() != waypoints.back())
            waypoints.push_back(pilot.getWaypoint());
    }
    EXPECT_LT(me->getPosition().squaredDistance(Vector3(120, 0, -160)), ShipBehaviour::LOITER_REACHED_SQUARED);
    ASSERT_GE(waypoints.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(waypoints[i], i % 2);
}

} // namespace
} // namespace Tolvarine::Test

#include "ShipBehaviour.h"

#include "Behaviour.h"
#include "CombatWorld.h"
#include "FormationParts.h"
#include "Faction.h"
#include "ShipFiles.h"
#include "ShipType.h"
#include "TargetingDoubles.h"

#include <gtest/gtest.h>
#include <ode/objects.h>


namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;
using Manoeuvre = ShipBehaviour::Manoeuvre;

// A weapon system whose ranges, aim tolerance and state a test sets.
class AiSystem : public RecordingWeaponSystem {
public:
    using RecordingWeaponSystem::RecordingWeaponSystem;
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

    float far = 600, near = 20, threshold = 0.99f;
    bool firing = false;
};

// A ship of a faction on a real body in the physics world, with two AI systems.
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

    Faction& faction;
    AiSystem p1{name + ".P1", journal}, p2{name + ".P2", journal};
};

// The AI of ship "me" (faction Red, at the origin facing -z) in the headless world.
class ShipAi : public CombatWorld {
protected:
    ShipAi() : CombatWorld(RenderingRoot::Kind::Headless) { red.addEnemy(blue); }

    ShipBehaviour& makeAi(float skill = 0.0f)
    {
        ai = std::make_unique<ShipBehaviour>(type, me.get(), &type);
        ai->startLife(skill);
        ai->activate();
        return *ai;
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
    ShipType type{written(folder.file("ai.ship"), shipText("ai"))};
    const Config body{written(folder.file("body.cfg"), "[Physics]\nmass = 1\n[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n")};
    Journal journal;
    std::vector<std::unique_ptr<AiShip>> ships;
    std::unique_ptr<AiShip> me = std::make_unique<AiShip>("me", body, journal, red);
    std::unique_ptr<ShipBehaviour> ai;
    FormationParts formationParts{scene(), folder.file("formation.cfg")};
};

TEST_F(ShipAi, OrdersStayBelowAttackRunsWhichEndNearTheirAimPointOrWhenTheTargetIsGone)
{
    struct Row { const char* name; std::function<void(ShipBehaviour&, AiShip& a, AiShip& b)> steps; const char *stack, *target; };
    Path path(10, false), empty(10, false);
    path.appendWaypoint(Vector3(0, 0, -500));
    Path here(10, false);
    here.appendWaypoint(Vector3(0, 0, -5));
    here.appendWaypoint(Vector3(0, 0, 5));
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
        {"each reached waypoint gives way to the next, and the last ends the path",
         [&](ShipBehaviour& s, AiShip&, AiShip&) {
             s.followPath(here);
             s.updateBehaviour(0.1f);
             EXPECT_EQ(stack(), "path");
             s.updateBehaviour(0.1f);
         },
         "", "-"},
        {"50 from the aim point the run goes on",
         [&](ShipBehaviour& s, AiShip& a, AiShip&) { s.drone(Vector3::UNIT_X); s.attack(&a); me->body.setPosition(aimPoint + Vector3(0, 50, 0)); s.updateBehaviour(0.1f); },
         "drone attack", "a"},
        {"just inside 50 the run ends and the order resumes",
         [&](ShipBehaviour& s, AiShip& a, AiShip&) { s.drone(Vector3::UNIT_X); s.attack(&a); me->body.setPosition(aimPoint + Vector3(0, 49.9f, 0)); s.updateBehaviour(0.1f); },
         "drone", "-"},
        {"a target out of play breaks the run off",
         [](ShipBehaviour& s, AiShip& a, AiShip&) { s.loiter(Vector3::ZERO); s.attack(&a); a.setInactive(true); s.updateBehaviour(0.1f); }, "loiter", "-"},
        {"a formation takes the ship out of any order", [&](ShipBehaviour& s, AiShip& a, AiShip&) { s.attack(&a); s.joinFormation(&formationParts.formation); }, "formation", "-"},
        {"a formation that goes while the player flies its leader leaves the leader nothing to fly to",
         [&](ShipBehaviour& s, AiShip&, AiShip&) {
             s.deactivate(REACTIVATION);
             s.joinFormation(&formationParts.formation);
             s.leaveFormation();
             s.activate();
             s.updateBehaviour(0.1f);
         },
         "loiter", "-"},
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
    // Leaving play stops the fire.
    me->p1.firing = true;
    ai->deactivate(TAKEN_OUT);
    EXPECT_FALSE(me->p1.firing);
    // Regression: a capital ship once held still on its runs and dropped the attacker's warning.
    const ShipType capital{written(folder.file("capital.ship"), shipText("capital", {{"role", "capital"}}))};
    ShipBehaviour run(capital, me.get(), &capital);
    run.startLife(0.0f);
    run.activate();
    ScriptedRandom offsets({1.0f, 0.5f, 0.5f});
    run.attack(ships[0].get());
    run.setPendingVector(Vector3::UNIT_Y);
    run.updateBehaviour(0.1f);
    EXPECT_TRUE(run.getDesiredForce().positionEquals(Behaviour::arrival(me.get(), aimPoint, 0.125f) + Vector3(0, 10, 0)));
    // A ship without weapon systems attacks from no distance rather than from infinitely far.
    TestShip unarmed("unarmed", body, journal, {false, false, true});
    EXPECT_EQ(ShipBehaviour(type, &unarmed, &type).getFarRange(), 0.0f);
}

// A drone order of any finite velocity heads along it at the most force the ship has. Velocities
// from 1e20 up once gave no heading and no force at all: their squared length is beyond float.
TEST_F(ShipAi, ADroneFliesAlongItsVelocityHoweverLong)
{
    const struct { const char* name; Vector3 velocity, direction; } rows[] = {
        {"squared beyond float", Vector3(1e20f, 0, 0), Vector3::UNIT_X},
        {"at the float range's end on every axis", Vector3(3e38f, -3e38f, 3e38f), Vector3(1, -1, 1).normalisedCopy()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ShipBehaviour& drone = makeAi();
        drone.drone(row.velocity);
        drone.updateBehaviour(0.1f);
        EXPECT_EQ(stack(), "drone");
        EXPECT_TRUE(drone.getDesiredHeading().positionEquals(row.direction)) << drone.getDesiredHeading();
        EXPECT_TRUE(ForceController::clamp(drone.getDesiredForce(), 10.0f).positionEquals(row.direction * 10.0f))
            << drone.getDesiredForce();
    }
}

// A drone order of no velocity leaves the motor no heading, and the motor brakes the turn under
// way. Left alone, the joint keeps the last speed an update gave it, a push beyond the body's
// reach, and the ship spins at full torque without end: in the game an AI trifighter alone in
// "Deep Space", ordered from rest to drone along (200 0 0) and 0.4 s later at (0 0 0), turned at
// 2.5 rad/s for all of the next 30 s; braked, at 0.23 rad/s at most from 2 s on. Undamped
// here, the body would spin at up to 2 pi rad/s; braked, it wobbles at a fraction of 1 rad/s.
TEST_F(ShipAi, ADroneOrderOfNoVelocityStopsTheTurnUnderWay)
{
    const struct { const char* name; Vector3 turn; double moment; } rows[] = {
        {"a quarter turn just begun", Vector3(200, 0, 0), 0.25},
        {"a quarter turn half done", Vector3(200, 0, 0), 0.75},
        {"a turn from straight behind", Vector3(0, 0, 200), 1.5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        me->body.setOrientation(Ogre::Quaternion::IDENTITY);
        dBodySetAngularVel(me->body.getBody(), 0, 0, 0);
        ShipBehaviour& drone = makeAi();
        drone.drone(row.turn);
        run(row.moment);
        drone.drone(Vector3::ZERO);
        run(5);
        float fastest = 0.0f;
        for (int pass = 0; pass < 20 * 32; ++pass) {
            frame(1.0 / 32);
            fastest = std::max(fastest, Vector3(dBodyGetAngularVel(me->body.getBody())).length());
        }
        EXPECT_LT(fastest, 1.0f) << "rad/s";
    }
}

} // namespace
} // namespace Tolvarine::Test

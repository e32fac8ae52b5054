#include "Config.h"
#include "ConfigFiles.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "PhysicsGeometry.h"
#include "Profiler.h"
#include "Scheduler.h"

#include <gtest/gtest.h>
#include <ode/collision.h>
#include <ode/error.h>
#include <ode/objects.h>

#include <algorithm>
#include <cmath>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

// Counts the engine's calls, so tests see how many world steps and notifications a frame made.
class CountingBody : public PhysicsBody {
public:
    using PhysicsBody::PhysicsBody;
    void preStep() override { ++preSteps, PhysicsBody::preStep(); }
    void notifyListeners() override { ++notifications, PhysicsBody::notifyListeners(); }
    int preSteps = 0, notifications = 0;
};

// The engine and the services it uses, and a body type of unit mass.
struct PhysicsWorld {
    void addActive(PhysicsBody& body)
    {
        engine.addBody(&body);
        body.activate();
        engine.activateBody(&body);
    }
    Tolvarine::Test::TemporaryFolder folder;
    Tolvarine::Test::ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    const Config type{Tolvarine::Test::written(folder.file("body.cfg"), "[Physics]\nmass = 1\nmassRadius = 1\n")};
};

class PhysicsEngineTest : public ::testing::Test, public PhysicsWorld {};

TEST(PhysicsEngineFrames, StepFixedSlicesOfCappedFrameTimeAndNotifyOncePerFrame)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 0.5 s counts as 0.1 s: single-precision arithmetic gives 19 steps and leaves just under one.
    const std::tuple<const char*, std::vector<float>, int> rows[] = {
        {"a frame shorter than a step steps nothing", {0.003f}, 0},
        {"the remainder is kept", {0.003f, 0.003f, 0.0035f, 0.001f}, 2},
        {"a long frame is capped, the cap's remainder carries over", {0.5f, 0.0001f}, 20},
        {"NaN counts as the cap", {nan}, 19},
        {"a negative frame simulates nothing and owes nothing", {nan, -1.0f, 0.0051f}, 21},
    };
    for (const auto& [rule, frames, steps] : rows) {
        SCOPED_TRACE(rule);
        PhysicsWorld world;
        CountingBody body(world.type);
        world.addActive(body);
        body.setLinearVelocity(Vector3(1, 0, 0));
        body.notifications = 0;
        for (float frame : frames)
            world.engine.update(frame, 0.0f);
        EXPECT_EQ(steps, body.preSteps);
        EXPECT_EQ(int(frames.size()), body.notifications);
        EXPECT_NEAR(steps * 0.005f, body.getPosition().x, 1e-4f);
        // Impulses become forces over one world step, whatever the frames were.
        EXPECT_EQ(Vector3(0, 200, -400), world.engine.impulseToForce(Vector3(0, 1, -2)));
        world.engine.removeBody(&body);
    }
}

TEST_F(PhysicsEngineTest, TheRegistryStepsActiveBodiesAndSurvivesReusedAddressesAndListenersThatDestroy)
{
    // The same storage holds one body after another, as a pool that rebuilds its objects can.
    std::optional<CountingBody> slot(std::in_place, type);
    PhysicsBody* const address = &*slot;
    Tolvarine::Test::LogCapture log(true);
    addActive(*slot);
    engine.addBody(address);
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"PhysicsEngine: attempting to add an already-added body"});
    // Removed and added again before the next update: registered, but inactive.
    engine.removeBody(address);
    engine.addBody(address);
    engine.update(0.01f, 0.0f);
    EXPECT_EQ(0, slot->preSteps);
    engine.removeBody(address);

    // A new body at a destroyed one's address is accepted, also when its owner forgot to remove it.
    log.clear();
    slot.emplace(type);
    addActive(*slot);
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(1, slot->preSteps);
    slot.reset();
    engine.update(0.005f, 0.0f);
    slot.emplace(type);
    engine.addBody(&*slot);
    EXPECT_TRUE(log.lines().empty());

    // Listeners may destroy other bodies while they are notified. On the heap, so that a call on
    // a destroyed body is a use after free that sanitizers see.
    auto first = std::make_unique<CountingBody>(type), second = std::make_unique<CountingBody>(type);
    addActive(*first);
    addActive(*second);
    int calls = 0;
    PositionListener destroySecond = [&](const Vector3&, const Quaternion&, const Vector3&) { ++calls, second.reset(); };
    PositionListener destroyFirst = [&](const Vector3&, const Quaternion&, const Vector3&) { ++calls, first.reset(); };
    first->addPositionListener(&destroySecond);
    second->addPositionListener(&destroyFirst);
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(1, calls);
    EXPECT_NE(first == nullptr, second == nullptr);
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(2, calls);
}

// Records what the engine hands back and takes the body out of play as owners do, through the
// engine, or leaves it in play, as an owner that fails to take it out would.
struct RecordingOwner : PhysicsBody::Owner {
    std::string getBodyName() const override { return "Probe of probe.cfg"; }
    void bodyOutOfReach() override
    {
        ++handedBack;
        if (leaves)
            PhysicsEngine::getSingleton().deactivateBody(body);
    }
    PhysicsBody* body = nullptr;
    bool leaves = true;
    int handedBack = 0;
};

// Before, each of these made the collision library abort the process: at the next collision pass
// (a body filed beyond the space's edge) or in the step (an orientation that is no number).
TEST(PhysicsEngineReach, ABodyThePhysicsCannotFollowLeavesPlayWhereItWasWithALineNamingIt)
{
    const float max = PhysicsEngine::MAX_COORDINATE, inf = std::numeric_limits<float>::infinity();
    struct Row {
        const char* rule;
        Vector3 place, velocity, push;
        const char* line; // null: the body stays in play
        Vector3 left;     // where it is left
        bool ownerLeaves = true;
        // Turned by a standing torque under a rotationDecay that feeds the spin, for eight frames.
        bool spinRunsAway = false;
    };
    const Row rows[] = {
        {"a step that would carry it out", {10, 0, 0}, {1e12f, 0, 0}, {0, 0, 0},
         "PhysicsEngine: Probe of probe.cfg is taken out of play: its steps would carry it to (5e+09 0 0), beyond 1e+08 "
         "units on an axis, where the physics cannot follow it",
         {10, 0, 0}},
        {"placed beyond reach", {0, -2 * max, 0}, {0, 0, 0}, {0, 0, 0},
         "PhysicsEngine: Probe of probe.cfg is taken out of play: it was placed at (0 -2e+08 0), beyond 1e+08 units on an "
         "axis, where the physics cannot follow it",
         {0, -2 * max, 0}},
        {"a push that overflowed", {0, 0, 5}, {0, 0, 0}, {0, inf, 0},
         "PhysicsEngine: Probe of probe.cfg is taken out of play: its place, its motion or a push on it is no finite "
         "number, where the physics cannot follow it",
         {0, 0, 5}},
        // Its line read "(1e+08 0 0), beyond 1e+08".
        {"a step just past the edge", {max, 0, 0}, {100, 0, 0}, {0, 0, 0},
         "PhysicsEngine: Probe of probe.cfg is taken out of play: its steps would carry it to (100000000.5 0 0), beyond "
         "1e+08 units on an axis, where the physics cannot follow it",
         {max, 0, 0}},
        {"at the edge, flying along it", {max, 0, 0}, {0, 1e5f, 0}, {0, 0, 0}, nullptr, {max, 1000, 0}},
        // The line says so: the whole game's rows see by it that the owners take their objects out.
        {"an owner that keeps it in play", {0, 0, 3 * max}, {0, 0, 0}, {0, 0, 0},
         "PhysicsEngine: Probe of probe.cfg is stopped, but its owner kept it in play: it was placed at (0 0 3e+08), "
         "beyond 1e+08 units on an axis, where the physics cannot follow it",
         {0, 0, 3 * max}, false},
        // The spin grows 2.6e34 times a step: the world step's orientation update aborted.
        {"a damping that feeds the spin", {0, 0, 7}, {0, 0, 0}, {0, 0, 0},
         "PhysicsEngine: Probe of probe.cfg is taken out of play: its place, its motion or a push on it is no finite "
         "number, where the physics cannot follow it",
         {0, 0, 7}, true, true},
    };
    Tolvarine::Test::TemporaryFolder folder;
    const Config feedingSpin(Tolvarine::Test::written(
        folder.file("spin.cfg"), "[Physics]\nmass = 1\nmassRadius = 1\nrotationDecay = -3.4e38\n"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        PhysicsWorld world;
        Tolvarine::Test::LogCapture log(true);
        PhysicsBody body(row.spinRunsAway ? feedingSpin : world.type);
        RecordingOwner owner;
        owner.body = &body;
        owner.leaves = row.ownerLeaves;
        body.setOwner(&owner);
        // What shows the body (a scene node) never hears of a place beyond the reach, in this life
        // or at the start of the next, which begins where this one was left.
        float farthestHeard = 0.0f;
        PositionListener listener = [&](const Vector3& place, const Quaternion&, const Vector3&) {
            farthestHeard = std::max({farthestHeard, std::abs(place.x), std::abs(place.y), std::abs(place.z)});
        };
        body.addPositionListener(&listener);
        // A sphere in an object space of its own, as a collidable's.
        PhysicsGeometry space(reinterpret_cast<dGeomID>(dSimpleSpaceCreate(nullptr)));
        PhysicsGeometry sphere(dCreateSphere(reinterpret_cast<dSpaceID>(space.getGeometry()), 1.0));
        dGeomSetBody(sphere.getGeometry(), body.getBody());
        world.engine.addCollisionSpace(space.getGeometry());
        world.addActive(body);
        body.setPosition(row.place);
        body.setLinearVelocity(row.velocity);
        body.addForce(row.push);
        if (row.spinRunsAway)
            body.setTorque(Vector3(1, 0, 0));
        for (int frame = 0; frame < (row.spinRunsAway ? 8 : 2); ++frame)
            world.engine.update(0.005f, 0.0f);
        EXPECT_EQ(row.line != nullptr, owner.handedBack == 1);
        EXPECT_EQ(row.line == nullptr, body.isActive());
        EXPECT_EQ(row.line == nullptr, dGeomGetSpace(space.getGeometry()) != nullptr) << "in the collision space";
        EXPECT_TRUE(!row.line || log.contains(row.line)) << row.line;
        EXPECT_EQ(row.left, body.getPosition());
        // Taken out of the registry even though the owner left it: activating it again is no misuse.
        log.clear();
        world.engine.activateBody(&body);
        EXPECT_EQ(row.line == nullptr, log.contains("PhysicsEngine: attempting to activate an already-active or unknown body"));
        body.addPositionListener(&listener);
        body.activate();
        EXPECT_LE(farthestHeard, max);
        world.engine.removeCollisionSpace(space.getGeometry());
        world.engine.removeBody(&body);
    }
}

TEST_F(PhysicsEngineTest, ASpaceAddedBetweenPassesNeverHidesMovedOnesAndTheLibrarysWordsReachTheLog)
{
    // Object spaces as the collidables make them: one on a moving body, one fixed beside it and an
    // empty one, like a formation's, which no body ever moves.
    const auto objectSpace = [] { return std::make_unique<PhysicsGeometry>(reinterpret_cast<dGeomID>(dSimpleSpaceCreate(nullptr))); };
    const auto inSpace = [](const PhysicsGeometry& space) { return reinterpret_cast<dSpaceID>(space.getGeometry()); };
    const auto moving = objectSpace(), fixed = objectSpace(), empty = objectSpace();
    PhysicsGeometry movingSphere(dCreateSphere(inSpace(*moving), 1.0)), fixedSphere(dCreateSphere(inSpace(*fixed), 1.0));
    PhysicsBody body(type);
    addActive(body);
    dGeomSetBody(movingSphere.getGeometry(), body.getBody());
    body.setLinearVelocity(Vector3(10, 0, 0));
    for (const auto* space : {moving.get(), fixed.get(), empty.get()})
        engine.addCollisionSpace(space->getGeometry());
    engine.update(0.005f, 0.0f);
    engine.removeCollisionSpace(empty->getGeometry());
    engine.update(0.005f, 0.0f);
    // The empty space comes back after the step moved the sphere: the next pass must still see
    // the moving space's bounds where its body is (before, the library aborted on stale bounds).
    engine.addCollisionSpace(empty->getGeometry());
    engine.update(0.005f, 0.0f);
    dReal bounds[6];
    dGeomGetAABB(moving->getGeometry(), bounds);
    EXPECT_NEAR(body.getPosition().x, (bounds[0] + bounds[1]) / 2, 1e-4);
    EXPECT_GT(body.getPosition().x, 0.1f);
    for (const auto* space : {moving.get(), fixed.get(), empty.get()})
        engine.removeCollisionSpace(space->getGeometry());
    engine.removeBody(&body);

    Tolvarine::Test::LogCapture log;
    dMessage(7, "a %s of the library", "message");
    EXPECT_TRUE(log.contains("ODE Message 7: a message of the library"));
}

} // namespace
} // namespace Tolvarine

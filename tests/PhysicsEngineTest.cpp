#include "CollisionBody.h"
#include "CollisionGeometry.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "FixedTask.h"
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
#include <ode/objects.h>

#include <functional>
#include <limits>
#include <optional>
#include <sstream>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::LogCapture;

// Counts the engine's calls, so tests see how many world steps and notifications a frame made.
class CountingBody : public PhysicsBody {
public:
    using PhysicsBody::PhysicsBody;
    void preStep() override
    {
        ++preSteps;
        jointsSeen = std::max(jointsSeen, dBodyGetNumJoints(getBody()));
        PhysicsBody::preStep();
    }
    void notifyListeners() override
    {
        ++notifications;
        PhysicsBody::notifyListeners();
    }
    int preSteps = 0, notifications = 0, jointsSeen = 0;
};

// The owner of an object's collision geometry: records every contact it is told of.
class RecordingOwner : public CollisionListener {
public:
    struct Contact {
        CollisionListener* other;
        int otherComponent;
        Vector3 position, normal;
    };
    int getComponentIndex(const std::string& name) const override { return name == "Hull" ? 4 : 9; }
    bool collide(CollisionListener* other, int otherComponent, const Vector3& position, const Vector3& normal) override
    {
        contacts.push_back({other, otherComponent, position, normal});
        if (onCollide)
            onCollide();
        return answer;
    }
    bool answer = true;
    std::function<void()> onCollide;
    std::vector<Contact> contacts;
};

// The engine and the services it uses, and a body type of unit mass.
struct PhysicsWorld {
    void addActive(PhysicsBody& body)
    {
        engine.addBody(&body);
        body.activate();
        engine.activateBody(&body);
    }

    Test::TemporaryFolder folder;
    Test::ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    const Config type{[this] {
        Test::writeFile(folder.file("body.cfg"), "[Physics]\nmass = 1\nmassRadius = 1\n");
        return folder.file("body.cfg");
    }()};
};

class PhysicsEngineTest : public ::testing::Test, public PhysicsWorld {};

// A body with one collision geometry, active and in play.
struct TestObject {
    TestObject(PhysicsWorld& world, dGeomID shape, const Vector3& position, const Vector3& velocity = Vector3::ZERO)
        : engine(world.engine), body(world.type)
    {
        geometry.addCollisionBody(std::make_shared<CollisionBody>("Hull", std::make_unique<PhysicsGeometry>(shape),
                                                                  Vector3::ZERO, Quaternion::IDENTITY));
        geometry.setBody(body);
        geometry.setListener(&owner);
        world.addActive(body);
        geometry.enable();
        body.setPosition(position);
        body.setLinearVelocity(velocity);
    }
    ~TestObject() { engine.removeBody(&body); }
    dGeomID space() const { return reinterpret_cast<dGeomID>(geometry.getSpace()); }

    PhysicsEngine& engine;
    RecordingOwner owner;
    CountingBody body;
    CollisionGeometry geometry;
};

dGeomID sphere(float radius)
{
    return dCreateSphere(nullptr, radius);
}

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
    CountingBody flaggedOnly(type);
    flaggedOnly.activate();
    CountingBody notFlagged(type);
    engine.addBody(&notFlagged);
    engine.activateBody(&notFlagged);
    // The same storage holds one body after another, as a pool that rebuilds its objects can.
    std::optional<CountingBody> slot(std::in_place, type);
    PhysicsBody* const address = &*slot;
    LogCapture log(true);
    engine.addBody(address);
    engine.addBody(address);
    engine.deactivateBody(address);
    engine.update(0.01f, 0.0f);
    EXPECT_EQ(0, slot->preSteps) << "registered but inactive";
    slot->activate();
    engine.activateBody(address);
    engine.activateBody(address);
    engine.update(0.01f, 0.0f);
    EXPECT_EQ(2, slot->preSteps);
    EXPECT_EQ(0, flaggedOnly.preSteps + notFlagged.preSteps + notFlagged.notifications);
    // Removed and added again before the next update: registered, but inactive.
    engine.removeBody(address);
    engine.addBody(address);
    engine.update(0.01f, 0.0f);
    EXPECT_EQ(2, slot->preSteps);
    engine.removeBody(address);
    engine.deactivateBody(address);
    const std::string add = "PhysicsEngine: attempting to add an already-added body";
    const std::string on = "PhysicsEngine: attempting to activate an already-active or unknown body";
    const std::string off = "PhysicsEngine: attempting to deactivate an already-inactive or unknown body";
    EXPECT_EQ(log.lines(), (std::vector<std::string>{add, off, on, off}));
    EXPECT_EQ(log.levels(), std::vector<Ogre::LogMessageLevel>(4, Ogre::LML_TRIVIAL));
    engine.removeBody(&notFlagged);

    // A new body at a destroyed one's address is accepted, also when its owner forgot to remove it.
    log.clear();
    slot.emplace(type);
    ASSERT_EQ(address, &*slot);
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
    auto first = std::make_unique<CountingBody>(type);
    auto second = std::make_unique<CountingBody>(type);
    addActive(*first);
    addActive(*second);
    int calls = 0;
    PositionListener destroySecond = [&](const Vector3&, const Quaternion&, const Vector3&) {
        ++calls;
        second.reset();
    };
    PositionListener destroyFirst = [&](const Vector3&, const Quaternion&, const Vector3&) {
        ++calls;
        first.reset();
    };
    first->addPositionListener(&destroySecond);
    second->addPositionListener(&destroyFirst);
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(1, calls);
    EXPECT_NE(first == nullptr, second == nullptr);
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(2, calls);
}

TEST_F(PhysicsEngineTest, ContactsBounceTellBothOwnersAndARefusalLetsTheObjectsPass)
{
    {
        // Barely touching, closing at 2 units per second.
        TestObject left(*this, sphere(1), Vector3(-0.99995f, 0, 0), Vector3(1, 0, 0));
        TestObject right(*this, sphere(1), Vector3(0.99995f, 0, 0), Vector3(-1, 0, 0));
        // Two boxes face to face: four corner points make three joints, gone before the next frame.
        TestObject lower(*this, dCreateBox(nullptr, 2, 2, 2), Vector3(0, 50 - 0.9999f, 0));
        TestObject upper(*this, dCreateBox(nullptr, 2, 2, 2), Vector3(0, 50.9999f, 0));
        engine.update(0.005f, 0.0f);
        ASSERT_EQ(1u, left.owner.contacts.size());
        ASSERT_EQ(1u, right.owner.contacts.size());
        EXPECT_EQ(1, left.body.jointsSeen);
        // They separate at a tenth of the closing speed; momentum is kept.
        EXPECT_NEAR(-0.1f, left.body.getVelocity().x, 0.01f);
        EXPECT_NEAR(0.1f, right.body.getVelocity().x, 0.01f);
        const RecordingOwner::Contact& a = left.owner.contacts.front();
        const RecordingOwner::Contact& b = right.owner.contacts.front();
        EXPECT_EQ(right.geometry.getCollisionBodies().front().get(), a.other);
        EXPECT_EQ(4, a.otherComponent);
        EXPECT_EQ(4, b.otherComponent);
        EXPECT_EQ(a.position, b.position);
        EXPECT_EQ(a.normal, b.normal);
        EXPECT_EQ(3, lower.body.jointsSeen);
        EXPECT_EQ(0, dBodyGetNumJoints(lower.body.getBody()));
    }
    // Both owners are asked whichever refuses; a disabled collision body refuses unasked.
    for (const char* refuses : {"left", "right", "disabled left"}) {
        SCOPED_TRACE(refuses);
        TestObject left(*this, sphere(1), Vector3(-0.9f, 0, 0), Vector3(1, 0, 0));
        TestObject right(*this, sphere(1), Vector3(0.9f, 0, 0), Vector3(-1, 0, 0));
        const bool disabled = std::string(refuses) == "disabled left";
        if (disabled)
            left.geometry.getCollisionBodies().front()->setEnabled(false);
        else
            (std::string(refuses) == "left" ? left : right).owner.answer = false;
        engine.update(0.005f, 0.0f);
        EXPECT_EQ(disabled ? 0u : 1u, left.owner.contacts.size());
        EXPECT_EQ(1u, right.owner.contacts.size());
        EXPECT_FLOAT_EQ(-1.0f, right.body.getVelocity().x);
    }
}

TEST_F(PhysicsEngineTest, SpaceChangesDuringTheCollisionPassWaitForTheEndOfTheFrame)
{
    TestObject projectile(*this, sphere(0.5f), Vector3(-1.2f, 0, 0), Vector3(10, 0, 0));
    TestObject target(*this, sphere(1), Vector3(0.2f, 0, 0));
    // Debris that the hit brings into play: built, but not yet in the top-level space.
    TestObject debris(*this, sphere(1), Vector3(0.2f, 0, 0));
    debris.geometry.disable(DisableTime(0));
    // Idle: put in and taken out again in one pass, it stays out.
    TestObject idle(*this, sphere(1), Vector3(50, 0, 0));
    idle.geometry.disable(DisableTime(0));
    const dSpaceID topLevel = engine.getSpace();
    projectile.owner.answer = false;
    bool stillInPlayDuringPass = false, debrisOutDuringPass = false;
    projectile.owner.onCollide = [&] {
        // The projectile explodes on impact: it leaves play from inside the collision pass.
        projectile.geometry.disable(DisableTime(1));
        projectile.body.deactivate(DisableTime(1));
        engine.deactivateBody(&projectile.body);
        debris.geometry.enable();
        idle.geometry.enable();
        idle.geometry.disable(DisableTime(0));
        stillInPlayDuringPass = dGeomGetSpace(projectile.space()) == topLevel;
        debrisOutDuringPass = dGeomGetSpace(debris.space()) == nullptr;
    };
    // The target is taken out and put back in the same pass: it stays in play.
    target.owner.onCollide = [&] {
        target.geometry.disable(DisableTime(0));
        target.geometry.enable();
    };
    engine.update(0.005f, 0.0f);
    EXPECT_TRUE(stillInPlayDuringPass);
    EXPECT_TRUE(debrisOutDuringPass);
    EXPECT_EQ(nullptr, dGeomGetSpace(projectile.space()));
    EXPECT_EQ(topLevel, dGeomGetSpace(debris.space()));
    EXPECT_EQ(topLevel, dGeomGetSpace(target.space()));
    EXPECT_EQ(nullptr, dGeomGetSpace(idle.space()));
    EXPECT_EQ(0, projectile.body.preSteps) << "deactivated during the pass, not stepped in that frame";
    // The next frame's collision pass no longer sees the projectile, but sees the debris.
    projectile.owner.onCollide = target.owner.onCollide = nullptr;
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(1u, projectile.owner.contacts.size());
    EXPECT_EQ(2u, target.owner.contacts.size());
    EXPECT_FALSE(debris.owner.contacts.empty());

    // A ray visits the objects whose bounds it crosses; one ray serves every call.
    std::vector<dGeomID> members;
    dNearCallback* record = [](void* data, dGeomID, dGeomID member) {
        static_cast<std::vector<dGeomID>*>(data)->push_back(member);
    };
    engine.castRay(Vector3(50, 0, 10), Vector3::NEGATIVE_UNIT_Z, 20.0f, &members, record);
    EXPECT_TRUE(members.empty()) << "the idle object is out of play";
    engine.castRay(Vector3(0.2f, 0, 30), Vector3::NEGATIVE_UNIT_Z, 5.0f, &members, record);
    EXPECT_TRUE(members.empty());
    engine.castRay(Vector3(0.2f, -10, 0), Vector3::UNIT_Y, 40.0f, &members, record);
    EXPECT_EQ(2u, members.size()) << "the target and the debris";
}

TEST(PhysicsEngineTask, RunsEveryPassBetweenInputAndFormationsInItsProfilerBlocks)
{
    PhysicsWorld world;
    world.profiler.setSystemInfoSource([] { return std::string(); });
    CountingBody body(world.type);
    world.addActive(body);
    body.setLinearVelocity(Vector3(0, 2, 0));
    std::vector<std::string> order;
    std::vector<Vector3> reported;
    PositionListener physics = [&](const Vector3& position, const Quaternion&, const Vector3&) {
        order.push_back("Physics");
        reported.push_back(position);
    };
    body.addPositionListener(&physics);
    FixedTask processInput([&](float, float) { order.push_back("input"); }, "Process Input", 9);
    FixedTask formations([&](float, float) { order.push_back("formations"); }, "Formation::update", 11);
    world.scheduler.run();
    Tolvarine::Test::ManualTicks::advance(1.0 / 32);
    world.scheduler.run();
    EXPECT_EQ((std::vector<std::string>{"input", "Physics", "formations", "input", "Physics", "formations"}), order);
    // The second pass hands over the time between the passes: six whole steps of 1/32 s, and
    // listeners hear the pose after the last of them.
    EXPECT_EQ(6, body.preSteps);
    EXPECT_NEAR(6 * 0.005f * 2, reported.back().y, 1e-5f);
    // While paused the task still runs but changes nothing.
    world.scheduler.setPaused(true);
    Tolvarine::Test::ManualTicks::advance(1.0 / 32);
    world.scheduler.run();
    EXPECT_EQ(6, body.preSteps);
    EXPECT_EQ(2u, reported.size());
    EXPECT_FLOAT_EQ(1.0f / 32, world.engine.getLastFrameTime());
    std::ostringstream report;
    world.profiler.writeReport(report);
    for (const char* block : {"        Physics ", "            Collision ", "            Dynamics ",
                              "                WorldQuickStep ", "            Synchronise "})
        EXPECT_NE(std::string::npos, report.str().find(std::string("\n") + block)) << block << report.str();
    world.engine.removeBody(&body);
}

} // namespace
} // namespace Tolvarine

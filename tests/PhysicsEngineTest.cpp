#include "CollisionBody.h"
#include "CollisionGeometry.h"
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
#include <ode/objects.h>

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

// The owner of an object's collision geometry: records every contact it is told of.
class RecordingOwner : public CollisionListener {
public:
    bool collide(CollisionListener* other, int, const Vector3&, const Vector3&) override
    {
        contacts.push_back(other);
        if (onCollide)
            onCollide();
        return answer;
    }
    bool answer = true;
    std::function<void()> onCollide;
    std::vector<CollisionListener*> contacts;
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

// A body with one collision geometry, active and in play.
struct TestObject {
    TestObject(PhysicsWorld& world, dGeomID shape, const Vector3& position, const Vector3& velocity = Vector3::ZERO)
        : engine(world.engine), body(world.type)
    {
        geometry.addCollisionBody(std::make_shared<CollisionBody>("Hull", std::make_unique<PhysicsGeometry>(shape), Vector3::ZERO,
                                                                  Quaternion::IDENTITY));
        geometry.setBody(body);
        geometry.setListener(&owner);
        world.addActive(body);
        geometry.enable();
        body.setPosition(position);
        body.setLinearVelocity(velocity);
    }
    ~TestObject() { engine.removeBody(&body); }
    dSpaceID space() const { return dGeomGetSpace(reinterpret_cast<dGeomID>(geometry.getSpace())); }

    PhysicsEngine& engine;
    RecordingOwner owner;
    CountingBody body;
    CollisionGeometry geometry;
};

dGeomID sphere(float radius) { return dCreateSphere(nullptr, radius); }

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
    CountingBody flaggedOnly(type), notFlagged(type);
    flaggedOnly.activate();
    engine.addBody(&notFlagged);
    engine.activateBody(&notFlagged);
    // The same storage holds one body after another, as a pool that rebuilds its objects can.
    std::optional<CountingBody> slot(std::in_place, type);
    PhysicsBody* const address = &*slot;
    Tolvarine::Test::LogCapture log(true);
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
    const std::string off = "PhysicsEngine: attempting to deactivate an already-inactive or unknown body";
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"PhysicsEngine: attempting to add an already-added body", off,
                                                     "PhysicsEngine: attempting to activate an already-active or unknown body", off}));
    EXPECT_EQ(log.levels(), std::vector<Ogre::LogMessageLevel>(4, Ogre::LML_TRIVIAL));
    engine.removeBody(&notFlagged);

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
        stillInPlayDuringPass = projectile.space() == topLevel;
        debrisOutDuringPass = debris.space() == nullptr;
    };
    // The target is taken out and put back in the same pass: it stays in play.
    target.owner.onCollide = [&] {
        target.geometry.disable(DisableTime(0));
        target.geometry.enable();
    };
    engine.update(0.005f, 0.0f);
    EXPECT_TRUE(stillInPlayDuringPass && debrisOutDuringPass);
    EXPECT_EQ((std::vector<dSpaceID>{nullptr, topLevel, topLevel, nullptr}),
              (std::vector<dSpaceID>{projectile.space(), debris.space(), target.space(), idle.space()}));
    EXPECT_EQ(0, projectile.body.preSteps) << "deactivated during the pass, not stepped in that frame";
    // The next frame's collision pass no longer sees the projectile, but sees the debris.
    projectile.owner.onCollide = target.owner.onCollide = nullptr;
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(1u, projectile.owner.contacts.size());
    EXPECT_EQ(2u, target.owner.contacts.size());
    EXPECT_FALSE(debris.owner.contacts.empty());

}

} // namespace
} // namespace Tolvarine

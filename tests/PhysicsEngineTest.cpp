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

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Tolvarine::Test::LogCapture;
using Tolvarine::Test::ManualTicks;
using Tolvarine::Test::TemporaryFolder;
using Tolvarine::Test::writeFile;

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
    int preSteps = 0;
    int notifications = 0;
    int jointsSeen = 0;
};

// The owner of an object's collision geometry: records every contact it is told of.
class RecordingOwner : public CollisionListener {
public:
    struct Contact {
        CollisionListener* other;
        int otherComponent;
        Vector3 position;
        Vector3 normal;
    };
    int getComponentIndex(const std::string& componentName) const override
    {
        return componentName == "Hull" ? 4 : 9;
    }
    bool collide(CollisionListener* other, int otherComponent, const Vector3& position,
                 const Vector3& normal) override
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

const std::string ADD_TWICE = "PhysicsEngine: attempting to add an already-added body";
const std::string ACTIVATE_TWICE =
    "PhysicsEngine: attempting to activate an already-active or unknown body";
const std::string DEACTIVATE_TWICE =
    "PhysicsEngine: attempting to deactivate an already-inactive or unknown body";

// What bodies need: the engine and the services it uses, and a body type of unit mass.
struct PhysicsWorld {
    PhysicsWorld()
    {
        writeFile(folder.file("body.cfg"), "[Physics]\nmass = 1\nmassRadius = 1\n");
        type = std::make_unique<Config>(folder.file("body.cfg"));
    }

    // A registered, active body at rest at the origin.
    void addActive(PhysicsBody& body)
    {
        engine.addBody(&body);
        body.activate();
        engine.activateBody(&body);
    }

    TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    std::unique_ptr<Config> type;
};

class PhysicsEngineTest : public ::testing::Test, public PhysicsWorld {};

// One object: a body with one collision geometry (a sphere or a box), active and in play.
struct TestObject {
    TestObject(PhysicsEngine& engine, const Config& type, dGeomID shape, const Vector3& position,
               const Vector3& velocity)
        : engine(engine)
        , body(type)
    {
        geometry.addCollisionBody(std::make_shared<CollisionBody>(
            "Hull", std::make_unique<PhysicsGeometry>(shape), Vector3::ZERO, Quaternion::IDENTITY));
        geometry.setBody(body);
        geometry.setListener(&owner);
        engine.addBody(&body);
        body.activate();
        engine.activateBody(&body);
        geometry.enable();
        body.setPosition(position);
        body.setLinearVelocity(velocity);
    }
    ~TestObject() { engine.removeBody(&body); }

    CollisionBody& collisionBody() { return *geometry.getCollisionBodies().front(); }
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
    struct Row {
        const char* rule;
        std::vector<float> frames;
        int steps;
    };
    // 0.5 s counts as 0.1 s: single-precision arithmetic gives 19 steps and leaves just under one.
    const Row rows[] = {
        {"a frame shorter than a step steps nothing", {0.003f}, 0},
        {"the remainder is kept", {0.003f, 0.003f}, 1},
        {"remainders keep adding up", {0.003f, 0.003f, 0.0035f, 0.001f}, 2},
        {"a long frame is capped", {0.5f}, 19},
        {"the cap's remainder carries over", {0.5f, 0.0001f}, 20},
        {"NaN counts as the cap", {nan}, 19},
        {"a negative frame simulates nothing and owes nothing", {nan, -1.0f, 0.0051f}, 21},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        PhysicsWorld world;
        CountingBody body(*world.type);
        world.addActive(body);
        body.setLinearVelocity(Vector3(1, 0, 0));
        body.notifications = 0;
        for (float frame : row.frames)
            world.engine.update(frame, 0.0f);
        EXPECT_EQ(row.steps, body.preSteps);
        EXPECT_EQ(int(row.frames.size()), body.notifications);
        EXPECT_NEAR(row.steps * 0.005f, body.getPosition().x, 1e-4f);
        // Impulses become forces over one world step, whatever the frames were.
        EXPECT_EQ(Vector3(0, 200, -400), world.engine.impulseToForce(Vector3(0, 1, -2)));
        world.engine.removeBody(&body);
    }
}

TEST_F(PhysicsEngineTest, RegistryStepsOnlyActiveBodiesAndLogsMisuseAtTheTrivialLevel)
{
    CountingBody flaggedOnly(*type);
    flaggedOnly.activate();
    CountingBody activeButNotFlagged(*type);
    engine.addBody(&activeButNotFlagged);
    engine.activateBody(&activeButNotFlagged);
    CountingBody body(*type);
    LogCapture log(true);

    engine.addBody(&body);
    engine.addBody(&body);
    engine.deactivateBody(&body);
    engine.update(0.01f, 0.0f);
    EXPECT_EQ(0, body.preSteps) << "registered but inactive";
    body.activate();
    engine.activateBody(&body);
    engine.activateBody(&body);
    engine.addBody(&body);
    engine.update(0.01f, 0.0f);
    EXPECT_EQ(2, body.preSteps);
    EXPECT_EQ(0, flaggedOnly.preSteps);
    EXPECT_EQ(0, activeButNotFlagged.preSteps + activeButNotFlagged.notifications);

    // Removed and added again before the next update: registered, but inactive.
    engine.removeBody(&body);
    engine.addBody(&body);
    engine.update(0.01f, 0.0f);
    EXPECT_EQ(2, body.preSteps);
    engine.removeBody(&body);
    engine.deactivateBody(&body);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{ADD_TWICE, DEACTIVATE_TWICE, ACTIVATE_TWICE, ADD_TWICE,
                                                     DEACTIVATE_TWICE}));
    EXPECT_EQ(log.levels(), std::vector<Ogre::LogMessageLevel>(5, Ogre::LML_TRIVIAL));
    engine.removeBody(&activeButNotFlagged);
}

TEST_F(PhysicsEngineTest, ANewBodyAtTheAddressOfADestroyedOneIsAccepted)
{
    // The same storage holds one body after the other, as a pool that rebuilds its objects can.
    std::optional<CountingBody> slot;
    slot.emplace(*type);
    PhysicsBody* const address = &*slot;
    addActive(*slot);
    engine.removeBody(address);
    slot.reset();
    slot.emplace(*type);
    ASSERT_EQ(address, &*slot);
    LogCapture log(true);
    addActive(*slot);
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(1, slot->preSteps);

    // Destroyed by an owner that forgot to remove it, it still leaves the registry.
    slot.reset();
    engine.update(0.005f, 0.0f);
    slot.emplace(*type);
    engine.addBody(&*slot);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PhysicsEngineTest, ListenersMayDestroyOtherBodiesWhileTheyAreNotified)
{
    // On the heap, so that a call on a destroyed body is a use after free that sanitizers see.
    auto first = std::make_unique<CountingBody>(*type);
    auto second = std::make_unique<CountingBody>(*type);
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

TEST_F(PhysicsEngineTest, SpheresBounceWithTheSmallRestitutionAndBothOwnersHearOfIt)
{
    // Barely touching, closing at 2 units per second.
    TestObject left(engine, *type, sphere(1), Vector3(-0.99995f, 0, 0), Vector3(1, 0, 0));
    TestObject right(engine, *type, sphere(1), Vector3(0.99995f, 0, 0), Vector3(-1, 0, 0));
    engine.update(0.005f, 0.0f);
    ASSERT_EQ(1u, left.owner.contacts.size());
    ASSERT_EQ(1u, right.owner.contacts.size());
    EXPECT_EQ(1, left.body.jointsSeen);
    // They separate at a tenth of the closing speed; momentum is kept.
    EXPECT_NEAR(-0.1f, left.body.getVelocity().x, 0.01f);
    EXPECT_NEAR(0.1f, right.body.getVelocity().x, 0.01f);
    // Each owner hears of the other geometry with its component index; both get the same point
    // and the same normal.
    const RecordingOwner::Contact& a = left.owner.contacts.front();
    const RecordingOwner::Contact& b = right.owner.contacts.front();
    EXPECT_EQ(&right.collisionBody(), a.other);
    EXPECT_EQ(4, a.otherComponent);
    EXPECT_EQ(4, b.otherComponent);
    EXPECT_EQ(a.position, b.position);
    EXPECT_EQ(a.normal, b.normal);

    // Two boxes face to face: the library finds four corner points, the pair makes three joints,
    // and they are gone before the next frame.
    TestObject lower(engine, *type, dCreateBox(nullptr, 2, 2, 2), Vector3(0, 50 - 0.9999f, 0), Vector3::ZERO);
    TestObject upper(engine, *type, dCreateBox(nullptr, 2, 2, 2), Vector3(0, 50.9999f, 0), Vector3::ZERO);
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(3, lower.body.jointsSeen);
    EXPECT_EQ(0, dBodyGetNumJoints(lower.body.getBody()));
}

TEST_F(PhysicsEngineTest, ARefusedContactLetsTheObjectsPassThrough)
{
    // Both owners are asked whichever refuses; a disabled collision body refuses unasked.
    enum class Refuses { Left, Right, DisabledLeft };
    for (Refuses refuses : {Refuses::Left, Refuses::Right, Refuses::DisabledLeft}) {
        SCOPED_TRACE(int(refuses));
        TestObject left(engine, *type, sphere(1), Vector3(-0.9f, 0, 0), Vector3(1, 0, 0));
        TestObject right(engine, *type, sphere(1), Vector3(0.9f, 0, 0), Vector3(-1, 0, 0));
        if (refuses == Refuses::DisabledLeft)
            left.collisionBody().setEnabled(false);
        else
            (refuses == Refuses::Left ? left : right).owner.answer = false;
        engine.update(0.005f, 0.0f);
        EXPECT_EQ(refuses == Refuses::DisabledLeft ? 0u : 1u, left.owner.contacts.size());
        EXPECT_EQ(1u, right.owner.contacts.size());
        EXPECT_FLOAT_EQ(-1.0f, right.body.getVelocity().x);
    }
}

TEST_F(PhysicsEngineTest, SpaceChangesDuringTheCollisionPassWaitForTheEndOfTheFrame)
{
    TestObject projectile(engine, *type, sphere(0.5f), Vector3(-1.2f, 0, 0), Vector3(10, 0, 0));
    TestObject target(engine, *type, sphere(1), Vector3(0.2f, 0, 0), Vector3::ZERO);
    // Debris that the hit brings into play: built, but not yet in the top-level space.
    TestObject debris(engine, *type, sphere(1), Vector3(0.2f, 0, 0), Vector3::ZERO);
    debris.geometry.disable(DisableTime(0));
    // Idle: put in and taken out again in one pass, it stays out.
    TestObject idle(engine, *type, sphere(1), Vector3(50, 0, 0), Vector3::ZERO);
    idle.geometry.disable(DisableTime(0));
    ASSERT_EQ(nullptr, dGeomGetSpace(debris.space()));

    const dSpaceID topLevel = engine.getSpace();
    projectile.owner.answer = false;
    bool stillInPlayDuringPass = false;
    bool debrisOutDuringPass = false;
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
    EXPECT_EQ(1u, projectile.owner.contacts.size());
    EXPECT_TRUE(stillInPlayDuringPass);
    EXPECT_TRUE(debrisOutDuringPass);
    EXPECT_EQ(nullptr, dGeomGetSpace(projectile.space()));
    EXPECT_EQ(topLevel, dGeomGetSpace(debris.space()));
    EXPECT_EQ(topLevel, dGeomGetSpace(target.space()));
    EXPECT_EQ(nullptr, dGeomGetSpace(idle.space()));
    // Deactivated during the pass, it is not stepped in that frame.
    EXPECT_EQ(0, projectile.body.preSteps);

    // The next frame's collision pass no longer sees the projectile, but sees the debris.
    projectile.owner.onCollide = target.owner.onCollide = nullptr;
    engine.update(0.005f, 0.0f);
    EXPECT_EQ(1u, projectile.owner.contacts.size());
    EXPECT_EQ(2u, target.owner.contacts.size());
    EXPECT_FALSE(debris.owner.contacts.empty());
}

TEST_F(PhysicsEngineTest, CastRayVisitsTheObjectsWhoseBoundsItCrosses)
{
    TestObject ahead(engine, *type, sphere(1), Vector3(0, 0, -10), Vector3::ZERO);
    TestObject aside(engine, *type, sphere(1), Vector3(30, 0, 0), Vector3::ZERO);
    std::vector<dGeomID> members;
    dNearCallback* record = [](void* data, dGeomID, dGeomID member) {
        static_cast<std::vector<dGeomID>*>(data)->push_back(member);
    };

    // The same ray serves every call, with the new origin, direction and length.
    engine.castRay(Vector3::ZERO, Vector3::NEGATIVE_UNIT_Z, 20.0f, &members, record);
    EXPECT_EQ(std::vector<dGeomID>{ahead.space()}, members);
    members.clear();
    engine.castRay(Vector3(0, 0, -30), Vector3::UNIT_Z, 5.0f, &members, record);
    EXPECT_TRUE(members.empty());
    engine.castRay(Vector3::ZERO, Vector3::UNIT_X, 40.0f, &members, record);
    EXPECT_EQ(std::vector<dGeomID>{aside.space()}, members);
}

TEST(PhysicsEngineTask, RunsEveryPassBetweenInputAndFormationsInItsProfilerBlocks)
{
    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    profiler.setSystemInfoSource([] { return std::string(); });
    PhysicsEngine engine;
    TemporaryFolder folder;
    writeFile(folder.file("body.cfg"), "[Physics]\n");
    const Config type(folder.file("body.cfg"));
    CountingBody body(type);
    engine.addBody(&body);
    body.activate();
    engine.activateBody(&body);
    body.setLinearVelocity(Vector3(0, 2, 0));

    std::vector<std::string> order;
    std::vector<Vector3> reported;
    PositionListener physics = [&](const Vector3& position, const Quaternion&, const Vector3&) {
        order.push_back("Physics");
        reported.push_back(position);
    };
    body.addPositionListener(&physics);
    FixedTask processInput([&](float, float) { order.push_back("input"); }, "Process Input", 9);
    FixedTask formations([&](float, float) { order.push_back("formations"); }, "Formation::update",
                         11);

    scheduler.run();
    ManualTicks::advance(1.0 / 32);
    scheduler.run();
    EXPECT_EQ((std::vector<std::string>{"input", "Physics", "formations", "input", "Physics",
                                        "formations"}),
              order);
    // The second pass hands over the time between the passes: six whole steps of 1/32 s, and
    // listeners hear the pose after the last of them.
    EXPECT_EQ(6, body.preSteps);
    EXPECT_FLOAT_EQ(1.0f / 32, engine.getLastFrameTime());
    EXPECT_NEAR(6 * 0.005f * 2, reported.back().y, 1e-5f);

    // While paused the task still runs but changes nothing.
    scheduler.setPaused(true);
    ManualTicks::advance(1.0 / 32);
    scheduler.run();
    EXPECT_EQ(6, body.preSteps);
    EXPECT_EQ(2u, reported.size());
    EXPECT_EQ("formations", order.back());
    EXPECT_FLOAT_EQ(1.0f / 32, engine.getLastFrameTime());

    std::ostringstream report;
    profiler.writeReport(report);
    for (const char* block : {"        Physics ", "            Collision ",
                              "            Dynamics ", "                WorldQuickStep ",
                              "            Synchronise "})
        EXPECT_NE(std::string::npos, report.str().find(std::string("\n") + block))
            << block << report.str();
    engine.removeBody(&body);
}

} // namespace
} // namespace Tolvarine

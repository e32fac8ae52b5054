#include "CollisionBody.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "ForceController.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "PhysicsGeometry.h"
#include "Profiler.h"
#include "Scheduler.h"

#include <OgreMath.h>
#include <gtest/gtest.h>
#include <ode/collision.h>
#include <ode/objects.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Tolvarine::Test::LogCapture;
using Tolvarine::Test::TemporaryFolder;
using Tolvarine::Test::writeFile;

void expectNear(const Vector3& expected, const Vector3& actual, float tolerance = 1e-5f)
{
    EXPECT_TRUE(actual.positionEquals(expected, tolerance)) << actual << " is not " << expected;
}

void expectNear(const Quaternion& expected, const Quaternion& actual)
{
    const Quaternion off = actual - expected;
    EXPECT_LT(std::abs(off.w) + std::abs(off.x) + std::abs(off.y) + std::abs(off.z), 4e-5f) << actual << " is not " << expected;
}

// A quarter turn about the y axis: the body's x axis points along world -z, its -z along world -x.
const Quaternion QUARTER_TURN_ABOUT_Y(Ogre::Degree(90), Vector3::UNIT_Y);

class PhysicsBodyTest : public ::testing::Test {
protected:
    std::unique_ptr<Config> typeFile(const std::string& text)
    {
        const std::string path = folder.file("type" + std::to_string(files++) + ".cfg");
        writeFile(path, text);
        return std::make_unique<Config>(path);
    }

    // A registered, active body, as its owner leaves it after activation.
    void addActive(PhysicsBody& body)
    {
        engine.addBody(&body);
        body.activate();
        engine.activateBody(&body);
    }

    TemporaryFolder folder;
    int files = 0;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
};

TEST_F(PhysicsBodyTest, MassAndInertiaAreThoseOfASolidSphere)
{
    const auto type = typeFile("[Physics]\nmass = 2\nmassRadius = 3\n");
    PhysicsBody body(*type);
    EXPECT_FLOAT_EQ(7.2f, body.getMomentOfInertia());
    dMass mass;
    dBodyGetMass(body.getBody(), &mass);
    EXPECT_DOUBLE_EQ(2.0, mass.mass);
    for (int axis : {0, 5, 10})
        EXPECT_NEAR(7.2, mass.I[axis], 1e-9);

    // Without a "Physics" section: unit mass and radius, no damping.
    const auto plain = typeFile("[Display]\nmesh = box.mesh\n");
    PhysicsBody defaults(*plain);
    EXPECT_FLOAT_EQ(0.4f, defaults.getMomentOfInertia());
    addActive(defaults);
    defaults.setLinearVelocity(Vector3(3, 0, 0));
    engine.update(0.1f, 0.0f);
    EXPECT_FLOAT_EQ(3.0f, defaults.getVelocity().x);

    // A mass without volume is refused with a log line.
    LogCapture log;
    for (const char* bad : {"mass = 0", "mass = 5\nmassRadius = -2"}) {
        SCOPED_TRACE(bad);
        const auto refused = typeFile(std::string("[Physics]\n") + bad + "\n");
        EXPECT_THROW(PhysicsBody body(*refused), ConfigurationError);
    }
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "PhysicsBody: mass in section Physics must be a positive number, not 0",
                               "PhysicsBody: massRadius in section Physics must be a positive number, not -2"}));
}

TEST_F(PhysicsBodyTest, DampingLeadsToTheTerminalSpeedOfTheStandingForce)
{
    const auto type = typeFile("[Physics]\nvelocityDecay = 2\nrotationDecay = 0.5\n");
    PhysicsBody body(*type);
    addActive(body);
    body.setForce(Vector3(0, 0, -4));
    // Spinning about the thrust axis keeps the thrust pointing one way.
    body.setTorque(Vector3(0, 0, 0.5f));
    for (int frame = 0; frame < 100; ++frame)
        engine.update(0.1f, 0.0f);
    // The standing force acts in every step; the decay balances it at force / decay.
    EXPECT_NEAR(2.0f, body.getVelocity().length(), 1e-3f);
    const dReal* spin = dBodyGetAngularVel(body.getBody());
    EXPECT_NEAR(1.0, std::sqrt(spin[0] * spin[0] + spin[1] * spin[1] + spin[2] * spin[2]), 1e-3);
}

TEST_F(PhysicsBodyTest, RelativeForcesAreTurnedIntoTheBodyFrame)
{
    const auto type = typeFile("[Physics]\nmass = 1\n");
    PhysicsBody body(*type);
    addActive(body);
    body.setOrientation(QUARTER_TURN_ABOUT_Y);

    // World -z is the turned body's +x.
    body.setRelativeForce(Vector3(0, 0, -1));
    expectNear(Vector3(1, 0, 0), body.getForce());
    body.setRelativeTorque(Vector3(-2, 0, 0));
    expectNear(Vector3(0, 0, -2), body.getTorque());
    body.setRelativeTorque(Vector3::ZERO);

    // The stored body-frame force keeps pushing along world -z.
    engine.update(0.1f, 0.0f);
    EXPECT_NEAR(-0.095f, body.getVelocity().z, 1e-4f);
    EXPECT_NEAR(0.0f, body.getVelocity().x, 1e-6f);
}

TEST_F(PhysicsBodyTest, ForcesAndMotionWakeARestingBody)
{
    const auto type = typeFile("[Physics]\nmass = 1\n");
    PhysicsBody body(*type);
    addActive(body);
    dBodyDisable(body.getBody());
    body.setForce(Vector3(1, 0, 0));
    // Setting the standing force enables nothing yet; the next step does.
    EXPECT_FALSE(dBodyIsEnabled(body.getBody()));
    engine.update(0.005f, 0.0f);
    EXPECT_GT(body.getVelocity().x, 0.0f);

    // A zero velocity leaves a resting body resting; any other wakes it, and so do forces for
    // the next step and switching automatic rest off.
    body.setForce(Vector3::ZERO);
    dBodyDisable(body.getBody());
    body.setLinearVelocity(Vector3::ZERO);
    EXPECT_FALSE(dBodyIsEnabled(body.getBody()));
    const std::pair<const char*, std::function<void()>> wakers[] = {
        {"velocity", [&] { body.setLinearVelocity(Vector3(0, 0.5f, 0)); }},
        {"force at a point", [&] { body.addForceAtRelativePosition(Vector3(0, 0, 1), Vector3(1, 0, 0)); }},
        {"no automatic rest", [&] { body.setAutoDisable(false); }},
    };
    for (const auto& waker : wakers) {
        SCOPED_TRACE(waker.first);
        dBodyDisable(body.getBody());
        waker.second();
        EXPECT_TRUE(dBodyIsEnabled(body.getBody()));
    }
    EXPECT_EQ(0, dBodyGetAutoDisableFlag(body.getBody()));
}

TEST_F(PhysicsBodyTest, ActivationAndDeactivationResetMotionAndListeners)
{
    const auto type = typeFile("[Physics]\nmass = 1\n");
    PhysicsBody body(*type);
    addActive(body);
    int calls = 0;
    PositionListener listener = [&](const Vector3&, const Quaternion&, const Vector3&) { ++calls; };
    body.addPositionListener(&listener);
    body.setLinearVelocity(Vector3(1, 2, 3));
    body.setForce(Vector3(0, 0, -5));
    body.setTorque(Vector3(1, 0, 0));
    dBodySetAngularVel(body.getBody(), 0, -2, 0);
    // The angular velocity reads as a rotation about the spin axis.
    expectNear(Quaternion(Ogre::Radian(2), Vector3::NEGATIVE_UNIT_Y), body.getAngularVelocity());

    body.deactivate(DisableTime(2));
    EXPECT_FALSE(dBodyIsEnabled(body.getBody()));
    EXPECT_EQ(Vector3::ZERO, body.getVelocity());
    EXPECT_EQ(Quaternion::IDENTITY, body.getAngularVelocity());
    // The standing force is kept until the next activation; the listener is gone.
    EXPECT_EQ(Vector3(0, 0, -5), body.getForce());
    body.notifyListeners();
    EXPECT_EQ(1, calls);

    body.addPositionListener(&listener);
    body.activate();
    EXPECT_TRUE(dBodyIsEnabled(body.getBody()));
    EXPECT_EQ(Vector3::ZERO, body.getForce());
    EXPECT_EQ(Vector3::ZERO, body.getTorque());
    // Activation tells the listeners where the body now is.
    EXPECT_EQ(2, calls);
}

TEST_F(PhysicsBodyTest, ListenersAreCalledInOrderOfRegistrationWithThePose)
{
    const auto type = typeFile("[Physics]\nmass = 1\n");
    PhysicsBody body(*type);
    std::vector<std::string> calls;
    Quaternion seenOrientation;
    Vector3 seenVelocity;
    PositionListener first = [&](const Vector3&, const Quaternion& orientation, const Vector3& velocity) {
        calls.push_back("first");
        seenOrientation = orientation;
        seenVelocity = velocity;
    };
    PositionListener second = [&](const Vector3&, const Quaternion&, const Vector3&) { calls.push_back("second"); };
    body.addPositionListener(&first);
    body.addPositionListener(&second);
    body.addPositionListener(&first);
    body.removePositionListener(nullptr);
    body.setPosition(Vector3(1, 2, 3));
    EXPECT_EQ((std::vector<std::string>{"first", "second", "first"}), calls);

    // Removal takes the first registration of the address only.
    calls.clear();
    body.removePositionListener(&first);
    body.setOrientation(QUARTER_TURN_ABOUT_Y);
    EXPECT_EQ((std::vector<std::string>{"second", "first"}), calls);
    expectNear(QUARTER_TURN_ABOUT_Y, seenOrientation);
    body.setLinearVelocity(Vector3(0, 0, -7));
    EXPECT_EQ(Vector3(0, 0, -7), seenVelocity);
}

TEST_F(PhysicsBodyTest, PredictionTurnsTheThrustIntoTheWorldFrame)
{
    const auto type = typeFile("[Physics]\nmass = 2\n");
    PhysicsBody body(*type);
    addActive(body);
    body.setPosition(Vector3(1, 2, 3));
    body.setOrientation(QUARTER_TURN_ABOUT_Y);
    body.setLinearVelocity(Vector3(1, 0, 0));
    expectNear(Vector3(3, 2, 3), body.predictPositionWithThrust(2));

    // Forward thrust of the turned body points along world -x: ½·t²/m·F = 2 units that way.
    body.setForce(Vector3(0, 0, -2));
    expectNear(Vector3(1, 2, 3), body.predictPositionWithThrust(2));
    expectNear(Vector3(2, 2, 3), body.predictPositionWithThrustFactor(2, 0.5f));
    expectNear(Vector3(3, 2, 3), body.predictPosition(2));

    // The world agrees with the prediction (five capped frames make 99 steps), up to the
    // integrator's error of half a step's worth of the thrust's speed gain.
    const Vector3 predicted = body.predictPositionWithThrust(99 * 0.005f);
    for (int frame = 0; frame < 5; ++frame)
        engine.update(0.1f, 0.0f);
    expectNear(predicted, body.getPosition(), 3e-3f);
}

TEST(ForceClamp, KeepsTheDirectionAndLimitsTheLength)
{
    struct Row {
        Vector3 force;
        float limit;
        Vector3 want;
    };
    const Row rows[] = {{Vector3(0, 0, -15), 5, Vector3(0, 0, -5)},  {Vector3(30, 40, 0), 5, Vector3(3, 4, 0)},
                        {Vector3(0.1f, 0.2f, 0.3f), 5, Vector3(0.1f, 0.2f, 0.3f)},
                        {Vector3(3, 4, 0), 5, Vector3(3, 4, 0)},     {Vector3::ZERO, 5, Vector3::ZERO},
                        {Vector3(0, 2, 0), 0, Vector3::ZERO}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.force << " limited to " << row.limit);
        expectNear(row.want, ForceController::clamp(row.force, row.limit));
    }
}

TEST_F(PhysicsBodyTest, AnOffsetGeometryIsPlacedInsideATransform)
{
    const auto type = typeFile("[Physics]\nmass = 1\n");
    PhysicsBody physicsBody(*type);
    physicsBody.setPosition(Vector3(10, 0, 0));
    physicsBody.setOrientation(QUARTER_TURN_ABOUT_Y);
    CollisionBody direct("Hull", std::make_unique<PhysicsGeometry>(dCreateSphere(nullptr, 1)),
                         Vector3::ZERO, Quaternion::IDENTITY);
    EXPECT_EQ(dSphereClass, dGeomGetClass(direct.getGeometry()));
    // A rotation alone is an offset too.
    CollisionBody turned("Hull", std::make_unique<PhysicsGeometry>(dCreateBox(nullptr, 1, 1, 1)),
                         Vector3::ZERO, QUARTER_TURN_ABOUT_Y);
    EXPECT_EQ(dGeomTransformClass, dGeomGetClass(turned.getGeometry()));

    CollisionBody offset("Hull", std::make_unique<PhysicsGeometry>(dCreateSphere(nullptr, 1)),
                         Vector3(0, 0, -4), Quaternion::IDENTITY);
    const dGeomID transform = offset.getGeometry();
    ASSERT_EQ(dGeomTransformClass, dGeomGetClass(transform));
    EXPECT_EQ(&offset, dGeomGetData(transform));
    EXPECT_EQ(1, dGeomTransformGetInfo(transform));
    // Fixed to the turned body, the sphere sits 4 units ahead of it: along world -x.
    offset.setBody(physicsBody);
    const dGeomID probe = dCreateSphere(nullptr, 0.5f);
    dContactGeom contact;
    for (const auto& [at, touches] : {std::pair{Vector3(6, 0, 0), 1}, std::pair{Vector3(10, 0, -4), 0}}) {
        dGeomSetPosition(probe, at.x, at.y, at.z);
        EXPECT_EQ(touches, dCollide(transform, probe, 1, &contact, sizeof(dContactGeom))) << at;
    }
    dGeomDestroy(probe);
}

} // namespace
} // namespace Tolvarine

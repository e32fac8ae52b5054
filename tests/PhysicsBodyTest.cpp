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

#include <gtest/gtest.h>
#include <ode/collision.h>
#include <ode/objects.h>

#include <cmath>
#include <functional>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

void expectNear(const Vector3& expected, const Vector3& actual, float tolerance = 1e-5f)
{
    EXPECT_TRUE(actual.positionEquals(expected, tolerance)) << actual << " is not " << expected;
}

// A quarter turn about the y axis: the body's x axis points along world -z, its -z along world -x.
const Quaternion QUARTER_TURN_ABOUT_Y(Ogre::Degree(90), Vector3::UNIT_Y);

class PhysicsBodyTest : public ::testing::Test {
protected:
    std::unique_ptr<Config> typeFile(const std::string& text)
    {
        const std::string path = folder.file("type" + std::to_string(files++) + ".cfg");
        Tolvarine::Test::writeFile(path, text);
        return std::make_unique<Config>(path);
    }
    // A registered, active body, as its owner leaves it after activation.
    void addActive(PhysicsBody& body)
    {
        engine.addBody(&body);
        body.activate();
        engine.activateBody(&body);
    }

    Tolvarine::Test::TemporaryFolder folder;
    int files = 0;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    const std::unique_ptr<Config> unit = typeFile("[Physics]\nmass = 1\n");
};

TEST_F(PhysicsBodyTest, MassInertiaAndDampingComeFromThePhysicsSection)
{
    const auto type = typeFile("[Physics]\nmass = 2\nmassRadius = 3\n");
    PhysicsBody body(*type);
    EXPECT_FLOAT_EQ(7.2f, body.getMomentOfInertia()) << "a solid sphere";
    dMass mass;
    dBodyGetMass(body.getBody(), &mass);
    EXPECT_DOUBLE_EQ(2.0, mass.mass);
    for (int axis : {0, 5, 10})
        EXPECT_NEAR(7.2, mass.I[axis], 1e-6);
    // The standing force and torque act in every step; the decay balances them at force / decay.
    PhysicsBody damped(*typeFile("[Physics]\nvelocityDecay = 2\nrotationDecay = 0.5\n"));
    addActive(damped);
    damped.setForce(Vector3(0, 0, -4));
    damped.setTorque(Vector3(0, 0, 0.5f)); // about the thrust axis, so the thrust keeps pointing one way
    for (int frame = 0; frame < 100; ++frame)
        engine.update(0.1f, 0.0f);
    EXPECT_NEAR(2.0f, damped.getVelocity().length(), 1e-3f);
    const dReal* spin = dBodyGetAngularVel(damped.getBody());
    EXPECT_NEAR(1.0, std::sqrt(spin[0] * spin[0] + spin[1] * spin[1] + spin[2] * spin[2]), 1e-3);

    // Without a "Physics" section: unit mass and radius, no damping.
    PhysicsBody defaults(*typeFile("[Display]\nmesh = box.mesh\n"));
    EXPECT_FLOAT_EQ(0.4f, defaults.getMomentOfInertia());
    addActive(defaults);
    defaults.setLinearVelocity(Vector3(3, 0, 0));
    engine.update(0.1f, 0.0f);
    EXPECT_FLOAT_EQ(3.0f, defaults.getVelocity().x);
    // A mass without volume is refused with a log line.
    Tolvarine::Test::LogCapture log;
    for (const char* bad : {"mass = 0", "mass = 5\nmassRadius = -2"})
        EXPECT_THROW(PhysicsBody refused(*typeFile(std::string("[Physics]\n") + bad + "\n")), ConfigurationError) << bad;
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "PhysicsBody: mass in section Physics must be a positive number, not 0",
                               "PhysicsBody: massRadius in section Physics must be a positive number, not -2"}));
}

TEST_F(PhysicsBodyTest, RelativeForcesAndPredictionsTurnWithTheBody)
{
    const auto heavy = typeFile("[Physics]\nmass = 2\n");
    PhysicsBody body(*heavy);
    addActive(body);
    body.setPosition(Vector3(1, 2, 3));
    body.setOrientation(QUARTER_TURN_ABOUT_Y);
    // World -z is the turned body's +x.
    body.setRelativeForce(Vector3(0, 0, -1));
    expectNear(Vector3(1, 0, 0), body.getForce());
    body.setRelativeTorque(Vector3(-2, 0, 0));
    expectNear(Vector3(0, 0, -2), body.getTorque());
    body.setRelativeTorque(Vector3::ZERO);
    body.setLinearVelocity(Vector3(1, 0, 0));
    body.setForce(Vector3::ZERO);
    expectNear(Vector3(3, 2, 3), body.predictPositionWithThrust(2));
    // Forward thrust of the turned body points along world -x: ½·t²/m·F = 2 units that way.
    body.setForce(Vector3(0, 0, -2));
    expectNear(Vector3(1, 2, 3), body.predictPositionWithThrust(2));
    expectNear(Vector3(2, 2, 3), body.predictPositionWithThrustFactor(2, 0.5f));
    expectNear(Vector3(3, 2, 3), body.predictPosition(2));
    // The world agrees (five capped frames make 99 steps), up to the integrator's error of half a
    // step's worth of the thrust's speed gain.
    const Vector3 predicted = body.predictPositionWithThrust(99 * 0.005f);
    for (int frame = 0; frame < 5; ++frame)
        engine.update(0.1f, 0.0f);
    expectNear(predicted, body.getPosition(), 3e-3f);

    // Clamping keeps the direction and limits the length.
    const std::tuple<Vector3, float, Vector3> rows[] = {{Vector3(30, 40, 0), 5, Vector3(3, 4, 0)},
                                                        {Vector3(0.1f, 0.2f, 0.3f), 5, Vector3(0.1f, 0.2f, 0.3f)},
                                                        {Vector3::ZERO, 5, Vector3::ZERO},
                                                        {Vector3(0, 2, 0), 0, Vector3::ZERO}};
    for (const auto& [force, limit, want] : rows)
        expectNear(want, ForceController::clamp(force, limit));
}

TEST_F(PhysicsBodyTest, ForcesAndMotionWakeARestingBody)
{
    PhysicsBody body(*unit);
    addActive(body);
    dBodyDisable(body.getBody());
    body.setForce(Vector3(1, 0, 0));
    EXPECT_FALSE(dBodyIsEnabled(body.getBody())) << "a standing force wakes the body at the next step";
    engine.update(0.005f, 0.0f);
    EXPECT_GT(body.getVelocity().x, 0.0f);
    body.setForce(Vector3::ZERO);
    dBodyDisable(body.getBody());
    body.setLinearVelocity(Vector3::ZERO);
    EXPECT_FALSE(dBodyIsEnabled(body.getBody())) << "a zero velocity leaves it resting";
    const std::pair<const char*, std::function<void()>> wakers[] = {
        {"velocity", [&] { body.setLinearVelocity(Vector3(0, 0.5f, 0)); }},
        {"force at a point", [&] { body.addForceAtRelativePosition(Vector3(0, 0, 1), Vector3(1, 0, 0)); }},
        {"no automatic rest", [&] { body.setAutoDisable(false); }},
    };
    for (const auto& [waker, wake] : wakers) {
        SCOPED_TRACE(waker);
        dBodyDisable(body.getBody());
        wake();
        EXPECT_TRUE(dBodyIsEnabled(body.getBody()));
    }
}

TEST_F(PhysicsBodyTest, ListenersHearThePoseInOrderAndActivationResetsTheMotion)
{
    PhysicsBody body(*unit);
    std::vector<std::string> calls;
    Quaternion seenOrientation;
    PositionListener first = [&](const Vector3&, const Quaternion& orientation, const Vector3&) {
        calls.push_back("first");
        seenOrientation = orientation;
    };
    PositionListener second = [&](const Vector3&, const Quaternion&, const Vector3&) { calls.push_back("second"); };
    body.addPositionListener(&first);
    body.addPositionListener(&second);
    body.addPositionListener(&first);
    body.removePositionListener(nullptr);
    body.setPosition(Vector3(1, 2, 3));
    // Removal takes the first registration of the address only.
    body.removePositionListener(&first);
    body.setOrientation(QUARTER_TURN_ABOUT_Y);
    EXPECT_EQ((std::vector<std::string>{"first", "second", "first", "second", "first"}), calls);
    EXPECT_TRUE(seenOrientation.equals(QUARTER_TURN_ABOUT_Y, Ogre::Degree(0.1f)));

    addActive(body);
    body.setLinearVelocity(Vector3(1, 2, 3));
    body.setForce(Vector3(0, 0, -5));
    body.setTorque(Vector3(1, 0, 0));
    dBodySetAngularVel(body.getBody(), 0, -2, 0);
    EXPECT_TRUE(body.getAngularVelocity().equals(Quaternion(Ogre::Radian(2), Vector3::NEGATIVE_UNIT_Y), Ogre::Degree(0.1f)))
        << "a rotation about the spin axis";
    calls.clear();
    body.deactivate(DisableTime(2));
    EXPECT_FALSE(dBodyIsEnabled(body.getBody()));
    EXPECT_EQ(Vector3::ZERO, body.getVelocity());
    EXPECT_EQ(Quaternion::IDENTITY, body.getAngularVelocity());
    EXPECT_EQ(Vector3(0, 0, -5), body.getForce()) << "the standing force is kept until the next activation";
    body.notifyListeners();
    EXPECT_TRUE(calls.empty()) << "deactivation drops the listeners";
    body.addPositionListener(&second);
    body.activate();
    EXPECT_TRUE(dBodyIsEnabled(body.getBody()));
    EXPECT_EQ(Vector3::ZERO, body.getForce());
    EXPECT_EQ(Vector3::ZERO, body.getTorque());
    EXPECT_EQ(std::vector<std::string>{"second"}, calls) << "activation tells the listeners where the body is";
}

TEST_F(PhysicsBodyTest, AnOffsetGeometryIsPlacedInsideATransform)
{
    PhysicsBody physicsBody(*unit);
    physicsBody.setPosition(Vector3(10, 0, 0));
    physicsBody.setOrientation(QUARTER_TURN_ABOUT_Y);
    const auto make = [](dGeomID shape, const Vector3& offset, const Quaternion& turn) {
        return CollisionBody("Hull", std::make_unique<PhysicsGeometry>(shape), offset, turn);
    };
    EXPECT_EQ(dSphereClass, dGeomGetClass(make(dCreateSphere(nullptr, 1), Vector3::ZERO, Quaternion::IDENTITY).getGeometry()));
    // A rotation alone is an offset too.
    EXPECT_EQ(dGeomTransformClass,
              dGeomGetClass(make(dCreateBox(nullptr, 1, 1, 1), Vector3::ZERO, QUARTER_TURN_ABOUT_Y).getGeometry()));
    CollisionBody offset("Hull", std::make_unique<PhysicsGeometry>(dCreateSphere(nullptr, 1)), Vector3(0, 0, -4),
                         Quaternion::IDENTITY);
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

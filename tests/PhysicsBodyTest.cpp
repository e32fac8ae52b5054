#include "AngularMotor.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "ForceController.h"
#include "LogCapture.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "Scheduler.h"

#include <gtest/gtest.h>
#include <ode/objects.h>

#include <random>

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
        return std::make_unique<Config>(Tolvarine::Test::written(folder.file("type" + std::to_string(files++) + ".cfg"), text));
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

TEST_F(PhysicsBodyTest, MassAndInertiaComeFromThePhysicsSection)
{
    const auto type = typeFile("[Physics]\nmass = 2\nmassRadius = 3\n");
    PhysicsBody body(*type);
    EXPECT_FLOAT_EQ(7.2f, body.getMomentOfInertia()) << "a solid sphere";
    dMass mass;
    dBodyGetMass(body.getBody(), &mass);
    EXPECT_DOUBLE_EQ(2.0, mass.mass);
    EXPECT_TRUE(std::abs(mass.I[0] - 7.2) + std::abs(mass.I[5] - 7.2) + std::abs(mass.I[10] - 7.2) < 1e-5);
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

TEST_F(PhysicsBodyTest, RelativeForcesTurnWithTheBodyAndClampingKeepsTheDirection)
{
    const auto heavy = typeFile("[Physics]\nmass = 2\n");
    PhysicsBody body(*heavy);
    addActive(body);
    body.setOrientation(QUARTER_TURN_ABOUT_Y);
    // World -z is the turned body's +x.
    body.setRelativeForce(Vector3(0, 0, -1));
    expectNear(Vector3(1, 0, 0), body.getForce());
    body.setRelativeTorque(Vector3(-2, 0, 0));
    expectNear(Vector3(0, 0, -2), body.getTorque());
    const std::tuple<Vector3, float, Vector3> rows[] = {{Vector3(30, 40, 0), 5, Vector3(3, 4, 0)}, {Vector3(0.1f, 0.2f, 0.3f), 5, Vector3(0.1f, 0.2f, 0.3f)},
                                                        {Vector3::ZERO, 5, Vector3::ZERO}, {Vector3(0, 2, 0), 0, Vector3::ZERO}};
    for (const auto& [force, limit, want] : rows)
        expectNear(want, ForceController::clamp(force, limit));
}

TEST_F(PhysicsBodyTest, ForcesAndMotionWakeARestingBody)
{
    PhysicsBody body(*unit);
    addActive(body);
    dBodyDisable(body.getBody());
    body.setForce(Vector3(1, 0, 0));
    body.setTorque(Vector3(0, 0, 1));
    EXPECT_FALSE(dBodyIsEnabled(body.getBody())) << "a standing force and torque wake the body at the next step";
    engine.update(0.005f, 0.0f);
    EXPECT_TRUE(body.getVelocity().x > 0.0f && dBodyGetAngularVel(body.getBody())[2] > 0.0);
    body.setForce(Vector3::ZERO);
    body.setTorque(Vector3::ZERO);
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

// The body is a solid sphere of mass 1 and radius 1 (moment 0.4): the torque turns it at 1 rad/s².
constexpr float MAX_TORQUE = 0.4f, STRENGTH = 0.7f, FRAME = 1.0f / 60;
// Settled: on the heading within a quarter degree, turning no faster than the full torque changes
// the turn in two frames (the motor pushes one way or the other every frame).
constexpr float SETTLED_DEGREES = 0.25f, SETTLED_SPIN = 2 * MAX_TORQUE / 0.4f * FRAME;

// An orientation with the given forward (negative Z) and up (Y) axes.
Quaternion facing(const Vector3& forward, const Vector3& up) { return Quaternion(up.crossProduct(-forward), up, -forward); }

// A body in a real physics world with a motor attached, stepped as the game steps it: the world,
// then the AI's motor update.
class MotorWorld : public ::testing::Test {
protected:
    MotorWorld() { motor->attach(STRENGTH); }

    Vector3 forward() const { return -body->getOrientation().zAxis(); }
    float spin() const
    {
        const dReal* w = dBodyGetAngularVel(body->getBody());
        return static_cast<float>(std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]));
    }
    // Runs `seconds` of frames; returns the fastest spin seen.
    float run(float seconds)
    {
        float fastest = 0.0f;
        for (float t = 0; t < seconds; t += FRAME) {
            engine.update(FRAME, FRAME);
            motor->update(FRAME);
            fastest = std::max(fastest, spin());
        }
        return fastest;
    }

    Tolvarine::Test::TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    PhysicsEngine engine;
    const Config type{Tolvarine::Test::written(folder.file("body.cfg"), "[Physics]\nmass = 1\nmassRadius = 1\n")};
    std::unique_ptr<PhysicsBody> body = std::make_unique<PhysicsBody>(type);
    std::unique_ptr<AngularMotor> motor = std::make_unique<AngularMotor>(body.get(), MAX_TORQUE);
};

TEST_F(MotorWorld, TurnsOntoTheHeadingAndSettlesFromEveryStart)
{
    const Vector3 x = Vector3::UNIT_X, y = Vector3::UNIT_Y, z = Vector3::UNIT_Z, still = Vector3::ZERO;
    const struct { const char* name; Quaternion start; Vector3 heading, spin; } rows[] = { // start, heading, spin
        {"quarter turn", Quaternion::IDENTITY, x, still},
        {"slightly off", Quaternion::IDENTITY, Vector3(0.05f, 0, -1), still},
        {"behind, facing -z", Quaternion::IDENTITY, z, still},
        {"behind, facing away along world x", facing(x, y), -x, still},
        {"behind, facing along world x, up along z", facing(x, z), -x, still},
        {"behind, up along world x", facing(-z, x), z, still},
        {"along its own up axis", Quaternion::IDENTITY, y, still},
        {"long heading with a backward part", Quaternion::IDENTITY, Vector3(200, 0, 20), still},
        {"turning the wrong way", Quaternion::IDENTITY, x, y},
        {"already there", facing(y, z), y * 50, still},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        body->setOrientation(row.start);
        dBodySetAngularVel(body->getBody(), row.spin.x, row.spin.y, row.spin.z);
        motor->setTarget(row.heading);
        run(30);
        EXPECT_LT(Ogre::Math::ACos(forward().dotProduct(row.heading.normalisedCopy())).valueDegrees(), SETTLED_DEGREES);
        EXPECT_LT(spin(), SETTLED_SPIN);
    }
}

TEST_F(MotorWorld, AHeadingThatSwingsEveryFrameNeverSpinsTheBodyUp)
{
    // Headings as the AI hands them over: forces of any length and direction, then straight ahead
    // and behind by turns.
    std::mt19937 random(23);
    std::normal_distribution<float> normal;
    float fastest = 0;
    for (int frame = 0; frame < 2400; ++frame) {
        const Vector3 force = Vector3(normal(random), normal(random), normal(random)) * 100;
        motor->setTarget(frame < 1200 ? force : forward() * (frame % 2 ? 1.0f : -1.0f));
        fastest = std::max(fastest, run(FRAME));
    }
    // Never faster than the motor aims to turn through a quarter turn, the mean swing.
    EXPECT_LT(fastest, STRENGTH * std::sqrt(Ogre::Math::PI * MAX_TORQUE / body->getMomentOfInertia()));

    // A zero heading holds the present one: the turn stops where the body points.
    motor->setTarget(Vector3::ZERO);
    run(5);
    const Vector3 held = forward();
    run(5);
    EXPECT_LT(spin(), SETTLED_SPIN);
    EXPECT_GT(forward().dotProduct(held), std::cos(Ogre::Degree(SETTLED_DEGREES).valueRadians()));
}

TEST_F(MotorWorld, TheJointGoesWithTheMotorAndNeverOutlivesTheWorld)
{
    EXPECT_EQ(dBodyGetNumJoints(body->getBody()), 1);
    motor.reset();
    EXPECT_EQ(dBodyGetNumJoints(body->getBody()), 0);

    // A world destroyed first took its joints along: the motor must not destroy its joint again,
    // even when a new world has taken the old one's place.
    auto other = std::make_unique<PhysicsEngine>();
    auto otherBody = std::make_unique<PhysicsBody>(type);
    motor = std::make_unique<AngularMotor>(otherBody.get(), MAX_TORQUE);
    motor->attach(STRENGTH);
    otherBody.reset();
    other.reset();
    PhysicsEngine replacement;
    EXPECT_FALSE(motor->isAttached());
    motor->update(FRAME);
    motor.reset();
}

} // namespace
} // namespace Tolvarine

#include "AngularMotor.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "Scheduler.h"

#include <gtest/gtest.h>
#include <ode/objects.h>

namespace Tolvarine {
namespace {

using Ogre::Vector3;

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
}

// A mass without volume aborts ODE. One world step of damping turns a velocity v into (1 - k) v,
// k = velocityDecay * step / mass: above k = 2 the motion grows at every step and ODE aborts the
// process within a second (as a fighter with k = 2.5 did), and a negative velocityDecay grows it
// too (a fighter with -3.2 ended so after 51 s); an undamped fighter of 1e-9 flew out of the
// collision space. Each is refused with its file, by the body and by the loaders' check alike.
// Light and small bodies, damping that overshoots in one step and negative turning damping flew
// their battles and are taken.
TEST_F(PhysicsBodyTest, MassesAndDecaysThatMakeMotionGrowAreRefusedWithTheirFile)
{
    const struct { const char* rule; const char* physics; const char* key; const char* line; } rows[] = {
        {"no mass", "mass = 0", "mass", "PhysicsBody: mass in section Physics must be a positive number, not 0"},
        {"no volume", "mass = 5\nmassRadius = -2", "massRadius",
         "PhysicsBody: massRadius in section Physics must be a positive number, not -2"},
        {"lighter than the space holds", "mass = 1e-9", "mass", "PhysicsBody: mass in section Physics must be at least 1e-08, not 1e-09"},
        {"a negative decay", "velocityDecay = -1", "velocityDecay", "PhysicsBody: velocityDecay in section Physics must be at least 0, not -1"},
        {"too light for its damping", "mass = 0.009\nvelocityDecay = 4", "mass",
         "PhysicsBody: mass 0.009 in section Physics is too light for velocityDecay 4: it must be at least 0.01 "
         "(velocityDecay times the physics step of 0.005 s, halved)"},
        {"too small for its turning damping", "mass = 10\nmassRadius = 0.1\nrotationDecay = 120", "massRadius",
         "PhysicsBody: mass 10 and massRadius 0.1 in section Physics give a moment of inertia of 0.04, too small for "
         "rotationDecay 120: it must be at least 0.3 (rotationDecay times the physics step of 0.005 s, halved)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const auto type = typeFile(std::string("[Physics]\n") + row.physics + "\n");
        const std::vector<std::string> want{row.line, "Config: in " + type->getPath() + ", section Physics, key " + row.key};
        EXPECT_EQ(Tolvarine::Test::failsWith<ConfigurationError>([&] { PhysicsBody::checkType(*type); }), want);
        EXPECT_EQ(Tolvarine::Test::failsWith<ConfigurationError>([&] { PhysicsBody refused(*type); }), want);
    }
    // Light masses, a tiny radius, a step of damping that takes twice the motion away, a negative
    // turning damping, and the game's own heaviest damping: taken.
    for (const char* physics : {"mass = 0.0001\nmassRadius = 4", "mass = 1e-8", "mass = 10\nmassRadius = 0.0001",
                                "mass = 0.01\nmassRadius = 0.01\nvelocityDecay = 4", "rotationDecay = -110",
                                "mass = 600\nmassRadius = 40\nvelocityDecay = 200\nrotationDecay = 300000"}) {
        EXPECT_NO_THROW(PhysicsBody::checkType(*typeFile(std::string("[Physics]\n") + physics + "\n"))) << physics;
        EXPECT_NO_THROW(PhysicsBody taken(*typeFile(std::string("[Physics]\n") + physics + "\n"))) << physics;
    }
    // A body whose damping takes one and a half times its motion away in a step, under a
    // fighter's thrust and torque: its speeds overshoot force / decay, never by more than half,
    // and settle there.
    PhysicsBody overshooting(*typeFile("[Physics]\nmass = 0.01333333\nmassRadius = 8.660254\nvelocityDecay = 4\n"
                                       "rotationDecay = 120\n"));
    addActive(overshooting);
    overshooting.setForce(Vector3(0, 0, -600));
    overshooting.setTorque(Vector3(300, 0, 0));
    for (int frame = 0; frame < 300; ++frame) {
        engine.update(1.0f / 60, 1.0f / 60);
        ASSERT_LE(overshooting.getVelocity().length(), 150.0f * 1.5f * 1.001f) << frame;
        ASSERT_LE(std::abs(dBodyGetAngularVel(overshooting.getBody())[0]), 2.5 * 1.5 * 1.001) << frame;
    }
    EXPECT_NEAR(overshooting.getVelocity().length(), 150.0f, 1.0f);
    EXPECT_NEAR(dBodyGetAngularVel(overshooting.getBody())[0], 2.5, 0.02);
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

// An orientation with the given forward (negative Z) and up (Y) axes.
Ogre::Quaternion facing(const Vector3& forward, const Vector3& up)
{
    return Ogre::Quaternion(up.crossProduct(-forward), up, -forward);
}

// A unit sphere (moment 0.4) with a motor of torque 0.4, stepped as the game steps it: the world,
// then the AI's motor update. From every start, the degenerate ones straight behind included, it
// ends on the heading within a quarter degree, turning no faster than two frames of full torque.
TEST_F(PhysicsBodyTest, AMotorTurnsItsBodyOntoTheHeadingAndSettlesFromEveryStart)
{
    PhysicsBody body(*unit);
    addActive(body);
    AngularMotor motor(&body, 0.4f);
    motor.attach(0.7f);
    const float frame = 1.0f / 60;
    const Vector3 x = Vector3::UNIT_X, y = Vector3::UNIT_Y, z = Vector3::UNIT_Z, still = Vector3::ZERO;
    const struct { const char* name; Ogre::Quaternion start; Vector3 heading, spin; } rows[] = {
        {"quarter turn", Ogre::Quaternion::IDENTITY, x, still},
        {"behind, facing -z", Ogre::Quaternion::IDENTITY, z, still},
        {"behind, facing along world x, up along z", facing(x, z), -x, still},
        {"behind, up along world x", facing(-z, x), z, still},
        {"along its own up axis", Ogre::Quaternion::IDENTITY, y, still},
        {"turning the wrong way", Ogre::Quaternion::IDENTITY, x, y},
        {"a zero heading holds the present one", facing(y, z), still, still},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        body.setOrientation(row.start);
        dBodySetAngularVel(body.getBody(), row.spin.x, row.spin.y, row.spin.z);
        motor.setTarget(row.heading);
        for (float t = 0; t < 30; t += frame) {
            engine.update(frame, frame);
            motor.update(frame);
        }
        const Vector3 wanted = row.heading == still ? y : row.heading;
        EXPECT_LT(Ogre::Math::ACos((-body.getOrientation().zAxis()).dotProduct(wanted)).valueDegrees(), 0.25f);
        EXPECT_LT(Vector3(dBodyGetAngularVel(body.getBody())).length(), 2 * frame);
    }
}

// The heading is compared with the forward axis as given: a long one a little past the side
// counts as behind, so the body swings round at the fixed speed; the same direction shorter than 1
// does not.
TEST_F(PhysicsBodyTest, AMotorComparesItsHeadingAsGiven)
{
    PhysicsBody body(*unit);
    addActive(body);
    AngularMotor motor(&body, 0.4f);
    motor.attach(0.7f);
    const std::pair<Vector3, bool> rows[] = {{Vector3(300, 0, 20), true}, {Vector3(0.3f, 0, 0.02f), false}};
    for (const auto& [heading, behind] : rows) {
        SCOPED_TRACE(heading.x);
        motor.setTarget(heading);
        Vector3 axis;
        float speed = 0;
        ASSERT_TRUE(motor.computeCorrection(1.0f / 60, axis, speed));
        EXPECT_EQ(behind, axis == Vector3::UNIT_X && speed == Ogre::Math::PI);
    }
}

TEST_F(PhysicsBodyTest, AMotorsJointGoesWithTheMotorAndNeverOutlivesTheWorld)
{
    PhysicsBody body(*unit);
    auto motor = std::make_unique<AngularMotor>(&body, 0.4f);
    motor->attach(0.7f);
    EXPECT_EQ(dBodyGetNumJoints(body.getBody()), 1);
    motor.reset();
    EXPECT_EQ(dBodyGetNumJoints(body.getBody()), 0);
    // A world destroyed first took its joints along: the motor must not destroy its joint again,
    // even when a new world has taken the old one's place.
    auto other = std::make_unique<PhysicsEngine>();
    auto otherBody = std::make_unique<PhysicsBody>(*unit);
    motor = std::make_unique<AngularMotor>(otherBody.get(), 0.4f);
    motor->attach(0.7f);
    otherBody.reset();
    other.reset();
    PhysicsEngine replacement;
    EXPECT_FALSE(motor->isAttached());
    motor->update(1.0f / 60);
}

} // namespace
} // namespace Tolvarine

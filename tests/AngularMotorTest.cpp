#include "AngularMotor.h"

#include "Config.h"
#include "ConfigFiles.h"
#include "InputHandler.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "Scheduler.h"

#include <OgreMath.h>
#include <gtest/gtest.h>
#include <ode/objects.h>

#include <random>

namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

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

    TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    PhysicsEngine engine;
    const Config type{(writeFile(folder.file("body.cfg"), "[Physics]\nmass = 1\nmassRadius = 1\n"), folder.file("body.cfg"))};
    std::unique_ptr<PhysicsBody> body = std::make_unique<PhysicsBody>(type);
    std::unique_ptr<AngularMotor> motor = std::make_unique<AngularMotor>(body.get(), MAX_TORQUE);
};

TEST_F(MotorWorld, TurnsOntoTheHeadingAndSettlesFromEveryStart)
{
    const Vector3 x = Vector3::UNIT_X, y = Vector3::UNIT_Y, z = Vector3::UNIT_Z, still = Vector3::ZERO;
    const struct { const char* name; Quaternion start; Vector3 heading, spin; } rows[] = {
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
} // namespace Tolvarine::Test

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

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

// Turning rate limit of the test body: torque 0.4 on a moment of inertia of 0.4 (a solid sphere
// of mass 1 and radius 1) accelerates it by 1 rad/s².
constexpr float MAX_TORQUE = 0.4f;
constexpr float STRENGTH = 0.7f;
constexpr float FRAME = 1.0f / 60;
// Settled: on the heading to within a quarter degree, and turning no faster than the full torque
// changes the turn in two frames (the motor pushes one way or the other every frame).
constexpr float SETTLED_DEGREES = 0.25f;
constexpr float SETTLED_SPIN = 2 * MAX_TORQUE / 0.4f * FRAME;

// An orientation whose forward (negative Z) and up (Y) axes are given.
Quaternion facing(const Vector3& forward, const Vector3& up)
{
    const Vector3 z = -forward;
    return Quaternion(up.crossProduct(z), up, z);
}

Vector3 forwardOf(const PhysicsBody& body)
{
    return -body.getOrientation().zAxis();
}

float spinOf(const PhysicsBody& body)
{
    const dReal* w = dBodyGetAngularVel(body.getBody());
    return static_cast<float>(std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]));
}

// One body in a real physics world with a motor attached, stepped frame by frame as the game
// steps it: the world first, then the AI's update of the motor.
class MotorWorld : public ::testing::Test {
protected:
    MotorWorld()
    {
        writeFile(folder.file("body.cfg"), "[Physics]\nmass = 1\nmassRadius = 1\n");
        type = std::make_unique<Config>(folder.file("body.cfg"));
        body = std::make_unique<PhysicsBody>(*type);
        engine.addBody(body.get());
        engine.activateBody(body.get());
        motor = std::make_unique<AngularMotor>(body.get(), MAX_TORQUE);
        motor->attach(STRENGTH);
    }

    ~MotorWorld() override
    {
        motor.reset();
        engine.removeBody(body.get());
    }

    // Runs `seconds` of frames; returns the fastest spin seen.
    float run(float seconds)
    {
        float fastest = 0.0f;
        for (float t = 0; t < seconds; t += FRAME) {
            engine.update(FRAME, FRAME);
            motor->update(FRAME);
            fastest = std::max(fastest, spinOf(*body));
        }
        return fastest;
    }

    TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    PhysicsEngine engine;
    std::unique_ptr<Config> type;
    std::unique_ptr<PhysicsBody> body;
    std::unique_ptr<AngularMotor> motor;
};

TEST_F(MotorWorld, TurnsOntoTheHeadingAndSettlesFromEveryStart)
{
    struct Row {
        const char* name;
        Quaternion start;
        Vector3 heading;
        Vector3 spin;
    };
    const Vector3 x = Vector3::UNIT_X, y = Vector3::UNIT_Y, z = Vector3::UNIT_Z;
    const Row rows[] = {
        {"quarter turn", Quaternion::IDENTITY, x, Vector3::ZERO},
        {"slightly off", Quaternion::IDENTITY, Vector3(0.05f, 0, -1), Vector3::ZERO},
        {"behind, facing -z", Quaternion::IDENTITY, z, Vector3::ZERO},
        {"behind, facing away along world x", facing(x, y), -x, Vector3::ZERO},
        {"behind, facing along world x, up along z", facing(x, z), -x, Vector3::ZERO},
        {"behind, up along world x", facing(-z, x), z, Vector3::ZERO},
        {"along its own up axis", Quaternion::IDENTITY, y, Vector3::ZERO},
        {"long heading with a backward part", Quaternion::IDENTITY, Vector3(200, 0, 20), Vector3::ZERO},
        {"turning the wrong way", Quaternion::IDENTITY, x, Vector3(0, 1, 0)},
        {"already there", facing(y, z), y * 50, Vector3::ZERO},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        body->setOrientation(row.start);
        dBodySetAngularVel(body->getBody(), row.spin.x, row.spin.y, row.spin.z);
        motor->setTarget(row.heading);
        run(30);
        const Ogre::Radian off = Ogre::Math::ACos(forwardOf(*body).dotProduct(row.heading.normalisedCopy()));
        EXPECT_LT(off.valueDegrees(), SETTLED_DEGREES);
        EXPECT_LT(spinOf(*body), SETTLED_SPIN);
    }
}

TEST_F(MotorWorld, AHeadingThatSwingsEveryFrameNeverSpinsTheBodyUp)
{
    // Headings as the AI hands them over: forces of any length, in any direction, and straight
    // ahead and behind by turns.
    std::mt19937 random(23);
    std::normal_distribution<float> normal;
    float fastest = 0;
    for (int frame = 0; frame < 1200; ++frame) {
        motor->setTarget(Vector3(normal(random), normal(random), normal(random)) * 100);
        fastest = std::max(fastest, run(FRAME));
    }
    for (int frame = 0; frame < 1200; ++frame) {
        motor->setTarget(frame % 2 ? forwardOf(*body) : -forwardOf(*body));
        fastest = std::max(fastest, run(FRAME));
    }
    // Never faster than the motor aims to turn through a quarter turn, the mean swing.
    EXPECT_LT(fastest, STRENGTH * std::sqrt(Ogre::Math::PI * MAX_TORQUE / body->getMomentOfInertia()));

    // A zero heading holds the present one: the turn stops and the body stays where it points.
    motor->setTarget(Vector3::ZERO);
    run(5);
    const Vector3 held = forwardOf(*body);
    run(5);
    EXPECT_LT(spinOf(*body), SETTLED_SPIN);
    EXPECT_GT(forwardOf(*body).dotProduct(held), std::cos(Ogre::Degree(SETTLED_DEGREES).valueRadians()));
}

TEST_F(MotorWorld, TheJointGoesWithTheMotorAndNeverOutlivesTheWorld)
{
    EXPECT_EQ(dBodyGetNumJoints(body->getBody()), 1);
    motor.reset();
    EXPECT_EQ(dBodyGetNumJoints(body->getBody()), 0);

    // A world destroyed first took its joints along; the motor must not destroy its joint again,
    // even when a new world has taken the old one's place.
    {
        auto other = std::make_unique<PhysicsEngine>();
        auto otherBody = std::make_unique<PhysicsBody>(*type);
        motor = std::make_unique<AngularMotor>(otherBody.get(), MAX_TORQUE);
        motor->attach(STRENGTH);
        otherBody.reset();
        other.reset();
        PhysicsEngine replacement;
        EXPECT_FALSE(motor->isAttached());
        motor->update(FRAME);
        motor.reset();
    }
}

} // namespace
} // namespace Tolvarine::Test

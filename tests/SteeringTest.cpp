#include "SteeringDoubles.h"

#include "Behaviour.h"

#include <gtest/gtest.h>

#include <functional>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

void expectNear(const Vector3& expected, const Vector3& actual)
{
    EXPECT_LT(expected.distance(actual), 1e-3f) << "expected " << expected << ", got " << actual;
}

using Steering = SteeringWorld;

// Every craft has mass 2 and a maximum force of 100: an acceleration of 50.
TEST_F(Steering, FunctionsGiveTheVelocityErrorsAndForcesWorkedOutByHand)
{
    // Turned a quarter to the left, so that its forward (-z) points along world -x.
    Craft& formation = craft(Vector3(100, 0, 0), Vector3(0, 0, 30));
    formation.body.setOrientation(Ogre::Quaternion(Ogre::Degree(90), Vector3::UNIT_Y));
    Craft& target = craft(Vector3(0, 0, -200), Vector3(0, 0, -50));
    const Vector3 slot(0, 0, -10);
    const struct { const char* situation; std::function<Vector3()> steer; Vector3 expected; } rows[] = {
        // Slot (90, 0, 0), 40 away: 2 sqrt(30² + 2·50·40) = 140, less the craft's 10.
        {"seek a formation's slot", [&] { return Behaviour::seek(&craft(Vector3(90, 0, 40), Vector3(0, 0, 10)), &formation, slot); }, Vector3(0, 0, -150)},
        {"seek within 1 of the slot matches velocity", [&] { return Behaviour::seek(&craft(Vector3(90, 0.5f, 0), Vector3(0, 0, 10)), &formation, slot); }, Vector3(0, 0, 20)},
        {"seek without a formation: a point at rest", [&] { return Behaviour::seek(&craft(Vector3::ZERO), nullptr, Vector3(0, 0, -25)); }, Vector3(0, 0, -100)},
        {"seek without a formation, at the point", [&] { return Behaviour::seek(&craft(Vector3::ZERO, Vector3(1, 2, 3)), nullptr, Vector3(0, 0, -0.5f)); }, Vector3(-1, -2, -3)},
        {"dodge at rest", [&] { return Behaviour::dodge(&craft(Vector3::ZERO), &target.body); }, Vector3::ZERO},
        {"dodge flying along the line", [&] { return Behaviour::dodge(&craft(Vector3::ZERO, Vector3(0, 0, 5)), &target.body); }, Vector3::ZERO},
        {"dodge drifting across", [&] { return Behaviour::dodge(&craft(Vector3::ZERO, Vector3(3, 0, -4)), &target.body); }, Vector3(100, 0, 0)},
        // sqrt(2·100·d / 2) × proportion.
        {"arrival from far", [&] { return Behaviour::arrival(&craft(Vector3::ZERO), Vector3(0, 0, -100), 0.5f); }, Vector3(0, 0, -50)},
        {"arrival from near, drifting", [&] { return Behaviour::arrival(&craft(Vector3::ZERO, Vector3(10, 0, 0)), Vector3(0, 0, -1), 1.0f); }, Vector3(-10, 0, -10)},
        {"arrival at the point brakes", [&] { return Behaviour::arrival(&craft(Vector3(5, 5, 5), Vector3(3, 0, -4)), Vector3(5, 5, 5), 1.0f); }, Vector3(-3, 0, 4)},
        {"intercept a faster target", [&] { return Behaviour::intercept(&craft(Vector3::ZERO, Vector3(0, 0, -20)).body, &target, 30, 1); }, Vector3(0, 0, -230)},
        {"intercept a slower target", [&] { return Behaviour::intercept(&craft(Vector3(0, 0, -100), Vector3(0, 0, -80)).body, &target, 30, 0.5f); }, Vector3(0, 0, -45)},
        {"intercept closer than the approach speed", [&] { return Behaviour::intercept(&craft(Vector3(0, 0, -190)).body, &target, 30, 0); }, Vector3(0, 0, -30)},
        {"intercept at the target's very position", [&] { return Behaviour::intercept(&craft(Vector3(0, 0, -200)).body, &target, 30, 1); }, Vector3(0, 0, -50)},
        {"intercept one fleeing beyond reach", [&] { return Behaviour::intercept(&craft(Vector3(0, 0, 100), Vector3(0, 0, 40)).body, &target, 30, 1); }, Vector3(0, 0, -390)},
        {"obstacle avoidance", [&] { return Behaviour::obstacleAvoidance(&target.body); }, Vector3::ZERO},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        expectNear(row.expected, row.steer());
    }
    for (const char* block : {"arrival", "intercept", "obstacleAvoidance"})
        EXPECT_GT(runsOf(block), 0.0f) << block;
}

TEST_F(Steering, ClosestTargetIsTheNearestLinkedValidObjectInPlay)
{
    const unsigned long enemy = 1 | OgreLink::TARGETABLE_FLAG;
    const Vector3 still = Vector3::ZERO;
    Craft& a = craft(Vector3(0, 0, -100), still, 10, "A", enemy);
    Craft& b = craft(Vector3(0, 0, 50), still, 10, "B", enemy);
    craft(Vector3(0, 0, 10), still, 10, "C", enemy).setInactive(true);
    craft(Vector3(0, 5, 0), still, 10, "D", enemy, false);
    craft(Vector3(0, 1, 0), still, 10, "E", OgreLink::TARGETABLE_FLAG);
    craft(Vector3(50, 0, 0), still, 10, "F", enemy);
    craft(Vector3(0, 0, 20));
    float distance = -7;
    EXPECT_EQ(Behaviour::closestTarget(still, 500, 1, distance), &b) << "of equal distances the first in name order";
    EXPECT_FLOAT_EQ(distance, 50);
    EXPECT_EQ(Behaviour::closestTarget(Vector3(0, 0, -90), 20, 1, distance), &a);
    EXPECT_FLOAT_EQ(distance, 10);
    distance = -7;
    EXPECT_EQ(Behaviour::closestTarget(Vector3(0, 0, 300), 100, 1, distance), nullptr);
    EXPECT_EQ(Behaviour::closestTarget(still, 500, 8, distance), nullptr);
    EXPECT_FLOAT_EQ(distance, -7) << "untouched when nothing is found";
    EXPECT_EQ(runsOf("Behaviour::closestTarget"), 4.0f);
}

TEST_F(Steering, NeighboursPushWithTheSquareOfTheirNearness)
{
    // The owner has radius 10 and a maximum force of 100. R = trunc(r + 10 + 30).
    const struct { const char* situation; std::vector<std::pair<Vector3, float>> neighbours; Vector3 expected; } rows[] = {
        {"none", {}, Vector3::ZERO},
        {"radius 10 at 25: R 50, a quarter", {{Vector3(25, 0, 0), 10}}, Vector3(-25, 0, 0)},
        {"radius 10.4: R cut to 50", {{Vector3(0, -25, 0), 10.4f}}, Vector3(0, 25, 0)},
        {"nearer and farther than R", {{Vector3(0, 0, 45), 10}, {Vector3(0, 0, -60), 10}}, Vector3(0, 0, -1)},
        {"beyond the search sphere whatever R", {{Vector3(150, 0, 0), 200}}, Vector3::ZERO},
        {"at the owner's very position", {{Vector3::ZERO, 10}}, Vector3::ZERO},
        {"two pushes add", {{Vector3(25, 0, 0), 10}, {Vector3(0, 0, 40), 10}}, Vector3(-25, 0, -4)},
    };
    int group = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        // Each row's craft far from the others'.
        const std::string prefix = "S" + std::to_string(++group) + "_";
        const Vector3 at = Vector3(1000, 0, 0) * static_cast<float>(group);
        Craft& owner = craft(at, Vector3::ZERO, 10, prefix + "owner");
        for (const auto& [offset, radius] : row.neighbours)
            craft(at + offset, Vector3::ZERO, radius, prefix + std::to_string(offset.x + offset.z));
        // Neither an object out of play nor one without a link counts.
        craft(at + Vector3(5, 0, 0), Vector3::ZERO, 10, prefix + "inactive").setInactive(true);
        craft(at + Vector3(0, 5, 0), Vector3::ZERO, 10, prefix + "unlinked", OgreLink::SHIP_FLAG, false);
        expectNear(row.expected, Behaviour::neighbourAvoidance(&owner));
    }
    EXPECT_EQ(runsOf("neighbourAvoidance"), 7.0f);
}

} // namespace
} // namespace Tolvarine::Test

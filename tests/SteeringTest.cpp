#include "SteeringDoubles.h"

#include "Behaviour.h"

#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

using Steering = SteeringWorld;

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

} // namespace
} // namespace Tolvarine::Test

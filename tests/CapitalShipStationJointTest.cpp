#include "CapitalShipStation.h"
#include "PhysicsEngine.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace Tolvarine::Test {
namespace {

std::string odeMessages;

using Ogre::Vector3;

Vector3 toVector(const dVector3 v) { return Vector3(float(v[0]), float(v[1]), float(v[2])); }

// A station's joint takes its yaw and pitch axes at any pose of the hull without the physics
// library meeting two parallel axes on the way (it prints a zero-length-vector message then), and
// ends with the axes asked for.
TEST(CapitalShipStationJoint, AxesSetAtAnyPoseWithoutParallelAxesOnTheWay)
{
    PhysicsEngine::initialiseLibrary();
    dWorldID world = dWorldCreate();
    dBodyID hull = dBodyCreate(world), station = dBodyCreate(world);
    const Vector3 X = Vector3::UNIT_X, Y = Vector3::UNIT_Y, Z = Vector3::UNIT_Z;
    const Vector3 diagonal = Vector3(1, 1, 0).normalisedCopy();
    const Vector3 across = Vector3(1, -1, 0).normalisedCopy();
    // Yaw and pitch: a level hull (the joint's first two axes swap), on its side, nose down,
    // rolled and turned, already so.
    const std::pair<Vector3, Vector3> rows[] = {{Y, X}, {X, Y}, {Z, X}, {diagonal, across}, {X, Z}};
    dSetMessageHandler([](int number, const char* format, va_list arguments) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, arguments);
        odeMessages += std::to_string(number) + ": " + text + "\n";
    });
    for (const auto& [yaw, pitch] : rows) {
        odeMessages.clear();
        dJointID joint = dJointCreateUniversal(world, nullptr);
        dJointAttach(joint, hull, station);
        CapitalShipStation::setJointAxes(joint, yaw, pitch);
        EXPECT_EQ(odeMessages, "") << yaw << " " << pitch;
        dVector3 first, second;
        dJointGetUniversalAxis1(joint, first);
        dJointGetUniversalAxis2(joint, second);
        EXPECT_LT((toVector(first) - yaw).length(), 1e-5f) << yaw;
        EXPECT_LT((toVector(second) - pitch).length(), 1e-5f) << pitch;
        dJointDestroy(joint);
    }
    dSetMessageHandler(nullptr);
    dWorldDestroy(world);
}

} // namespace
} // namespace Tolvarine::Test

#include "CapitalShipStation.h"
#include "PhysicsEngine.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace Tolvarine::Test {
namespace {

std::string odeMessages;

void keepMessage(int number, const char* format, va_list arguments)
{
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    odeMessages += std::to_string(number) + ": " + text + "\n";
}

// A station's joint takes its yaw and pitch axes at any pose of the hull without the physics
// library meeting two parallel axes on the way (it prints a zero-length-vector message then), and
// ends with the axes asked for.
TEST(CapitalShipStationJoint, AxesSetAtAnyPoseWithoutParallelAxesOnTheWay)
{
    PhysicsEngine::initialiseLibrary();
    dWorldID world = dWorldCreate();
    const Ogre::Vector3 X = Ogre::Vector3::UNIT_X, Y = Ogre::Vector3::UNIT_Y, Z = Ogre::Vector3::UNIT_Z;
    const struct {
        const char* name;
        Ogre::Vector3 yaw, pitch;
    } rows[] = {
        {"level hull: the joint's first two axes swap", Y, X},
        {"hull on its side", X, Y},
        {"nose down", Z, X},
        {"rolled and turned", Ogre::Vector3(1, 1, 0).normalisedCopy(), Ogre::Vector3(1, -1, 0).normalisedCopy()},
        {"already so", X, Z},
    };
    dSetMessageHandler(&keepMessage);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        odeMessages.clear();
        dBodyID hull = dBodyCreate(world);
        dBodyID station = dBodyCreate(world);
        dJointID joint = dJointCreateUniversal(world, nullptr);
        dJointAttach(joint, hull, station);
        CapitalShipStation::setJointAxes(joint, row.yaw, row.pitch);
        EXPECT_EQ(odeMessages, "");
        dVector3 first, second;
        dJointGetUniversalAxis1(joint, first);
        dJointGetUniversalAxis2(joint, second);
        EXPECT_NEAR((Ogre::Vector3(Ogre::Real(first[0]), Ogre::Real(first[1]), Ogre::Real(first[2])) - row.yaw).length(), 0, 1e-5);
        EXPECT_NEAR((Ogre::Vector3(Ogre::Real(second[0]), Ogre::Real(second[1]), Ogre::Real(second[2])) - row.pitch).length(), 0, 1e-5);
        dJointDestroy(joint);
        dBodyDestroy(station);
        dBodyDestroy(hull);
    }
    dSetMessageHandler(nullptr);
    dWorldDestroy(world);
}

} // namespace
} // namespace Tolvarine::Test

#include "CollisionBody.h"
#include "CollisionGeometry.h"
#include "CollisionWorld.h"
#include "ConfigurationError.h"
#include "LogCapture.h"

#include <gtest/gtest.h>
#include <ode/collision.h>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Tolvarine::Test::LogCapture;

class CollisionGeometryTest : public Test::CollisionWorld {
protected:
    std::unique_ptr<CollisionGeometry> build(const std::string& text, const Vector3& offset = Vector3::ZERO)
    {
        config = type("object.cfg", text);
        return std::make_unique<CollisionGeometry>(*config, offset, Quaternion::IDENTITY);
    }
    std::unique_ptr<Config> config;
};

TEST_F(CollisionGeometryTest, EverySectionNamingCollisionGeometryGivesOneBodyInFileOrderPlacedByItsSection)
{
    LogCapture log;
    const auto geometry = build("[Collision_Geometry_1]\ntype = sphere\nradius = 2.5\ncomponent = Engine\n"
                                "[Collision geometry]\ntype = sphere\nradius = 1\n"
                                "[Hull Collision_Geometry]\ntype = box\nsize = (1 2 3)\n"
                                "[Physics]\nmass = 3\n"
                                "[Collision_Geometry_1]\ntype = box\nsize = (9 9 9)\n"
                                "[Collision_Geometry_B]\ntype = sphere\nradius = 1\nposition = (1 2 3)\nrotationAngles = (90 0 90)\n"
                                "[Collision_Geometry_Tail]\ntype = capsule\nradius = 1\n");
    const auto& bodies = geometry->getCollisionBodies();
    ASSERT_EQ(3u, bodies.size());
    EXPECT_EQ("Engine", bodies[0]->getComponentName());
    EXPECT_EQ("", bodies[1]->getComponentName());
    ASSERT_EQ(dSphereClass, dGeomGetClass(bodies[0]->getGeometry()));
    EXPECT_DOUBLE_EQ(2.5, dGeomSphereGetRadius(bodies[0]->getGeometry()));
    ASSERT_EQ(dBoxClass, dGeomGetClass(bodies[1]->getGeometry()));
    dVector3 lengths;
    dGeomBoxGetLengths(bodies[1]->getGeometry(), lengths);
    EXPECT_EQ(Vector3(1, 2, 3), Vector3(lengths[0], lengths[1], lengths[2]));
    for (const auto& body : bodies)
        EXPECT_EQ(geometry->getSpace(), dGeomGetSpace(body->getGeometry()));
    EXPECT_TRUE(log.lines().empty());
    ASSERT_EQ(dGeomTransformClass, dGeomGetClass(bodies[2]->getGeometry()));
    const dGeomID inner = dGeomTransformGetGeom(bodies[2]->getGeometry());
    const dReal* at = dGeomGetPosition(inner);
    EXPECT_EQ(Vector3(1, 2, 3), Vector3(at[0], at[1], at[2]));
    dQuaternion q;
    dGeomGetQuaternion(inner, q);
    // Turned about the fixed axes x, then y, then z.
    const Quaternion turned = Quaternion(Ogre::Degree(90), Vector3::UNIT_Z) *
                              Quaternion(Ogre::Degree(90), Vector3::UNIT_X);
    EXPECT_NEAR(1.0, std::abs(turned.Dot(Quaternion(q[0], q[1], q[2], q[3]))), 1e-6);
}

TEST_F(CollisionGeometryTest, MissingOrUnusableValuesAreRefusedWithALogLine)
{
    const std::string prefix = "Collision geometry in section Collision_Geometry: ";
    const std::pair<std::string, std::string> rows[] = {
        {"[Collision_Geometry_1]\nradius = 1\n", "Key type not found in section Collision_Geometry_1"},
        {"[Collision_Geometry_1]\ntype = sphere\n", "Key radius not found in section Collision_Geometry_1"},
        {"[Collision_Geometry]\ntype = sphere\nradius = -1\n", prefix + "radius must be a number not below 0"},
        {"[Collision_Geometry]\ntype = box\nsize = (1 -2 1)\n", prefix + "size must have no edge below 0"},
        {"[Collision_Geometry]\ntype = ray\nlength = 5\ndirection = (0 0 0)\n", prefix + "direction must be a finite vector other than zero"},
        {"[Collision_Geometry]\ntype = trimesh\nmesh = absent.mesh\n", ""},
    };
    for (const auto& [text, line] : rows) {
        LogCapture log;
        EXPECT_THROW(build(text), ConfigurationError) << text;
        EXPECT_TRUE(line.empty() || log.contains(line)) << text;
        // The loaders' check at start-up refuses the same, before any object is built.
        EXPECT_THROW(CollisionGeometry::checkSections(*config), ConfigurationError) << text;
    }
}

TEST_F(CollisionGeometryTest, ASectionOfAnotherTypeIsSkippedWithoutAMessage)
{
    LogCapture log;
    const auto geometry = build("[Collision_Geometry]\ntype = trimeshh\nmesh = absent.mesh\n");
    EXPECT_TRUE(geometry->getCollisionBodies().empty());
    EXPECT_NO_THROW(CollisionGeometry::checkSections(*config));
    EXPECT_TRUE(log.lines().empty());
}

} // namespace
} // namespace Tolvarine

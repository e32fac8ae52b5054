#include "CollisionBody.h"
#include "CollisionGeometry.h"
#include "CollisionWorld.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "PhysicsBody.h"
#include "TestMeshes.h"

#include <gtest/gtest.h>
#include <ode/collision.h>

#include <memory>
#include <string>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::boxShape;
using Test::createMesh;
using Test::LogCapture;

class CollisionGeometryTest : public Test::CollisionWorld {
protected:
    std::unique_ptr<CollisionGeometry> build(const std::string& text,
                                             const Vector3& offset = Vector3::ZERO,
                                             const Quaternion& turn = Quaternion::IDENTITY)
    {
        config = type("object.cfg", text);
        return std::make_unique<CollisionGeometry>(*config, offset, turn);
    }

    // Whether the object's first geometry touches a unit box at `place`.
    static bool touchesBoxAt(const CollisionGeometry& geometry, const Vector3& place)
    {
        const dGeomID box = dCreateBox(nullptr, 1, 1, 1);
        dGeomSetPosition(box, place.x, place.y, place.z);
        dContactGeom contact;
        const int touching = dCollide(geometry.getCollisionBodies().front()->getGeometry(), box, 1,
                                      &contact, sizeof(dContactGeom));
        dGeomDestroy(box);
        return touching > 0;
    }

    std::unique_ptr<Config> config;
};

TEST_F(CollisionGeometryTest, EverySectionNamingCollisionGeometryGivesOneBodyInFileOrder)
{
    LogCapture log;
    const auto geometry = build("[Collision_Geometry_1]\ntype = sphere\nradius = 2.5\n"
                                "component = Engine\n"
                                "[Collision geometry]\ntype = sphere\nradius = 1\n"
                                "[Hull Collision_Geometry]\ntype = box\nsize = (1 2 3)\n"
                                "[Collision_Geometry_Cone]\ntype = cone\nradius = 1\n"
                                "[Physics]\nmass = 3\n"
                                "[Collision_Geometry_1]\ntype = box\nsize = (9 9 9)\n");

    const auto& bodies = geometry->getCollisionBodies();
    ASSERT_EQ(2u, bodies.size());
    EXPECT_EQ("Engine", bodies[0]->getComponentName());
    EXPECT_EQ("", bodies[1]->getComponentName());
    const dGeomID sphere = bodies[0]->getGeometry();
    ASSERT_EQ(dSphereClass, dGeomGetClass(sphere));
    EXPECT_DOUBLE_EQ(2.5, dGeomSphereGetRadius(sphere));
    const dGeomID box = bodies[1]->getGeometry();
    ASSERT_EQ(dBoxClass, dGeomGetClass(box));
    dVector3 lengths;
    dGeomBoxGetLengths(box, lengths);
    EXPECT_EQ(Vector3(1, 2, 3), Vector3(lengths[0], lengths[1], lengths[2]));
    for (const auto& body : bodies)
        EXPECT_EQ(geometry->getSpace(), dGeomGetSpace(body->getGeometry()));
    // An unknown type is passed over without a word.
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CollisionGeometryTest, PlacementFromTheSectionOrFromTheCaller)
{
    const std::string sections = "[Collision_Geometry_A]\ntype = sphere\nradius = 1\n"
                                 "[Collision_Geometry_B]\ntype = sphere\nradius = 1\n"
                                 "position = (1 2 3)\nrotationAngles = (0 0 90)\n";
    const auto geometry = build(sections);
    const auto& bodies = geometry->getCollisionBodies();
    ASSERT_EQ(2u, bodies.size());

    const dGeomID transform = bodies[1]->getGeometry();
    ASSERT_EQ(dGeomTransformClass, dGeomGetClass(transform));
    const dGeomID inner = dGeomTransformGetGeom(transform);
    const dReal* position = dGeomGetPosition(inner);
    EXPECT_EQ(Vector3(1, 2, 3), Vector3(position[0], position[1], position[2]));
    dQuaternion q;
    dGeomGetQuaternion(inner, q);
    const Quaternion expected = eulerDegreesToQuaternion(Vector3(0, 0, 90));
    EXPECT_NEAR(1.0, std::abs(expected.Dot(Quaternion(q[0], q[1], q[2], q[3]))), 1e-6);

    // A caller's offset replaces every section's placement, which is then not even read.
    const auto offset = build(sections + "[Collision_Geometry_C]\ntype = sphere\nradius = 1\n"
                                         "position = (not a vector\n",
                              Vector3(0, 0, 5));
    ASSERT_EQ(3u, offset->getCollisionBodies().size());
    for (const auto& body : offset->getCollisionBodies()) {
        const dGeomID moved = dGeomTransformGetGeom(body->getGeometry());
        ASSERT_NE(nullptr, moved);
        const dReal* at = dGeomGetPosition(moved);
        EXPECT_EQ(Vector3(0, 0, 5), Vector3(at[0], at[1], at[2]));
    }
}

TEST_F(CollisionGeometryTest, RayStartsAtItsPositionAndPointsAlongItsTurnedDirection)
{
    const auto physics = type("body.cfg", "[Physics]\nmass = 1\n");
    PhysicsBody body(*physics);

    // The default direction is forward, -Z, even once the ray rides on a body.
    auto ray = build("[Collision_Geometry]\ntype = ray\nlength = 10\n");
    ray->setBody(body);
    EXPECT_TRUE(touchesBoxAt(*ray, Vector3(0, 0, -5)));
    EXPECT_FALSE(touchesBoxAt(*ray, Vector3(0, 0, -11)));
    // It follows the body: moved and turned half round, it looks along +Z from there.
    body.setPosition(Vector3(100, 0, 0));
    body.setOrientation(Quaternion(Ogre::Degree(180), Vector3::UNIT_Y));
    EXPECT_TRUE(touchesBoxAt(*ray, Vector3(100, 0, 5)));
    EXPECT_FALSE(touchesBoxAt(*ray, Vector3(100, 0, -5)));

    auto sideways = build("[Collision_Geometry]\ntype = ray\nlength = 10\n"
                          "position = (0 2 0)\ndirection = (1 0 0)\n");
    EXPECT_TRUE(touchesBoxAt(*sideways, Vector3(5, 2, 0)));

    // The rotation turns the direction: forward turned a quarter round +Y looks along -X.
    auto turned = build("[Collision_Geometry]\ntype = ray\nlength = 10\n"
                        "rotationAngles = (0 90 0)\n");
    EXPECT_TRUE(touchesBoxAt(*turned, Vector3(-5, 0, 0)));
    EXPECT_FALSE(touchesBoxAt(*turned, Vector3(0, 0, -5)));

    // Within a caller's offset the ray's position moves its start.
    auto offset = build("[Collision_Geometry]\ntype = ray\nlength = 10\n"
                        "position = (0 2 0)\ndirection = (1 0 0)\n",
                        Vector3(0, 0, 1));
    EXPECT_TRUE(touchesBoxAt(*offset, Vector3(5, 2, 1)));
    EXPECT_FALSE(touchesBoxAt(*offset, Vector3(5, 2, 0)));
}

TEST_F(CollisionGeometryTest, TriangleMeshSectionsUseTheSharedCollisionMesh)
{
    createMesh("crate.mesh", "Core", boxShape(Vector3(1, 1, 1)));
    const auto geometry = build("[Collision_Geometry_1]\ntype = trimesh\nmesh = crate.mesh\n"
                                "[Collision_Geometry_2]\ntype = trimesh\nmesh = crate.mesh\n"
                                "triangleBudget = 4\nposition = (0 0 3)\n");
    const auto& bodies = geometry->getCollisionBodies();
    ASSERT_EQ(2u, bodies.size());
    const dGeomID direct = bodies[0]->getGeometry();
    const dGeomID inner = dGeomTransformGetGeom(bodies[1]->getGeometry());
    ASSERT_EQ(dTriMeshClass, dGeomGetClass(direct));
    ASSERT_EQ(dTriMeshClass, dGeomGetClass(inner));
    EXPECT_EQ(dGeomTriMeshGetData(direct), dGeomTriMeshGetData(inner));
    EXPECT_EQ(12, dGeomTriMeshGetTriangleCount(direct));
}

TEST_F(CollisionGeometryTest, MissingOrUnusableValuesAreRefusedWithALogLine)
{
    const std::string prefix = "Collision geometry in section Collision_Geometry: ";
    const std::pair<std::string, std::string> rows[] = {
        {"[Collision_Geometry_1]\nradius = 1\n", "Key type not found in section Collision_Geometry_1"},
        {"[Collision_Geometry_1]\ntype = sphere\n", "Key radius not found in section Collision_Geometry_1"},
        {"[Collision_Geometry]\ntype = sphere\nradius = -1\n", prefix + "radius must be a number not below 0"},
        {"[Collision_Geometry]\ntype = box\nsize = (1 -2 1)\n", prefix + "size must have no edge below 0"},
        {"[Collision_Geometry]\ntype = ray\nlength = 5\ndirection = (0 0 0)\n",
         prefix + "direction must be a finite vector other than zero"},
    };
    for (const auto& [text, line] : rows) {
        SCOPED_TRACE(text);
        LogCapture log;
        EXPECT_THROW(build(text), ConfigurationError);
        EXPECT_TRUE(log.contains(line));
    }
    EXPECT_THROW(build("[Collision_Geometry]\ntype = trimesh\nmesh = absent.mesh\n"), ConfigurationError);
}

} // namespace
} // namespace Tolvarine

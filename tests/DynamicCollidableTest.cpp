#include "CollisionBody.h"
#include "CollisionWorld.h"
#include "ConfigurationError.h"
#include "DynamicCollidable.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "OgreLink.h"
#include "SceneDynamicBody.h"
#include "TestMeshes.h"

#include <OgreEntity.h>
#include <OgreMeshManager.h>
#include <OgreSceneManager.h>
#include <gtest/gtest.h>
#include <ode/collision.h>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::boxShape;
using Test::createMesh;
using Test::LogCapture;
using Test::sphereShape;

class DynamicCollidableTest : public Test::CollisionWorld {
protected:
    DynamicCollidableTest()
    {
        createMesh("hull.mesh", "Core", sphereShape(6, 8, 2.0f));
        createMesh("hull_far.mesh", "Core", boxShape(Vector3(2, 2, 2)));
        createMesh("hull_farther.mesh", "Core", boxShape(Vector3(1, 1, 1)));
    }
    std::unique_ptr<DynamicCollidable> make(const std::string& name, const std::string& text)
    {
        types.push_back(type(name + ".cfg", text));
        return std::make_unique<DynamicCollidable>(scene(), name, *types.back(), Vector3(1, 2, 3), Quaternion::IDENTITY);
    }
    std::vector<std::unique_ptr<Config>> types;
};

const std::string SPHERE_GEOMETRY = "[Collision_Geometry]\ntype = sphere\nradius = 2\n";

TEST_F(DynamicCollidableTest, BuildsItsParts_LevelsOfDetailOnce_AndRefusesUnknownNames)
{
    const auto ship = make("Ship0", "[Physics]\nmass = 2\nexplosionEffectable = 1\n[Display]\nmesh_0 = hull.mesh\n"
                                    "mesh_1 = hull_far.mesh\ndistance_1 = 500\nmesh_2 = hull_farther.mesh\n" + SPHERE_GEOMETRY);
    ASSERT_EQ(ship->getSceneNode(), scene().getSceneNode("Ship0"));
    EXPECT_EQ(ship->getLink(), OgreLink::getFrom(*ship->getEntity()));
    EXPECT_EQ(2u | 32u, ship->getLink()->getFlags());
    const dGeomID sphere = ship->getCollisionGeometry().getCollisionBodies().front()->getGeometry();
    EXPECT_EQ(ship->getPhysicsBody().getBody(), dGeomGetBody(sphere));
    const Ogre::MeshPtr hull = Ogre::MeshManager::getSingleton().getByName("hull.mesh", "Core");
    ASSERT_EQ(2, hull->getNumLodLevels());
    EXPECT_EQ("hull_far.mesh", hull->getLodLevel(1).manualName);
    // Later objects of the mesh find the levels made; what their own files say is not read.
    const auto second = make("Ship1", "[Display]\nmesh_0 = hull.mesh\nmesh_1 = hull_farther.mesh\ndistance_1 = 100\n");
    EXPECT_EQ("hull_far.mesh", hull->getLodLevel(1).manualName);
    // "mesh" wins over "mesh_0" and brings no levels; without a mesh there is no entity.
    createMesh("plain.mesh", "Core", sphereShape(4, 6, 1.0f));
    EXPECT_EQ("plain.mesh", make("Ship2", "[Display]\nmesh = plain.mesh\nmesh_0 = hull.mesh\n")->getEntity()->getMesh()->getName());
    EXPECT_EQ(nullptr, make("Bare0", "[Physics]\nexplosionEffectable = 0\n")->getEntity());

    LogCapture log;
    const std::pair<const char*, const char*> rows[] = { // the display section, the start of the line that reports it
        {"mesh = absent.mesh\n", "DynamicCollidable Bad0: the mesh absent.mesh could not be loaded: "},
        {"mesh_0 = plain.mesh\nmesh_1 = gone.mesh\ndistance_1 = 200\n", "DynamicCollidable Bad0: the mesh gone.mesh could not be loaded: "},
        {"mesh_0 = plain.mesh\nmesh_1 = hull_far.mesh\ndistance_1 = 200\nmesh_2 = hull_farther.mesh\ndistance_2 = 100\n",
         "DynamicCollidable Bad0: distance_2 must be greater than the distance before it"},
        {"mesh = plain.mesh\n[Collision_Geometry]\ntype = sphere\n", "Key radius not found in section Collision_Geometry"},
    };
    for (const auto& [display, start] : rows) {
        SCOPED_TRACE(display);
        log.clear();
        EXPECT_THROW(make("Bad0", std::string("[Display]\n") + display), ConfigurationError);
        const std::vector<std::string> lines = log.lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; }));
        EXPECT_FALSE(scene().hasSceneNode("Bad0") || scene().hasEntity("Bad0"));
    }
    // A refused level list leaves the mesh as it was; a list of one level is no list.
    EXPECT_EQ(1, Ogre::MeshManager::getSingleton().getByName("plain.mesh", "Core")->getNumLodLevels());
    EXPECT_EQ(1, make("Ship3", "[Display]\nmesh_0 = plain.mesh\n")->getEntity()->getMesh()->getNumLodLevels());
    EXPECT_THROW(DynamicCollidable("Ship9", *types.back(), Vector3::ZERO, Quaternion::IDENTITY), FatalError);
    EXPECT_TRUE(log.contains("DynamicCollidable: the engine has no scene manager"));
    EXPECT_THROW(SceneDynamicBody orphan(*types.back()), FatalError);
    EXPECT_TRUE(log.contains("SceneDynamicBody: the engine has no scene manager"));
}

} // namespace
} // namespace Tolvarine

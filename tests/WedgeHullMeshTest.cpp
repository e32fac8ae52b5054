#include "CollisionBody.h"
#include "CollisionMesh.h"
#include "CollisionWorld.h"
#include "DynamicCollidable.h"
#include "TriMeshGeometry.h"

#include <OgreEntity.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <gtest/gtest.h>
#include <ode/collision.h>

#include <map>
#include <string>
#include <utility>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

// The hull meshes that tools/make_meshes.py writes into data/meshes.
class WedgeHullMeshTest : public Test::CollisionWorld {
protected:
    WedgeHullMeshTest()
    {
        auto& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.addResourceLocation(std::string(TOLVARINE_SOURCE_DIR) + "/data/meshes",
                                   "FileSystem", "Core");
        groups.initialiseResourceGroup("Core");
    }

    static Vector3 at(const CollisionMesh& mesh, std::uint32_t index)
    {
        const CollisionMesh::Vertex& v = mesh.getVertices().at(index);
        return Vector3(v.x, v.y, v.z);
    }

    // A closed surface with outward faces: every edge is walked once in each direction by the
    // two triangles that share it, and every face turns away from the centre.
    static void expectClosedAndOutward(const CollisionMesh& mesh)
    {
        const auto& indices = mesh.getIndices();
        Vector3 centre = Vector3::ZERO;
        for (int i = 0; i < mesh.getVertexCount(); ++i)
            centre += at(mesh, i);
        centre /= static_cast<float>(mesh.getVertexCount());

        std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
        for (std::size_t t = 0; t < indices.size(); t += 3) {
            const Vector3 a = at(mesh, indices[t]);
            const Vector3 b = at(mesh, indices[t + 1]);
            const Vector3 c = at(mesh, indices[t + 2]);
            EXPECT_GT((b - a).crossProduct(c - a).dotProduct((a + b + c) / 3 - centre), 0.0f)
                << "triangle " << t / 3;
            for (int k = 0; k < 3; ++k)
                ++edges[{indices[t + k], indices[t + (k + 1) % 3]}];
        }
        for (const auto& [edge, count] : edges) {
            EXPECT_EQ(1, count) << edge.first << "-" << edge.second;
            EXPECT_EQ(1u, edges.count({edge.second, edge.first})) << edge.first << "-" << edge.second;
        }
    }
};

TEST_F(WedgeHullMeshTest, HullsAreClosedOutwardAndPointForward)
{
    const CollisionMesh& hull = *meshCache.getMesh("wedge_hull.mesh", 0);
    EXPECT_EQ(50, hull.getVertexCount());
    EXPECT_EQ(96u * 3, hull.getIndices().size());
    expectClosedAndOutward(hull);
    const CollisionMesh& far = *meshCache.getMesh("wedge_hull_lod1.mesh", 0);
    EXPECT_EQ(6, far.getVertexCount());
    EXPECT_EQ(8u * 3, far.getIndices().size());
    expectClosedAndOutward(far);

    // The nose is the foremost point, on the axis: forward is -Z.
    Vector3 nose(0, 0, 1e9f);
    for (const CollisionMesh::Vertex& v : hull.getVertices()) {
        if (v.z < nose.z)
            nose = Vector3(v.x, v.y, v.z);
    }
    EXPECT_EQ(Vector3(0, 0, -6), nose);
}

} // namespace
} // namespace Tolvarine

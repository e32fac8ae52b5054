#include "CollisionMesh.h"
#include "CollisionMeshCache.h"
#include "InputHandler.h"
#include "PhysicsEngine.h"
#include "RenderingRoot.h"
#include "Scheduler.h"

#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreResourceGroupManager.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Test::RenderingRoot;

// With a real render system, meshes loaded for display keep no copy of their buffers in memory;
// the collision mesh must still read their triangles.
TEST(CollisionMeshWindowedTest, ReadsMeshesLoadedForDisplayWithoutShadowBuffers)
{
    if (!RenderingRoot::displayAvailable())
        GTEST_SKIP() << "needs a display";
    RenderingRoot root(RenderingRoot::Kind::Windowed);
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.createResourceGroup("Core");
    groups.addResourceLocation(std::string(TOLVARINE_SOURCE_DIR) + "/data/meshes", "FileSystem",
                               "Core");
    // Declared meshes are loaded with the group, as the game loads its meshes.
    for (const char* mesh : {"wedge_hull.mesh", "wedge_hull_lod1.mesh"})
        groups.declareResource(mesh, "Mesh", "Core");
    groups.initialiseResourceGroup("Core");
    groups.loadResourceGroup("Core");
    const Ogre::MeshPtr hull = Ogre::MeshManager::getSingleton().getByName("wedge_hull.mesh", "Core");
    ASSERT_TRUE(hull && hull->isLoaded());
    EXPECT_FALSE(hull->isVertexBufferShadowed());

    InputHandler input;
    Scheduler scheduler;
    PhysicsEngine engine;
    CollisionMeshCache cache;
    EXPECT_EQ(6, cache.getMesh("wedge_hull_lod1.mesh", 0)->getVertexCount());
    // The reduction reads the buffers of its copy as well.
    const CollisionMesh& reduced = *cache.getMesh("wedge_hull.mesh", 20);
    EXPECT_EQ(20, reduced.getVertexCount());
    for (const CollisionMesh::Vertex& v : reduced.getVertices())
        EXPECT_LE(Ogre::Vector3(v.x, v.y, v.z).length(), 6.0f);
}

} // namespace
} // namespace Tolvarine

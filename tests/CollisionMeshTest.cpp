#include "CollisionMesh.h"
#include "CollisionMeshCache.h"
#include "CollisionWorld.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "TestMeshes.h"

#include <OgreLodConfig.h>
#include <OgreMeshLodGenerator.h>
#include <OgreMeshManager.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Ogre::Vector3;
using Test::createMesh;
using Test::LogCapture;
using Test::MeshShape;
using Test::sphereShape;

Vector3 vertexAt(const CollisionMesh& mesh, std::uint32_t index)
{
    const CollisionMesh::Vertex& v = mesh.getVertices().at(index);
    return Vector3(v.x, v.y, v.z);
}

class CollisionMeshTest : public Test::CollisionWorld {
protected:
    // Every mesh the manager holds whose name ends in "/Collision".
    static std::vector<std::string> leftoverCopies()
    {
        std::vector<std::string> names;
        auto resources = Ogre::MeshManager::getSingleton().getResourceIterator();
        while (resources.hasMoreElements()) {
            const std::string name = resources.getNext()->getName();
            if (name.size() >= 10 && name.compare(name.size() - 10, 10, "/Collision") == 0)
                names.push_back(name);
        }
        return names;
    }
    // Whether every triangle names three different vertices that exist.
    static bool wellFormed(const CollisionMesh& mesh)
    {
        const auto& indices = mesh.getIndices();
        bool good = !indices.empty() && indices.size() % 3 == 0;
        for (std::size_t i = 0; good && i < indices.size(); i += 3)
            good = std::max({indices[i], indices[i + 1], indices[i + 2]}) < std::uint32_t(mesh.getVertexCount()) &&
                   indices[i] != indices[i + 1] && indices[i + 1] != indices[i + 2] && indices[i] != indices[i + 2];
        return good;
    }

    const MeshShape ball = sphereShape(10, 16, 2.0f); // 146 vertices, 288 triangles
};

TEST_F(CollisionMeshTest, KeepsUsedVerticesInOrder_ReducesTheFirstSubMeshOnce_IgnoresLevelsOfDetail)
{
    // Eight vertices; no triangle uses the vertices 2 and 5.
    MeshShape shape;
    shape.positions = {{0, 0, 0}, {1, 0, 0}, {9, 9, 9}, {0, 1, 0}, {1, 1, 0}, {8, 8, 8}, {0, 0, 1}, {1, 0, 1}};
    shape.indices = {0, 1, 3, 1, 4, 3, 0, 6, 1, 1, 6, 7, 3, 4, 6, 4, 7, 6, 0, 3, 6, 1, 7, 4, 0, 4, 7, 3, 1, 6};
    for (const std::string name : {"narrow.mesh", "wide.mesh"}) {
        SCOPED_TRACE(name);
        createMesh(name, "Core", shape, name == "wide.mesh");
        const CollisionMesh& mesh = *meshCache.getMesh(name, 0);
        EXPECT_EQ(6, mesh.getVertexCount());
        ASSERT_EQ(30u, mesh.getIndices().size());
        for (std::size_t i = 0; i < 30; ++i)
            EXPECT_EQ(shape.positions[shape.indices[i]], vertexAt(mesh, mesh.getIndices()[i])) << i;
    }
    // A second, larger sub-mesh must neither collide nor take any of the budget.
    const Ogre::MeshPtr source = createMesh("ball.mesh", "Core", ball);
    Tolvarine::Test::addSubMesh(*source, sphereShape(20, 30, 9.0f));
    const CollisionMesh* reduced = meshCache.getMesh("ball.mesh", 100);
    EXPECT_EQ(100, reduced->getVertexCount());
    EXPECT_TRUE(wellFormed(*reduced));
    for (const CollisionMesh::Vertex& v : reduced->getVertices())
        EXPECT_NEAR(2.0f, Vector3(v.x, v.y, v.z).length(), 1e-4f);
    EXPECT_EQ(1, source->getNumLodLevels()); // the display mesh itself is untouched
    EXPECT_EQ(reduced, meshCache.getMesh("ball.mesh", 0));

    // Levels of detail the mesh has already: without a budget the full first sub-mesh, with one the
    // budget counted on the full mesh. The smallest budget still leaves a triangle.
    createMesh("far.mesh", "Core", Tolvarine::Test::boxShape(Vector3(1, 1, 1)));
    Ogre::MeshLodGenerator generator;
    const std::tuple<const char*, bool, int, int> rows[] = {{"manual.mesh", true, 60, 60}, {"manual-full.mesh", true, 0, 146},
                                                            {"generated.mesh", false, 60, 60}, {"generated-full.mesh", false, 0, 146},
                                                            {"ball500.mesh", false, 500, 146}, {"ball1.mesh", false, 1, 3}};
    for (const auto& [name, manual, budget, vertices] : rows) {
        SCOPED_TRACE(name);
        Ogre::MeshPtr mesh = createMesh(name, "Core", ball);
        Ogre::LodConfig levels(mesh);
        if (manual) {
            levels.createManualLodLevel(500, "far.mesh");
            generator._generateManualLodLevels(levels);
        } else if (budget != 500 && budget != 1) {
            levels.createGeneratedLodLevel(300, 0.5f);
            generator.generateLodLevels(levels);
        }
        const CollisionMesh& collision = *meshCache.getMesh(name, budget);
        EXPECT_EQ(collision.getVertexCount(), vertices);
        EXPECT_TRUE(wellFormed(collision));
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(CollisionMeshTest, UnusableMeshesAreLoggedAndNeverCached)
{
    LogCapture log;
    const std::string failure = "CollisionMeshCache: the mesh nowhere.mesh could not be loaded: ";
    const auto failures = [&log, &failure] {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(), [&failure](const auto& line) { return line.rfind(failure, 0) == 0 && line.size() > failure.size(); });
    };
    EXPECT_THROW(meshCache.getMesh("nowhere.mesh", 0), ConfigurationError);
    EXPECT_EQ(1, failures());
    // No empty entry is left to trip later lookups, and a second request tries again.
    EXPECT_FALSE(Ogre::MeshManager::getSingleton().resourceExists("nowhere.mesh", Ogre::RGN_AUTODETECT));
    EXPECT_THROW(meshCache.getMesh("nowhere.mesh", 0), ConfigurationError);
    EXPECT_EQ(2, failures());
    createMesh("line.mesh", "Core", MeshShape{{{0, 0, 0}, {1, 0, 0}}, {0, 1}});
    EXPECT_THROW(meshCache.getMesh("line.mesh", 0), ConfigurationError);
    EXPECT_TRUE(log.contains("CollisionMeshCache: the mesh line.mesh has no triangles to collide with"));
    createMesh("ball.mesh", "Core", ball);
    EXPECT_THROW(meshCache.getMesh("ball.mesh", -5), ConfigurationError);
    EXPECT_TRUE(log.contains("CollisionMeshCache: the triangle budget of the mesh ball.mesh is negative"));
    EXPECT_EQ(146, meshCache.getMesh("ball.mesh", 0)->getVertexCount());
    EXPECT_TRUE(leftoverCopies().empty());
    EXPECT_THROW(CollisionMeshCache second, FatalError) << "one cache at a time";
    EXPECT_EQ(&meshCache, CollisionMeshCache::getSingletonPtr());
}

TEST(CollisionMeshCacheTest, AskedForBeforeItExistsFails)
{
    LogCapture log;
    EXPECT_THROW(CollisionMeshCache::getSingleton(), FatalError);
    EXPECT_TRUE(log.contains("The collision mesh cache does not exist"));
}

} // namespace
} // namespace Tolvarine

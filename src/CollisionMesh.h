#pragma once

#include <ode/common.h>
#include <ode/collision_trimesh.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tolvarine {

// The triangles that one rendering mesh collides with: a compact vertex list (only the vertices
// the triangles use) and three indices per triangle, taken from the mesh's first sub-mesh and
// optionally thinned by the rendering engine's progressive reduction. It also holds the collision
// library's triangle-mesh data over those lists, built once and shared by every triangle-mesh
// geometry of that mesh. Immutable once built.
class CollisionMesh {
public:
    // One vertex in the single-precision layout the collision library reads.
    struct Vertex {
        float x;
        float y;
        float z;
        float padding;
    };

    // Builds the lists from the mesh `meshName` through a temporary copy named meshName +
    // "/Collision", which is gone again when the constructor returns, whatever happens.
    // triangleBudget 0 keeps every triangle; otherwise the copy is reduced until about
    // triangleBudget vertices are left (a budget at or above the vertex count keeps the full mesh).
    // A mesh that cannot be loaded or has nothing to collide with is logged and raises
    // ConfigurationError.
    CollisionMesh(const std::string& meshName, int triangleBudget);
    ~CollisionMesh();
    CollisionMesh(const CollisionMesh&) = delete;
    CollisionMesh& operator=(const CollisionMesh&) = delete;

    const std::vector<Vertex>& getVertices() const { return vertices; }
    int getVertexCount() const { return static_cast<int>(vertices.size()); }
    const std::vector<std::uint32_t>& getIndices() const { return indices; }
    dTriMeshDataID getTriMeshData() const { return data; }

private:
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> indices;
    dTriMeshDataID data = nullptr;
};

} // namespace Tolvarine

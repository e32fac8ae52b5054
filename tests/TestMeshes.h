#pragma once

#include <OgreMesh.h>
#include <OgreVector.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// The triangles of a test mesh: positions and three indices per triangle.
struct MeshShape {
    std::vector<Ogre::Vector3> positions;
    std::vector<std::uint32_t> indices;
};

// A closed sphere of `rings` bands and `segments` slices, each vertex at its own place.
MeshShape sphereShape(int rings, int segments, float radius);
// A closed box of 8 corners and 12 triangles around the origin.
MeshShape boxShape(const Ogre::Vector3& halfSize);

// Creates and loads a mesh in the mesh manager whose one sub-mesh holds `shape` (positions and
// normals in two buffers, 16-bit indices unless `wideIndices`), with the material "BaseWhite".
Ogre::MeshPtr createMesh(const std::string& name, const std::string& group, const MeshShape& shape, bool wideIndices = false);
// Appends a sub-mesh with its own vertices to a mesh made by createMesh.
void addSubMesh(Ogre::Mesh& mesh, const MeshShape& shape);

} // namespace Tolvarine::Test

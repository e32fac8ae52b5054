#include "CollisionMesh.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "MeshLoader.h"
#include "PhysicsEngine.h"

#include <OgreException.h>
#include <OgreHardwareBuffer.h>
#include <OgreHardwareIndexBuffer.h>
#include <OgreHardwareVertexBuffer.h>
#include <OgreLodConfig.h>
#include <OgreMeshLodGenerator.h>
#include <OgreMeshManager.h>
#include <OgreSubMesh.h>
#include <OgreVector.h>

#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

namespace Tolvarine {

namespace {

static_assert(sizeof(CollisionMesh::Vertex) == 4 * sizeof(float),
              "the collision library reads four floats per vertex");
static_assert(sizeof(dTriIndex) == sizeof(std::uint32_t),
              "the collision library reads 32-bit indices");

const std::string USER = "CollisionMeshCache";
// The reduced level is generated for this distance; only its triangles matter here.
constexpr Ogre::Real REDUCED_LEVEL_DISTANCE = 1000;
// A reduction never goes below one triangle.
constexpr std::size_t MIN_KEPT_VERTICES = 3;

[[noreturn]] void fail(const std::string& text)
{
    GameLog::line(USER + ": " + text);
    throw ConfigurationError();
}

// The temporary copy that the reduction works on; it leaves the mesh manager on every way out.
class TemporaryCopy {
public:
    TemporaryCopy(const Ogre::MeshPtr& source, const std::string& meshName)
    {
        try {
            mesh = source->clone(meshName + "/Collision");
        } catch (const Ogre::Exception& error) {
            fail("the mesh " + meshName + " could not be copied: " + error.getDescription());
        }
    }
    ~TemporaryCopy() { Ogre::MeshManager::getSingleton().remove(mesh); }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    Ogre::MeshPtr& get() { return mesh; }

private:
    Ogre::MeshPtr mesh;
};

const Ogre::VertexData& vertexDataOf(const Ogre::Mesh& mesh, const Ogre::SubMesh& subMesh,
                                     const std::string& meshName)
{
    const Ogre::VertexData* data = subMesh.useSharedVertices ? mesh.sharedVertexData
                                                             : subMesh.vertexData;
    if (!data || data->vertexCount == 0)
        fail("the mesh " + meshName + " has no vertices to collide with");
    return *data;
}

// Every vertex position of the vertex data, in buffer order.
std::vector<Ogre::Vector3> readPositions(const Ogre::VertexData& data, const std::string& meshName)
{
    const Ogre::VertexElement* element =
        data.vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION);
    if (!element || element->getType() != Ogre::VET_FLOAT3)
        fail("the positions of the mesh " + meshName + " are not three floats each");
    const Ogre::HardwareVertexBufferSharedPtr buffer =
        data.vertexBufferBinding->getBuffer(element->getSource());
    const std::size_t vertexSize = buffer->getVertexSize();

    std::vector<Ogre::Vector3> positions;
    positions.reserve(data.vertexCount);
    Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
    auto* vertex = static_cast<unsigned char*>(lock.pData) + data.vertexStart * vertexSize;
    for (std::size_t i = 0; i < data.vertexCount; ++i, vertex += vertexSize) {
        float* position = nullptr;
        element->baseVertexPointerToElement(vertex, &position);
        positions.emplace_back(position[0], position[1], position[2]);
    }
    return positions;
}

// The number of different places among the positions: the vertex count the reduction works with,
// since it joins vertices that share a place (as split normals or texture seams make them).
std::size_t countPlaces(const std::vector<Ogre::Vector3>& positions)
{
    std::set<std::tuple<float, float, float>> places;
    for (const Ogre::Vector3& p : positions)
        places.emplace(p.x, p.y, p.z);
    return places.size();
}

// Generates one reduced level on the copy with `reduction` fewer vertices. Returns whether a
// level was made.
bool generateReducedLevel(Ogre::MeshPtr& copy, std::size_t reduction)
{
    Ogre::LodConfig config(copy);
    config.advanced.useCompression = false;
    config.createGeneratedLodLevel(REDUCED_LEVEL_DISTANCE, static_cast<Ogre::Real>(reduction),
                                   Ogre::LodLevel::VRM_CONSTANT);
    // The generator is a singleton of the rendering engine; one is made for the occasion when
    // the program has none.
    std::optional<Ogre::MeshLodGenerator> ownGenerator;
    if (!Ogre::MeshLodGenerator::getSingletonPtr())
        ownGenerator.emplace();
    Ogre::MeshLodGenerator::getSingleton().generateLodLevels(config);
    return copy->getNumLodLevels() > 1 && !copy->getSubMesh(0)->mLodFaceList.empty();
}

// Reduces the copy so that about `budget` vertices are left, and returns the index data to read:
// the generated level's, or the full sub-mesh's when nothing needed to go.
const Ogre::IndexData& reduce(Ogre::MeshPtr& copy, int budget, std::size_t places)
{
    Ogre::SubMesh& subMesh = *copy->getSubMesh(0);
    const auto kept = static_cast<std::size_t>(budget);
    if (places <= kept || places <= MIN_KEPT_VERTICES)
        return *subMesh.indexData;
    const std::size_t reduction = places - std::max(kept, MIN_KEPT_VERTICES);

    // Levels the mesh brought along (its own or other meshes as levels) are not ours to read,
    // and the other sub-meshes would take their share of the reduction.
    copy->removeLodLevels();
    while (copy->getNumSubMeshes() > 1)
        copy->destroySubMesh(copy->getNumSubMeshes() - 1);
    if (!generateReducedLevel(copy, reduction))
        return *subMesh.indexData;
    return *subMesh.mLodFaceList.front();
}

std::vector<std::uint32_t> readIndices(const Ogre::IndexData& data, const std::string& meshName)
{
    const std::size_t count = data.indexCount - data.indexCount % 3;
    if (!data.indexBuffer || count == 0)
        fail("the mesh " + meshName + " has no triangles to collide with");
    std::vector<std::uint32_t> indices;
    indices.reserve(count);
    Ogre::HardwareBufferLockGuard lock(data.indexBuffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
    if (data.indexBuffer->getType() == Ogre::HardwareIndexBuffer::IT_32BIT) {
        const auto* source = static_cast<const std::uint32_t*>(lock.pData) + data.indexStart;
        indices.assign(source, source + count);
    } else {
        const auto* source = static_cast<const std::uint16_t*>(lock.pData) + data.indexStart;
        indices.assign(source, source + count);
    }
    return indices;
}

} // namespace

CollisionMesh::CollisionMesh(const std::string& meshName, int triangleBudget)
{
    if (triangleBudget < 0)
        fail("the triangle budget of the mesh " + meshName + " is negative");
    const Ogre::MeshPtr source =
        MeshLoader::load(meshName, Ogre::RGN_AUTODETECT, true, USER);
    if (source->getNumSubMeshes() == 0)
        fail("the mesh " + meshName + " has no triangles to collide with");

    TemporaryCopy copy(source, meshName);
    const Ogre::SubMesh& subMesh = *copy.get()->getSubMesh(0);
    if (subMesh.operationType != Ogre::RenderOperation::OT_TRIANGLE_LIST)
        fail("the first sub-mesh of the mesh " + meshName + " is not a list of triangles");
    // Read before any reduction: the reduction leaves the vertices as they are.
    const std::vector<Ogre::Vector3> positions =
        readPositions(vertexDataOf(*copy.get(), subMesh, meshName), meshName);
    const Ogre::IndexData& triangles =
        triangleBudget == 0 ? *subMesh.indexData
                            : reduce(copy.get(), triangleBudget, countPlaces(positions));
    indices = readIndices(triangles, meshName);

    // Only the vertices that the triangles use are kept, in buffer order.
    constexpr std::uint32_t UNUSED = ~std::uint32_t(0);
    std::vector<std::uint32_t> newIndex(positions.size(), UNUSED);
    for (const std::uint32_t index : indices) {
        if (index >= positions.size())
            fail("the mesh " + meshName + " has an index beyond its vertices");
        newIndex[index] = 0;
    }
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (newIndex[i] == UNUSED)
            continue;
        newIndex[i] = static_cast<std::uint32_t>(vertices.size());
        vertices.push_back({positions[i].x, positions[i].y, positions[i].z, 0.0f});
    }
    for (std::uint32_t& index : indices)
        index = newIndex[index];

    PhysicsEngine::initialiseLibrary();
    data = dGeomTriMeshDataCreate();
    dGeomTriMeshDataBuildSingle(data, vertices.data(), sizeof(Vertex),
                                static_cast<int>(vertices.size()), indices.data(),
                                static_cast<int>(indices.size()), 3 * sizeof(dTriIndex));
}

CollisionMesh::~CollisionMesh()
{
    dGeomTriMeshDataDestroy(data);
}

} // namespace Tolvarine

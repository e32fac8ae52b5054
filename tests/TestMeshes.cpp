#include "TestMeshes.h"

#include <OgreHardwareBufferManager.h>
#include <OgreMeshManager.h>
#include <OgreSubMesh.h>

#include <cmath>

namespace Tolvarine::Test {

namespace {

Ogre::HardwareVertexBufferSharedPtr vertexBuffer(const std::vector<Ogre::Vector3>& values)
{
    auto buffer = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        sizeof(float) * 3, values.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
    std::vector<float> floats;
    for (const Ogre::Vector3& v : values)
        floats.insert(floats.end(), {v.x, v.y, v.z});
    buffer->writeData(0, floats.size() * sizeof(float), floats.data());
    return buffer;
}

void fillSubMesh(Ogre::SubMesh& subMesh, const MeshShape& shape, bool wideIndices)
{
    subMesh.useSharedVertices = false;
    subMesh.vertexData = new Ogre::VertexData();
    subMesh.vertexData->vertexCount = shape.positions.size();
    // Normals first and positions in a second buffer, so readers must find the position element.
    Ogre::VertexDeclaration* declaration = subMesh.vertexData->vertexDeclaration;
    declaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_NORMAL);
    declaration->addElement(1, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
    std::vector<Ogre::Vector3> normals;
    for (const Ogre::Vector3& p : shape.positions)
        normals.push_back(p.normalisedCopy());
    subMesh.vertexData->vertexBufferBinding->setBinding(0, vertexBuffer(normals));
    subMesh.vertexData->vertexBufferBinding->setBinding(1, vertexBuffer(shape.positions));

    const auto type = wideIndices ? Ogre::HardwareIndexBuffer::IT_32BIT : Ogre::HardwareIndexBuffer::IT_16BIT;
    auto indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(type, shape.indices.size(),
                                                                                     Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
    const std::vector<std::uint16_t> narrow(shape.indices.begin(), shape.indices.end());
    indexBuffer->writeData(0, indexBuffer->getSizeInBytes(), wideIndices ? static_cast<const void*>(shape.indices.data()) : narrow.data());
    subMesh.indexData->indexBuffer = indexBuffer;
    subMesh.indexData->indexStart = 0, subMesh.indexData->indexCount = shape.indices.size();
    subMesh.setMaterialName("BaseWhite");
}

void setBounds(Ogre::Mesh& mesh, const MeshShape& shape)
{
    Ogre::AxisAlignedBox box = mesh.getBounds();
    for (const Ogre::Vector3& p : shape.positions)
        box.merge(p);
    mesh._setBounds(box);
    mesh._setBoundingSphereRadius(std::max(box.getMinimum().length(), box.getMaximum().length()));
}

} // namespace

MeshShape sphereShape(int rings, int segments, float radius)
{
    MeshShape shape;
    shape.positions.emplace_back(0, radius, 0);
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const float theta = Ogre::Math::PI * r / rings, phi = Ogre::Math::TWO_PI * s / segments;
            shape.positions.emplace_back(radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta), radius * std::sin(theta) * std::sin(phi));
        }
    shape.positions.emplace_back(0, -radius, 0);
    const auto ring = [segments](int r, int s) { return static_cast<std::uint32_t>(1 + (r - 1) * segments + (s % segments)); };
    const auto last = static_cast<std::uint32_t>(shape.positions.size() - 1);
    for (int s = 0; s < segments; ++s)
        shape.indices.insert(shape.indices.end(), {0, ring(1, s + 1), ring(1, s)});
    for (int r = 1; r < rings - 1; ++r)
        for (int s = 0; s < segments; ++s)
            shape.indices.insert(shape.indices.end(), {ring(r, s), ring(r, s + 1), ring(r + 1, s), ring(r, s + 1), ring(r + 1, s + 1), ring(r + 1, s)});
    for (int s = 0; s < segments; ++s)
        shape.indices.insert(shape.indices.end(), {last, ring(rings - 1, s), ring(rings - 1, s + 1)});
    return shape;
}

MeshShape boxShape(const Ogre::Vector3& h)
{
    MeshShape shape;
    for (int i = 0; i < 8; ++i)
        shape.positions.emplace_back(i & 1 ? h.x : -h.x, i & 2 ? h.y : -h.y, i & 4 ? h.z : -h.z);
    shape.indices = {0, 2, 1, 1, 2, 3,  4, 5, 6, 5, 7, 6,  0, 1, 4, 1, 5, 4,
                     2, 6, 3, 3, 6, 7,  0, 4, 2, 2, 4, 6,  1, 3, 5, 3, 7, 5};
    return shape;
}

Ogre::MeshPtr createMesh(const std::string& name, const std::string& group, const MeshShape& shape, bool wideIndices)
{
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(name, group);
    fillSubMesh(*mesh->createSubMesh(), shape, wideIndices);
    mesh->_setBounds(Ogre::AxisAlignedBox::BOX_NULL);
    setBounds(*mesh, shape);
    mesh->load();
    return mesh;
}

void addSubMesh(Ogre::Mesh& mesh, const MeshShape& shape)
{
    fillSubMesh(*mesh.createSubMesh(), shape, false);
    setBounds(mesh, shape);
}

} // namespace Tolvarine::Test

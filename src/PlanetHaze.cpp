#include "PlanetHaze.h"

#include "CodeNames.h"

#include <OgreHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreMath.h>
#include <OgreNode.h>
#include <OgreQuaternion.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Tolvarine {

namespace {

const char* const MATERIAL_NAME = CodeNames::PLANET_HAZE.name;

// One vertex: position (three floats), packed colour, texture coordinates (two floats).
struct HazeVertex {
    float position[3];
    Ogre::uint32 colour;
    float uv[2];
};

} // namespace

PlanetHaze::PlanetHaze(const std::string& name, float size, const Ogre::ColourValue& colour, unsigned segments)
    : Ogre::SimpleRenderable(name)
{
    setMaterial(Ogre::MaterialManager::getSingleton().getByName(MATERIAL_NAME, Ogre::RGN_AUTODETECT));
    setQueryFlags(0);
    fillVertices(size, colour, segments);
}

PlanetHaze::~PlanetHaze()
{
    delete mRenderOp.vertexData;
}

double PlanetHaze::discRadius(double hazeRadius, double distance)
{
    return std::tan(std::asin(hazeRadius / distance)) * (distance - hazeRadius);
}

void PlanetHaze::fillVertices(float size, const Ogre::ColourValue& colour, unsigned segments)
{
    const std::size_t count = segments + 2;
    auto* data = new Ogre::VertexData();
    mRenderOp.vertexData = data;
    mRenderOp.operationType = Ogre::RenderOperation::OT_TRIANGLE_FAN;
    mRenderOp.useIndexes = false;
    data->vertexStart = 0;
    data->vertexCount = count;

    const Ogre::VertexElementType colourType = Ogre::VertexElement::getBestColourVertexElementType();
    Ogre::VertexDeclaration* declaration = data->vertexDeclaration;
    std::size_t offset = declaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION).getSize();
    offset += declaration->addElement(0, offset, colourType, Ogre::VES_DIFFUSE).getSize();
    declaration->addElement(0, offset, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES);
    static_assert(sizeof(HazeVertex) == 24, "the haze vertex is packed as its declaration says");

    const Ogre::HardwareVertexBufferSharedPtr buffer = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        sizeof(HazeVertex), count, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    data->vertexBufferBinding->setBinding(0, buffer);

    const Ogre::uint32 packed = Ogre::VertexElement::convertColourValue(colour, colourType);
    std::vector<HazeVertex> vertices(count);
    vertices[0] = {{0.0f, 0.0f, 0.0f}, packed, {0.0f, 0.0f}};
    mBox.setExtents(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO);
    const Ogre::Radian step(Ogre::Math::TWO_PI / static_cast<float>(segments));
    // The rim goes once round, the last vertex on the first, so that the fan closes.
    for (unsigned i = 0; i <= segments; ++i) {
        const Ogre::Vector3 rim =
            Ogre::Quaternion(step * static_cast<float>(i), Ogre::Vector3::NEGATIVE_UNIT_Z) * Ogre::Vector3::UNIT_X * size;
        vertices[i + 1] = {{rim.x, rim.y, rim.z}, packed, {1.0f, 0.0f}};
        mBox.merge(rim);
    }
    buffer->writeData(0, buffer->getSizeInBytes(), vertices.data(), true);
}

Ogre::Real PlanetHaze::getBoundingRadius() const
{
    return std::max(mBox.getMinimum().length(), mBox.getMaximum().length());
}

Ogre::Real PlanetHaze::getSquaredViewDepth(const Ogre::Camera* camera) const
{
    const Ogre::Node* node = getParentNode();
    return node ? node->getSquaredViewDepth(camera) : 0.0f;
}

} // namespace Tolvarine

#include "BeamBillboard.h"

#include "ConfigurationError.h"
#include "GameLog.h"

#include <OgreCamera.h>
#include <OgreHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreRenderQueue.h>
#include <OgreSceneNode.h>

#include <cstring>

namespace Tolvarine {

namespace {

const unsigned short SOURCE = 0;

} // namespace

const char* const BeamBillboard::MOVABLE_TYPE = "BeamBillboard";

const std::array<Ogre::Vector2, BeamBillboard::VERTEX_COUNT> BeamBillboard::TEXTURE_COORDINATES = {
    Ogre::Vector2(0.5f, 1.0f), Ogre::Vector2(0.0f, 0.5f), Ogre::Vector2(0.0f, 1.0f), Ogre::Vector2(0.0f, 1.0f),
    Ogre::Vector2(1.0f, 0.5f), Ogre::Vector2(0.5f, 0.0f), Ogre::Vector2(1.0f, 0.0f)};

const std::array<Ogre::uint16, BeamBillboard::INDEX_COUNT> BeamBillboard::INDICES = {0, 1, 2, 1, 0, 3, 0, 4,
                                                                                     1, 1, 4, 5, 5, 4, 6};

BeamBillboard::BeamBillboard(const std::string& name) : Ogre::MovableObject(name)
{
    // Scene queries look for game objects, never for a strip of light.
    setQueryFlags(0);
    material = Ogre::MaterialManager::getSingleton().getByName("BaseWhiteNoLighting");
    boundingBox.setInfinite();

    vertexData = new Ogre::VertexData();
    vertexData->vertexStart = 0;
    vertexData->vertexCount = VERTEX_COUNT;
    Ogre::VertexDeclaration* declaration = vertexData->vertexDeclaration;
    std::size_t offset = 0;
    offset += declaration->addElement(SOURCE, offset, Ogre::VET_FLOAT3, Ogre::VES_POSITION).getSize();
    offset += declaration->addElement(SOURCE, offset, Ogre::VET_COLOUR, Ogre::VES_DIFFUSE).getSize();
    declaration->addElement(SOURCE, offset, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0);
    Ogre::HardwareVertexBufferSharedPtr vertices = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        declaration->getVertexSize(SOURCE), VERTEX_COUNT, Ogre::HardwareBuffer::HBU_DYNAMIC_WRITE_ONLY_DISCARDABLE);
    vertexData->vertexBufferBinding->setBinding(SOURCE, vertices);

    indexData = new Ogre::IndexData();
    indexData->indexStart = 0;
    indexData->indexCount = INDEX_COUNT;
    indexData->indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        Ogre::HardwareIndexBuffer::IT_16BIT, INDEX_COUNT, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
    indexData->indexBuffer->writeData(0, indexData->indexBuffer->getSizeInBytes(), INDICES.data(), true);

    writeVertices(computeVertices(start, end, Ogre::Vector3::UNIT_Z, Ogre::Vector3::NEGATIVE_UNIT_Z, width));
}

BeamBillboard::~BeamBillboard()
{
    delete vertexData;
    delete indexData;
}

void BeamBillboard::setMaterial(const std::string& materialName)
{
    Ogre::MaterialPtr found = Ogre::MaterialManager::getSingleton().getByName(materialName);
    if (!found) {
        GameLog::line("BeamBillboard " + getName() + ": unknown material "
                      + materialName);
        throw ConfigurationError();
    }
    found->load();
    material = found;
}

std::array<Ogre::Vector3, BeamBillboard::VERTEX_COUNT> BeamBillboard::computeVertices(
    const Ogre::Vector3& worldStart, const Ogre::Vector3& worldEnd, const Ogre::Vector3& cameraPosition,
    const Ogre::Vector3& cameraDirection, float width)
{
    const Ogre::Vector3 along = worldEnd - worldStart;
    const Ogre::Vector3 view = cameraDirection.normalisedCopy();
    Ogre::Vector3 y = (worldStart - cameraPosition).crossProduct(along).crossProduct(view);
    // Seen end-on, or from on its line, the strip has no screen direction: any one across the view does.
    if (y.squaredLength() < 1e-12f)
        y = view.perpendicular();
    y.normalise();
    const Ogre::Vector3 x = view.crossProduct(y);
    return {worldStart + x * width,   worldStart - x * width, worldStart - y * width, worldStart + y * width,
            worldEnd + x * width,     worldEnd - x * width,   worldEnd + y * width};
}

void BeamBillboard::writeVertices(const std::array<Ogre::Vector3, VERTEX_COUNT>& positions)
{
    const Ogre::HardwareVertexBufferSharedPtr& buffer = vertexData->vertexBufferBinding->getBuffer(SOURCE);
    const Ogre::uint32 packed =
        Ogre::VertexElement::convertColourValue(colour, Ogre::VertexElement::getBestColourVertexElementType());
    auto* data = static_cast<unsigned char*>(buffer->lock(Ogre::HardwareBuffer::HBL_DISCARD));
    const std::size_t stride = buffer->getVertexSize();
    for (std::size_t i = 0; i < VERTEX_COUNT; ++i) {
        unsigned char* vertex = data + i * stride;
        const float position[3] = {positions[i].x, positions[i].y, positions[i].z};
        std::memcpy(vertex, position, sizeof(position));
        std::memcpy(vertex + sizeof(position), &packed, sizeof(packed));
        const float uv[2] = {TEXTURE_COORDINATES[i].x, TEXTURE_COORDINATES[i].y};
        std::memcpy(vertex + sizeof(position) + sizeof(packed), uv, sizeof(uv));
    }
    buffer->unlock();
}

void BeamBillboard::_notifyCurrentCamera(Ogre::Camera* camera)
{
    Ogre::MovableObject::_notifyCurrentCamera(camera);
    Ogre::SceneNode* node = getParentSceneNode();
    if (!node || !camera)
        return;
    const Ogre::Quaternion orientation = node->_getDerivedOrientation();
    const Ogre::Vector3 position = node->_getDerivedPosition();
    writeVertices(computeVertices(orientation * start + position, orientation * end + position,
                                  camera->getDerivedPosition(), camera->getDerivedDirection(), width));
}

const Ogre::String& BeamBillboard::getMovableType() const
{
    static const Ogre::String type = MOVABLE_TYPE;
    return type;
}

Ogre::Real BeamBillboard::getBoundingRadius() const
{
    if (boundingBox.isInfinite())
        return std::numeric_limits<Ogre::Real>::infinity();
    return std::max(boundingBox.getMinimum().length(), boundingBox.getMaximum().length());
}

void BeamBillboard::_updateRenderQueue(Ogre::RenderQueue* queue)
{
    if (mRenderQueueIDSet)
        queue->addRenderable(this, mRenderQueueID);
    else
        queue->addRenderable(this);
}

void BeamBillboard::visitRenderables(Ogre::Renderable::Visitor* visitor, bool)
{
    visitor->visit(this, 0, false);
}

void BeamBillboard::getRenderOperation(Ogre::RenderOperation& operation)
{
    operation.operationType = Ogre::RenderOperation::OT_TRIANGLE_LIST;
    operation.useIndexes = true;
    operation.vertexData = vertexData;
    operation.indexData = indexData;
}

void BeamBillboard::getWorldTransforms(Ogre::Matrix4* transform) const
{
    *transform = Ogre::Matrix4::IDENTITY;
}

Ogre::Real BeamBillboard::getSquaredViewDepth(const Ogre::Camera* camera) const
{
    // The centre of an infinite box is meaningless; the strip's own middle stands for it then.
    Ogre::Vector3 centre = (start + end) * 0.5f;
    if (!boundingBox.isInfinite())
        centre = boundingBox.getCenter();
    else if (const Ogre::SceneNode* node = getParentSceneNode())
        centre = node->_getDerivedOrientation() * centre + node->_getDerivedPosition();
    return (camera->getDerivedPosition() - centre).squaredLength();
}

const Ogre::LightList& BeamBillboard::getLights() const
{
    return queryLights();
}

} // namespace Tolvarine

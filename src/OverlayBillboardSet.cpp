#include "OverlayBillboardSet.h"

#include "OverlayBillboard.h"

#include <OgreException.h>
#include <OgreHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreMatrix4.h>
#include <OgreRenderOperation.h>
#include <OgreRenderQueue.h>
#include <OgreVertexIndexData.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <type_traits>

namespace Tolvarine {

namespace {

// One vertex as the buffer holds it: 24 bytes.
struct Vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};
static_assert(sizeof(Vertex) == 24, "the vertex declaration assumes 24-byte vertices");

const unsigned verticesPerBillboard = 4;
const unsigned indicesPerBillboard = 6;
// 16-bit indices reach 65536 vertices; larger pools need 32-bit ones.
const unsigned maxPoolFor16BitIndices = 65536 / verticesPerBillboard;

const OverlayBillboardSet::TextureRect fullTexture{0.0f, 1.0f, 1.0f, 0.0f};

template <typename Iterator>
Iterator nthActive(Iterator begin, Iterator end, unsigned index, unsigned count)
{
    // Walk from whichever end of the list is nearer.
    if (index <= count / 2)
        return std::next(begin, index);
    return std::prev(end, count - index);
}

} // namespace

OverlayBillboardSet::OverlayBillboardSet(const std::string& name, unsigned poolSizeIn)
    : Ogre::MovableObject(name)
{
    setUseIdentityProjection(true);
    setUseIdentityView(true);
    setMaterialName("BaseWhite");
    setTextureStacksAndSlices(1, 1);
    setPoolSize(poolSizeIn);
    updateBounds();
}

OverlayBillboardSet::~OverlayBillboardSet()
{
    for (OverlayBillboard* billboard : billboardPool)
        delete billboard;
    destroyBuffers();
}

const Ogre::String& OverlayBillboardSet::getMovableType() const
{
    static const Ogre::String movableType = "OverlayBillboardSet";
    return movableType;
}

void OverlayBillboardSet::_notifyCurrentCamera(Ogre::Camera*)
{
    // The camera does not matter: the set is drawn in screen space.
    if (!buffersCreated)
        createBuffers();
    if (updateNeeded && buffersCreated)
        updateVertices();
}

const Ogre::AxisAlignedBox& OverlayBillboardSet::getBoundingBox() const
{
    return boundingBox;
}

Ogre::Real OverlayBillboardSet::getBoundingRadius() const
{
    return boundingRadius;
}

void OverlayBillboardSet::_updateRenderQueue(Ogre::RenderQueue* queue)
{
    if (mRenderQueueIDSet)
        queue->addRenderable(this, mRenderQueueID);
    else
        queue->addRenderable(this);
}

void OverlayBillboardSet::visitRenderables(Ogre::Renderable::Visitor* visitor, bool)
{
    visitor->visit(this, 0, false);
}

const Ogre::MaterialPtr& OverlayBillboardSet::getMaterial() const
{
    return material;
}

void OverlayBillboardSet::getRenderOperation(Ogre::RenderOperation& op)
{
    // Normally the camera notification made the buffers already; a caller that asks earlier
    // still gets a drawable operation rather than null data.
    _notifyCurrentCamera(nullptr);
    const unsigned count = getNumBillboards();
    op.operationType = Ogre::RenderOperation::OT_TRIANGLE_LIST;
    op.useIndexes = true;
    op.vertexData = vertexData;
    op.indexData = indexData;
    if (vertexData) {
        vertexData->vertexStart = 0;
        vertexData->vertexCount = count * verticesPerBillboard;
    }
    if (indexData) {
        indexData->indexStart = 0;
        indexData->indexCount = count * indicesPerBillboard;
    }
}

void OverlayBillboardSet::getWorldTransforms(Ogre::Matrix4* xform) const
{
    *xform = Ogre::Matrix4::IDENTITY;
}

Ogre::Real OverlayBillboardSet::getSquaredViewDepth(const Ogre::Camera*) const
{
    return 0.0f;
}

const Ogre::LightList& OverlayBillboardSet::getLights() const
{
    return queryLights();
}

void OverlayBillboardSet::increasePool(unsigned size)
{
    const std::size_t oldSize = billboardPool.size();
    if (size <= oldSize)
        return;
    billboardPool.reserve(size);
    for (std::size_t i = oldSize; i < size; ++i)
        billboardPool.push_back(new OverlayBillboard(Ogre::Vector3::ZERO, *this));
}

unsigned OverlayBillboardSet::getNumBillboards() const
{
    return static_cast<unsigned>(activeBillboards.size());
}

void OverlayBillboardSet::setAutoextend(bool autoextendIn)
{
    autoextend = autoextendIn;
}

bool OverlayBillboardSet::getAutoextend() const
{
    return autoextend;
}

void OverlayBillboardSet::setPoolSize(unsigned size)
{
    const std::size_t oldSize = billboardPool.size();
    if (size <= oldSize)
        return;
    increasePool(size);
    for (std::size_t i = oldSize; i < size; ++i)
        freeBillboards.push_back(billboardPool[i]);
    poolSize = size;
    destroyBuffers();
    // The new buffers start empty: the active billboards must be written again before drawing.
    updateNeeded = true;
}

unsigned OverlayBillboardSet::getPoolSize() const
{
    return static_cast<unsigned>(billboardPool.size());
}

void OverlayBillboardSet::clear()
{
    freeBillboards.insert(freeBillboards.end(), activeBillboards.begin(), activeBillboards.end());
    activeBillboards.clear();
    updateNeeded = true;
    updateBounds();
}

OverlayBillboard* OverlayBillboardSet::getBillboard(unsigned index) const
{
    const unsigned count = getNumBillboards();
    if (index >= count)
        return nullptr;
    return *nthActive(activeBillboards.begin(), activeBillboards.end(), index, count);
}

void OverlayBillboardSet::removeBillboard(OverlayBillboard* billboard)
{
    const auto found = std::find(activeBillboards.begin(), activeBillboards.end(), billboard);
    if (found == activeBillboards.end())
        return;
    activeBillboards.erase(found);
    freeBillboards.push_back(billboard);
    updateNeeded = true;
    updateBounds();
}

void OverlayBillboardSet::removeBillboard(unsigned index)
{
    const unsigned count = getNumBillboards();
    if (index >= count)
        return;
    const auto found = nthActive(activeBillboards.begin(), activeBillboards.end(), index, count);
    OverlayBillboard* billboard = *found;
    activeBillboards.erase(found);
    freeBillboards.push_back(billboard);
    updateNeeded = true;
    updateBounds();
}

void OverlayBillboardSet::setBillboardOrigin(BillboardOrigin originIn)
{
    origin = originIn;
    updateNeeded = true;
}

OverlayBillboardSet::BillboardOrigin OverlayBillboardSet::getBillboardOrigin() const
{
    return origin;
}

void OverlayBillboardSet::setDefaultDimensions(float width, float height)
{
    defaultWidth = width;
    defaultHeight = height;
    updateNeeded = true;
}

void OverlayBillboardSet::setDefaultWidth(float width)
{
    defaultWidth = width;
    updateNeeded = true;
}

float OverlayBillboardSet::getDefaultWidth() const
{
    return defaultWidth;
}

void OverlayBillboardSet::setDefaultHeight(float height)
{
    defaultHeight = height;
    updateNeeded = true;
}

float OverlayBillboardSet::getDefaultHeight() const
{
    return defaultHeight;
}

void OverlayBillboardSet::setMaterialName(const std::string& name)
{
    materialName = name;
    material = Ogre::MaterialManager::getSingleton().getByName(name);
    if (!material) {
        OGRE_EXCEPT(Ogre::Exception::ERR_ITEM_NOT_FOUND, "Could not find material " + name,
                    "OverlayBillboardSet::setMaterialName");
    }
    material->load();
    updateNeeded = true;
}

const std::string& OverlayBillboardSet::getMaterialName() const
{
    return materialName;
}

void OverlayBillboardSet::_notifyBillboardResized()
{
    updateNeeded = true;
}

void OverlayBillboardSet::setTextureCoords(const TextureRect* rectangles, std::uint16_t count)
{
    if (!rectangles || count == 0) {
        setTextureStacksAndSlices(1, 1);
        return;
    }
    textureCoords.assign(rectangles, rectangles + count);
    updateNeeded = true;
}

void OverlayBillboardSet::setTextureStacksAndSlices(std::uint8_t stacks, std::uint8_t slices)
{
    const unsigned rows = stacks == 0 ? 1 : stacks;
    const unsigned columns = slices == 0 ? 1 : slices;
    textureCoords.clear();
    textureCoords.reserve(rows * columns);
    for (unsigned row = 0; row < rows; ++row) {
        for (unsigned column = 0; column < columns; ++column) {
            textureCoords.push_back(TextureRect{
                static_cast<float>(column) / columns,
                static_cast<float>(rows - row) / rows,
                static_cast<float>(column + 1) / columns,
                static_cast<float>(rows - row - 1) / rows});
        }
    }
    updateNeeded = true;
}

const OverlayBillboardSet::TextureRect* OverlayBillboardSet::getTextureCoords(std::uint16_t* count) const
{
    if (count)
        *count = static_cast<std::uint16_t>(textureCoords.size());
    return textureCoords.data();
}

OverlayBillboard* OverlayBillboardSet::createBillboard(const Ogre::Vector3& position,
                                                       const Ogre::ColourValue& colour)
{
    if (freeBillboards.empty()) {
        if (!getAutoextend())
            return nullptr;
        // Doubling an empty pool would leave it empty.
        setPoolSize(std::max(1u, getPoolSize() * 2));
    }
    updateNeeded = true;
    OverlayBillboard* billboard = freeBillboards.front();
    freeBillboards.pop_front();
    activeBillboards.push_back(billboard);
    billboard->position = position;
    billboard->colour = colour;
    updateBounds();
    return billboard;
}

OverlayBillboard* OverlayBillboardSet::createBillboard(float x, float y, float z,
                                                       const Ogre::ColourValue& colour)
{
    return createBillboard(Ogre::Vector3(x, y, z), colour);
}

OverlayBillboardSet::OriginOffsets OverlayBillboardSet::originOffsets(BillboardOrigin origin)
{
    switch (origin) {
    case TOP_LEFT: return {0.0f, 1.0f, 0.0f, 1.0f};
    case TOP_CENTRE: return {-0.5f, 0.5f, 0.0f, 1.0f};
    case TOP_RIGHT: return {-1.0f, 0.0f, 0.0f, 1.0f};
    case CENTRE_LEFT: return {0.0f, 1.0f, -0.5f, 0.5f};
    case CENTRE: return {-0.5f, 0.5f, -0.5f, 0.5f};
    case CENTRE_RIGHT: return {-1.0f, 0.0f, -0.5f, 0.5f};
    case BOTTOM_LEFT: return {0.0f, 1.0f, -1.0f, 0.0f};
    case BOTTOM_CENTRE: return {-0.5f, 0.5f, -1.0f, 0.0f};
    case BOTTOM_RIGHT: return {-1.0f, 0.0f, -1.0f, 0.0f};
    }
    return {-0.5f, 0.5f, -0.5f, 0.5f};
}

void OverlayBillboardSet::cornerOffsets(const OriginOffsets& offsets, float width, float height,
                                        Ogre::Vector3 corners[4]) const
{
    // Screen right and screen up are fixed axes: no camera axes are involved.
    const Ogre::Vector3 left(offsets.left * width, 0.0f, 0.0f);
    const Ogre::Vector3 right(offsets.right * width, 0.0f, 0.0f);
    const Ogre::Vector3 top(0.0f, offsets.top * height, 0.0f);
    const Ogre::Vector3 bottom(0.0f, offsets.bottom * height, 0.0f);
    corners[0] = left + top;
    corners[1] = right + top;
    corners[2] = left + bottom;
    corners[3] = right + bottom;
}

void OverlayBillboardSet::updateBounds()
{
    if (activeBillboards.empty()) {
        boundingBox.setNull();
        boundingRadius = 0.0f;
    } else {
        // Never culled while it shows something.
        boundingBox.setInfinite();
        boundingRadius = std::numeric_limits<Ogre::Real>::infinity();
    }
}

void OverlayBillboardSet::createBuffers()
{
    destroyBuffers();
    if (poolSize == 0)
        return;  // nothing can be drawn; made once the pool grows

    vertexData = new Ogre::VertexData();
    vertexData->vertexStart = 0;
    vertexData->vertexCount = poolSize * verticesPerBillboard;
    Ogre::VertexDeclaration* declaration = vertexData->vertexDeclaration;
    declaration->addElement(0, offsetof(Vertex, x), Ogre::VET_FLOAT3, Ogre::VES_POSITION);
    declaration->addElement(0, offsetof(Vertex, colour), Ogre::VET_UBYTE4_NORM, Ogre::VES_DIFFUSE);
    declaration->addElement(0, offsetof(Vertex, u), Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0);
    Ogre::HardwareBufferManager& buffers = Ogre::HardwareBufferManager::getSingleton();
    Ogre::HardwareVertexBufferSharedPtr vertexBuffer = buffers.createVertexBuffer(
        sizeof(Vertex), vertexData->vertexCount, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    vertexData->vertexBufferBinding->setBinding(0, vertexBuffer);

    indexData = new Ogre::IndexData();
    indexData->indexStart = 0;
    indexData->indexCount = poolSize * indicesPerBillboard;
    const bool wideIndices = poolSize > maxPoolFor16BitIndices;
    indexData->indexBuffer = buffers.createIndexBuffer(
        wideIndices ? Ogre::HardwareIndexBuffer::IT_32BIT : Ogre::HardwareIndexBuffer::IT_16BIT,
        indexData->indexCount, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);

    // Two triangles per pool slot, written once per buffer creation.
    Ogre::HardwareBufferLockGuard lock(indexData->indexBuffer, Ogre::HardwareBuffer::HBL_DISCARD);
    auto fill = [this](auto* index) {
        for (unsigned slot = 0; slot < poolSize; ++slot) {
            const unsigned base = slot * verticesPerBillboard;
            for (unsigned corner : {0u, 1u, 3u, 0u, 3u, 2u})
                *index++ = static_cast<std::remove_reference_t<decltype(*index)>>(base + corner);
        }
    };
    if (wideIndices)
        fill(static_cast<std::uint32_t*>(lock.pData));
    else
        fill(static_cast<std::uint16_t*>(lock.pData));
    lock.unlock();
    buffersCreated = true;
}

void OverlayBillboardSet::destroyBuffers()
{
    delete vertexData;
    vertexData = nullptr;
    delete indexData;
    indexData = nullptr;
    buffersCreated = false;
}

const OverlayBillboardSet::TextureRect& OverlayBillboardSet::textureRectFor(const OverlayBillboard& billboard) const
{
    // An index beyond the table would read past it; such a billboard shows the first rectangle.
    const std::uint16_t index = billboard.getTexcoordIndex();
    return index < textureCoords.size() ? textureCoords[index] : textureCoords.front();
}

void OverlayBillboardSet::updateVertices()
{
    const OriginOffsets offsets = originOffsets(origin);
    Ogre::Vector3 defaultCorners[4];
    cornerOffsets(offsets, defaultWidth, defaultHeight, defaultCorners);

    const Ogre::HardwareVertexBufferSharedPtr& buffer = vertexData->vertexBufferBinding->getBuffer(0);
    Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_NORMAL);
    Vertex* cursor = static_cast<Vertex*>(lock.pData);
    for (const OverlayBillboard* billboard : activeBillboards) {
        Ogre::Vector3 ownCorners[4];
        const Ogre::Vector3* corners = defaultCorners;
        if (billboard->hasOwnDimensions()) {
            cornerOffsets(offsets, billboard->getOwnWidth(), billboard->getOwnHeight(), ownCorners);
            corners = ownCorners;
        }
        const std::uint32_t colour = billboard->getColour().getAsBYTE();
        const TextureRect& rect = textureRectFor(*billboard);
        const float u[4] = {rect.left, rect.right, rect.left, rect.right};
        const float v[4] = {rect.top, rect.top, rect.bottom, rect.bottom};
        for (int corner = 0; corner < 4; ++corner) {
            const Ogre::Vector3 position = corners[corner] + billboard->getPosition();
            *cursor++ = Vertex{position.x, position.y, position.z, colour, u[corner], v[corner]};
        }
    }
    lock.unlock();
    updateNeeded = false;
}

} // namespace Tolvarine

#include "OverlayBillboard.h"
#include "OverlayBillboardSet.h"

#include <gtest/gtest.h>

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreException.h>
#include <OgreMaterialManager.h>
#include <OgreRenderOperation.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreVertexIndexData.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace Tolvarine {
namespace {

struct Vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};

using Rect = OverlayBillboardSet::TextureRect;

// The rendering engine without a window or a render system: software hardware buffers and
// the built-in materials, enough to build a set and read its vertex buffer back.
class OverlayBillboardSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = std::make_unique<Ogre::Root>("", "", "");
        buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
        Ogre::MaterialManager::getSingleton().initialise();
    }

    void TearDown() override
    {
        root.reset();
        buffers.reset();
    }

    // What the set draws: the vertices of its render operation, read from its buffer after the
    // camera notification that precedes every draw.
    static std::vector<Vertex> drawnVertices(OverlayBillboardSet& set)
    {
        set._notifyCurrentCamera(nullptr);
        Ogre::RenderOperation op;
        set.getRenderOperation(op);
        EXPECT_EQ(op.operationType, Ogre::RenderOperation::OT_TRIANGLE_LIST);
        EXPECT_TRUE(op.useIndexes);
        if (!op.vertexData)
            return {};
        EXPECT_EQ(op.vertexData->vertexStart, 0u);
        EXPECT_EQ(op.indexData->indexCount, op.vertexData->vertexCount / 4 * 6);
        return readVertices(op.vertexData, op.vertexData->vertexCount);
    }

    static std::vector<Vertex> readVertices(Ogre::VertexData* data, std::size_t count)
    {
        Ogre::HardwareVertexBufferSharedPtr buffer = data->vertexBufferBinding->getBuffer(0);
        EXPECT_EQ(buffer->getVertexSize(), sizeof(Vertex));
        Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
        const Vertex* first = static_cast<const Vertex*>(lock.pData);
        return std::vector<Vertex>(first, first + count);
    }

    static std::size_t bufferCapacity(OverlayBillboardSet& set)
    {
        Ogre::RenderOperation op;
        set.getRenderOperation(op);
        return op.vertexData ? op.vertexData->vertexBufferBinding->getBuffer(0)->getNumVertices() : 0;
    }

    static void expectCorner(const Vertex& vertex, float x, float y, float z, float u, float v)
    {
        EXPECT_EQ((std::vector<float>{vertex.x, vertex.y, vertex.z, vertex.u, vertex.v}),
                  (std::vector<float>{x, y, z, u, v}));
    }

    static void expectRect(const Rect& rect, float left, float top, float right, float bottom)
    {
        EXPECT_EQ((std::vector<float>{rect.left, rect.top, rect.right, rect.bottom}),
                  (std::vector<float>{left, top, right, bottom}));
    }

    std::unique_ptr<Ogre::Root> root;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
};

TEST_F(OverlayBillboardSetTest, AFullScreenBillboardCoversTheViewportUprightFromEachOrigin)
{
    OverlayBillboardSet set("Splash", 1);
    EXPECT_TRUE(set.getBoundingBox().isNull());
    EXPECT_TRUE(drawnVertices(set).empty());
    OverlayBillboard* billboard = set.createBillboard(0, 0, 0.5f, Ogre::ColourValue(1.0f, 0.0f, 0.5f, 1.0f));
    billboard->setDimensions(2, 2);
    // Once it shows something it is never culled.
    EXPECT_TRUE(set.getBoundingBox().isInfinite());

    std::vector<Vertex> vertices = drawnVertices(set);
    ASSERT_EQ(vertices.size(), 4u);
    // Corner 0 is bottom left on screen and shows the texture's bottom left (v = 1).
    expectCorner(vertices[0], -1, -1, 0.5f, 0, 1);
    expectCorner(vertices[1], 1, -1, 0.5f, 1, 1);
    expectCorner(vertices[2], -1, 1, 0.5f, 0, 0);
    expectCorner(vertices[3], 1, 1, 0.5f, 1, 0);
    // Packed as bytes red, green, blue, alpha.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&vertices[0].colour);
    EXPECT_EQ((std::vector<int>{255, 0, 127, 255}), (std::vector<int>{bytes[0], bytes[1], bytes[2], bytes[3]}));

    // From a corner origin the quad extends away from it.
    const std::pair<OverlayBillboardSet::BillboardOrigin, float> origins[] = {
        {OverlayBillboardSet::TOP_LEFT, 0.0f}, {OverlayBillboardSet::BOTTOM_RIGHT, -2.0f}};
    for (const auto& [origin, low] : origins) {
        SCOPED_TRACE(low);
        set.setBillboardOrigin(origin);
        vertices = drawnVertices(set);
        expectCorner(vertices[0], low, low, 0.5f, 0, 1);
        expectCorner(vertices[3], low + 2, low + 2, 0.5f, 1, 0);
    }
    set.clear();
    EXPECT_TRUE(set.getBoundingBox().isNull());
}

TEST_F(OverlayBillboardSetTest, BillboardsWithoutOwnDimensionsFollowTheDefaults)
{
    OverlayBillboardSet set("Flare", 2);
    set.setDefaultDimensions(0.5f, 0.25f);
    set.createBillboard(0.5f, 0.5f, 0)->setDimensions(0.2f, 0.2f);
    set.createBillboard(-0.5f, 0, 0);
    std::vector<Vertex> vertices = drawnVertices(set);
    ASSERT_EQ(vertices.size(), 8u);
    expectCorner(vertices[3], 0.6f, 0.6f, 0, 1, 0);
    expectCorner(vertices[4], -0.75f, -0.125f, 0, 0, 1);

    set.setDefaultWidth(1.0f);
    set.setDefaultHeight(1.0f);
    vertices = drawnVertices(set);
    expectCorner(vertices[4], -1.0f, -0.5f, 0, 0, 1);
    expectCorner(vertices[0], 0.4f, 0.4f, 0, 0, 1);
}

TEST_F(OverlayBillboardSetTest, TheVerticesAreRewrittenOnlyAfterAChange)
{
    OverlayBillboardSet set("Frames", 2);
    OverlayBillboard* billboard = set.createBillboard(0, 0, 0);
    drawnVertices(set);
    Ogre::RenderOperation op;
    set.getRenderOperation(op);
    Ogre::HardwareVertexBufferSharedPtr buffer = op.vertexData->vertexBufferBinding->getBuffer(0);
    const auto scribble = [&] {
        Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_NORMAL);
        static_cast<Vertex*>(lock.pData)->x = 42.0f;
    };
    // A notification without a change must leave the buffer alone.
    scribble();
    EXPECT_FLOAT_EQ(drawnVertices(set)[0].x, 42.0f);

    // Each kind of change brings the true vertices back.
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"position", [&] { billboard->setPosition(0.25f, 0, 0); }},
        {"colour", [&] { billboard->setColour(Ogre::ColourValue::Red); }},
        {"texture index", [&] { billboard->setTexcoordIndex(0); }},
        {"dimensions", [&] { billboard->setDimensions(1, 1); }},
        {"origin", [&] { set.setBillboardOrigin(OverlayBillboardSet::CENTRE); }},
        {"default dimensions", [&] { set.setDefaultDimensions(1, 1); }},
        {"material", [&] { set.setMaterialName("BaseWhiteNoLighting"); }},
        {"stacks and slices", [&] { set.setTextureStacksAndSlices(1, 1); }},
        {"texture coordinates", [&] { set.setTextureCoords(nullptr, 0); }},
        {"a billboard removed", [&] { set.removeBillboard(set.createBillboard(0, 0, 0)); }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.first);
        scribble();
        change.second();
        EXPECT_FLOAT_EQ(drawnVertices(set)[0].x, -0.25f);
    }
}

TEST_F(OverlayBillboardSetTest, AnExhaustedPoolDoublesOrRefuses)
{
    OverlayBillboardSet set("Grow", 1);
    set.createBillboard(-0.5f, 0, 0);
    drawnVertices(set);
    EXPECT_EQ(bufferCapacity(set), 4u);
    set.createBillboard(0.5f, 0, 0);
    // The buffers are made again for the larger pool, and both billboards are drawn.
    std::vector<Vertex> vertices = drawnVertices(set);
    EXPECT_EQ(bufferCapacity(set), 8u);
    ASSERT_EQ(vertices.size(), 8u);
    EXPECT_FLOAT_EQ(vertices[4].x, 0.0f);
    set.createBillboard(0, 0, 0);
    EXPECT_EQ(set.getPoolSize(), 4u);
    // A smaller or equal pool size changes nothing.
    set.setPoolSize(1);
    EXPECT_EQ(set.getPoolSize(), 4u);

    OverlayBillboardSet fixed("Fixed", 1);
    fixed.setAutoextend(false);
    EXPECT_NE(fixed.createBillboard(0, 0, 0), nullptr);
    EXPECT_EQ(fixed.createBillboard(0, 0, 0), nullptr);

    // Doubling an empty pool must still give room for one.
    OverlayBillboardSet empty("Empty", 0);
    EXPECT_TRUE(drawnVertices(empty).empty());
    ASSERT_NE(empty.createBillboard(0, 0, 0), nullptr);
    EXPECT_EQ(drawnVertices(empty).size(), 4u);
}

TEST_F(OverlayBillboardSetTest, FreedBillboardsAreReusedOldestFirstAndKeepTheirSettings)
{
    OverlayBillboardSet set("Reuse", 3);
    OverlayBillboard* a = set.createBillboard(0, 0, 0);
    OverlayBillboard* b = set.createBillboard(0, 0, 0);
    OverlayBillboard* c = set.createBillboard(0, 0, 0);
    b->setDimensions(0.5f, 0.5f);
    EXPECT_EQ(set.getBillboard(2), c);
    EXPECT_EQ(set.getBillboard(3), nullptr);
    set.removeBillboard(b);
    set.removeBillboard(0u); // a
    EXPECT_EQ(set.getBillboard(0), c);
    // Removing a billboard that is not active does not put it in the free list twice.
    set.removeBillboard(b);
    set.removeBillboard(5u);
    EXPECT_EQ(set.getNumBillboards(), 1u);

    OverlayBillboard* reused = set.createBillboard(0.1f, 0.2f, 0.3f, Ogre::ColourValue::Blue);
    EXPECT_EQ(reused, b);
    EXPECT_TRUE(reused->hasOwnDimensions());
    EXPECT_EQ(reused->getColour(), Ogre::ColourValue::Blue);
    EXPECT_EQ(set.createBillboard(0, 0, 0), a);
    EXPECT_EQ(set.getPoolSize(), 3u);

    set.clear();
    EXPECT_TRUE(drawnVertices(set).empty());
    // After a clear the free list holds the active ones in list order: c, b, a.
    EXPECT_EQ(set.createBillboard(0, 0, 0), c);
}

TEST_F(OverlayBillboardSetTest, TextureRectangles)
{
    OverlayBillboardSet set("Frames", 4);
    std::uint16_t count = 0;
    expectRect(set.getTextureCoords(&count)[0], 0, 1, 1, 0);
    set.setTextureStacksAndSlices(2, 2);
    const Rect* rects = set.getTextureCoords(&count);
    ASSERT_EQ(count, 4u);
    expectRect(rects[1], 0.5f, 1, 1, 0.5f);
    expectRect(rects[2], 0, 0.5f, 0.5f, 0);

    // A billboard draws the rectangle of its index.
    set.createBillboard(0, 0, 0)->setTexcoordIndex(3);
    std::vector<Vertex> vertices = drawnVertices(set);
    expectCorner(vertices[0], -0.5f, -0.5f, 0, 0.5f, 0.5f);
    expectCorner(vertices[3], 0.5f, 0.5f, 0, 1, 0);
    set.setTextureStacksAndSlices(0, 3);
    set.getTextureCoords(&count);
    EXPECT_EQ(count, 3u);

    const Rect own[2] = {{0.1f, 0.2f, 0.3f, 0.4f}, {0.5f, 0.6f, 0.7f, 0.8f}};
    set.setTextureCoords(own, 2);
    // An index beyond the table shows the first rectangle instead of reading past it.
    expectCorner(drawnVertices(set)[0], -0.5f, -0.5f, 0, 0.1f, 0.2f);
    set.setTextureCoords(own, 0);
    rects = set.getTextureCoords(&count);
    ASSERT_EQ(count, 1u);
    expectRect(rects[0], 0, 1, 1, 0);
}

TEST_F(OverlayBillboardSetTest, AnUnknownMaterialThrowsAndLeavesTheNameWithoutMaterial)
{
    OverlayBillboardSet set("Splash", 1);
    EXPECT_EQ(set.getMaterial()->getName(), "BaseWhite");
    try {
        set.setMaterialName("NoSuchMaterial");
        FAIL() << "no exception";
    } catch (const Ogre::ItemIdentityException& e) {
        EXPECT_EQ(e.getDescription(), "Could not find material NoSuchMaterial");
    }
    EXPECT_FALSE(set.getMaterial());
    set.setMaterialName("BaseWhiteNoLighting");
    EXPECT_TRUE(set.getMaterial()->isLoaded());
}

TEST_F(OverlayBillboardSetTest, InTheSceneItLeavesTheGraphWhenDestroyed)
{
    Ogre::SceneManager* scene = root->createSceneManager();
    Ogre::SceneNode* node = scene->getRootSceneNode();
    {
        OverlayBillboardSet set("Splash", 1);
        node->attachObject(&set);
        set.createBillboard(0, 0, 0)->setDimensions(2, 2);
        EXPECT_TRUE(set.getLights().empty());
        EXPECT_EQ(node->numAttachedObjects(), 1u);
    }
    // The splash screen is destroyed while attached: the node must not keep a dangling pointer.
    EXPECT_EQ(node->numAttachedObjects(), 0u);
    root->destroySceneManager(scene);
}

TEST_F(OverlayBillboardSetTest, LargePoolsStillIndexEveryBillboard)
{
    const unsigned count = 16385;  // one more than 16-bit indices can reach
    OverlayBillboardSet set("Many", count);
    for (unsigned i = 0; i < count; ++i)
        set.createBillboard(0, 0, 0);
    set._notifyCurrentCamera(nullptr);
    Ogre::RenderOperation op;
    set.getRenderOperation(op);
    ASSERT_EQ(op.indexData->indexCount, count * 6u);
    Ogre::HardwareIndexBufferSharedPtr indices = op.indexData->indexBuffer;
    ASSERT_EQ(indices->getType(), Ogre::HardwareIndexBuffer::IT_32BIT);
    Ogre::HardwareBufferLockGuard lock(indices, Ogre::HardwareBuffer::HBL_READ_ONLY);
    const auto* index = static_cast<const std::uint32_t*>(lock.pData);
    const std::size_t lastSlot = (count - 1) * 6u;
    const std::uint32_t base = (count - 1) * 4u;
    const std::vector<std::uint32_t> lastQuad(index + lastSlot, index + lastSlot + 6);
    EXPECT_EQ(lastQuad, (std::vector<std::uint32_t>{base, base + 1, base + 3, base, base + 3, base + 2}));
}

} // namespace
} // namespace Tolvarine

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
        EXPECT_FLOAT_EQ(vertex.x, x);
        EXPECT_FLOAT_EQ(vertex.y, y);
        EXPECT_FLOAT_EQ(vertex.z, z);
        EXPECT_FLOAT_EQ(vertex.u, u);
        EXPECT_FLOAT_EQ(vertex.v, v);
    }

    static void expectRect(const Rect& rect, float left, float top, float right, float bottom)
    {
        EXPECT_FLOAT_EQ(rect.left, left);
        EXPECT_FLOAT_EQ(rect.top, top);
        EXPECT_FLOAT_EQ(rect.right, right);
        EXPECT_FLOAT_EQ(rect.bottom, bottom);
    }

    std::unique_ptr<Ogre::Root> root;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
};

TEST_F(OverlayBillboardSetTest, ANewSetDrawsNothing)
{
    OverlayBillboardSet set("Splash", 1);
    EXPECT_EQ(set.getName(), "Splash");
    EXPECT_EQ(set.getMovableType(), "OverlayBillboardSet");
    EXPECT_EQ(set.getNumBillboards(), 0u);
    EXPECT_EQ(set.getPoolSize(), 1u);
    EXPECT_TRUE(set.getBoundingBox().isNull());
    EXPECT_EQ(set.getBoundingRadius(), 0.0f);
    EXPECT_EQ(set.getMaterialName(), "BaseWhite");
    ASSERT_TRUE(set.getMaterial());
    EXPECT_EQ(set.getMaterial()->getName(), "BaseWhite");
    EXPECT_TRUE(set.getUseIdentityProjection());
    EXPECT_TRUE(set.getUseIdentityView());
    EXPECT_TRUE(drawnVertices(set).empty());

    // Once it shows something it is never culled.
    set.createBillboard(0, 0, 0);
    EXPECT_TRUE(set.getBoundingBox().isInfinite());
    set.clear();
    EXPECT_TRUE(set.getBoundingBox().isNull());
}

TEST_F(OverlayBillboardSetTest, AFullScreenBillboardCoversTheViewportUpright)
{
    OverlayBillboardSet set("Splash", 1);
    OverlayBillboard* billboard = set.createBillboard(0, 0, 0.5f, Ogre::ColourValue(1.0f, 0.0f, 0.5f, 1.0f));
    ASSERT_NE(billboard, nullptr);
    billboard->setDimensions(2, 2);

    std::vector<Vertex> vertices = drawnVertices(set);
    ASSERT_EQ(vertices.size(), 4u);
    // Corner 0 is bottom left on screen and shows the texture's bottom left (v = 1).
    expectCorner(vertices[0], -1, -1, 0.5f, 0, 1);
    expectCorner(vertices[1], 1, -1, 0.5f, 1, 1);
    expectCorner(vertices[2], -1, 1, 0.5f, 0, 0);
    expectCorner(vertices[3], 1, 1, 0.5f, 1, 0);
    // Packed as bytes red, green, blue, alpha.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&vertices[0].colour);
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_NEAR(bytes[2], 127, 1);
    EXPECT_EQ(bytes[3], 255);

    // From the top-left origin the quad extends right and up.
    set.setBillboardOrigin(OverlayBillboardSet::TOP_LEFT);
    vertices = drawnVertices(set);
    expectCorner(vertices[0], 0, 0, 0.5f, 0, 1);
    expectCorner(vertices[3], 2, 2, 0.5f, 1, 0);

    set.setBillboardOrigin(OverlayBillboardSet::BOTTOM_RIGHT);
    vertices = drawnVertices(set);
    expectCorner(vertices[0], -2, -2, 0.5f, 0, 1);
    expectCorner(vertices[3], 0, 0, 0.5f, 1, 0);
}

TEST_F(OverlayBillboardSetTest, BillboardsWithoutOwnDimensionsFollowTheDefaults)
{
    OverlayBillboardSet set("Flare", 2);
    set.setDefaultDimensions(0.5f, 0.25f);
    OverlayBillboard* sized = set.createBillboard(0.5f, 0.5f, 0);
    sized->setDimensions(0.2f, 0.2f);
    set.createBillboard(-0.5f, 0, 0);

    std::vector<Vertex> vertices = drawnVertices(set);
    ASSERT_EQ(vertices.size(), 8u);
    expectCorner(vertices[0], 0.4f, 0.4f, 0, 0, 1);
    expectCorner(vertices[3], 0.6f, 0.6f, 0, 1, 0);
    expectCorner(vertices[4], -0.75f, -0.125f, 0, 0, 1);
    expectCorner(vertices[7], -0.25f, 0.125f, 0, 1, 0);

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

    // Scribble over the buffer: a notification without a change must leave it alone.
    Ogre::RenderOperation op;
    set.getRenderOperation(op);
    Ogre::HardwareVertexBufferSharedPtr buffer = op.vertexData->vertexBufferBinding->getBuffer(0);
    {
        Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_NORMAL);
        static_cast<Vertex*>(lock.pData)->x = 42.0f;
    }
    EXPECT_FLOAT_EQ(drawnVertices(set)[0].x, 42.0f);

    // Each kind of change brings the true vertices back.
    const auto changes = std::vector<std::function<void()>>{
        [&] { billboard->setPosition(0.25f, 0, 0); },
        [&] { billboard->setColour(Ogre::ColourValue::Red); },
        [&] { billboard->setTexcoordIndex(0); },
        [&] { billboard->setDimensions(1, 1); },
        [&] { set.setBillboardOrigin(OverlayBillboardSet::CENTRE); },
        [&] { set.setDefaultDimensions(1, 1); },
        [&] { set.setMaterialName("BaseWhiteNoLighting"); },
        [&] { set.setTextureStacksAndSlices(1, 1); },
        [&] { set.setTextureCoords(nullptr, 0); },
        [&] { set.removeBillboard(set.createBillboard(0, 0, 0)); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        {
            Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_NORMAL);
            static_cast<Vertex*>(lock.pData)->x = 42.0f;
        }
        changes[i]();
        EXPECT_FLOAT_EQ(drawnVertices(set)[0].x, -0.25f) << "change " << i;
    }
}

TEST_F(OverlayBillboardSetTest, AnExhaustedPoolDoublesOrRefuses)
{
    OverlayBillboardSet set("Grow", 1);
    OverlayBillboard* first = set.createBillboard(-0.5f, 0, 0);
    drawnVertices(set);
    EXPECT_EQ(bufferCapacity(set), 4u);

    OverlayBillboard* second = set.createBillboard(0.5f, 0, 0);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(set.getPoolSize(), 2u);
    // The buffers are made again for the larger pool, and both billboards are drawn.
    std::vector<Vertex> vertices = drawnVertices(set);
    EXPECT_EQ(bufferCapacity(set), 8u);
    ASSERT_EQ(vertices.size(), 8u);
    EXPECT_FLOAT_EQ(vertices[0].x, -1.0f);
    EXPECT_FLOAT_EQ(vertices[4].x, 0.0f);

    set.createBillboard(0, 0, 0);
    EXPECT_EQ(set.getPoolSize(), 4u);

    // A smaller or equal pool size changes nothing.
    set.setPoolSize(1);
    EXPECT_EQ(set.getPoolSize(), 4u);
    EXPECT_EQ(set.getNumBillboards(), 3u);

    OverlayBillboardSet fixed("Fixed", 2);
    fixed.setAutoextend(false);
    EXPECT_NE(fixed.createBillboard(0, 0, 0), nullptr);
    EXPECT_NE(fixed.createBillboard(0, 0, 0), nullptr);
    EXPECT_EQ(fixed.createBillboard(0, 0, 0), nullptr);
    EXPECT_EQ(fixed.getPoolSize(), 2u);

    // Doubling an empty pool must still give room for one.
    OverlayBillboardSet empty("Empty", 0);
    EXPECT_TRUE(drawnVertices(empty).empty());
    ASSERT_NE(empty.createBillboard(0, 0, 0), nullptr);
    EXPECT_EQ(empty.getPoolSize(), 1u);
    EXPECT_EQ(drawnVertices(empty).size(), 4u);
}

TEST_F(OverlayBillboardSetTest, FreedBillboardsAreReusedOldestFirstAndKeepTheirSettings)
{
    OverlayBillboardSet set("Reuse", 3);
    OverlayBillboard* a = set.createBillboard(0, 0, 0);
    OverlayBillboard* b = set.createBillboard(0, 0, 0);
    OverlayBillboard* c = set.createBillboard(0, 0, 0);
    b->setDimensions(0.5f, 0.5f);

    EXPECT_EQ(set.getBillboard(0), a);
    EXPECT_EQ(set.getBillboard(2), c);
    EXPECT_EQ(set.getBillboard(3), nullptr);

    set.removeBillboard(b);
    set.removeBillboard(0u);  // a
    EXPECT_EQ(set.getNumBillboards(), 1u);
    EXPECT_EQ(set.getBillboard(0), c);

    // Removing a billboard that is not active does not put it in the free list twice.
    set.removeBillboard(b);
    set.removeBillboard(5u);
    EXPECT_EQ(set.getNumBillboards(), 1u);

    OverlayBillboard* reused = set.createBillboard(0.1f, 0.2f, 0.3f, Ogre::ColourValue::Blue);
    EXPECT_EQ(reused, b);
    EXPECT_TRUE(reused->hasOwnDimensions());
    EXPECT_EQ(reused->getPosition(), Ogre::Vector3(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(reused->getColour(), Ogre::ColourValue::Blue);
    EXPECT_EQ(set.createBillboard(0, 0, 0), a);
    EXPECT_EQ(set.getPoolSize(), 3u);
    EXPECT_EQ(set.getBillboard(1), b);

    set.clear();
    EXPECT_EQ(set.getNumBillboards(), 0u);
    EXPECT_TRUE(drawnVertices(set).empty());
    // After a clear the free list holds the active ones in list order: c, b, a.
    EXPECT_EQ(set.createBillboard(0, 0, 0), c);
}

TEST_F(OverlayBillboardSetTest, TextureRectangles)
{
    OverlayBillboardSet set("Frames", 4);
    std::uint16_t count = 0;
    const Rect* rects = set.getTextureCoords(&count);
    ASSERT_EQ(count, 1u);
    expectRect(rects[0], 0, 1, 1, 0);

    set.setTextureStacksAndSlices(2, 2);
    rects = set.getTextureCoords(&count);
    ASSERT_EQ(count, 4u);
    expectRect(rects[0], 0, 1, 0.5f, 0.5f);
    expectRect(rects[1], 0.5f, 1, 1, 0.5f);
    expectRect(rects[2], 0, 0.5f, 0.5f, 0);
    expectRect(rects[3], 0.5f, 0.5f, 1, 0);

    // A billboard draws the rectangle of its index.
    OverlayBillboard* billboard = set.createBillboard(0, 0, 0);
    billboard->setTexcoordIndex(3);
    std::vector<Vertex> vertices = drawnVertices(set);
    expectCorner(vertices[0], -0.5f, -0.5f, 0, 0.5f, 0.5f);
    expectCorner(vertices[3], 0.5f, 0.5f, 0, 1, 0);

    set.setTextureStacksAndSlices(0, 3);
    set.getTextureCoords(&count);
    EXPECT_EQ(count, 3u);

    const Rect own[2] = {{0.1f, 0.2f, 0.3f, 0.4f}, {0.5f, 0.6f, 0.7f, 0.8f}};
    set.setTextureCoords(own, 2);
    rects = set.getTextureCoords(&count);
    ASSERT_EQ(count, 2u);
    expectRect(rects[1], 0.5f, 0.6f, 0.7f, 0.8f);
    // An index beyond the table shows the first rectangle instead of reading past it.
    vertices = drawnVertices(set);
    expectCorner(vertices[0], -0.5f, -0.5f, 0, 0.1f, 0.2f);

    set.setTextureCoords(own, 0);
    rects = set.getTextureCoords(&count);
    ASSERT_EQ(count, 1u);
    expectRect(rects[0], 0, 1, 1, 0);
}

TEST_F(OverlayBillboardSetTest, AnUnknownMaterialThrowsAndLeavesTheNameWithoutMaterial)
{
    OverlayBillboardSet set("Splash", 1);
    try {
        set.setMaterialName("NoSuchMaterial");
        FAIL() << "no exception";
    } catch (const Ogre::ItemIdentityException& e) {
        EXPECT_EQ(e.getDescription(), "Could not find material NoSuchMaterial");
        EXPECT_EQ(e.getSource(), "OverlayBillboardSet::setMaterialName");
        EXPECT_GT(e.getLine(), 0);
    }
    EXPECT_EQ(set.getMaterialName(), "NoSuchMaterial");
    EXPECT_FALSE(set.getMaterial());

    set.setMaterialName("BaseWhiteNoLighting");
    ASSERT_TRUE(set.getMaterial());
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

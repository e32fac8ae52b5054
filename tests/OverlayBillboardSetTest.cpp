#include "OverlayBillboard.h"
#include "OverlayBillboardSet.h"

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreRenderOperation.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreVertexIndexData.h>
#include <gtest/gtest.h>


namespace Tolvarine {
namespace {

struct Vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};
using Floats = std::vector<float>;

// Position and texture coordinates of a vertex.
Floats corner(const Vertex& vertex)
{
    return {vertex.x, vertex.y, vertex.z, vertex.u, vertex.v};
}

// The rendering engine without a window or a render system: enough to build a set and read it back.
class OverlayBillboardSetTest : public ::testing::Test {
protected:
    // What the set draws: its buffer after the camera notification that precedes every draw.
    static std::vector<Vertex> drawn(OverlayBillboardSet& set)
    {
        set._notifyCurrentCamera(nullptr);
        Ogre::RenderOperation op;
        set.getRenderOperation(op);
        EXPECT_EQ(op.operationType, Ogre::RenderOperation::OT_TRIANGLE_LIST);
        if (!op.vertexData)
            return {};
        EXPECT_EQ(op.indexData->indexCount, op.vertexData->vertexCount / 4 * 6);
        Ogre::HardwareVertexBufferSharedPtr buffer = op.vertexData->vertexBufferBinding->getBuffer(0);
        EXPECT_EQ(buffer->getVertexSize(), sizeof(Vertex));
        Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
        const Vertex* first = static_cast<const Vertex*>(lock.pData);
        return std::vector<Vertex>(first, first + op.vertexData->vertexCount);
    }

    std::unique_ptr<Ogre::Root> root = std::make_unique<Ogre::Root>("", "", "");
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
    OverlayBillboardSetTest() { Ogre::MaterialManager::getSingleton().initialise(); }
    ~OverlayBillboardSetTest() override { root.reset(); }
};

TEST_F(OverlayBillboardSetTest, QuadsCoverTheirDimensionsFromEachOriginWithTheirTextureRectangle)
{
    OverlayBillboardSet set("Splash", 1);
    EXPECT_TRUE(set.getBoundingBox().isNull());
    EXPECT_TRUE(drawn(set).empty());
    set.createBillboard(0, 0, 0.5f, Ogre::ColourValue(1.0f, 0.0f, 0.5f, 1.0f))->setDimensions(2, 2);
    EXPECT_TRUE(set.getBoundingBox().isInfinite()) << "once it shows something it is never culled";
    std::vector<Vertex> vertices = drawn(set);
    ASSERT_EQ(vertices.size(), 4u);
    // Corner 0 is bottom left on screen and shows the texture's bottom left (v = 1).
    EXPECT_EQ((std::vector<Floats>{corner(vertices[0]), corner(vertices[1]), corner(vertices[2]), corner(vertices[3])}),
              (std::vector<Floats>{{-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}, {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}}));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&vertices[0].colour);
    EXPECT_EQ((std::vector<int>{255, 0, 127, 255}), (std::vector<int>{bytes[0], bytes[1], bytes[2], bytes[3]}));
    for (const auto& [origin, low] : {std::pair{OverlayBillboardSet::TOP_LEFT, 0.0f}, std::pair{OverlayBillboardSet::BOTTOM_RIGHT, -2.0f}}) {
        SCOPED_TRACE(low);
        set.setBillboardOrigin(origin);
        EXPECT_EQ(corner(drawn(set)[3]), (Floats{low + 2, low + 2, 0.5f, 1, 0}));
    }

    // Billboards without dimensions of their own follow the defaults.
    OverlayBillboardSet frames("Frames", 2);
    frames.setDefaultDimensions(0.5f, 0.25f);
    frames.setTextureStacksAndSlices(2, 2);
    frames.createBillboard(0.5f, 0.5f, 0)->setDimensions(0.2f, 0.2f);
    frames.createBillboard(-0.5f, 0, 0)->setTexcoordIndex(3);
    EXPECT_EQ(corner(drawn(frames)[3]), (Floats{0.6f, 0.6f, 0, 0.5f, 0.5f}));
    EXPECT_EQ(corner(drawn(frames)[4]), (Floats{-0.75f, -0.125f, 0, 0.5f, 0.5f}));
    frames.setDefaultWidth(1.0f);
    frames.setDefaultHeight(1.0f);
    EXPECT_EQ(corner(drawn(frames)[7]), (Floats{0.0f, 0.5f, 0, 1, 0}));
    // An index beyond a table of the set's own shows the first rectangle instead of reading past it.
    const OverlayBillboardSet::TextureRect own[2] = {{0.1f, 0.2f, 0.3f, 0.4f}, {0.5f, 0.6f, 0.7f, 0.8f}};
    frames.setTextureCoords(own, 2);
    EXPECT_EQ(corner(drawn(frames)[4]), (Floats{-1.0f, -0.5f, 0, 0.1f, 0.2f}));
    std::uint16_t count = 0;
    frames.setTextureStacksAndSlices(0, 3);
    frames.getTextureCoords(&count);
    EXPECT_EQ(count, 3u);
    frames.setTextureCoords(own, 0);
    const OverlayBillboardSet::TextureRect& whole = frames.getTextureCoords(&count)[0];
    EXPECT_EQ((Floats{whole.left, whole.top, whole.right, whole.bottom, float(count)}), (Floats{0, 1, 1, 0, 1}));
}

TEST_F(OverlayBillboardSetTest, PoolsDoubleOrRefuseReuseTheOldestFreedAndIndexEveryBillboard)
{
    OverlayBillboardSet set("Reuse", 1);
    OverlayBillboard* a = set.createBillboard(-0.5f, 0, 0);
    drawn(set);
    OverlayBillboard* b = set.createBillboard(0.5f, 0, 0);
    // The buffers are made again for the larger pool, and both billboards are drawn.
    ASSERT_EQ(drawn(set).size(), 8u);
    EXPECT_FLOAT_EQ(drawn(set)[4].x, 0.0f);
    OverlayBillboard* c = set.createBillboard(0, 0, 0);
    OverlayBillboard* d = set.createBillboard(0, 0, 0);
    EXPECT_EQ(set.getBillboard(2), c);
    EXPECT_EQ(set.getBillboard(3), d);
    EXPECT_EQ(set.getBillboard(4), nullptr);
    set.setPoolSize(1);
    EXPECT_EQ(set.getPoolSize(), 4u) << "doubled twice; a smaller size changes nothing";
    b->setDimensions(0.5f, 0.5f);
    set.removeBillboard(b);
    set.removeBillboard(0u); // a
    EXPECT_EQ(set.getBillboard(0), c);
    // Removing a billboard that is not active does not put it in the free list twice.
    set.removeBillboard(b);
    set.removeBillboard(5u);
    EXPECT_EQ(set.getNumBillboards(), 2u);
    OverlayBillboard* reused = set.createBillboard(0.1f, 0.2f, 0.3f, Ogre::ColourValue::Blue);
    EXPECT_EQ(reused, b);
    EXPECT_TRUE(reused->hasOwnDimensions());
    EXPECT_EQ(set.createBillboard(0, 0, 0), a);
    set.clear();
    EXPECT_TRUE(drawn(set).empty());
    EXPECT_EQ(set.createBillboard(0, 0, 0), c) << "after a clear the free list holds the active ones in list order";

    OverlayBillboardSet fixed("Fixed", 1);
    fixed.setAutoextend(false);
    EXPECT_NE(fixed.createBillboard(0, 0, 0), nullptr);
    EXPECT_EQ(fixed.createBillboard(0, 0, 0), nullptr);
    // Doubling an empty pool must still give room for one.
    OverlayBillboardSet empty("Empty", 0);
    EXPECT_TRUE(drawn(empty).empty());
    ASSERT_NE(empty.createBillboard(0, 0, 0), nullptr);
    EXPECT_EQ(drawn(empty).size(), 4u);

    // A splash screen destroyed while attached must not leave its node a dangling pointer.
    Ogre::SceneNode* node = root->createSceneManager()->getRootSceneNode();
    {
        OverlayBillboardSet splash("Splash", 1);
        node->attachObject(&splash);
    }
    EXPECT_EQ(node->numAttachedObjects(), 0u);

    // Large pools still index every billboard.
    const unsigned count = 16385; // one more than 16-bit indices can reach
    OverlayBillboardSet many("Many", count);
    for (unsigned i = 0; i < count; ++i)
        many.createBillboard(0, 0, 0);
    many._notifyCurrentCamera(nullptr);
    Ogre::RenderOperation op;
    many.getRenderOperation(op);
    ASSERT_EQ(op.indexData->indexBuffer->getType(), Ogre::HardwareIndexBuffer::IT_32BIT);
    Ogre::HardwareBufferLockGuard lock(op.indexData->indexBuffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
    const auto* last = static_cast<const std::uint32_t*>(lock.pData) + (count - 1) * 6u;
    const std::uint32_t base = (count - 1) * 4u;
    EXPECT_EQ(std::vector<std::uint32_t>(last, last + 6),
              (std::vector<std::uint32_t>{base, base + 1, base + 3, base, base + 3, base + 2}));
}

} // namespace
} // namespace Tolvarine

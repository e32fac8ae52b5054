#include "TargetingDoubles.h"

#include "CameraBase.h"
#include "Faction.h"
#include "FrameBillboardSet.h"
#include "FrameDisplay.h"
#include "OverlayBillboardSet.h"
#include "TargetReadout.h"

#include <OgreCamera.h>
#include <OgreHardwareBuffer.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgreRenderOperation.h>
#include <OgreVertexIndexData.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

namespace Tolvarine::Test {
namespace {

using Ogre::ColourValue;
using Ogre::Vector3;

struct Vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};

// One corner mark as drawn: the centre of its quad, its colour and its texture rectangle's
// bottom-left corner.
struct Mark {
    float x, y;
    std::uint32_t colour;
    float u, v;
};

// Frames of test ships seen by the fixed camera at the origin looking down -z (square view, 50
// degrees high), in a set with the built-in material; "Player", "Enemy" and "Traders" sides.
class FrameDisplayTest : public TargetingFixture {
protected:
    FrameDisplayTest()
    {
        CameraBase& view = *camera.getCurrentCamera();
        view.getCamera()->setAspectRatio(1.0f);
        view.setPosition(Vector3::ZERO);
        view.setOrientation(Ogre::Quaternion::IDENTITY);
        player->addEnemy(*enemy);
        Faction::setScenarioLink({{}, [this](const std::string& name) {
                                      for (const auto& side : {player, enemy, traders}) {
                                          if (side->getName() == name)
                                              return side;
                                      }
                                      return std::shared_ptr<Faction>();
                                  }});
    }
    ~FrameDisplayTest() override { Faction::setScenarioLink({}); }

    TestShip& placed(const std::string& name, const Vector3& position, Faction* side)
    {
        TestShip& made = ship(name);
        made.getPhysicsBody()->setPosition(position);
        made.faction = side;
        return made;
    }

    // The marks the set draws, in creation order.
    std::vector<Mark> drawn() const
    {
        OverlayBillboardSet& set = frames.getBillboardSet();
        set._notifyCurrentCamera(nullptr);
        Ogre::RenderOperation op;
        set.getRenderOperation(op);
        std::vector<Mark> marks;
        if (!op.vertexData)
            return marks;
        const auto& buffer = op.vertexData->vertexBufferBinding->getBuffer(0);
        std::vector<Vertex> vertices(op.vertexData->vertexCount);
        buffer->readData(0, vertices.size() * sizeof(Vertex), vertices.data());
        for (std::size_t i = 0; i + 3 < vertices.size(); i += 4) {
            Mark mark{0, 0, vertices[i].colour, 1, 1};
            for (std::size_t k = i; k < i + 4; ++k) {
                mark.x += vertices[k].x / 4;
                mark.y += vertices[k].y / 4;
                mark.u = std::min(mark.u, vertices[k].u);
                mark.v = std::min(mark.v, vertices[k].v);
            }
            marks.push_back(mark);
        }
        return marks;
    }

    std::string frameSettingsPath = [this] {
        writeFile(folder.file("frames.cfg"), "[Frames]\nplayerColour = (0 1 0 1)\nfriendColour = (0 0 1 1)\n"
                                             "enemyColour = (1 0 0 1)\n");
        writeFile(folder.file("frame_hud.cfg"), "[Hud]\nframeMaterial = BaseWhite\n");
        return folder.file("frames.cfg");
    }();
    Config frameSettings{frameSettingsPath};
    Config frameHudSettings{folder.file("frame_hud.cfg")};
    FrameBillboardSet frames{cameraScene.get(), frameHudSettings, frameSettings};
    std::shared_ptr<Faction> player = std::make_shared<Faction>("Player", 1);
    std::shared_ptr<Faction> enemy = std::make_shared<Faction>("Enemy", 2);
    std::shared_ptr<Faction> traders = std::make_shared<Faction>("Traders", 4);
};

constexpr float minimum = FrameDisplay::MINIMUM_HALF_SIZE;
// tan(25 degrees): at distance d, a point d * t off the axis is at the screen's edge.
const float t = std::tan(Ogre::Degree(25).valueRadians());

TEST_F(FrameDisplayTest, EveryFrameIsFourCornersInItsSideColourAroundItsTargetOrOnTheBorder)
{
    struct Row {
        const char* name;
        Vector3 position;
        Faction* side;
        ColourValue colour;
        float x, y, halfSize;
    };
    const ColourValue green(0, 1, 0), red(1, 0, 0), blue(0, 0, 1);
    const Row rows[] = {
        // Near: the frame is as big as the ship looks (radius 10 at 100: 10 / (100 t)).
        {"own side, near", {0, 0, -100}, player.get(), green, 0, 0, 10 / (100 * t)},
        // Far away the frame keeps its least size.
        {"enemy, far right", {5000 * t * 0.5f, 0, -5000}, enemy.get(), red, 0.5f, 0, minimum},
        {"other side, high", {0, 2000 * t * 0.25f, -2000}, traders.get(), blue, 0, 0.25f, minimum},
        {"no side", {0, 0, -4000}, nullptr, blue, 0, 0, minimum},
        // Off screen: on the border towards it, least size; straight behind is the bottom centre.
        {"off to the left", {-500, 0, -100}, enemy.get(), red, -1, 0, minimum},
        {"straight behind", {0, 0, 300}, enemy.get(), red, 0, -1, minimum},
    };
    for (const Row& row : rows)
        placed(row.name, row.position, row.side).getFrameDisplay().activate();

    const std::vector<Mark> marks = drawn();
    ASSERT_EQ(marks.size(), std::size(rows) * 4);
    // Bottom-left, top-left, top-right, bottom-right in cells 0, 2, 3, 1 of the 4 x 4 grid.
    const float cornerX[4] = {-1, -1, 1, 1};
    const float cornerY[4] = {-1, 1, 1, -1};
    const float cellU[4] = {0, 0.5f, 0.75f, 0.25f};
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        const Row& row = rows[r];
        SCOPED_TRACE(row.name);
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(c);
            const Mark& mark = marks[r * 4 + c];
            EXPECT_NEAR(mark.x, row.x + cornerX[c] * row.halfSize, 1e-4f);
            EXPECT_NEAR(mark.y, row.y + cornerY[c] * row.halfSize, 1e-4f);
            EXPECT_EQ(mark.colour, row.colour.getAsABGR());
            EXPECT_FLOAT_EQ(mark.u, cellU[c]);
            // Cell row 0 is the bottom of the texture: v runs from 0.75 to 1.
            EXPECT_FLOAT_EQ(mark.v, 0.75f);
        }
    }

    // Leaving play hands the marks back to the set.
    for (const auto& made : ships)
        made->getFrameDisplay().deactivate();
    EXPECT_TRUE(drawn().empty());
}

// The read-out as the overlay scripts define it, made in code.
Ogre::Overlay* makeReadout()
{
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    Ogre::Overlay* overlay = overlays.create("TargetReadout");
    auto* panel = static_cast<Ogre::OverlayContainer*>(overlays.createOverlayElement("Panel", "TargetReadout/Panel"));
    panel->addChild(overlays.createOverlayElement("TextArea", "TargetReadout/Panel/Distance"));
    panel->addChild(overlays.createOverlayElement("TextArea", "TargetReadout/Panel/RateOfChange"));
    overlay->add2D(panel);
    return overlay;
}

TEST_F(FrameDisplayTest, SelectedFramesAddWhiteMarksAndTheReadoutStaysWhileAnyIsSelected)
{
    Ogre::Overlay* overlay = makeReadout();
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    TestShip& own = placed("own", {0, 0, 0}, player.get());
    own.setFocus(true);
    own.getPhysicsBody()->setLinearVelocity(Vector3(0, 0, -12.5f));
    TestShip& target = placed("target", {0, 0, -300.4f}, enemy.get());
    TestShip& wingman = placed("wingman", {0, 0, -50}, player.get());

    // Selecting an object that is not in play shows the read-out but draws nothing yet.
    target.setSelected(true);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(drawn().empty());
    target.getFrameDisplay().activate();
    const std::vector<Mark> marks = drawn();
    ASSERT_EQ(marks.size(), 8u);
    const float cellU[4] = {0, 0.5f, 0.75f, 0.25f};
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(marks[4 + c].colour, ColourValue::White.getAsABGR());
        EXPECT_FLOAT_EQ(marks[4 + c].u, cellU[c]);
        EXPECT_FLOAT_EQ(marks[4 + c].v, 0.5f);
        EXPECT_NEAR(marks[4 + c].x, marks[c].x, 1e-6f);
    }
    // 300.4 m apart, closing at 12.5 m/s.
    EXPECT_EQ(overlays.getOverlayElement("TargetReadout/Panel/Distance")->getCaption(), "300 m");
    EXPECT_EQ(overlays.getOverlayElement("TargetReadout/Panel/RateOfChange")->getCaption(), "-13 m/s");
    // Beside the frame's right edge, in the overlay's coordinates (0 to 1, y down).
    EXPECT_NEAR(overlays.getOverlayElement("TargetReadout/Panel")->getLeft(), 0.5f + 10 / (300.4f * t), 1e-5f);
    EXPECT_NEAR(overlays.getOverlayElement("TargetReadout/Panel")->getTop(), 0.5f, 1e-6f);

    // A second frame selected as command mode selects the flown ship's, then let go: the
    // target's read-out stays.
    wingman.getFrameDisplay().activate();
    wingman.getFrameDisplay().setSelected(true);
    wingman.getFrameDisplay().setSelected(false);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(drawn().size(), 12u);
    target.setSelected(false);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(drawn().size(), 8u);
}

TEST(TargetReadoutText, WholeNumbersRoundedDownWithTheSignOfTheRate)
{
    const struct {
        float value;
        const char* distance;
        const char* rate;
    } rows[] = {
        {999.9f, "999 m", "+999 m/s"}, {0.0f, "0 m", "+0 m/s"},       {-0.5f, "-1 m", "-1 m/s"},
        {12.7f, "12 m", "+12 m/s"},    {1234567.0f, "1234567 m", "+1234567 m/s"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(TargetReadout::distanceText(row.value), row.distance);
        EXPECT_EQ(TargetReadout::rateText(row.value), row.rate);
    }
}

} // namespace
} // namespace Tolvarine::Test

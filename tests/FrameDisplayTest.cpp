#include "TargetingDoubles.h"

#include "CameraBase.h"
#include "Faction.h"
#include "FrameBillboardSet.h"
#include "FrameDisplay.h"
#include "OverlayBillboardSet.h"
#include "TargetReadout.h"

#include <OgreCamera.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgreRenderOperation.h>
#include <OgreVertexIndexData.h>
#include <gtest/gtest.h>

#include <cmath>

namespace Tolvarine::Test {
namespace {

using Ogre::ColourValue;
using Ogre::Vector3;

// One drawn corner mark: its quad's centre, colour and the lowest texture coordinates.
struct Mark { float x = 0, y = 0; std::uint32_t colour = 0; float u = 1, v = 1; };

// Frames of test ships seen by the fixed camera at the origin looking down -z (square view, 50
// degrees high), drawn in a set with the built-in material; sides "Player", "Enemy", "Traders".
class FrameDisplayTest : public TargetingFixture {
protected:
    FrameDisplayTest()
    {
        camera.getCurrentCamera()->getCamera()->setAspectRatio(1.0f);
        camera.getCurrentCamera()->setPosition(Vector3::ZERO);
        camera.getCurrentCamera()->setOrientation(Ogre::Quaternion::IDENTITY);
        player->addEnemy(*enemy);
        Faction::setScenarioLink({{}, [this](const std::string& name) { return name == "Player" ? player : nullptr; }});
    }
    ~FrameDisplayTest() override { Faction::setScenarioLink({}); }

    TestShip& placed(const std::string& name, const Vector3& position, Faction* side)
    {
        TestShip& made = ship(name);
        made.getPhysicsBody()->setPosition(position);
        made.faction = side;
        return made;
    }

    // The marks in the set's vertex buffer, in creation order.
    std::vector<Mark> drawn() const
    {
        struct Vertex { float x, y, z; std::uint32_t colour; float u, v; };
        OverlayBillboardSet& set = frames.getBillboardSet();
        set._notifyCurrentCamera(nullptr);
        Ogre::RenderOperation op;
        set.getRenderOperation(op);
        std::vector<Vertex> vertices(op.vertexData ? op.vertexData->vertexCount : 0);
        if (!vertices.empty())
            op.vertexData->vertexBufferBinding->getBuffer(0)->readData(0, vertices.size() * sizeof(Vertex), vertices.data());
        std::vector<Mark> marks(vertices.size() / 4);
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            Mark& mark = marks[i / 4];
            mark.x += vertices[i].x / 4;
            mark.y += vertices[i].y / 4;
            mark.colour = vertices[i].colour;
            mark.u = std::min(mark.u, vertices[i].u);
            mark.v = std::min(mark.v, vertices[i].v);
        }
        return marks;
    }

    Config frameSettings{[this] {
        writeFile(folder.file("frames.cfg"), "[Frames]\nplayerColour = (0 1 0 1)\nfriendColour = (0 0 1 1)\n"
                                             "enemyColour = (1 0 0 1)\n[Hud]\nframeMaterial = BaseWhite\n");
        return folder.file("frames.cfg");
    }()};
    FrameBillboardSet frames{cameraScene.get(), frameSettings, frameSettings};
    std::shared_ptr<Faction> player = std::make_shared<Faction>("Player", 1);
    std::shared_ptr<Faction> enemy = std::make_shared<Faction>("Enemy", 2);
    Faction traders{"Traders", 4};
};

constexpr float least = FrameDisplay::MINIMUM_HALF_SIZE;
// tan(25 degrees): at distance d, a point d * t off the axis lies on the screen's edge.
const float t = std::tan(Ogre::Degree(25).valueRadians());
// Bottom-left, top-left, top-right, bottom-right corners, in cells 0, 2, 3, 1 of the 4 x 4 grid.
const float cornerX[4] = {-1, -1, 1, 1}, cornerY[4] = {-1, 1, 1, -1}, cellU[4] = {0, 0.5f, 0.75f, 0.25f};

TEST_F(FrameDisplayTest, EveryFrameIsFourCornersInItsSideColourAroundItsTargetOrOnTheBorder)
{
    const ColourValue green(0, 1, 0), red(1, 0, 0), blue(0, 0, 1);
    const struct { const char* name; Vector3 position; Faction* side; ColourValue colour; float x, y, halfSize; } rows[] = {
        // Near, the frame is as big as the ship looks (radius 10 at 100); far, it keeps its least size.
        {"own side, near", {0, 0, -100}, player.get(), green, 0, 0, 10 / (100 * t)},
        {"enemy, far right", {5000 * t * 0.5f, 0, -5000}, enemy.get(), red, 0.5f, 0, least},
        {"other side, high", {0, 2000 * t * 0.25f, -2000}, &traders, blue, 0, 0.25f, least},
        {"no side", {0, 0, -4000}, nullptr, blue, 0, 0, least},
        // Off screen: on the border towards it; straight behind is the bottom centre.
        {"off to the left", {-500, 0, -100}, enemy.get(), red, -1, 0, least},
        {"straight behind", {0, 0, 300}, enemy.get(), red, 0, -1, least},
    };
    for (const auto& row : rows)
        placed(row.name, row.position, row.side).getFrameDisplay().activate();

    const std::vector<Mark> marks = drawn();
    ASSERT_EQ(marks.size(), std::size(rows) * 4);
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        SCOPED_TRACE(rows[r].name);
        for (int c = 0; c < 4; ++c) {
            const Mark& mark = marks[r * 4 + c];
            EXPECT_NEAR(mark.x, rows[r].x + cornerX[c] * rows[r].halfSize, 1e-4f) << c;
            EXPECT_NEAR(mark.y, rows[r].y + cornerY[c] * rows[r].halfSize, 1e-4f) << c;
            EXPECT_EQ(mark.colour, rows[r].colour.getAsABGR()) << c;
            // Cell row 0 is the bottom row of the texture: v from 0.75 to 1.
            EXPECT_FLOAT_EQ(mark.u, cellU[c]);
            EXPECT_FLOAT_EQ(mark.v, 0.75f);
        }
    }
    // Leaving play hands the marks back.
    for (const auto& made : ships)
        made->getFrameDisplay().deactivate();
    EXPECT_TRUE(drawn().empty());
}

TEST_F(FrameDisplayTest, SelectedFramesAddWhiteMarksAndTheReadoutStaysWhileAnyIsSelected)
{
    // The read-out as the overlay scripts define it.
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    Ogre::Overlay* readout = overlays.create("TargetReadout");
    auto* panel = static_cast<Ogre::OverlayContainer*>(overlays.createOverlayElement("Panel", "TargetReadout/Panel"));
    for (const char* text : {"TargetReadout/Panel/Distance", "TargetReadout/Panel/RateOfChange"})
        panel->addChild(overlays.createOverlayElement("TextArea", text));
    readout->add2D(panel);

    TestShip& own = placed("own", {0, 0, 0}, player.get());
    own.setFocus(true);
    own.getPhysicsBody()->setLinearVelocity(Vector3(0, 0, -12.5f));
    TestShip& target = placed("target", {0, 0, -300.4f}, enemy.get());
    TestShip& wingman = placed("wingman", {0, 0, -50}, player.get());

    // Selecting an object out of play shows the read-out but draws nothing until it enters play.
    target.setSelected(true);
    EXPECT_TRUE(readout->isVisible());
    EXPECT_TRUE(drawn().empty());
    target.getFrameDisplay().activate();
    const std::vector<Mark> marks = drawn();
    ASSERT_EQ(marks.size(), 8u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(marks[4 + c].colour, ColourValue::White.getAsABGR()) << c;
        EXPECT_FLOAT_EQ(marks[4 + c].u, cellU[c]);
        EXPECT_FLOAT_EQ(marks[4 + c].v, 0.5f);
        EXPECT_NEAR(marks[4 + c].x, marks[c].x, 1e-6f) << c;
    }
    // 300.4 m apart, closing at 12.5 m/s; beside the frame's right edge (overlay coordinates, y down).
    EXPECT_EQ(overlays.getOverlayElement("TargetReadout/Panel/Distance")->getCaption(), "300 m");
    EXPECT_EQ(overlays.getOverlayElement("TargetReadout/Panel/RateOfChange")->getCaption(), "-13 m/s");
    EXPECT_NEAR(panel->getLeft(), 0.5f + 10 / (300.4f * t), 1e-5f);
    EXPECT_NEAR(panel->getTop(), 0.5f, 1e-6f);

    // Command mode selects the flown ship's frame too, then lets go: the target's read-out stays.
    wingman.getFrameDisplay().activate();
    wingman.getFrameDisplay().setSelected(true);
    wingman.getFrameDisplay().setSelected(false);
    EXPECT_TRUE(readout->isVisible());
    EXPECT_EQ(drawn().size(), 12u);
    target.setSelected(false);
    EXPECT_FALSE(readout->isVisible());
    EXPECT_EQ(drawn().size(), 8u);
}

TEST(TargetReadoutText, WholeNumbersRoundedDownWithTheSignOfTheRate)
{
    const struct { float value; const char *distance, *rate; } rows[] = {{999.9f, "999 m", "+999 m/s"}, {0.0f, "0 m", "+0 m/s"}, {-0.5f, "-1 m", "-1 m/s"},
                {12.7f, "12 m", "+12 m/s"}, {1234567.0f, "1234567 m", "+1234567 m/s"}};
    for (const auto& row : rows) {
        EXPECT_EQ(TargetReadout::distanceText(row.value), row.distance) << row.value;
        EXPECT_EQ(TargetReadout::rateText(row.value), row.rate) << row.value;
    }
}

} // namespace
} // namespace Tolvarine::Test

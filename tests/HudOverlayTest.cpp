// The heads-up display in a window-less engine: frames, read-out, wireframes and reticles.
#include "TargetingDoubles.h"

#include "CameraBase.h"
#include "ConfigurationError.h"
#include "DamageDisplay.h"
#include "DamageModel.h"
#include "Faction.h"
#include "FrameBillboardSet.h"
#include "FrameDisplay.h"
#include "Interface.h"
#include "LogCapture.h"
#include "OverlayBillboardSet.h"
#include "ScreenProjection.h"
#include "TargetReadout.h"
#include "TestMeshes.h"

#include <OgreCamera.h>
#include <OgreEntity.h>
#include <OgreMaterialManager.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgrePass.h>
#include <OgreRenderOperation.h>
#include <OgreSceneNode.h>
#include <OgreSubEntity.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>
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

    Config frameSettings{written(folder.file("frames.cfg"), "[Frames]\nplayerColour = (0 1 0 1)\nfriendColour = (0 0 1 1)\n"
                                                            "enemyColour = (1 0 0 1)\n[Hud]\nframeMaterial = BaseWhite\n")};
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
    // A radius of 0 is no size, even where a projection has nothing to divide by.
    EXPECT_EQ(ScreenProjection::projectedScreenWidth(camera.getFixedCamera(), Vector3::ZERO, 0.0f),
              0.0f);
    // Leaving play hands the marks back.
    for (const auto& made : ships)
        made->getFrameDisplay().deactivate();
    EXPECT_TRUE(drawn().empty());
}

TEST_F(FrameDisplayTest, SelectedFramesAddWhiteMarksAndTheReadoutStaysWhileAnyIsSelected)
{
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

    target.setSelected(true);
    target.getFrameDisplay().activate();
    const std::vector<Mark> marks = drawn();
    ASSERT_EQ(marks.size(), 8u);
    EXPECT_EQ(marks[4].colour, ColourValue::White.getAsABGR());
    EXPECT_FLOAT_EQ(marks[4].v, 0.5f);
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
    // With no ship flown (command mode) there is nothing to measure from: no figures are shown.
    own.setFocus(false);
    target.getFrameDisplay().positionUpdate();
    EXPECT_FALSE(readout->isVisible());
    own.setFocus(true);
    target.getFrameDisplay().positionUpdate();
    EXPECT_TRUE(readout->isVisible());
    // Leaving play lets go of the selection; a frame out of play measures nothing, so selecting
    // it shows no figures.
    target.setSelected(false);
    EXPECT_EQ(drawn().size(), 8u);
    wingman.getFrameDisplay().setSelected(true);
    EXPECT_TRUE(readout->isVisible());
    wingman.getFrameDisplay().deactivate();
    EXPECT_EQ(TargetReadout::getSingleton().getSelectionCount(), 0u);
    EXPECT_FALSE(readout->isVisible());
    wingman.getFrameDisplay().setSelected(true);
    EXPECT_FALSE(readout->isVisible());
}

// Components with meshes (empty for none) and health proportions, and the one subscriber.
struct TestDamageModel : DamageModel {
    struct Component { std::string mesh; float health; };
    explicit TestDamageModel(std::vector<Component> components) : components(std::move(components)) {}
    unsigned getComponentCount() const override { return unsigned(components.size()); }
    std::string getComponentName(unsigned index) const override { return "C" + std::to_string(index); }
    std::string getComponentMesh(unsigned index) const override { return components[index].mesh; }
    Vector3 getComponentPosition(unsigned index) const override { return Vector3(float(index), 0, 0); }
    float getComponentHealth(unsigned index) const override { return components[index].health * 50; }
    float getComponentHealthProportion(unsigned index) const override { return components[index].health; }
    float getWireframeScale() const override { return 0.25f; }
    void damageSubscribe(Subscriber newSubscriber) override { subscriber = std::move(newSubscriber); }
    void damageUnsubscribe() override { subscriber = nullptr; }

    std::vector<Component> components;
    Subscriber subscriber;
};

// The manual colour a material's first texture unit modulates its texture with.
ColourValue tintOf(const Ogre::MaterialPtr& material)
{
    const Ogre::LayerBlendModeEx& blend = material->getTechnique(0)->getPass(0)->getTextureUnitState(0)->getColourBlendMode();
    EXPECT_TRUE(blend.operation == Ogre::LBX_MODULATE && blend.source1 == Ogre::LBS_MANUAL && blend.source2 == Ogre::LBS_TEXTURE);
    return blend.colourArg1;
}

// A material with one texture unit, as the shipped reticle and wireframe materials have.
Ogre::MaterialPtr texturedMaterial(const std::string& name)
{
    Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().create(name, Ogre::RGN_DEFAULT);
    material->getTechnique(0)->getPass(0)->createTextureUnitState();
    return material;
}

class HudOverlayTest : public FrameDisplayTest {
protected:
    // The displays let go of the models before the models go.
    ~HudOverlayTest() override
    {
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        hud.clearTargetWireframe();
        display.reset();
    }

    TestDamageModel& model(std::vector<TestDamageModel::Component> components)
    {
        models.push_back(std::make_unique<TestDamageModel>(std::move(components)));
        return *models.back();
    }

    std::vector<std::unique_ptr<TestDamageModel>> models;
    Ogre::MeshPtr mesh = createMesh("wire.mesh", Ogre::RGN_DEFAULT, boxShape(Vector3(1, 1, 1)));
    Ogre::MaterialPtr wireframeTemplate = texturedMaterial("Test/Wireframe");
    DamageDisplay display{cameraScene.get(), hudSettings, "TestWireframe", "Test/Wireframe"};
};

TEST_F(HudOverlayTest, WireframesAreTintedByHealthSkipMeshlessComponentsAndLetGoOfThePreviousModel)
{
    // Health (0 1 0 1), damage (1 0 0 1), tints exact in binary; the second component has no mesh.
    TestDamageModel& components = model({{"wire.mesh", 1.0f}, {"", 1.0f}, {"wire.mesh", 0.0f}, {"wire.mesh", 0.5f}});
    TestShip& a = ship("A");
    a.damageModel = &components;
    display.setShip(&a, true);
    const auto& wireframes = display.getWireframes();
    ASSERT_EQ(wireframes.size(), 4u);
    EXPECT_EQ(wireframes[1]->getEntity(), nullptr);
    const std::pair<unsigned, ColourValue> rows[] = {{0, ColourValue(0, 1, 0)}, {2, ColourValue(1, 0, 0)}, {3, ColourValue(0.5f, 0.5f, 0)}};
    for (const auto& [index, colour] : rows) {
        SCOPED_TRACE(index);
        const auto& wireframe = *wireframes[index];
        ASSERT_NE(wireframe.getEntity(), nullptr);
        EXPECT_EQ(wireframe.getEntity()->getSubEntity(0)->getMaterial(), wireframe.getMaterial());
        EXPECT_EQ(wireframe.getMaterial()->getTechnique(0)->getPass(0)->getPolygonMode(), Ogre::PM_WIREFRAME);
        EXPECT_EQ(tintOf(wireframe.getMaterial()), colour);
    }
    EXPECT_EQ(display.getNode().getPosition(), Vector3(-3, -2, -12));

    // Damage tints its component; indices beyond the model and the meshless one are ignored.
    components.components[0].health = 0.25f;
    components.subscriber(0);
    EXPECT_EQ(tintOf(wireframes[0]->getMaterial()), ColourValue(0.75f, 0.25f, 0, 1));
    components.subscriber(1);
    components.subscriber(7);

    // Switched to ships of eight, then five parts: it lets go of the previous model, slots stay.
    TestDamageModel& eight = model(std::vector<TestDamageModel::Component>(8, {"wire.mesh", 1.0f}));
    TestDamageModel& five = model(std::vector<TestDamageModel::Component>(5, {"wire.mesh", 1.0f}));
    TestShip& b = ship("B");
    a.damageModel = &eight;
    b.damageModel = &five;
    display.setShip(&a, false);
    EXPECT_FALSE(components.subscriber);
    display.setShip(&b, false);
    EXPECT_FALSE(eight.subscriber);
    ASSERT_TRUE(five.subscriber);
    ASSERT_EQ(display.getWireframes().size(), 8u);
    EXPECT_NE(display.getWireframes()[4]->getEntity(), nullptr);
    EXPECT_EQ(display.getWireframes()[5]->getEntity(), nullptr);
    EXPECT_EQ(display.getNode().getPosition(), Vector3(3, -2, -12));

    // The self wireframe takes over the same model: this display letting go must not silence it.
    hud.setSelfWireframe(&b);
    display.reset();
    EXPECT_TRUE(five.subscriber);
    hud.clearSelfWireframe();
    EXPECT_FALSE(five.subscriber);

    // A ship without a model leaves the display empty.
    display.setShip(&a, false);
    display.setShip(&ship("none"), false);
    EXPECT_FALSE(eight.subscriber);
    EXPECT_EQ(display.getShip(), nullptr);
    EXPECT_EQ(display.getWireframes()[0]->getEntity(), nullptr);
}

// A wireframe placed 3.4e38 out on an axis ended the game through the renderer's assertion on its
// box once a ship was shown there; such a place is refused as the display is made, naming its key.
TEST_F(HudOverlayTest, WireframePositionsBeyondWhatTheRendererDrawsAreRefused)
{
    const std::string shipped = readFile(hudSettings.getPath());
    const struct { const char* key; const char* place; const char* shown; } rows[] = {
        {"selfWireframePosition", "(0 3.4e38 0)", "(0 3.4e+38 0)"},
        {"targetWireframePosition", "(-1.9e38 1 -12)", "(-1.9e+38 1 -12)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        std::string text = shipped;
        const std::size_t start = text.find(row.key);
        text.replace(start, text.find('\n', start) - start, std::string(row.key) + " = " + row.place);
        const Config settings(written(folder.file(std::string(row.key) + ".cfg"), text));
        // The fixture's display keeps the target key, and the new one says so first.
        const std::vector<std::string> lines = failsWith<ConfigurationError>([&] { HudOverlay(cameraScene.get(), settings); });
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), (std::vector<std::string>{
                             std::string(row.key) + " " + row.shown
                                 + " reaches 1.9e+38 on an axis, where a place the renderer drew ended the game",
                             "Config: in " + settings.getPath() + ", section Hud, key " + row.key}));
    }
}

TEST_F(HudOverlayTest, ReticlesAreTintedByLoadAndTheInterfaceModeShowsTheDisplayOnlyWhileFlying)
{
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    Ogre::Overlay* readout = overlays.create("TargetReadout");
    readout->add2D(
        static_cast<Ogre::OverlayContainer*>(overlays.createOverlayElement("Panel", "TargetReadout/Panel")));
    Ogre::Overlay* reticle = overlays.create("TestHud");
    auto* panel = static_cast<Ogre::OverlayContainer*>(overlays.createOverlayElement("Panel", "TestHud/Panel"));
    for (const char* part : {"Primary", "Secondary"}) {
        Ogre::OverlayElement* element = overlays.createOverlayElement("Panel", std::string("TestHud/Reticle") + part + "Component");
        element->setMaterial(texturedMaterial(std::string("Test/") + part));
        panel->addChild(element);
    }
    reticle->add2D(panel);
    TestShip& own = ship("own");
    own.damageModel = &model({{"wire.mesh", 1.0f}});
    own.weaponOverlay = reticle;
    own.setFocus(true);
    WeaponDisplay& weapons = WeaponDisplay::getSingleton();
    // Before the first show from black to white; then from empty (1 0 0 0.5) to full (0 1 0 1).
    const struct { bool shown; float primary, secondary; ColourValue primaryColour, secondaryColour; } tints[] = {
        {false, 0.5f, 1.0f, ColourValue(0.5f, 0.5f, 0.5f), ColourValue(1, 1, 1)},
        {true, 0.0f, 1.0f, ColourValue(1, 0, 0, 0.5f), ColourValue(0, 1, 0)},
        {true, 0.25f, 0.5f, ColourValue(0.75f, 0.25f, 0, 0.625f), ColourValue(0.5f, 0.5f, 0, 0.75f)},
    };
    for (const auto& row : tints) {
        SCOPED_TRACE(row.primary);
        if (row.shown)
            weapons.show();
        own.primary->load = row.primary;
        own.secondary->load = row.secondary;
        weapons.update();
        EXPECT_EQ(tintOf(weapons.getPrimaryComponent()->getMaterial()), row.primaryColour);
        EXPECT_EQ(tintOf(weapons.getSecondaryComponent()->getMaterial()), row.secondaryColour);
    }

    Interface interface;
    // Start-up hides the display so that the first mode shows it.
    hud.setVisible(false);
    HudOverlay::setFrameBillboardsVisible(false);

    const std::pair<Interface::InterfaceMode, bool> rows[] = {{Interface::NORMAL, true}, {Interface::COMMAND, false}, {Interface::NORMAL, true},
                                                              {Interface::MENU, false}, {Interface::MENU, false}, {Interface::NORMAL, true}};
    for (const auto& [mode, shown] : rows) {
        SCOPED_TRACE(mode);
        interface.setMode(mode, false);
        for (const bool visible : {hud.isVisible(), WeaponDisplay::getSingleton().isVisible(), hud.getSelfDisplay().isShown(), hud.getTargetDisplay().isShown()})
            EXPECT_EQ(visible, shown);
        EXPECT_EQ(hud.getSelfDisplay().getNode().getScale(), shown ? Vector3(0.25f) : Vector3::ZERO);
        EXPECT_TRUE(frames.isAttached());

        // The target key works only while the display is shown: nothing ahead drops the selection.
        TestShip& target = ship("target");
        target.setSelected(true);
        // A measured target's read-out shows only while flying, not under a menu or command mode.
        TargetReadout::getSingleton().setMeasured(true);
        EXPECT_EQ(readout->isVisible(), shown);
        pulse("target_reticle_closest");
        EXPECT_EQ(Targetable::getSelected() == nullptr, shown);
        target.setSelected(false);
    }
}

} // namespace
} // namespace Tolvarine::Test

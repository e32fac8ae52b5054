#include "TargetingDoubles.h"

#include "DamageDisplay.h"
#include "DamageModel.h"
#include "FrameBillboardSet.h"
#include "Interface.h"
#include "TestMeshes.h"

#include <OgreEntity.h>
#include <OgreMaterialManager.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgrePass.h>
#include <OgreSceneNode.h>
#include <OgreSubEntity.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>
#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::ColourValue;
using Ogre::Vector3;

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

class HudOverlayTest : public TargetingFixture {
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

TEST_F(HudOverlayTest, WireframeComponentsAreTintedByHealthAndThoseWithoutAMeshAreSkipped)
{
    // Health (0 1 0 1), damage (1 0 0 1). The missile-like second component has no mesh.
    // Every tint below is exact in binary, so colours compare equal.
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
        EXPECT_EQ(wireframe.getNode().getPosition(), Vector3(float(index), 0, 0));
    }
    EXPECT_EQ(display.getNode().getPosition(), Vector3(-3, -2, -12));

    // Damage reported by the model tints its component; indices beyond it and the meshless one
    // are ignored.
    components.components[0].health = 0.25f;
    components.subscriber(0);
    EXPECT_EQ(tintOf(wireframes[0]->getMaterial()), ColourValue(0.75f, 0.25f, 0, 1));
    components.subscriber(1);
    components.subscriber(7);

    // Hidden until shown, then at the model's scale.
    EXPECT_EQ(display.getNode().getScale(), Vector3::ZERO);
    display.show();
    EXPECT_EQ(display.getNode().getScale(), Vector3(0.25f));
    display.hide();
    EXPECT_EQ(display.getNode().getScale(), Vector3::ZERO);
}

TEST_F(HudOverlayTest, ADisplaySwitchedToAnotherShipLetsGoOfThePreviousModel)
{
    TestDamageModel& eight = model(std::vector<TestDamageModel::Component>(8, {"wire.mesh", 1.0f}));
    TestDamageModel& five = model(std::vector<TestDamageModel::Component>(5, {"wire.mesh", 1.0f}));
    TestShip &a = ship("A"), &b = ship("B");
    a.damageModel = &eight;
    b.damageModel = &five;

    display.setShip(&a, false);
    display.setShip(&b, false);
    EXPECT_FALSE(eight.subscriber);
    ASSERT_TRUE(five.subscriber);
    // The slots stay; the three beyond the smaller model are empty.
    ASSERT_EQ(display.getWireframes().size(), 8u);
    EXPECT_NE(display.getWireframes()[4]->getEntity(), nullptr);
    EXPECT_EQ(display.getWireframes()[5]->getEntity(), nullptr);
    EXPECT_EQ(display.getNode().getPosition(), Vector3(3, -2, -12));

    // The heads-up display's self wireframe takes over the same model; when this display lets go
    // it must not silence the other.
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

TEST_F(HudOverlayTest, ReticleComponentsAreTintedByTheirWeaponsLoad)
{
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    Ogre::Overlay* reticle = overlays.create("TestHud");
    auto* panel = static_cast<Ogre::OverlayContainer*>(overlays.createOverlayElement("Panel", "TestHud/Panel"));
    for (const char* part : {"Primary", "Secondary"}) {
        Ogre::OverlayElement* element = overlays.createOverlayElement("Panel", std::string("TestHud/Reticle") + part + "Component");
        element->setMaterial(texturedMaterial(std::string("Test/") + part));
        panel->addChild(element);
    }
    reticle->add2D(panel);
    TestShip& a = ship("A");
    a.weaponOverlay = reticle;
    a.setFocus(true);
    WeaponDisplay& weapons = WeaponDisplay::getSingleton();

    // Before the first show the colours run from black to white; then from the settings' empty
    // (1 0 0 0.5) to full (0 1 0 1).
    const struct { bool shown; float primary, secondary; ColourValue primaryColour, secondaryColour; } rows[] = {
        {false, 0.5f, 1.0f, ColourValue(0.5f, 0.5f, 0.5f), ColourValue(1, 1, 1)},
        {true, 0.0f, 1.0f, ColourValue(1, 0, 0, 0.5f), ColourValue(0, 1, 0)},
        {true, 0.25f, 0.5f, ColourValue(0.75f, 0.25f, 0, 0.625f), ColourValue(0.5f, 0.5f, 0, 0.75f)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.primary);
        if (row.shown)
            weapons.show();
        a.primary->load = row.primary;
        a.secondary->load = row.secondary;
        weapons.update();
        EXPECT_EQ(tintOf(weapons.getPrimaryComponent()->getMaterial()), row.primaryColour);
        EXPECT_EQ(tintOf(weapons.getSecondaryComponent()->getMaterial()), row.secondaryColour);
    }
    EXPECT_TRUE(reticle->isVisible());
    a.setFocus(false);
}

TEST_F(HudOverlayTest, TheInterfaceModeShowsTheDisplayOnlyWhileFlyingAndFramesAlways)
{
    writeFile(folder.file("frames.cfg"), "[Frames]\nplayerColour = (0 1 0 1)\nfriendColour = (0 0 1 1)\nenemyColour = (1 0 0 1)\n"
                                         "[Hud]\nframeMaterial = BaseWhite\n");
    const Config frameSettings(folder.file("frames.cfg"));
    FrameBillboardSet frames(cameraScene.get(), frameSettings, frameSettings);
    TestShip& own = ship("own");
    own.damageModel = &model({{"wire.mesh", 1.0f}});
    own.setFocus(true);
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

        // The target key works only while the display is shown: with nothing ahead it drops the
        // selection.
        TestShip& target = ship("target");
        target.setSelected(true);
        pulse("target_reticle_closest");
        EXPECT_EQ(Targetable::getSelected() == nullptr, shown);
        target.setSelected(false);
    }
}

} // namespace
} // namespace Tolvarine::Test

#include "ShipDamageModel.h"

#include "CameraController.h"
#include "CameraDoubles.h"
#include "CombatWorld.h"
#include "ComplexExplosion.h"
#include "ExplosionManager.h"
#include "GameplaySettings.h"
#include "InstrumentSoundManager.h"
#include "LogCapture.h"
#include "ParticleSpray.h"
#include "ResponseCurves.h"
#include "ShipExplosionSequence.h"
#include "ShipFiles.h"
#include "ShipType.h"
#include "SoundFixture.h"
#include "SoundSource.h"
#include "TargetingDoubles.h"

#include <OgreMaterialManager.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgrePass.h>
#include <OgreRoot.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <OgreTextureUnitState.h>
#include <gtest/gtest.h>
#include <ode/objects.h>

#include <cmath>
#include <set>

namespace Tolvarine::Test {
namespace {

// A ship of a type with the given components, with the services focus and the alarm talk to.
class ShipDamageModelTest : public SoundFixture {
protected:
    ShipDamageModelTest()
    {
        startManager();
        sounds = std::make_unique<InstrumentSoundManager>();
        ShipExplosionSequence::getPoolFactory().registerType(
            "SmallShipDeath", [] { return new ShipExplosionSequence("SmallShipDeath", 1.0f, 0.0f); }, 0);
    }

    ~ShipDamageModelTest() override
    {
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        model.reset();
        ShipExplosionSequence::getPoolFactory().clear();
    }

    ShipDamageModel& build(const std::string& components, const std::map<std::string, std::string>& changes = {})
    {
        model.reset();
        ship.reset();
        notified.clear();
        writeFile(files.file("test.ship"),
                  shipText("Test", changes,
                           components + "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"));
        type = std::make_unique<ShipType>(files.file("test.ship"));
        ship = std::make_unique<TestShip>("ship", *type, journal);
        model = std::make_unique<ShipDamageModel>(*ship, *type);
        model->damageSubscribe([this](unsigned component) { notified.push_back(component); });
        return *model;
    }

    void hit(int component, float direct, float splash = 0.0f)
    {
        model->inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, component, direct, splash, 0.0f,
                             CONVENTIONAL);
    }

    std::vector<float> healths() const
    {
        std::vector<float> result;
        for (unsigned i = 0; i < model->getComponentCount(); ++i)
            result.push_back(model->getComponentHealth(i));
        return result;
    }

    std::vector<ShipExplosionSequence*> sequences() const
    {
        const auto live = ShipExplosionSequence::getPoolFactory().getPool("SmallShipDeath")->getLiveObjects();
        return {live.begin(), live.end()};
    }

    bool alarm() const { return sounds->getCriticalAlarm().isPlaying(); }

    PhysicsEngine physics;
    std::unique_ptr<InstrumentSoundManager> sounds;
    GameplaySettings gameplay{files.file("gameplay.cfg")};
    Journal journal;
    std::unique_ptr<ShipType> type;
    std::unique_ptr<TestShip> ship;
    std::unique_ptr<ShipDamageModel> model;
    std::vector<unsigned> notified;
};

TEST_F(ShipDamageModelTest, ComponentsPlatingAndMissingComponents)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 100, {}, "meshPosition = (1 2 3)\n") +
                                    componentText("Component_Wing", 50) + componentText("Component_Aerial", 0));
    const DamageModel& shown = damage; // what the damage display reads
    ASSERT_EQ(shown.getComponentCount(), 3u);
    EXPECT_EQ(shown.getComponentName(1), "Wing");
    EXPECT_EQ(shown.getComponentMesh(0), "Component_Hull.mesh");
    EXPECT_EQ(shown.getWireframeScale(), 0.25f);
    EXPECT_EQ(shown.getComponentPosition(0), Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(damage.getComponentIndex("Wing"), 1);
    EXPECT_EQ(damage.getComponentIndex("Rudder"), 0); // unknown geometry damages the first
    EXPECT_EQ(damage.getPlatingCapacity(), 0.0f); // an unarmoured component is broken
    EXPECT_TRUE(damage.damageComponent(2, 1.0f));
    damage.damageComponent(1, 20.0f);
    EXPECT_FLOAT_EQ(shown.getComponentHealthProportion(1), 0.6f);

    // The plating holds a tenth of the weakest armour and refills when it runs out.
    build(componentText("Component_Hull", 100) + componentText("Component_Wing", 50));
    EXPECT_EQ(model->getPlatingCapacity(), 5.0f);
    hit(0, 4.0f);
    hit(1, 2.0f);
    EXPECT_EQ(model->getPlating(), 5.0f);
    hit(0, 6.0f);
    EXPECT_EQ(healths(), (std::vector<float>{90.0f, 48.0f}));
    hit(ShipDamageModel::NO_COMPONENT, 7.0f); // wears the plating, never breaches it
    EXPECT_EQ(model->getPlating(), -2.0f);
    EXPECT_EQ(healths(), (std::vector<float>{90.0f, 48.0f}));
    EXPECT_EQ(notified.size(), 3u);

    LogCapture log;
    EXPECT_TRUE(std::isinf(build("").getPlating())); // without components the plating is endless
    hit(0, 10.0f);
    hit(ShipDamageModel::ALL_COMPONENTS, 10.0f);
    EXPECT_TRUE(model->maintenanceUpdate(1.0f));
    build(componentText("Component_A", 10));
    hit(-3, 5.0f);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "ShipDamageModel: attempt to damage non-existent component: 0",
                               "ShipDamageModel: attempt to damage non-existent component: 4294967293"}));
    EXPECT_EQ(healths(), std::vector<float>{10.0f});
    EXPECT_TRUE(notified.empty());
}

// Guards two faults: health exactly zero is not yet broken, and each life ends in one explosion
// sequence however often the ship is broken or destroyed.
TEST_F(ShipDamageModelTest, HealthExactlyZeroHoldsAndEachLifeEndsInOneSequence)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 10));
    EXPECT_FALSE(damage.damageComponent(0, 10.0f));
    EXPECT_FALSE(damage.isDestroyed());
    EXPECT_TRUE(sequences().empty());

    EXPECT_TRUE(damage.damageComponent(0, 0.001f));
    EXPECT_EQ(damage.getComponentHealth(0), 0.0f);
    EXPECT_TRUE(damage.isDestroyed());
    ASSERT_EQ(sequences().size(), 1u);
    EXPECT_EQ(sequences()[0]->getTarget(), ship.get());
    EXPECT_TRUE(damage.damageComponent(0, 5.0f));
    damage.destroy();
    EXPECT_EQ(sequences().size(), 1u);
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 0, 0}));

    // The next life starts whole and can end again; the player's sequence is focused.
    damage.activate();
    EXPECT_FALSE(damage.isDestroyed());
    EXPECT_EQ(damage.getComponentHealth(0), 10.0f);
    ship->setFocus(true);
    damage.destroy();
    ASSERT_EQ(sequences().size(), 2u);
    EXPECT_NE(sequences()[0]->isFocused(), sequences()[1]->isFocused());

    ShipDamageModel& wreck = build(componentText("Component_Hull", 10), {{"explosionGroup", "Nowhere"}});
    LogCapture log;
    wreck.destroy();
    wreck.destroy();
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("ShipDamageModel: no explosion sequence Nowhere for a destroyed ", 0), 0u);
}

TEST_F(ShipDamageModelTest, SplashAndBlastsReachComponentsInOrderUntilOneBreaks)
{
    build(componentText("Component_Hull", 100, {"Left", "Right", "Tail"}) + componentText("Component_Left", 10) +
          componentText("Component_Right", 10) + componentText("Component_Tail", 10));
    hit(0, 1.0f, 4.0f);
    EXPECT_EQ(healths(), (std::vector<float>{99.0f, 6.0f, 6.0f, 6.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 1, 2, 3}));
    model->damageComponent(2, 3.0f);
    notified.clear();
    hit(0, 1.0f, 5.0f); // Right breaks: Tail is spared
    EXPECT_EQ(healths(), (std::vector<float>{98.0f, 1.0f, 0.0f, 6.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 1, 2}));

    // A blast hits every component in turn until one breaks.
    build(componentText("Component_A", 10) + componentText("Component_B", 10) + componentText("Component_C", 10));
    model->damageComponent(1, 8.0f);
    notified.clear();
    model->inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, ShipDamageModel::ALL_COMPONENTS, 5.0f, 0.0f,
                         0.0f, static_cast<DamageType>(3));
    EXPECT_EQ(healths(), (std::vector<float>{5.0f, 0.0f, 10.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 1}));

    // Breaking the hit component stops the hit before splash and before the plating refills.
    ShipDamageModel& damage = build(componentText("Component_Hull", 10, {"Wing"}) + componentText("Component_Wing", 50));
    hit(0, 12.0f, 5.0f);
    EXPECT_EQ(healths(), (std::vector<float>{0.0f, 50.0f}));
    EXPECT_EQ(damage.getPlating(), -11.0f);
}

TEST_F(ShipDamageModelTest, MaintenanceRepairsTheWeakestUpToArmourAndAlwaysNotifies)
{
    ShipDamageModel& damage = build(componentText("Component_A", 10) + componentText("Component_B", 10) +
                                    componentText("Component_C", 20));
    damage.maintenanceUpdate(1.0f); // all whole: component 0 is picked and reported, unchanged
    EXPECT_EQ(notified, std::vector<unsigned>{0});
    hit(0, 4.0f);
    hit(0, -50.0f, -50.0f); // negative damage heals nothing
    damage.damageComponent(1, 6.0f);
    damage.damageComponent(2, 16.0f);
    notified.clear();
    // Rate 2: a second gives 2. B and C are equal, and the lower index goes first.
    damage.maintenanceUpdate(1.0f);
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 6.0f, 4.0f}));
    damage.maintenanceUpdate(0.5f);
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 6.0f, 5.0f}));
    damage.maintenanceUpdate(1000.0f);
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 6.0f, 20.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{1, 2, 2}));

    // Guards: a ship that waited long in its pool must not repair the whole wait at its first update.
    build(componentText("Component_A", 100), {{"maintenanceRate", "1"}});
    passAt(0.0);
    passAt(500.0);
    model->activate();
    model->damageComponent(0, 50.0f);
    notified.clear();
    for (double t = 500.25; notified.empty() && t < 510.0; t += 0.25)
        passAt(t);
    ASSERT_EQ(notified.size(), 1u);
    // The task runs 2 ± 1 s after activation.
    EXPECT_GE(model->getComponentHealth(0), 51.0f);
    EXPECT_LE(model->getComponentHealth(0), 53.5f);
    model->deactivate();
    notified.clear();
    for (double t = 510.0; t < 520.0; t += 0.25)
        passAt(t);
    EXPECT_TRUE(notified.empty());

    // The critical alarm follows the player's ship.
    ShipDamageModel& alarmed = build(componentText("Component_A", 100) + componentText("Component_B", 100),
                                    {{"maintenanceRate", "1"}});
    alarmed.damageComponent(0, 71.0f);
    EXPECT_FALSE(alarm()); // another ship's damage never sounds it
    ship->setFocus(true);
    alarmed.updateCriticalAlarm();
    EXPECT_TRUE(alarm());
    alarmed.maintenanceUpdate(2.0f); // repaired to 31 %
    EXPECT_FALSE(alarm());
    alarmed.damageComponent(1, 69.0f);
    EXPECT_FALSE(alarm());
    alarmed.damageComponent(1, 2.0f);
    EXPECT_TRUE(alarm());
    alarmed.damageComponent(0, 2.0f);
    alarmed.maintenanceUpdate(2.0f); // A repaired past 30 %, B still critical
    EXPECT_EQ(alarmed.getComponentHealth(0), 31.0f);
    EXPECT_TRUE(alarm());
    alarmed.deactivate();
    EXPECT_FALSE(alarm());
}

TEST_F(ShipDamageModelTest, OneSubscriberAtATimeAndHitsHandTheirShockToTheAiAndPushesRollTheShip)
{
    LogCapture log;
    ShipDamageModel& damage = build(componentText("Component_A", 10), {{"Physics.explosionBounce", "1"},
                                                                      {"Physics.triggerAllProjectiles", "1"}});
    std::vector<unsigned> second;
    damage.damageSubscribe([&second](unsigned component) { second.push_back(component); });
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"Warning: ShipDamageModel::damageSubscribe displacing existing subscriber"});
    damage.damageComponent(0, 1.0f);
    EXPECT_TRUE(notified.empty());
    damage.damageUnsubscribe();
    damage.damageComponent(0, 1.0f);
    EXPECT_EQ(second, std::vector<unsigned>{0});
    EXPECT_EQ(damage.getCollisionType(), 3);
    std::vector<float> shocks;
    damage.setShockReceiver([&shocks](float shock) { shocks.push_back(shock); });
    damage.inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, ShipDamageModel::NO_COMPONENT, 0.0f, 0.0f, 2.5f,
                         PLASMA);
    damage.inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, 0, 20.0f, 0.0f, 4.0f, BEAM);
    EXPECT_EQ(shocks, (std::vector<float>{2.5f, 4.0f}));

    gameplay.setExplosionRollProportion(0.5f);
    damage.applyExplosionForce(Ogre::Vector3(0, 10, 0), Ogre::Vector3(1, 0, 0));
    EXPECT_DOUBLE_EQ(dBodyGetForce(ship->body.getBody())[1], 5.0);
    // Applied off the centre, the push turns the ship about z.
    EXPECT_DOUBLE_EQ(dBodyGetTorque(ship->body.getBody())[2], 5.0);
}

// "fireball" and "plating" sprays, explosion types in the groups "Plasma" and "Conventional",
// and the camera 300 units behind the ship, on a hidden window (explosion flashes need textures).
class PlatingBreachTest : public CombatWorld {
protected:
    PlatingBreachTest() : CombatWorld(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        Ogre::ParticleSystem* sparks = Ogre::ParticleSystemManager::getSingleton().createTemplate(
            "Test/Sparks", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        sparks->setMaterialName("BaseWhite");
        sparks->addEmitter("Point")->setEmissionRate(10.0f);
        makeFlipBook("Flash");
        writeFile(folder.file("curves.cfg"), "[Rise]\n0 = 0\n1 = 1\n");
        curves = std::make_unique<ResponseCurves>(folder.file("curves.cfg"));
        for (const char* spray : {"fireball", "plating"})
            writeFile(explosions() + "/" + spray + ".spray",
                      "[ParticleSpray]\nsystemName = Test/Sparks\nduration = 1\nrateCurveName = Rise\n"
                      "timeResolution = 0.125\n");
        writeExplosionType("plasma_hit", explosionType("Plasma"));
        writeExplosionType("slug_hit", explosionType("Conventional"));
        ParticleSpray::loadTypes(explosions(), &scene(), curves.get());
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        explosionManager = std::make_unique<ExplosionManager>(explosions(), curves.get());
        cameras = std::make_unique<CameraController>(scene(), cameraSettings);
        cameras->getCurrentCamera()->setPosition(Ogre::Vector3(0, 0, 300));
        cameras->getCurrentCamera()->setOrientation(Ogre::Quaternion::IDENTITY);

        writeFile(folder.file("test.ship"),
                  shipText("Test", {}, componentText("Component_Hull", 100) +
                                           "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"));
        type = std::make_unique<ShipType>(folder.file("test.ship"));
        ship = std::make_unique<TestShip>("ship", *type, journal);
        ship->body.setLinearVelocity(Ogre::Vector3(0, 0, -10));
        model = std::make_unique<ShipDamageModel>(*ship, *type);
    }

    ~PlatingBreachTest() override
    {
        model.reset();
        ship.reset();
        cameras.reset();
        ParticleSpray::unloadTypes();
        explosionManager.reset();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    static void makeFlipBook(const std::string& name)
    {
        const std::string group = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
        Ogre::String frame = name + "/Frame0";
        Ogre::TextureManager::getSingleton().createManual(frame, group, Ogre::TEX_TYPE_2D, 4, 4, 0, Ogre::PF_BYTE_RGBA);
        Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().create(name, group);
        material->getTechnique(0)->getPass(0)->createTextureUnitState()->setAnimatedTextureName(&frame, 1, 0);
    }

    static std::string explosionType(const std::string& group)
    {
        return "[Explosion]\ngroup = " + group + "\n[Physics]\nmass = 1\n"
               "[Animation]\nmaterialName = Flash\nduration = 0.25\ntimeResolution = 0.03125\nsize = 4\n"
               "[Glow]\nmaterialName = BaseWhite\nduration = 0.5\ntimeResolution = 0.03125\n"
               "sizeCurveName = Rise\nminSize = 1\nmaxSize = 2\ncolourCurveName = Rise\n"
               "minColour = (0 0 0 0)\nmaxColour = (1 1 1 1)\n[Sound]\nname = beep\n";
    }

    void breach(const Ogre::Vector3& position, DamageType damageType)
    {
        model->inflictDamage(position, Ogre::Vector3::ZERO, 0, 11.0f, 0.0f, 0.0f, damageType);
        ASSERT_EQ(model->getPlating(), 10.0f);
    }

    std::vector<ParticleSpray*> sprays(const std::string& type) const
    {
        const auto live = ParticleSpray::getPools().getPool(type)->getLiveObjects();
        return {live.begin(), live.end()};
    }
    std::vector<ComplexExplosion*> explosionsOf(const std::string& type) const
    {
        const auto live = explosionManager->getPools().getPool(type)->getLiveObjects();
        return {live.begin(), live.end()};
    }

    struct FreshSoundDefinitions {
        FreshSoundDefinitions() { SoundManager::forgetSoundConfigs(); }
        ~FreshSoundDefinitions() { SoundManager::forgetSoundConfigs(); }
    } freshSoundDefinitions;
    SoundFiles soundFiles;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> explosionManager;
    const Config cameraSettings{written(folder.file("camera.cfg"), cameraSettingsText)};
    std::unique_ptr<CameraController> cameras;
    Journal journal;
    std::unique_ptr<ShipType> type;
    std::unique_ptr<TestShip> ship;
    std::unique_ptr<ShipDamageModel> model;
};

// One window for every breach case: the coin, the camera's distance and view, the damage type.
TEST_F(PlatingBreachTest, BreachesThrowFireballsOrSparkAndExplodeWhereTheCameraSees)
{
    CameraBase* camera = cameras->getCurrentCamera();
    {
        // The coin, the number of fireballs (1 + 2.3 × 0.9: three), then each one's scatter.
        ScriptedRandom random({0.25f, 0.9f, 0.75f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.25f, 0.5f, 0.5f});
        breach(Ogre::Vector3(0, 0, -5), CONVENTIONAL);
        EXPECT_EQ(random.draws(), 2u + 3u * 3u);
    }
    std::set<float> xs;
    for (ParticleSpray* fireball : sprays("fireball"))
        xs.insert(fireball->getPhysicsBody().getVelocity().x);
    EXPECT_EQ(xs, (std::set<float>{15.0f, 0.0f, -15.0f})); // the ship's velocity, scattered
    struct Row { const char* step; Ogre::Vector3 camera, at; DamageType type; std::vector<float> draws;
                 std::size_t plating, slug, plasma; };
    const Row rows[] = {
        {"at 305 units a plating spray, and a slug hit explodes as Conventional", {0, 0, 300}, {0, 0, -5},
         CONVENTIONAL, {0.5f, 0.75f}, 1, 1, 0},
        {"beyond 400 units no plating spray; plasma explodes as Plasma", {0, 0, 500}, {0, 0, -5}, PLASMA, {0.5f}, 1, 1, 1},
        {"beams explode as Plasma", {0, 0, 500}, {0, 0, -5}, BEAM, {0.5f}, 1, 1, 2},
        {"within 100 units neither, and a blast makes no explosion", {0, 0, 50}, {0, 0, -5}, DamageType(3), {0.5f}, 1, 1, 2},
        {"behind the camera nothing", {0, 0, 300}, {0, 0, 320}, PLASMA, {0.25f}, 1, 1, 2},
        {"beyond the far clip distance nothing", {0, 0, 300}, {0, 0, -3000}, PLASMA, {0.25f}, 1, 1, 2},
        {"beyond 1000 units nothing", {0, 0, 1200}, {0, 0, -5}, PLASMA, {0.25f}, 1, 1, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        camera->setPosition(row.camera);
        ScriptedRandom random(row.draws);
        breach(row.at, row.type);
        EXPECT_EQ(sprays("plating").size(), row.plating);
        EXPECT_EQ(explosionsOf("slug_hit").size(), row.slug);
        EXPECT_EQ(explosionsOf("plasma_hit").size(), row.plasma);
        EXPECT_EQ(sprays("fireball").size(), 3u);
    }
    EXPECT_EQ(sprays("plating")[0]->getPhysicsBody().getVelocity(), Ogre::Vector3(15, 15, 5));
    EXPECT_EQ(explosionsOf("slug_hit")[0]->getPhysicsBody().getPosition(), Ogre::Vector3(0, 0, -5));
}

} // namespace
} // namespace Tolvarine::Test

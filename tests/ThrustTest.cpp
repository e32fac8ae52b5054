#include "Thrust.h"

#include "ConfigurationError.h"
#include "DynamicCollidable.h"
#include "GraphicsSettings.h"
#include "PhysicsEngine.h"
#include "RenderingRoot.h"
#include "ShipFiles.h"
#include "ShipType.h"
#include "SoundFixture.h"
#include "SoundSource.h"
#include "StationThruster.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreControllerManager.h>
#include <OgreLight.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

// A ship's collidable in a headless scene, an engine template of two emitters, half particle detail.
class ThrustTest : public SoundFixture {
protected:
    ThrustTest()
    {
        startManager();
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        Ogre::ParticleSystem* engine = Ogre::ParticleSystemManager::getSingleton().createTemplate(
            "TestEngine", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        engine->addEmitter("Point")->setEmissionRate(40.0f);
        engine->addEmitter("Point")->setEmissionRate(40.0f);
        graphics.setParticleSystemDetail(0.5f);
    }

    ~ThrustTest() override
    {
        thrust.reset();
        ship.reset();
        Ogre::ParticleSystemManager::getSingleton().removeTemplate("TestEngine");
    }

    Thrust& build(const std::map<std::string, std::string>& changes = {})
    {
        type = std::make_unique<ShipType>(written(files.file("test.ship"), shipText("Test", changes)));
        ship = std::make_unique<DynamicCollidable>(root.sceneManager(), "Ship0", *type, Ogre::Vector3::ZERO,
                                                   Ogre::Quaternion::IDENTITY);
        thrust = std::make_unique<Thrust>(*ship, *type);
        return *thrust;
    }

    PhysicsBody& body() { return ship->getPhysicsBody(); }
    float emission(unsigned short emitter = 0) const { return thrust->getEngineParticles()->getEmitter(emitter)->getEmissionRate(); }
    Ogre::ColourValue glowColour(unsigned index) const { return thrust->getGlow()->getBillboard(index)->getColour(); }

    void runUntil(double end)
    {
        while (scheduler.getTime() + 0.125 <= end) {
            ManualTicks::advance(0.125 - 0.0625);
            scheduler.run();
        }
    }

    RenderingRoot root{RenderingRoot::Kind::Headless};
    // Particle systems attach their update to the controllers, which a headless root lacks.
    Ogre::ControllerManager controllers;
    PhysicsEngine physics;
    GraphicsSettings graphics{files.file("graphics.cfg")};
    std::unique_ptr<ShipType> type;
    std::unique_ptr<DynamicCollidable> ship;
    std::unique_ptr<Thrust> thrust;
};

const std::map<std::string, std::string> humming{{"mainThrustSound", "hum"}, {"auxiliaryThrustSound", "hum"}};

TEST_F(ThrustTest, RequestsAreClampedToTheTypesLimitsOnlyWhenAsked)
{
    Thrust& controller = build(humming);
    for (const auto& [request, clamp, want] : {std::tuple{Ogre::Vector3(300, 0, 0), true, Ogre::Vector3(100, 0, 0)},
                                               {Ogre::Vector3(300, 0, 0), false, Ogre::Vector3(300, 0, 0)},
                                               {Ogre::Vector3(30, 40, 0), true, Ogre::Vector3(30, 40, 0)}}) { // within the limit: bit for bit
        controller.setForce(request, clamp);
        EXPECT_EQ(body().getForce(), want) << request << clamp;
    }
    controller.setTorque(Ogre::Vector3(0, -60, 80), true);
    EXPECT_TRUE(body().getTorque().positionEquals(Ogre::Vector3(0, -12, 16), 1e-5f));
    controller.applyForce(Ogre::Vector3(0, 0, -0.5f));
    EXPECT_EQ(body().getForce(), Ogre::Vector3(0, 0, -50));
    controller.applyTorque(Ogre::Vector3(1, 0, 0));
    EXPECT_EQ(body().getTorque(), Ogre::Vector3(20, 0, 0));
    // World-frame requests are clamped first, then turned into the body's frame.
    body().setOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
    controller.setRelativeForce(Ogre::Vector3(0, 0, -250), true);
    EXPECT_TRUE(body().getForce().positionEquals(Ogre::Vector3(100, 0, 0), 1e-3f));
    controller.setRelativeTorque(Ogre::Vector3(40, 0, 0), true);
    EXPECT_TRUE(body().getTorque().positionEquals(Ogre::Vector3(0, 0, 20), 1e-3f));
}

TEST_F(ThrustTest, EffectsAreBuiltDarkOnTheShipsNodeAndLevelsSetColourEmissionAndGain)
{
    Ogre::SceneManager& scene = root.sceneManager();
    const auto nothingLeft = [&scene] {
        return !scene.hasParticleSystem("Ship0/ThrustSystem") && !scene.hasBillboardSet("Ship0/ThrustGlow") && !scene.hasLight("Ship0/ThrustLight");
    };
    EXPECT_THROW(build({{"mainThrustSound", "no_such_sound"}}), ConfigurationError);
    EXPECT_TRUE(nothingLeft());
    ship.reset();
    EXPECT_ANY_THROW(build({{"engineParticleSystem", "NoSuchTemplate"}, {"mainThrustSound", "hum"}}));
    EXPECT_TRUE(nothingLeft());
    ship.reset();
    // Past half the float range the renderer's box of the glow passes it (its assertion ended the game).
    EXPECT_THROW(build({{"glowSize", "2e38"}, {"mainThrustSound", "hum"}, {"auxiliaryThrustSound", "hum"}}), ConfigurationError);
    EXPECT_TRUE(nothingLeft());
    ship.reset();

    Thrust& effects = build(humming);
    EXPECT_TRUE(effects.getEngineParticles()->getParentSceneNode() == ship->getSceneNode() && effects.getLight()->getParentSceneNode() == ship->getSceneNode());
    Ogre::BillboardSet* glow = effects.getGlow(); // one billboard per "position" key, in key order
    ASSERT_EQ(glow->getNumBillboards(), 2);
    EXPECT_EQ(glow->getBillboard(0)->getPosition(), Ogre::Vector3(-2, 0, 8));
    EXPECT_EQ(glow->getBillboard(1)->getPosition(), Ogre::Vector3(2, 0, 8));
    EXPECT_EQ(emission(1), 0.0f);
    EXPECT_EQ(effects.getLight()->getDiffuseColour(), Ogre::ColourValue::Black);
    EXPECT_FALSE(effects.getMainSound().isPlaying() || effects.getTask().isActive());

    effects.setMainThrust(0.5f);
    EXPECT_EQ(emission(1), 10.0f); // base rate 40 at half particle detail, at half thrust
    const Ogre::ColourValue half(0.5f, 0.25f, 0.125f, 0.5f);
    EXPECT_EQ(glowColour(1), half);
    EXPECT_EQ(effects.getLight()->getSpecularColour(), half);
    EXPECT_EQ(effects.getMainSound().getLevel(), 0.5f);
    effects.getEngineParticles()->getEmitter(0)->setEmissionRate(7.0f);
    effects.setMainThrust(0.5f); // the level it has: nothing changes
    EXPECT_EQ(emission(0), 7.0f);
    // At the threshold the engine is dark, but the main sound follows the level.
    effects.setMainThrust(Thrust::VISIBLE_LEVEL);
    EXPECT_EQ(emission(0), 0.0f);
    EXPECT_EQ(glowColour(1), Ogre::ColourValue::Black);
    EXPECT_EQ(effects.getMainSound().getLevel(), Thrust::VISIBLE_LEVEL);
    effects.setAuxiliaryThrust(0.75f, Ogre::Vector3(0, 3, 0));
    EXPECT_EQ(effects.getAuxiliarySound().getLevel(), 0.75f);
    // The auxiliary thrusters fall silent at the threshold; a zero direction keeps the place.
    effects.setAuxiliaryThrust(Thrust::VISIBLE_LEVEL, Ogre::Vector3::ZERO);
    EXPECT_EQ(effects.getAuxiliarySound().getLevel(), 0.0f);
    EXPECT_EQ(effects.getAuxiliarySound().getOffset(), Ogre::Vector3(0, 1, 0));
    thrust.reset();
    EXPECT_TRUE(nothingLeft());
}

TEST_F(ThrustTest, TheTaskMovesTheLevelsTowardsTheForce)
{
    Thrust& effects = build(humming);
    // Guards: made at start-up, the ship waits long in its pool; the first step must not count that wait.
    runUntil(100.0);
    effects.activate();
    effects.setForce(Ogre::Vector3(0.5f, 0, 0), false);
    while (effects.getAuxiliaryLevel() == 0.0f && scheduler.getTime() < 101.0)
        runUntil(scheduler.getTime() + 0.125);
    EXPECT_NEAR(effects.getAuxiliaryLevel(), 0.125f, 0.02f); // one step: a quarter of the way
    // Backwards at full force the auxiliary target is far above 1: the level stops at 1.
    effects.applyForce(Ogre::Vector3::UNIT_Z);
    runUntil(110.0);
    EXPECT_EQ(effects.getAuxiliaryLevel(), 1.0f);
}

TEST(StationThrusterTest, TurnsWithinItsTorqueAndNeverPushes)
{
    InputHandler input;
    Scheduler scheduler;
    PhysicsEngine physics;
    TemporaryFolder folder;
    const Config type(written(folder.file("turret.station"), "[Physics]\nmaxTorque = 5\n"));
    PhysicsBody body(type);
    StationThruster thruster(body, type);
    EXPECT_EQ(thruster.getMaxForce(), 0.0f);
    thruster.setForce(Ogre::Vector3(1, 0, 0), false);
    thruster.setRelativeForce(Ogre::Vector3(1, 0, 0), false);
    thruster.applyForce(Ogre::Vector3(1, 0, 0));
    EXPECT_EQ(body.getForce(), Ogre::Vector3::ZERO);
    thruster.setTorque(Ogre::Vector3(0, 30, 40), true);
    EXPECT_TRUE(body.getTorque().positionEquals(Ogre::Vector3(0, 3, 4), 1e-5f));
    thruster.applyTorque(Ogre::Vector3(0, -1, 0));
    EXPECT_EQ(body.getTorque(), Ogre::Vector3(0, -5, 0));
    body.setOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
    thruster.setRelativeTorque(Ogre::Vector3(0, 0, -10), true);
    EXPECT_TRUE(body.getTorque().positionEquals(Ogre::Vector3(5, 0, 0), 1e-4f));
    EXPECT_THROW(StationThruster(body, Config(written(folder.file("broken.station"), "[Physics]\nmass = 2\n"))), ConfigurationError);
}

} // namespace
} // namespace Tolvarine::Test

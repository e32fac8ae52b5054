#include "ConfigurationError.h"
#include "DebrisSystem.h"
#include "LogCapture.h"
#include "SceneryWorld.h"

#include <OgreColourValue.h>
#include <OgreControllerManager.h>
#include <OgreParticle.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

// A camera that stands and moves only as the test says.
class StandInCamera : public CameraBase {
public:
    StandInCamera(Ogre::SceneManager& scene, const Config& settings) : CameraBase("StandIn", scene, settings) {}
    void setTarget(Targetable&) override {}
    void update(float, float) override {}
    Vector3 getVelocity() const override { return velocity; }
    Vector3 velocity = Vector3::ZERO;
};

// Dust of a template whose emitter makes 4 motes per unit of distance, in the scenery world
// (whose cfg/debris.cfg holds no "globalRate").
class DebrisSystemTest : public SceneryWorld {
protected:
    DebrisSystemTest()
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        auto* dustTemplate = Ogre::ParticleSystemManager::getSingleton().createTemplate("TestDust", Ogre::RGN_DEFAULT);
        dustTemplate->addEmitter("Point")->setEmissionRate(4.0f);
        dust.addSystem("Fine", "TestDust");
    }

    // A root without a window has no controller manager, which particle systems need.
    std::unique_ptr<Ogre::ControllerManager> controllers{
        Ogre::ControllerManager::getSingletonPtr() ? nullptr : std::make_unique<Ogre::ControllerManager>()};
    DebrisSystem dust{scene};
    StandInCamera camera{scene, settings};
};

TEST_F(DebrisSystemTest, EmittersLeadTheCameraAtARateThatFollowsItsSpeed)
{
    dust.setSystemLeadDistance("Fine", 100.0f);
    camera.setPosition(Vector3(5, 0, 0));
    const struct {
        const char* step;
        bool withCamera;
        Vector3 velocity;
        float systemRate, globalRate;
        Vector3 nodeAt;
        float emission;
    } steps[] = {
        {"no camera yet: nothing moves", false, Vector3(0, 0, -10), 1.0f, 1.0f, Vector3::ZERO, 4.0f},
        {"a still camera: at the camera, no dust", true, Vector3::ZERO, 1.0f, 1.0f, Vector3(5, 0, 0), 0.0f},
        {"flying: ahead, rate times speed", true, Vector3(0, 0, -10), 1.0f, 1.0f, Vector3(5, 0, -100), 40.0f},
        {"sideways, the system's rate doubled", true, Vector3(20, 0, 0), 2.0f, 1.0f, Vector3(105, 0, 0), 160.0f},
        {"a global rate of 0 stops it all", true, Vector3(20, 0, 0), 2.0f, 0.0f, Vector3(105, 0, 0), 0.0f},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        dust.setCamera(step.withCamera ? &camera : nullptr);
        camera.velocity = step.velocity;
        dust.setSystemEmissionRate("Fine", step.systemRate);
        dust.setGlobalEmissionRate(step.globalRate);
        dust.update(0.0f, 0.0f);
        const Ogre::SceneNode& node = *scene.getSceneNode("Fine");
        EXPECT_TRUE(node.getPosition().positionEquals(step.nodeAt));
        EXPECT_FLOAT_EQ(scene.getParticleSystem("Fine")->getEmitter(0)->getEmissionRate(), step.emission);
        if (step.withCamera && step.velocity != Vector3::ZERO) {
            EXPECT_TRUE((node.getOrientation() * Vector3::NEGATIVE_UNIT_Z).directionEquals(step.velocity, Ogre::Degree(0.01f)));
        }
    }
    // Saved at once, though the settings file did not hold the key (a menu change used to throw).
    EXPECT_EQ(Config("cfg/debris.cfg").get<float>("Debris", "globalRate"), 0.0f);
    controller.activateChaseCamera();
    EXPECT_EQ(dust.getCamera(), &controller.getChaseCamera()) << "every camera switch hands the camera over";

    // After a clear the next scenario adds its dust under the same names (that used to fail on
    // the node left behind); an unknown template is refused with one line and nothing added.
    dust.clear();
    dust.addSystem("Fine", "TestDust");
    LogCapture log;
    EXPECT_THROW(dust.addSystem("Coarse", "NoSuchTemplate"), ConfigurationError);
    EXPECT_TRUE(log.contains("DebrisSystem: unknown particle template NoSuchTemplate"));
    EXPECT_EQ(dust.getSystems().size(), 1u);
}

// The cull runs on the real-time clock at most once a period (1 s), also while paused.
TEST_F(DebrisSystemTest, TheCullKillsDustBeyondReachOncePerPeriod)
{
    dust.setSystemMaxVisibleDistance("Fine", 200.0f);
    dust.setCamera(&camera);
    Ogre::ParticleSystem& system = *scene.getParticleSystem("Fine");
    system._update(0.0f); // makes the particle pool; no time, so nothing is emitted
    Ogre::Particle* near = system.createParticle();
    Ogre::Particle* far = system.createParticle();
    ASSERT_TRUE(near && far);
    near->mPosition = Vector3(0, 0, -150);
    far->mPosition = Vector3(0, 0, -250);
    scheduler.setPaused(true);
    const struct {
        double seconds;
        bool culled;
    } steps[] = {{0.25, true}, {0.5, false}, {0.5, false}, {0.125, true}};
    for (const auto& step : steps) {
        near->mTimeToLive = far->mTimeToLive = 5.0f;
        advance(step.seconds);
        dust.update(0.0f, 0.0f);
        EXPECT_EQ(near->mTimeToLive, step.culled ? 100.0f : 5.0f) << step.seconds;
        EXPECT_EQ(far->mTimeToLive, step.culled ? 0.0f : 5.0f) << step.seconds;
    }
}

} // namespace
} // namespace Tolvarine::Test

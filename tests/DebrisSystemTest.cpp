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

namespace Tolvarine {
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

class DebrisSystemTest : public Test::SceneryWorld {
protected:
    DebrisSystemTest()
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        Ogre::ParticleSystem* dust = Ogre::ParticleSystemManager::getSingleton().createTemplate("TestDust", Ogre::RGN_DEFAULT);
        dust->setParticleQuota(100);
        dust->addEmitter("Point")->setEmissionRate(4.0f);
    }

    float emission(const std::string& name) const
    {
        return scene.getParticleSystem(name)->getEmitter(0)->getEmissionRate();
    }
    Ogre::SceneNode& node(const std::string& name) const { return *scene.getSceneNode(name); }

    // A root without a window has no controller manager, which particle systems need.
    std::unique_ptr<Ogre::ControllerManager> controllers{
        Ogre::ControllerManager::getSingletonPtr() ? nullptr : std::make_unique<Ogre::ControllerManager>()};
    DebrisSystem dust{scene};
    StandInCamera camera{scene, settings};
};

// Emitters ahead of the camera along its travel, at a rate that follows its speed.
TEST_F(DebrisSystemTest, EmittersLeadTheCameraAtARateThatFollowsItsSpeed)
{
    dust.addSystem("Fine", "TestDust");
    dust.setSystemLeadDistance("Fine", 100.0f);
    dust.setSystemLeadDistance("Nowhere", 1.0f);

    const struct {
        const char* step;
        bool withCamera;
        Vector3 velocity;
        float systemRate;
        float globalRate;
        Vector3 nodeAt;
        float emission;
    } steps[] = {
        {"no camera yet: nothing moves", false, Vector3(0, 0, -10), 1.0f, 1.0f, Vector3::ZERO, 4.0f},
        {"a still camera: at the camera, no dust", true, Vector3::ZERO, 1.0f, 1.0f, Vector3(5, 0, 0), 0.0f},
        {"flying: ahead, rate times speed", true, Vector3(0, 0, -10), 1.0f, 1.0f, Vector3(5, 0, -100), 40.0f},
        {"the system's own rate doubles it", true, Vector3(0, 0, -10), 2.0f, 1.0f, Vector3(5, 0, -100), 80.0f},
        {"sideways at 20", true, Vector3(20, 0, 0), 2.0f, 1.0f, Vector3(105, 0, 0), 160.0f},
        {"a global rate of 0 stops it all", true, Vector3(20, 0, 0), 2.0f, 0.0f, Vector3(105, 0, 0), 0.0f},
    };
    camera.setPosition(Vector3(5, 0, 0));
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        dust.setCamera(step.withCamera ? &camera : nullptr);
        camera.velocity = step.velocity;
        dust.setSystemEmissionRate("Fine", step.systemRate);
        dust.setGlobalEmissionRate(step.globalRate);
        dust.update(0.0f, 0.0f);
        EXPECT_TRUE(node("Fine").getPosition().positionEquals(step.nodeAt));
        EXPECT_FLOAT_EQ(emission("Fine"), step.emission);
        if (step.velocity != Vector3::ZERO && step.withCamera) {
            EXPECT_TRUE((node("Fine").getOrientation() * Vector3::NEGATIVE_UNIT_Z)
                            .directionEquals(step.velocity, Ogre::Degree(0.01f)));
        }
    }
    // The global rate is saved at once, though the settings file did not hold the key before.
    EXPECT_EQ(Config("cfg/debris.cfg").get<float>("Debris", "globalRate"), 0.0f);
    EXPECT_EQ(scene.getParticleSystem("Fine")->getQueryFlags(), 0u);
}

// The cull, on the real-time clock: dust beyond the reach dies, dust within it lives on.
TEST_F(DebrisSystemTest, TheCullKillsFarDustOncePerPeriodEvenWhilePaused)
{
    dust.addSystem("Fine", "TestDust");
    dust.setSystemMaxVisibleDistance("Fine", 200.0f);
    EXPECT_EQ(dust.getSystems().front().maxVisibleDistanceSquared, 40000.0f);
    dust.setCamera(&camera);
    Ogre::ParticleSystem& system = *scene.getParticleSystem("Fine");
    system._update(0.0f);  // makes the particle pool; no time, so nothing is emitted
    const auto place = [&](const Vector3& at) {
        Ogre::Particle* particle = system.createParticle();
        EXPECT_NE(particle, nullptr);
        particle->mPosition = at;
        particle->mTimeToLive = 5.0f;
        return particle;
    };
    Ogre::Particle* near = place(Vector3(0, 0, -150));
    Ogre::Particle* far = place(Vector3(0, 0, -250));
    scheduler.setPaused(true);

    const struct {
        const char* step;
        double seconds;
        bool culled;
    } steps[] = {
        {"the first update culls", 0.25, true},
        {"not again within the period", 0.5, false},
        {"nor at its very end", 0.5, false},
        {"just after it", 0.125, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        near->mTimeToLive = 5.0f;
        far->mTimeToLive = 5.0f;
        advance(step.seconds);
        dust.update(0.0f, 0.0f);
        EXPECT_EQ(near->mTimeToLive, step.culled ? 100.0f : 5.0f);
        EXPECT_EQ(far->mTimeToLive, step.culled ? 0.0f : 5.0f);
    }
}

// Clearing lets a scenario add its dust again under the same names; bad names leave nothing.
TEST_F(DebrisSystemTest, ClearedSystemsCanBeAddedAgainAndBadTemplatesAreRefused)
{
    for (int scenario = 0; scenario < 2; ++scenario) {
        dust.addSystem("Fine", "TestDust");
        EXPECT_EQ(dust.getSystems().size(), 1u);
        dust.clear();
        EXPECT_TRUE(dust.getSystems().empty());
        EXPECT_FALSE(scene.hasParticleSystem("Fine"));
    }
    Tolvarine::Test::LogCapture log;
    EXPECT_THROW(dust.addSystem("Fine", "NoSuchTemplate"), ConfigurationError);
    EXPECT_TRUE(log.contains("DebrisSystem: unknown particle template NoSuchTemplate"));
    EXPECT_TRUE(dust.getSystems().empty());
    EXPECT_FALSE(scene.hasSceneNode("Fine"));
}

} // namespace
} // namespace Tolvarine

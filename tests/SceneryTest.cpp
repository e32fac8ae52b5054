// The scenery seen from the fixed camera: planets and their haze, a sun's flare and space dust.
#include "ConfigurationError.h"
#include "DebrisSystem.h"
#include "LogCapture.h"
#include "OverlayBillboard.h"
#include "Planet.h"
#include "PlanetHaze.h"
#include "SceneryWorld.h"
#include "Star.h"

#include <OgreControllerManager.h>
#include <OgreHardwareBuffer.h>
#include <OgreLight.h>
#include <OgreParticle.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreRenderOperation.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace Tolvarine::Test {
namespace {

using Ogre::ColourValue;
using Ogre::Quaternion;
using Ogre::Vector3;

// A planet section: 1000 ahead (-Z), radius 100, 90 degrees a second about +Y, haze radius 120.
Config planetArea(const TemporaryFolder& folder, const std::string& keys = "")
{
    return Config(written(folder.file("test.area"), "[Planet]\n" + keys + "distance = 1000\ndirection = (0 0 -2)\nradius = 100\n"
                                                    "spinRateDegrees = 90\nmaterial = Planet/Rock\nhazeProportion = 1.2\n"
                                                    "hazeColour = (1 0.5 0 1)\n"));
}

TEST_F(SceneryWorld, ThePlanetKeepsItsOffsetFromTheCameraAndItsHazeCoversItsAngle)
{
    EXPECT_FLOAT_EQ(PlanetHaze::discRadius(3.0f, 5.0f), 1.5f) << "tan(asin(3/5)) x (5 - 3)";
    LogCapture log;
    auto planet = std::make_unique<Planet>(planetArea(folder), "Planet", scene);
    EXPECT_TRUE(log.contains("Planet created (Vector3(0, 0, -1000))"));
    const std::string name = planet->getPlanetNode()->getName();
    EXPECT_EQ(planet->getHaze().getName(), "Planet" + std::to_string(std::stoul(name.substr(6)) + 1) + "/Mesh");

    const struct { const char* step; Vector3 camera; float frameTime, spinDegrees; } steps[] = {
        {"first frame", Vector3(0, 0, 0), 0.5f, 45.0f},
        {"the camera moves, the planet with it", Vector3(10, 20, 30), 0.5f, 90.0f},
        {"paused: no frame time, no spin", Vector3(-40, 0, 5), 0.0f, 90.0f}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        controller.getFixedCamera().setPosition(step.camera);
        planet->update(step.frameTime);
        EXPECT_TRUE(planet->getPlanetNode()->getPosition().positionEquals(step.camera + Vector3(0, 0, -1000)));
        EXPECT_TRUE(planet->getHazeNode()->getPosition().positionEquals(step.camera + Vector3(0, 0, -880)));
        EXPECT_TRUE(planet->getPlanetNode()->getOrientation().equals(Quaternion(Ogre::Degree(step.spinDegrees), Vector3::UNIT_Y),
                                                                     Ogre::Degree(0.01f)));
        EXPECT_TRUE((planet->getHazeNode()->getOrientation() * Vector3::NEGATIVE_UNIT_Z).directionEquals(Vector3::UNIT_Z, Ogre::Degree(0.01f)));
        // Sorted by its own distance from the camera, not by the camera's from the origin.
        planet->getHazeNode()->_update(true, false);
        EXPECT_NEAR(planet->getHaze().getSquaredViewDepth(controller.getCamera()), 880.0f * 880.0f, 1.0f);
    }

    // The disc: a fan from the centre (u = 0) round a closed rim (u = 1), from +X towards -Y.
    Ogre::RenderOperation fan;
    const_cast<PlanetHaze&>(planet->getHaze()).getRenderOperation(fan);
    ASSERT_EQ(fan.vertexData->vertexCount, 66u);
    const Ogre::HardwareVertexBufferSharedPtr buffer = fan.vertexData->vertexBufferBinding->getBuffer(0);
    std::vector<float> vertices(buffer->getSizeInBytes() / sizeof(float));
    buffer->readData(0, buffer->getSizeInBytes(), vertices.data());
    const auto at = [&](std::size_t i) { return Vector3(&vertices[i * 6]); };
    const float size = PlanetHaze::discRadius(120.0f, 1000.0f);
    EXPECT_EQ(at(0), Vector3::ZERO);
    EXPECT_TRUE(at(1).positionEquals(Vector3(size, 0, 0), 1e-3f));
    EXPECT_TRUE(at(17).positionEquals(Vector3(0, -size, 0), 1e-3f));
    EXPECT_TRUE(at(65).positionEquals(at(1), 1e-3f));
    EXPECT_EQ(vertices[4], 0.0f);
    EXPECT_EQ(vertices[65 * 6 + 4], 1.0f);
    planet.reset();
    EXPECT_FALSE(scene.hasSceneNode(name));

    // Sizes without a haze disc (the disc's size is NaN), or an unknown material, stop the planet
    // with the line that names the value and the one that names its place, nothing built.
    const struct { const char* keys; const char* line; const char* key; } broken[] = {
        {"radius = 900\n", "Planet Planet: the haze radius 1080 (hazeProportion x radius) must be from -1000 to below the distance 1000",
         "hazeProportion"},
        {"hazeProportion = -12\n", "Planet Planet: the haze radius -1200 (hazeProportion x radius) must be from -1000 to below the distance 1000",
         "hazeProportion"},
        {"distance = 0\n", "Planet Planet: the distance 0 puts the planet at the viewer, where its haze has no size", "distance"},
        {"direction = (0 0 0)\n", "Planet Planet: the direction (0 0 0) puts the planet at the viewer, where its haze has no size",
         "direction"},
        {"material = Planet/Nowhere\n", "Planet Planet: unknown material Planet/Nowhere", "material"},
        // A haze radius at minus the distance widens the disc to 3.3e16 times the distance; beyond
        // half the float range the renderer's box assertion ended the game.
        {"distance = 6e21\nradius = -6e21\nhazeProportion = 1\n",
         "Planet Planet: the haze's disc, of radius -1.95975e+38 (the haze radius -6e+21 at the distance 6e+21), is "
         "wider than 1.70141e+38 either way, the longest length the renderer can draw", "hazeProportion"},
        {"distance = 3.3e38\nradius = -2e36\nhazeProportion = 10\n",
         "Planet Planet: the haze's disc, 3.5e+38 from the viewer (the distance less the haze radius -2e+37), stands "
         "beyond the float range on an axis", "hazeProportion"}};
    for (const auto& row : broken) {
        SCOPED_TRACE(row.keys);
        const Config area = planetArea(folder, row.keys);
        log.clear();
        EXPECT_THROW(Planet(area, "Planet", scene), ConfigurationError);
        EXPECT_TRUE(log.contains(row.line));
        EXPECT_TRUE(log.contains("Config: in " + area.getPath() + ", section Planet, key " + row.key));
        EXPECT_TRUE(scene.getRootSceneNode()->getChildren().empty());
    }

    // Values that play without a fault, with a haze that fits: a sphere of no size, one turned
    // inside out, one that wraps the viewer, hazes behind the planet's centre, a spin axis of
    // (0 0 0), which leaves the planet unturned. Each is built scaled by its radius. Distances and
    // directions of any finite size: normalised in float, (3.4e38 3.4e38 3.4e38) was (0 0 0) and
    // refused as a planet at the viewer, and the haze of a distance of 3.4e38 stood at no number
    // (the renderer's assertion ended the game); a disc of radius 9.8e37 plays.
    const Quaternion spun(Ogre::Degree(45.0f), Vector3::UNIT_Y);
    const Vector3 ahead(0, 0, -1000);
    const Vector3 diagonal = Vector3(1, 1, 1).normalisedCopy();
    const struct { const char* keys; float radius; Quaternion spin; Vector3 position; } played[] = {
        {"radius = 0\n", 0.0f, spun, ahead},
        {"radius = -100\nhazeProportion = -1\n", -100.0f, spun, ahead},
        {"radius = 1500\nhazeProportion = 0.5\n", 1500.0f, spun, ahead},
        {"radius = -500\n", -500.0f, spun, ahead},
        {"hazeProportion = -0.5\n", 100.0f, spun, ahead},
        {"spinAxis = (0 0 0)\n", 100.0f, Quaternion::IDENTITY, ahead},
        {"spinAxis = (3.4e38 3.4e38 3.4e38)\n", 100.0f, Quaternion(Ogre::Degree(45.0f), diagonal), ahead},
        {"direction = (3.4e38 3.4e38 3.4e38)\n", 100.0f, spun, diagonal * 1000.0f},
        {"distance = 3.4e38\n", 100.0f, spun, Vector3(0, 0, -3.4e38f)},
        {"distance = -3.4e38\n", 100.0f, spun, Vector3(-0.0f, -0.0f, 3.4e38f)}, // logged as the engine prints -0
        {"distance = 3e21\nradius = -3e21\nhazeProportion = 1\n", -3e21f, spun, Vector3(0, 0, -3e21f)}};
    const auto finite = [](const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); };
    for (const auto& row : played) {
        SCOPED_TRACE(row.keys);
        const Config area = planetArea(folder, row.keys);
        log.clear();
        Planet sized(area, "Planet", scene);
        std::ostringstream created;
        created << "Planet created (" << row.position << ")";
        EXPECT_TRUE(log.contains(created.str())) << created.str();
        EXPECT_EQ(sized.getPlanetNode()->getScale(), Vector3(row.radius, row.radius, row.radius));
        sized.update(0.5f);
        EXPECT_TRUE(sized.getPlanetNode()->getOrientation().equals(row.spin, Ogre::Degree(0.01f)));
        EXPECT_TRUE(finite(sized.getHazeNode()->getPosition()));
        EXPECT_FALSE(std::isnan(sized.getHaze().getBoundingRadius()));
    }
    // The angle of a fast spin, summed as it came, passed the float range after a minute (3.4e38
    // degrees a second) and the planet's turn was no number.
    Planet spinning(planetArea(folder, "spinRateDegrees = 3.4e38\n"), "Planet", scene);
    for (const float seconds : {60.0f, 60.0f, 0.5f})
        spinning.update(seconds);
    EXPECT_FALSE(spinning.getPlanetNode()->getOrientation().isNaN());
}

// A sun ahead (its light along +Z), its fade (rates 1 in, 2 out) on the real-time clock, a stand-in
// ray. A stall once pushed the fade out of 0..1 and the flare's packed colour wrapped round.
TEST_F(SceneryWorld, TheStarsFlareFadesWithTheViewAndWhatStandsInFront)
{
    std::vector<Vector3> rays;
    bool blocked = false;
    Star::setOcclusionTest([&](const Vector3& origin, const Vector3& direction, float length) {
        rays.push_back(origin + direction * length);
        return blocked;
    });
    const ColourValue glow(1.0f, 0.5f, 0.25f, 1.0f);
    auto star = std::make_unique<Star>(scene, Vector3(0, 0, 2), ColourValue::White, ColourValue::White, glow, 0.5f);
    const struct { const char* step; double seconds; bool blocked, paused, turnedAway, visible;
                   std::size_t rays; float fade; } steps[] = {
        {"in view", 0.125, false, false, false, true, 1, 0.125f},
        {"in view again", 0.125, false, false, false, true, 2, 0.234375f},
        {"a ship in front", 0.125, true, false, false, false, 3, 0.17578125f},
        {"paused: real time goes on", 0.125, false, true, false, true, 4, 0.27880859375f},
        {"a stall ends at full", 4.0, false, false, false, true, 5, 1.0f},
        {"behind the camera: no ray", 0.125, false, false, true, false, 5, 0.75f},
        {"a stall ends dark", 1.0, false, false, true, false, 5, 0.0f},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        blocked = step.blocked;
        scheduler.setPaused(step.paused);
        controller.getFixedCamera().setOrientation(step.turnedAway ? Quaternion(Ogre::Degree(180), Vector3::UNIT_Y) : Quaternion::IDENTITY);
        advance(step.seconds);
        star->update();
        EXPECT_EQ(star->isVisible(), step.visible);
        EXPECT_EQ(rays.size(), step.rays);
        EXPECT_FLOAT_EQ(star->getFade(), step.fade);
        EXPECT_EQ(star->getFlare()->getColour(), glow * step.fade);
        EXPECT_EQ(star->getSkyPosition(), Vector3(0, 0, -5000));
    }
    EXPECT_EQ(rays.front(), Vector3(0, 0, -4010)) << "from 10 ahead of the camera, 4000 long, towards the sun";
    EXPECT_EQ(star->getLight()->getDerivedDirection(), Vector3::UNIT_Z);
    {
        // Normalised in float, a direction of (0 0 3.4e38) was (0 0 0): the sun stood at the viewer.
        Star far(scene, Vector3(0, 0, 3.4e38f), ColourValue::White, ColourValue::White, glow, 0.5f);
        far.update();
        EXPECT_EQ(far.getSkyPosition(), Vector3(0, 0, -5000));
    }
    // The last star takes its light and the shared flare set with it.
    star.reset();
    Star::setOcclusionTest({});
    EXPECT_TRUE(scene.getMovableObjects("Light").empty());
    EXPECT_EQ(Star::getFlareSet(), nullptr);
}

// A camera that stands and moves only as the test says.
class StandInCamera : public CameraBase {
public:
    StandInCamera(Ogre::SceneManager& scene, const Config& settings) : CameraBase("StandIn", scene, settings) {}
    void setTarget(Targetable&) override {}
    void update(float, float) override {}
    Vector3 getVelocity() const override { return velocity; }
    Vector3 velocity = Vector3::ZERO;
};

// Dust of a template whose emitter makes 4 motes per unit of distance (cfg/debris.cfg holds no "globalRate").
class DebrisSystemTest : public SceneryWorld {
protected:
    DebrisSystemTest()
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        Ogre::ParticleSystemManager::getSingleton().createTemplate("TestDust", Ogre::RGN_DEFAULT)->addEmitter("Point")->setEmissionRate(4.0f);
        dust.addSystem("Fine", "TestDust");
    }
    // A root without a window has no controller manager, which particle systems need.
    std::unique_ptr<Ogre::ControllerManager> controllers{
        Ogre::ControllerManager::getSingletonPtr() ? nullptr : std::make_unique<Ogre::ControllerManager>()};
    DebrisSystem dust{scene};
    StandInCamera camera{scene, settings};
};

TEST_F(DebrisSystemTest, EmittersLeadTheCameraAtARateThatFollowsItsSpeedAndTheCullRunsOncePerPeriod)
{
    dust.setSystemLeadDistance("Fine", 100.0f);
    camera.setPosition(Vector3(5, 0, 0));
    const struct { const char* step; bool withCamera; Vector3 velocity;
                   float systemRate, globalRate; Vector3 nodeAt; float emission; } steps[] = {
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
    EXPECT_TRUE(logged(failsWith<ConfigurationError>([&] { dust.addSystem("Coarse", "NoSuchTemplate"); }),
                       "DebrisSystem: unknown particle template NoSuchTemplate"));
    EXPECT_EQ(dust.getSystems().size(), 1u);
    // A quota no memory holds is held to what it can (the library made it whole at the first
    // update, and the game ended out of memory).
    Ogre::ParticleSystemManager::getSingleton().createTemplate("TestHugeDust", Ogre::RGN_DEFAULT)->setParticleQuota(1000000000000);
    {
        LogCapture log;
        dust.addSystem("Huge", "TestHugeDust");
        EXPECT_LT(scene.getParticleSystem("Huge")->getParticleQuota(), 1000000000000u);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind("DebrisSystem: the quota 1000000000000 of the template TestHugeDust is held to ", 0), 0u);
    }
    dust.clear();
    dust.addSystem("Fine", "TestDust");

    // The cull runs on the real-time clock at most once a period (1 s), also while paused.
    dust.setGlobalEmissionRate(1.0f);
    dust.setSystemMaxVisibleDistance("Fine", 200.0f);
    dust.setCamera(&camera);
    camera.setPosition(Vector3::ZERO);
    camera.velocity = Vector3::ZERO;
    Ogre::ParticleSystem& system = *scene.getParticleSystem("Fine");
    system._update(0.0f); // makes the particle pool; no time, so nothing is emitted
    Ogre::Particle* near = system.createParticle();
    Ogre::Particle* far = system.createParticle();
    ASSERT_TRUE(near && far);
    near->mPosition = Vector3(0, 0, -150);
    far->mPosition = Vector3(0, 0, -250);
    scheduler.setPaused(true);
    const std::pair<double, bool> culls[] = {{0.25, true}, {0.5, false}, {0.5, false}, {0.125, true}};
    for (const auto& [seconds, culled] : culls) {
        near->mTimeToLive = far->mTimeToLive = 5.0f;
        advance(seconds);
        dust.update(0.0f, 0.0f);
        EXPECT_EQ(near->mTimeToLive, culled ? 100.0f : 5.0f) << seconds;
        EXPECT_EQ(far->mTimeToLive, culled ? 0.0f : 5.0f) << seconds;
    }
}

} // namespace
} // namespace Tolvarine::Test

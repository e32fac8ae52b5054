#include "Config.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "Planet.h"
#include "PlanetHaze.h"
#include "SceneryWorld.h"

#include <OgreHardwareBuffer.h>
#include <OgreRenderOperation.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

// A planet section: 1000 ahead (-Z), radius 100, 90 degrees a second about +Y, haze radius 120.
Config planetArea(const TemporaryFolder& folder, const std::string& keys = "")
{
    writeFile(folder.file("test.area"), "[Planet]\n" + keys + "distance = 1000\ndirection = (0 0 -2)\nradius = 100\n"
                                        "spinRateDegrees = 90\nmaterial = Planet/Rock\nhazeProportion = 1.2\n"
                                        "hazeColour = (1 0.5 0 1)\n");
    return Config(folder.file("test.area"));
}

TEST_F(SceneryWorld, ThePlanetKeepsItsOffsetFromTheCameraAndItsHazeCoversItsAngle)
{
    EXPECT_FLOAT_EQ(PlanetHaze::discRadius(3.0f, 5.0f), 1.5f) << "tan(asin(3/5)) x (5 - 3)";
    EXPECT_FLOAT_EQ(PlanetHaze::discRadius(0.0f, 5.0f), 0.0f);
    LogCapture log;
    auto planet = std::make_unique<Planet>(planetArea(folder), "Planet", scene);
    EXPECT_TRUE(log.contains("Planet created (Vector3(0, 0, -1000))"));
    const std::string name = planet->getPlanetNode()->getName();
    EXPECT_EQ(planet->getHaze().getName(), "Planet" + std::to_string(std::stoul(name.substr(6)) + 1) + "/Mesh");

    const struct {
        const char* step;
        Vector3 camera;
        float frameTime;
        float spinDegrees;
    } steps[] = {{"first frame", Vector3(0, 0, 0), 0.5f, 45.0f},
                 {"the camera moves, the planet with it", Vector3(10, 20, 30), 0.5f, 90.0f},
                 {"paused: no frame time, no spin", Vector3(-40, 0, 5), 0.0f, 90.0f}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        controller.getFixedCamera().setPosition(step.camera);
        planet->update(step.frameTime);
        EXPECT_TRUE(planet->getPlanetNode()->getPosition().positionEquals(step.camera + Vector3(0, 0, -1000)));
        EXPECT_TRUE(planet->getHazeNode()->getPosition().positionEquals(step.camera + Vector3(0, 0, -880)));
        EXPECT_TRUE(planet->getPlanetNode()->getOrientation().equals(
            Ogre::Quaternion(Ogre::Degree(step.spinDegrees), Vector3::UNIT_Y), Ogre::Degree(0.01f)));
        EXPECT_TRUE((planet->getHazeNode()->getOrientation() * Vector3::NEGATIVE_UNIT_Z)
                        .directionEquals(Vector3::UNIT_Z, Ogre::Degree(0.01f)));
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
}

// Sizes without a haze disc, or an unknown material, stop the planet with one line, nothing built.
TEST_F(SceneryWorld, ImpossibleHazeOrAnUnknownMaterialIsAConfigurationError)
{
    const struct {
        const char* keys;
        const char* line;
    } rows[] = {{"radius = 900\n", "Planet Planet: the haze radius 1080 must be at least 0 and below the distance 1000"},
                {"distance = 0\n", "Planet Planet: the haze radius 120 must be at least 0 and below the distance 0"},
                {"material = Planet/Nowhere\n", "Planet Planet: unknown material Planet/Nowhere"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.keys);
        const Config area = planetArea(folder, row.keys);
        LogCapture log;
        EXPECT_THROW(Planet(area, "Planet", scene), ConfigurationError);
        EXPECT_TRUE(log.contains(row.line));
        EXPECT_TRUE(scene.getRootSceneNode()->getChildren().empty());
    }
}

} // namespace
} // namespace Tolvarine::Test

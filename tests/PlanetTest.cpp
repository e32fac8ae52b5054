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

namespace Tolvarine {
namespace {

using Ogre::Vector3;

TEST(PlanetHazeTest, TheDiscCoversTheAngleOfTheHazeSphere)
{
    const struct {
        const char* rule;
        float hazeRadius;
        float distance;
        float want;
    } rows[] = {
        {"no haze, no disc", 0.0f, 1000.0f, 0.0f},
        {"30 degrees at distance 1", 1.0f, 2.0f, std::tan(Ogre::Math::PI / 6.0f)},
        {"a 3-4-5 triangle", 3.0f, 5.0f, 1.5f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_NEAR(PlanetHaze::discRadius(row.hazeRadius, row.distance), row.want, 1e-5f);
    }
}

class PlanetTest : public Test::SceneryWorld {
protected:
    // A planet 1000 ahead (-Z) of radius 100, spinning 90 degrees a second about +Y, with a haze
    // sphere of radius 120; `extra` replaces keys.
    Config area(const std::string& extra = "")
    {
        Tolvarine::Test::writeFile(folder.file("test.area"), "[Planet]\ndistance = 1000\ndirection = (0 0 -2)\nradius = 100\n"
                                                  "spinRateDegrees = 90\nmaterial = Planet/Rock\n"
                                                  "hazeProportion = 1.2\nhazeColour = (1 0.5 0 1)\n" + extra);
        return Config(folder.file("test.area"));
    }
};

TEST_F(PlanetTest, ThePlanetKeepsItsOffsetFromTheCameraAndSpinsOnGameTime)
{
    Tolvarine::Test::LogCapture log;
    auto planet = std::make_unique<Planet>(area(), "Planet", scene);
    EXPECT_TRUE(log.contains("Planet created (Vector3(0, 0, -1000))"));
    EXPECT_EQ(planet->getHazePosition(), Vector3(0, 0, -880));
    const std::string planetName = planet->getPlanetNode()->getName();
    const unsigned number = std::stoul(planetName.substr(6));
    EXPECT_EQ(planet->getHazeNode()->getName(), "Planet" + std::to_string(number + 1));
    EXPECT_EQ(planet->getHaze().getName(), planet->getHazeNode()->getName() + "/Mesh");
    EXPECT_EQ(planet->getPlanetNode()->getScale(), Vector3(100, 100, 100));

    const struct {
        const char* step;
        Vector3 camera;
        float frameTime;
        float spinDegrees;
    } steps[] = {
        {"first frame", Vector3(0, 0, 0), 0.5f, 45.0f},
        {"the camera moves, the planet with it", Vector3(10, 20, 30), 0.5f, 90.0f},
        {"paused: no frame time, no spin", Vector3(-40, 0, 5), 0.0f, 90.0f},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        controller.getFixedCamera().setPosition(step.camera);
        planet->update(step.frameTime);
        EXPECT_TRUE(planet->getPlanetNode()->getPosition().positionEquals(step.camera + Vector3(0, 0, -1000)));
        EXPECT_TRUE(planet->getHazeNode()->getPosition().positionEquals(step.camera + Vector3(0, 0, -880)));
        const Ogre::Quaternion spin(Ogre::Degree(step.spinDegrees), Vector3::UNIT_Y);
        EXPECT_TRUE(planet->getPlanetNode()->getOrientation().equals(spin, Ogre::Degree(0.01f)));
        // The disc faces the camera, and is sorted by its own distance from it (not by the
        // camera's distance from the world's origin).
        EXPECT_TRUE((planet->getHazeNode()->getOrientation() * Vector3::NEGATIVE_UNIT_Z)
                        .directionEquals(Vector3::UNIT_Z, Ogre::Degree(0.01f)));
        planet->getHazeNode()->_update(true, false);
        EXPECT_NEAR(planet->getHaze().getSquaredViewDepth(controller.getCamera()), 880.0f * 880.0f, 1.0f);
    }

    // The disc: the centre, then 65 rim vertices once round from +X, turning towards -Y first.
    Ogre::RenderOperation operation;
    const_cast<PlanetHaze&>(planet->getHaze()).getRenderOperation(operation);
    EXPECT_EQ(operation.operationType, Ogre::RenderOperation::OT_TRIANGLE_FAN);
    EXPECT_FALSE(operation.useIndexes);
    ASSERT_EQ(operation.vertexData->vertexCount, 66u);
    const Ogre::HardwareVertexBufferSharedPtr buffer = operation.vertexData->vertexBufferBinding->getBuffer(0);
    std::vector<unsigned char> bytes(buffer->getSizeInBytes());
    buffer->readData(0, bytes.size(), bytes.data());
    const auto vertex = [&](std::size_t i) {
        const float* p = reinterpret_cast<const float*>(bytes.data() + i * buffer->getVertexSize());
        return Vector3(p[0], p[1], p[2]);
    };
    const auto u = [&](std::size_t i) {
        return *reinterpret_cast<const float*>(bytes.data() + i * buffer->getVertexSize() + 16);
    };
    const float size = PlanetHaze::discRadius(120.0f, 1000.0f);
    EXPECT_EQ(vertex(0), Vector3::ZERO);
    EXPECT_EQ(u(0), 0.0f);
    EXPECT_TRUE(vertex(1).positionEquals(Vector3(size, 0, 0), 1e-3f));
    EXPECT_TRUE(vertex(17).positionEquals(Vector3(0, -size, 0), 1e-3f));
    EXPECT_TRUE(vertex(65).positionEquals(vertex(1), 1e-3f));
    EXPECT_EQ(u(65), 1.0f);
    EXPECT_NEAR(planet->getHaze().getBoundingRadius(), size * std::sqrt(2.0f), 1e-2f);

    planet.reset();
    EXPECT_FALSE(scene.hasSceneNode(planetName));
    EXPECT_FALSE(scene.hasEntity(planetName));
}

// Sizes that have no haze disc, or no material, stop the planet with one line and nothing built.
TEST_F(PlanetTest, ImpossibleHazeOrUnknownMaterialIsAConfigurationError)
{
    const struct {
        const char* rule;
        std::string keys;
        std::string line;
    } rows[] = {
        {"the haze reaches the viewer", "[Wide]\ndistance = 100\ndirection = (0 0 -1)\nradius = 90\nspinRateDegrees = 0\n"
                                        "material = Planet/Rock\nhazeProportion = 1.2\nhazeColour = (1 1 1 1)\n",
         "Planet Wide: the haze radius 108 must be at least 0 and below the distance 100"},
        {"no distance", "[Wide]\ndistance = 0\ndirection = (0 0 -1)\nradius = 1\nspinRateDegrees = 0\n"
                        "material = Planet/Rock\nhazeProportion = 0\nhazeColour = (1 1 1 1)\n",
         "Planet Wide: the haze radius 0 must be at least 0 and below the distance 0"},
        {"an unknown material", "[Wide]\ndistance = 100\ndirection = (0 0 -1)\nradius = 1\nspinRateDegrees = 0\n"
                                "material = Planet/Nowhere\nhazeProportion = 1.1\nhazeColour = (1 1 1 1)\n",
         "Planet Wide: unknown material Planet/Nowhere"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const Config config = area(row.keys);
        Tolvarine::Test::LogCapture log;
        EXPECT_THROW(Planet(config, "Wide", scene), ConfigurationError);
        EXPECT_TRUE(log.contains(row.line));
        EXPECT_TRUE(scene.getRootSceneNode()->getChildren().empty());
    }
}

} // namespace
} // namespace Tolvarine

#include "AreaManager.h"
#include "Config.h"
#include "GameProcess.h"
#include "PngImage.h"

#include <OgreMath.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// Every shipped area in the whole game, seen from the origin along -Z by the fixed camera: the
// screenshot shows its sky, its sun's flare and its planet with the haze round it.
namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;
using Ogre::Vector3;

bool haveXvfb()
{
    return std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") == 0;
}

// The game's view: the window of tools/default-ogre.cfg and the field of view of cfg/camera.cfg.
struct View {
    float width = 1024.0f;
    float height = 768.0f;
    float tanHalfFovY = std::tan(Ogre::Degree(25.0f).valueRadians());

    // The pixel that shows the world direction `d` (in front of the camera).
    void pixelOf(const Vector3& d, unsigned& x, unsigned& y) const
    {
        const float ndcX = d.x / -d.z / (tanHalfFovY * width / height);
        const float ndcY = d.y / -d.z / tanHalfFovY;
        x = static_cast<unsigned>((ndcX + 1.0f) * 0.5f * width);
        y = static_cast<unsigned>((1.0f - ndcY) * 0.5f * height);
    }
};

int brightness(const PngImage& image, const View& view, const Vector3& direction)
{
    unsigned x = 0;
    unsigned y = 0;
    view.pixelOf(direction, x, y);
    // Off the screen (or behind the camera): nothing to measure.
    if (direction.z >= 0.0f || x >= image.width() || y >= image.height())
        return -1;
    const std::uint8_t* rgb = image.at(x, y);
    return rgb[0] + rgb[1] + rgb[2];
}

// `direction` turned by `angle` towards the screen's top.
Vector3 tilted(const Vector3& direction, float angle)
{
    const Vector3 axis = direction.crossProduct(Vector3::UNIT_Y).normalisedCopy();
    return Ogre::Quaternion(Ogre::Radian(angle), axis) * direction;
}

// Starts the game in `area` with nothing else in it and returns a screenshot taken once the sun's
// flare has come up (it fades in on the real-time clock).
PngImage screenshotOf(GameProcess& game, const std::string& area, const View& view, const Vector3& sun)
{
    std::ofstream(game.folder() / "data/scenarios/area_view.py")
        << "from Tolvarine import *\n"
           "class AreaViewConfig(ScenarioConfig):\n"
           "    def __init__(self):\n"
           "        ScenarioConfig.__init__(self)\n"
           "    def initialise(self):\n"
           "        AreaManager.getSingleton().loadArea('" << area << "')\n"
           "        CameraController.getSingleton().setCameraType(CameraType.FIXED)\n"
           "    def unload(self): pass\n"
           "    def getName(self): return 'AreaView'\n"
           "    def getEntityPath(self): return 'data/entities'\n"
           "    def getNumberTweaks(self): return 0\n"
           "    def getTweak(self, i): return None\n"
           "def getScenarioConfig():\n"
           "    return AreaViewConfig()\n";
    std::ofstream(game.folder() / "startup.py") << "from Tolvarine import *\n"
                                                    "ScenarioManager.getSingleton().loadScenario('AreaView')\n";
    game.start();
    if (!game.waitForLogLine("Scenario AreaView loaded."))
        return PngImage("");
    for (int attempt = 0; attempt < 20; ++attempt) {
        const PngImage image(game.takeScreenshot().string());
        if (!image.empty() && brightness(image, view, sun) >= 450)
            return image;
    }
    return PngImage(game.takeScreenshot().string());
}

TEST(AreaScreenshotTest, EachAreaShowsItsSkySunAndHazedPlanet)
{
    if (!haveXvfb())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const View view;
    const fs::path areas = fs::path(TOLVARINE_SOURCE_DIR) / "data/areas";
    for (const auto& entry : fs::directory_iterator(areas)) {
        const Config area(entry.path().string());
        const std::string name = area.get<std::string>("Area", "name");
        SCOPED_TRACE(name);
        Vector3 sun;
        Vector3 planet;
        float planetAngle = 0.0f;
        float hazeAngle = 0.0f;
        for (const std::string& section : area.getSectionNames()) {
            if (AreaManager::classify(section) == AreaManager::SectionKind::STAR)
                sun = -area.get<Vector3>(section, "direction").normalisedCopy();
            if (AreaManager::classify(section) == AreaManager::SectionKind::PLANET) {
                planet = area.get<Vector3>(section, "direction").normalisedCopy();
                const float distance = area.get<float>(section, "distance");
                const float radius = area.get<float>(section, "radius");
                planetAngle = std::asin(radius / distance);
                hazeAngle = std::asin(area.get<float>(section, "hazeProportion") * radius / distance);
            }
        }
        GameProcess game;
        const PngImage image = screenshotOf(game, name, view, sun);
        ASSERT_FALSE(image.empty()) << game.standardError();

        // The sky: far from black across the view, and not one flat colour.
        unsigned lit = 0;
        unsigned samples = 0;
        for (unsigned y = 0; y < image.height(); y += 4)
            for (unsigned x = 0; x < image.width(); x += 4, ++samples)
                lit += image.at(x, y)[0] + image.at(x, y)[1] + image.at(x, y)[2] > 24;
        EXPECT_GT(lit, samples / 2) << "lit sky samples";
        // The flare, bright over the sun.
        EXPECT_GE(brightness(image, view, sun), 450);
        // The planet stands out from the sky beyond its haze, and the haze glows just outside the
        // planet's rim, brighter than that sky.
        const int sky = brightness(image, view, tilted(planet, hazeAngle * 1.4f));
        const int body = brightness(image, view, planet);
        const int haze = brightness(image, view, tilted(planet, planetAngle + (hazeAngle - planetAngle) * 0.4f));
        ASSERT_GE(std::min({sky, body, haze}), 0) << "the planet and its haze are in view";
        EXPECT_GT(std::abs(body - sky), 40) << "planet " << body << ", sky " << sky;
        EXPECT_GT(haze, sky + 40) << "haze " << haze << ", sky " << sky;
        game.sendKey("F10");
        game.waitForLogLine("Scenario AreaView running unload...");
        game.sendKey("space");
        EXPECT_EQ(game.waitForExit(), 0);
    }
}

} // namespace
} // namespace Tolvarine::Test

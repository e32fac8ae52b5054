// Every shipped area in the whole game, seen by the fixed camera from the origin along -Z: the
// screenshot shows its sky, its sun's flare and its planet with the haze round it.
#include "AreaManager.h"
#include "Config.h"
#include "GameProcess.h"
#include "PngImage.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>
#include <gtest/gtest.h>

#include <fstream>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;
using Ogre::Vector3;

// Red + green + blue of the pixel that shows the world direction `d`, in the game's 1024 x 768
// window (tools/default-ogre.cfg) with a vertical field of view of 50 degrees (cfg/camera.cfg);
// -1 off the screen.
int brightness(const PngImage& image, const Vector3& d)
{
    const float tanHalfFov = std::tan(Ogre::Degree(25.0f).valueRadians());
    const float x = (d.x / -d.z / (tanHalfFov * 4.0f / 3.0f) + 1.0f) * 512.0f;
    const float y = (1.0f - d.y / -d.z / tanHalfFov) * 384.0f;
    if (d.z >= 0.0f || x < 0.0f || y < 0.0f || x >= image.width() || y >= image.height())
        return -1;
    const std::uint8_t* rgb = image.at(static_cast<unsigned>(x), static_cast<unsigned>(y));
    return rgb[0] + rgb[1] + rgb[2];
}

// `d` turned by `angle` towards the top of the screen.
Vector3 tilted(const Vector3& d, float angle)
{
    return Ogre::Quaternion(Ogre::Radian(angle), d.crossProduct(Vector3::UNIT_Y).normalisedCopy()) * d;
}

TEST(AreaScreenshotTest, EachAreaShowsItsSkySunAndHazedPlanet)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    for (const auto& file : fs::directory_iterator(fs::path(TOLVARINE_SOURCE_DIR) / "data/areas")) {
        if (file.path().extension() != ".area")
            continue; // an enciphered twin is the same area
        const Config area(file.path().string());
        const std::string name = area.get<std::string>("Area", "name");
        SCOPED_TRACE(name);
        Vector3 sun, planet;
        float planetAngle = 0.0f, hazeAngle = 0.0f;
        for (const std::string& section : area.getSectionNames()) {
            const AreaManager::SectionKind kind = AreaManager::classify(section);
            if (kind == AreaManager::SectionKind::STAR)
                sun = -area.get<Vector3>(section, "direction").normalisedCopy();
            if (kind != AreaManager::SectionKind::PLANET)
                continue;
            planet = area.get<Vector3>(section, "direction").normalisedCopy();
            const float sine = area.get<float>(section, "radius") / area.get<float>(section, "distance");
            planetAngle = std::asin(sine);
            hazeAngle = std::asin(area.get<float>(section, "hazeProportion") * sine);
        }
        GameProcess game;
        std::ofstream(game.folder() / "data/scenarios/area_view.py")
            << "from Tolvarine import *\nclass AreaViewConfig(ScenarioConfig):\n"
               "    def __init__(self): ScenarioConfig.__init__(self)\n"
               "    def initialise(self):\n"
               "        AreaManager.getSingleton().loadArea('" << name << "')\n"
               "        CameraController.getSingleton().setCameraType(CameraType.FIXED)\n"
               "    def unload(self): pass\n    def getName(self): return 'AreaView'\n"
               "    def getEntityPath(self): return 'data/entities'\n    def getNumberTweaks(self): return 0\n"
               "    def getTweak(self, i): return None\ndef getScenarioConfig(): return AreaViewConfig()\n";
        std::ofstream(game.folder() / "startup.py") << "from Tolvarine import *\n"
                                                        "ScenarioManager.getSingleton().loadScenario('AreaView')\n";
        game.start();
        ASSERT_TRUE(game.waitForLogLine("Scenario AreaView loaded.")) << game.standardError();
        // The flare fades in on the real-time clock: screenshots until it is up.
        PngImage image("");
        for (int attempt = 0; attempt < 20 && (image.empty() || brightness(image, sun) < 450); ++attempt)
            image = PngImage(game.takeScreenshot().string());
        ASSERT_FALSE(image.empty());

        unsigned lit = 0, samples = 0;
        for (unsigned y = 0; y < image.height(); y += 4)
            for (unsigned x = 0; x < image.width(); x += 4, ++samples)
                lit += image.at(x, y)[0] + image.at(x, y)[1] + image.at(x, y)[2] > 24;
        EXPECT_GT(lit, samples / 2) << "the sky is far from black";
        EXPECT_GE(brightness(image, sun), 450) << "the flare over the sun";
        // The planet stands out from the sky beyond its haze; the haze glows just outside its rim.
        const int sky = brightness(image, tilted(planet, hazeAngle * 1.4f));
        const int body = brightness(image, planet);
        const int haze = brightness(image, tilted(planet, planetAngle + (hazeAngle - planetAngle) * 0.4f));
        ASSERT_TRUE(sky >= 0 && body >= 0 && haze >= 0) << "the planet and its haze are in view";
        EXPECT_GT(std::abs(body - sky), 40) << "planet " << body << ", sky " << sky;
        EXPECT_GT(haze, sky + 40) << "haze " << haze << ", sky " << sky;
        EXPECT_EQ(game.quitWithKeys("AreaView"), 0);
    }
}

} // namespace
} // namespace Tolvarine::Test

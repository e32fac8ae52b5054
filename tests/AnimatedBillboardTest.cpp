#include "AnimatedBillboard.h"

#include "Config.h"
#include "ConfigurationError.h"

#include "CombatWorld.h"
#include "ConfigFiles.h"
#include "LogCapture.h"
#include "SchedulerFixture.h"

#include <OgreMaterialManager.h>
#include <OgreSceneManager.h>
#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

using AnimatedBillboardTest = SchedulerFixture;

// The copies of `material` that animated billboards made.
std::vector<std::string> clonesOf(const std::string& material)
{
    std::vector<std::string> found;
    auto resources = Ogre::MaterialManager::getSingleton().getResourceIterator();
    while (resources.hasMoreElements()) {
        const std::string name = resources.getNext()->getName();
        if (name.rfind(material + "/AnimatedBillboard", 0) == 0)
            found.push_back(name);
    }
    return found;
}

// Animated billboards load textures, so this test draws with OpenGL on a hidden window.
TEST_F(AnimatedBillboardTest, BadSectionsAreLoggedAndRefusedWithoutLeavingAnythingBehind)
{
    if (!RenderingRoot::displayAvailable())
        GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
    RenderingRoot rendering(RenderingRoot::Kind::Windowed);
    flipBook("Explode", 4);
    TemporaryFolder folder;
    Config config(written(folder.file("effect.cfg"),
                          "[Bare]\nmaterialName = BaseWhite\nduration = 1\ntimeResolution = 0.125\n"
                          "size = 5\n[Unknown]\nmaterialName = Nowhere\nduration = 1\n"
                          "timeResolution = 0.125\nsize = 5\n[Backwards]\nmaterialName = Explode\n"
                          "duration = -2\ntimeResolution = 0.125\nsize = 5\n[NoSize]\n"
                          "materialName = Explode\nduration = 1\ntimeResolution = 0.125\n[Wide]\n"
                          "materialName = Explode\nduration = 1\ntimeResolution = 0.125\nsize = -2e38\n"));
    Ogre::SceneManager& scene = rendering.sceneManager();
    const std::pair<const char*, const char*> cases[] = {
        {"Unknown", "AnimatedBillboard: unknown material Nowhere in section Unknown"},
        {"Bare", "AnimatedBillboard: material BaseWhite has no texture frames to animate"},
        {"Backwards", "AnimatedBillboard: duration of section Backwards must be at least 0"},
        {"NoSize", nullptr},
        // Its box, twice as wide, passes the float range: the renderer's assertion ended the game.
        {"Wide", "size -2e+38 lies beyond 1.70141e+38 either way, the longest length the renderer can draw"},
    };
    for (const auto& [section, logLine] : cases) {
        SCOPED_TRACE(section);
        const auto lines = failsWith<ConfigurationError>([&, section = section] { AnimatedBillboard(config, section, scene); });
        EXPECT_TRUE(!logLine || logged(lines, logLine));
    }
    EXPECT_TRUE(clonesOf("BaseWhite").empty());
    EXPECT_TRUE(clonesOf("Explode").empty());
    EXPECT_FALSE(scene.getMovableObjectIterator("BillboardSet").hasMoreElements());
}

} // namespace
} // namespace Tolvarine::Test

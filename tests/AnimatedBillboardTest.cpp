#include "AnimatedBillboard.h"

#include "Config.h"
#include "ConfigurationError.h"

#include "ConfigFiles.h"
#include "LogCapture.h"
#include "RenderingRoot.h"
#include "CombatWorld.h"
#include "SchedulerFixture.h"

#include <OgreBillboardSet.h>
#include <OgreMaterial.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <OgreTextureUnitState.h>

#include <gtest/gtest.h>


namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::RenderingRoot;
using Test::TemporaryFolder;
using Test::writeFile;

// Animated billboards load textures, so these tests draw with OpenGL on a hidden window.
class AnimatedBillboardTest : public Test::SchedulerFixture {
protected:
    void SetUp() override
    {
        if (!RenderingRoot::displayAvailable())
            GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
        rendering = std::make_unique<RenderingRoot>(RenderingRoot::Kind::Windowed);
        Tolvarine::Test::flipBook("Explode", 4);
        Tolvarine::Test::flipBook("Puff", 1);
        writeFile(folder.file("effect.cfg"),
                  "[Animation]\nmaterialName = Explode\nduration = 1\ntimeResolution = 0.125\nsize = 30\n"
                  "[Single]\nmaterialName = Puff\nduration = 1\ntimeResolution = 0.125\nsize = 5\n"
                  "[Plain]\nmaterialName = BaseWhite\nduration = 1\ntimeResolution = 0.125\nsize = 5\n"
                  "[Unknown]\nmaterialName = Nowhere\nduration = 1\ntimeResolution = 0.125\nsize = 5\n"
                  "[Backwards]\nmaterialName = Explode\nduration = -2\ntimeResolution = 0.125\nsize = 5\n"
                  "[NoSize]\nmaterialName = Explode\nduration = 1\ntimeResolution = 0.125\n");
        config = std::make_unique<Config>(folder.file("effect.cfg"));
        node = scene().getRootSceneNode()->createChildSceneNode("Owner");
        // One pass first, so that every later pass looks ahead by a little more than its work.
        passAt(0.0);
    }

    void TearDown() override
    {
        config.reset();
        rendering.reset();
    }

    Ogre::SceneManager& scene() { return rendering->sceneManager(); }

    static std::vector<std::string> clonesOf(const std::string& material)
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

    // A pass whose variable tasks run at the game time `time`.
    void runAt(double time) { passAt(time - work); }

    TemporaryFolder folder;
    std::unique_ptr<RenderingRoot> rendering;
    std::unique_ptr<Config> config;
    Ogre::SceneNode* node = nullptr;
};

TEST_F(AnimatedBillboardTest, BadSectionsAreLoggedAndRefusedWithoutLeavingAnythingBehind)
{
    struct Case {
        const char* section;
        const char* logLine;
    };
    const Case cases[] = {
        {"Unknown", "AnimatedBillboard: unknown material Nowhere in section Unknown"},
        {"Plain", "AnimatedBillboard: material BaseWhite has no texture frames to animate"},
        {"Backwards", "AnimatedBillboard: duration of section Backwards must be above 0"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.section);
        LogCapture log;
        EXPECT_THROW(AnimatedBillboard(*config, bad.section, scene()), ConfigurationError);
        EXPECT_TRUE(log.contains(bad.logLine));
    }
    EXPECT_THROW(AnimatedBillboard(*config, "NoSize", scene()), ConfigurationError);
    EXPECT_TRUE(clonesOf("BaseWhite").empty());
    EXPECT_TRUE(clonesOf("Explode").empty());
    EXPECT_FALSE(scene().getMovableObjectIterator("BillboardSet").hasMoreElements());
}

} // namespace
} // namespace Tolvarine

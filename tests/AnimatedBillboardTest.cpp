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

TEST_F(AnimatedBillboardTest, FramesAdvance_RunsFinishOnce_StopsAndRestarts_ClonesAnimateApart)
{
    int finished = 0;
    const std::function<void()> onDone = [&finished] { ++finished; };
    std::string cloneName;
    {
        AnimatedBillboard explosion(*config, "Animation", scene());
        AnimatedBillboard second(*config, "Animation", scene());
        Ogre::BillboardSet& set = explosion.getBillboardSet();
        // Out of the scene and out of the blasts' scene queries until started.
        EXPECT_FALSE(set.isAttached());
        EXPECT_EQ(set.getQueryFlags(), 0u);
        EXPECT_FLOAT_EQ(set.getDefaultWidth(), 30.0f);
        // Billboards of one material get numbered clones of it, which animate apart.
        const std::string prefix = "Explode/AnimatedBillboard";
        cloneName = explosion.getMaterial()->getName();
        ASSERT_EQ(cloneName.rfind(prefix, 0), 0u) << cloneName;
        EXPECT_EQ(second.getMaterial()->getName(), prefix + std::to_string(std::stoul(cloneName.substr(prefix.size())) + 1));
        EXPECT_EQ(set.getMaterialName(), cloneName);

        double start = scheduler.getTime();
        explosion.start(*node, &onDone);
        // Frame k of 4 from k/4 of the duration on.
        const std::pair<double, unsigned> frames[] = {{0.125, 0}, {0.3, 1}, {0.5, 2}, {0.8, 3}};
        for (const auto& [time, frame] : frames) {
            SCOPED_TRACE(time);
            runAt(start + time);
            EXPECT_EQ(explosion.getCurrentFrame(), frame);
            if (time == 0.5)
                second.start(*scene().getRootSceneNode()->createChildSceneNode("Other"), nullptr);
        }
        EXPECT_EQ(second.getCurrentFrame(), 1u); // started at 0.5: its own clock
        EXPECT_EQ(finished, 0);
        // The run after the one that first shows the last frame ends the animation, once.
        runAt(start + 0.875);
        EXPECT_EQ(finished, 1);
        runAt(start + 3.0);
        EXPECT_EQ(finished, 1);
        EXPECT_EQ(set.getParentSceneNode(), node);

        // Stopped before the end it calls nothing; a restart begins at frame zero.
        start = scheduler.getTime();
        explosion.start(*node, &onDone);
        runAt(start + 0.3);
        explosion.stop(DisableTime(0));
        EXPECT_FALSE(set.isAttached());
        runAt(start + 2.0);
        EXPECT_EQ(finished, 1);
        EXPECT_EQ(explosion.getCurrentFrame(), 1u);
        // An owner may stop it from its own callback.
        const std::function<void()> stopOnDone = [&] {
            ++finished;
            explosion.stop(DisableTime(1));
        };
        start = scheduler.getTime();
        explosion.start(*node, &stopOnDone);
        EXPECT_EQ(explosion.getCurrentFrame(), 0u);
        runAt(start + 0.8);
        runAt(start + 0.875);
        EXPECT_EQ(finished, 2);
        EXPECT_FALSE(set.isAttached());

        // A single frame finishes at the first run that is due.
        AnimatedBillboard puff(*config, "Single", scene());
        start = scheduler.getTime();
        puff.start(*node, &onDone);
        runAt(start + 0.0625);
        EXPECT_EQ(finished, 2);
        runAt(start + 0.125);
        EXPECT_EQ(finished, 3);
    }
    // Destruction removes the clone and the set, and leaves no task to run.
    EXPECT_FALSE(scene().hasBillboardSet(cloneName));
    EXPECT_EQ(node->numAttachedObjects(), 0u);
    EXPECT_TRUE(clonesOf("Explode").empty());
    runAt(scheduler.getTime() + 2.0);
    EXPECT_EQ(finished, 3);
}

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

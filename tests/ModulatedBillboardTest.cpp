#include "ModulatedBillboard.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FunctionTask.h"
#include "GraphicsSettings.h"
#include "ResponseCurves.h"

#include "ConfigFiles.h"
#include "LogCapture.h"
#include "RenderingRoot.h"
#include "SchedulerFixture.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreColourValue.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::RenderingRoot;
using Test::TemporaryFolder;
using Test::writeFile;

const Ogre::ColourValue minColour(0.0f, 0.25f, 0.5f, 1.0f);
const Ogre::ColourValue maxColour(1.0f, 0.75f, 0.5f, 0.0f);

// Curves: "Half" is 0.5 everywhere; "Ramp" rises by 0.25 per fifth of the time and holds 1 from
// 0.8 on; "Overshoot" goes to 1.5.
const char* const curvesText = "[Half]\n0 = 0.5\n"
                               "[Ramp]\n0 = 0\n1 = 0.25\n2 = 0.5\n3 = 0.75\n4 = 1\n"
                               "[Overshoot]\n0 = 1.5\n";

class ModulatedBillboardTest : public Test::SchedulerFixture {
protected:
    ModulatedBillboardTest()
        : rendering(RenderingRoot::Kind::Headless)
    {
        writeFile(folder.file("curves.cfg"), curvesText);
        curves = std::make_unique<ResponseCurves>(folder.file("curves.cfg"));
        writeFile(folder.file("effect.cfg"), "[Glow]\n" + sectionBody());
        config = std::make_unique<Config>(folder.file("effect.cfg"));
        node = scene().getRootSceneNode()->createChildSceneNode("Owner");
        // One pass first, so that every later pass looks ahead by a little more than its work.
        passAt(0.0);
    }

    Ogre::SceneManager& scene() { return rendering.sceneManager(); }

    static std::string sectionBody()
    {
        return "duration = 1\nsizeCurveName = Half\nminSize = 2\nmaxSize = 10\n"
               "colourCurveName = Ramp\nminColour = (0 0.25 0.5 1)\nmaxColour = (1 0.75 0.5 0)\n"
               "timeResolution = 0.125\nmaterialName = BaseWhite\n";
    }

    ModulatedBillboard make(const std::string& section = "Glow")
    {
        return ModulatedBillboard(*config, section, scene(), *curves);
    }

    // A pass whose variable tasks run at the game time `time`.
    void runAt(double time) { passAt(time - work); }

    static void expectColour(const Ogre::ColourValue& actual, const Ogre::ColourValue& expected)
    {
        const Ogre::ColourValue off = actual - expected;
        EXPECT_LT(std::abs(off.r) + std::abs(off.g) + std::abs(off.b) + std::abs(off.a), 1e-5f)
            << actual << " is not " << expected;
    }
    static Ogre::ColourValue along(float share) { return minColour + (maxColour - minColour) * share; }
    TemporaryFolder folder;
    RenderingRoot rendering;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<Config> config;
    Ogre::SceneNode* node = nullptr;
    int finished = 0;
    const std::function<void()> onDone = [this] { ++finished; };
};

TEST_F(ModulatedBillboardTest, SizeAndColourFollowTheCurvesUntilTheDurationHasPassed)
{
    ModulatedBillboard glow = make();
    Ogre::BillboardSet& set = glow.getBillboardSet();
    EXPECT_FALSE(set.isAttached());
    EXPECT_EQ(set.getQueryFlags(), 0u);
    const double start = scheduler.getTime();
    glow.start(*node, &onDone);
    EXPECT_EQ(set.getParentSceneNode(), node);
    // 2 + 0.5 x (10 - 2) = 6 throughout.
    EXPECT_FLOAT_EQ(glow.getBillboard().getOwnWidth(), 6.0f);
    EXPECT_FLOAT_EQ(glow.getBillboard().getOwnHeight(), 6.0f);

    struct Row {
        double time;
        float share;
        int finished;
        const char* rule;
    };
    const Row rows[] = {
        {0.0, 0.0f, 0, "the state at curve position 0 shows at once"},
        {0.25, 0.3125f, 0, "a quarter of the way at 0.2, on the step of 0.125"},
        {0.5, 0.625f, 0, "steps of the time resolution"},
        {1.0, 1.0f, 0, "at exactly the duration the modulation goes on"},
        {1.125, 1.0f, 1, "the first run past it applies the curves once more and tells the owner"},
        {2.0, 1.0f, 1, "then it ends"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        if (row.time > 0)
            runAt(start + row.time);
        expectColour(glow.getBillboard().getColour(), along(row.share));
        EXPECT_EQ(finished, row.finished);
    }
    // Finished, it stays where it was until the owner stops it.
    EXPECT_EQ(set.getParentSceneNode(), node);
    glow.stop(DisableTime(2));
    EXPECT_FALSE(set.isAttached());
}

TEST_F(ModulatedBillboardTest, TheGlowLevelScalesTheColourRangeAtEveryStart)
{
    GraphicsSettings settings(folder.file("graphics.cfg"));
    settings.setGlowLevel(0.0f);
    ModulatedBillboard glow = make();
    double start = scheduler.getTime();
    glow.start(*node, nullptr);
    runAt(start + 0.5);
    expectColour(glow.getBillboard().getColour(), minColour);

    // A new level shows from the next start on.
    settings.setGlowLevel(0.5f);
    start = scheduler.getTime();
    glow.start(*node, nullptr);
    runAt(start + 1.0);
    expectColour(glow.getBillboard().getColour(), along(0.5f));
}

TEST_F(ModulatedBillboardTest, StopBeforeTheEndCallsNothingAndARestartBeginsAtCurvePositionZero)
{
    ModulatedBillboard glow = make();
    const double start = scheduler.getTime();
    glow.start(*node, &onDone);
    runAt(start + 0.5);
    glow.stop(DisableTime(0));
    runAt(start + 3.0);
    EXPECT_EQ(finished, 0);
    expectColour(glow.getBillboard().getColour(), along(0.625f));

    // Started again on another node: curve position 0 at once, then the full duration again.
    Ogre::SceneNode* other = scene().getRootSceneNode()->createChildSceneNode("Other");
    const double restart = scheduler.getTime();
    glow.start(*other, &onDone);
    expectColour(glow.getBillboard().getColour(), minColour);
    runAt(restart + 1.0);
    EXPECT_EQ(finished, 0);
    runAt(restart + 1.125);
    EXPECT_EQ(finished, 1);

    // Starting an attached billboard moves it, and an owner may stop it from its callback.
    const std::function<void()> stopOnDone = [&] {
        ++finished;
        glow.stop(DisableTime(1));
    };
    const double third = scheduler.getTime();
    glow.start(*node, &stopOnDone);
    EXPECT_EQ(other->numAttachedObjects(), 0u);
    runAt(third + 1.125);
    EXPECT_EQ(finished, 2);
    EXPECT_FALSE(glow.getBillboardSet().isAttached());
}

TEST_F(ModulatedBillboardTest, ColoursBeyondTheDisplayableRangeAreClamped)
{
    writeFile(folder.file("bright.cfg"),
              "[Flash]\nduration = 1\nsizeCurveName = Half\nminSize = 0\nmaxSize = 1\n"
              "colourCurveName = Overshoot\nminColour = (0 0 0 0)\nmaxColour = (1 0.5 1 1)\n"
              "timeResolution = 0.125\nmaterialName = BaseWhite\n");
    Config bright(folder.file("bright.cfg"));
    ModulatedBillboard flash(bright, "Flash", scene(), *curves);
    flash.start(*node, nullptr);
    // 1.5 x the range: red, blue and alpha would go past 1 and wrap round when packed.
    expectColour(flash.getBillboard().getColour(), Ogre::ColourValue(1.0f, 0.75f, 1.0f, 1.0f));
}

TEST_F(ModulatedBillboardTest, SetNamesNeverCollideAndAllSectionsShareOneCounter)
{
    writeFile(folder.file("named.cfg"),
              "[Glow]\n" + sectionBody() + "[Glow1]\n" + sectionBody() + "[Flash]\n" + sectionBody());
    Config named(folder.file("named.cfg"));
    ModulatedBillboard a(named, "Glow", scene(), *curves);
    ModulatedBillboard b(named, "Flash", scene(), *curves);
    ModulatedBillboard c(named, "Glow1", scene(), *curves);
    const std::string first = a.getBillboardSet().getName();
    const std::string prefix = "Glow/ModulatedBillboard";
    ASSERT_EQ(first.compare(0, prefix.size(), prefix), 0) << first;
    const unsigned n = static_cast<unsigned>(std::stoul(first.substr(prefix.size())));
    EXPECT_EQ(b.getBillboardSet().getName(), "Flash/ModulatedBillboard" + std::to_string(n + 1));
    EXPECT_EQ(c.getBillboardSet().getName(), "Glow1/ModulatedBillboard" + std::to_string(n + 2));
    for (int i = 0; i < 12; ++i)
        ModulatedBillboard more(named, i % 2 ? "Glow" : "Glow1", scene(), *curves);
}

// The section body with the line of `key` replaced by `line` (removed when empty).
std::string withLine(const std::string& body, const std::string& key, const std::string& line)
{
    std::string text = body;
    const std::size_t start = text.find(key + " =");
    text.replace(start, text.find('\n', start) - start + 1, line);
    return text;
}

TEST_F(ModulatedBillboardTest, BadSectionsAreLoggedAndRefusedWithoutLeavingASetBehind)
{
    struct Case {
        std::string key;
        std::string line;
        std::string logLine;
    };
    const Case cases[] = {
        {"duration", "duration = 0\n", "ModulatedBillboard: duration of section Bad must be above 0"},
        {"duration", "duration = -1\n", "ModulatedBillboard: duration of section Bad must be above 0"},
        {"sizeCurveName", "sizeCurveName = Nowhere\n", "Unknown ResponseCurve: Nowhere"},
        {"colourCurveName", "colourCurveName = Nothing\n", "Unknown ResponseCurve: Nothing"},
        {"materialName", "materialName = NoSuchMaterial\n",
         "ModulatedBillboard: unknown material NoSuchMaterial in section Bad"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.line);
        writeFile(folder.file("bad.cfg"), "[Bad]\n" + withLine(sectionBody(), bad.key, bad.line));
        Config config(folder.file("bad.cfg"));
        LogCapture log;
        EXPECT_THROW(ModulatedBillboard(config, "Bad", scene(), *curves), ConfigurationError);
        EXPECT_TRUE(log.contains(bad.logLine));
    }

    EXPECT_FALSE(scene().getMovableObjectIterator("BillboardSet").hasMoreElements());
}

TEST_F(ModulatedBillboardTest, DestructionTakesTheSetOutOfTheSceneAndEndsTheTask)
{
    const double start = scheduler.getTime();
    {
        ModulatedBillboard glow = make();
        glow.start(*node, &onDone);
        EXPECT_EQ(node->numAttachedObjects(), 1u);
    }
    EXPECT_EQ(node->numAttachedObjects(), 0u);
    EXPECT_FALSE(scene().getMovableObjectIterator("BillboardSet").hasMoreElements());
    runAt(start + 2.0);
    EXPECT_EQ(finished, 0);
}

} // namespace
} // namespace Tolvarine

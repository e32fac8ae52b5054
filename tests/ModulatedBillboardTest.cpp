#include "ModulatedBillboard.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "ResponseCurves.h"

#include "ConfigFiles.h"
#include "LogCapture.h"
#include "RenderingRoot.h"
#include "SchedulerFixture.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {


const Ogre::ColourValue minColour(0.0f, 0.25f, 0.5f, 1.0f);
const Ogre::ColourValue maxColour(1.0f, 0.75f, 0.5f, 0.0f);

// "Half" is 0.5; "Ramp" rises by 0.25 per fifth and holds 1 from 0.8 on; "Overshoot" is 1.5.
const std::string SECTION = "duration = 1\nsizeCurveName = Half\nminSize = 2\nmaxSize = 10\ncolourCurveName = Ramp\n"
                            "minColour = (0 0.25 0.5 1)\nmaxColour = (1 0.75 0.5 0)\ntimeResolution = 0.125\n"
                            "materialName = BaseWhite\n";

class ModulatedBillboardTest : public SchedulerFixture {
protected:
    ModulatedBillboardTest()
    {
        curves = std::make_unique<ResponseCurves>(written(folder.file("curves.cfg"), "[Half]\n0 = 0.5\n[Ramp]\n0 = 0\n1 = 0.25\n"
                                                                                     "2 = 0.5\n3 = 0.75\n4 = 1\n[Overshoot]\n0 = 1.5\n"));
        passAt(0.0); // so that every later pass looks ahead by a little more than its work
    }

    Ogre::SceneManager& scene() { return rendering.sceneManager(); }
    ModulatedBillboard make(const std::string& section, const std::string& body = SECTION)
    {
        Config config(written(folder.file("effect.cfg"), "[" + section + "]\n" + body));
        return ModulatedBillboard(config, section, scene(), *curves);
    }
    // A pass whose variable tasks run at the game time `time`.
    void runAt(double time) { passAt(time - work); }
    static void expectColour(const Ogre::ColourValue& actual, float share)
    {
        const Ogre::ColourValue off = actual - (minColour + (maxColour - minColour) * share);
        EXPECT_LT(std::abs(off.r) + std::abs(off.g) + std::abs(off.b) + std::abs(off.a), 1e-5f) << actual;
    }

    TemporaryFolder folder;
    RenderingRoot rendering{RenderingRoot::Kind::Headless};
    std::unique_ptr<ResponseCurves> curves;
    Ogre::SceneNode* node = scene().getRootSceneNode()->createChildSceneNode("Owner");
    int finished = 0;
    const std::function<void()> onDone = [this] { ++finished; };
};

TEST_F(ModulatedBillboardTest, SetsAreNumberedInTurnBadSectionsLeaveNoSetAndRestartsBeginAnew)
{
    // The section and one running number for all sections.
    const std::string first = make("Glow").getBillboardSet().getName();
    ASSERT_EQ(first.compare(0, 4, "Glow"), 0) << first;
    const unsigned n = static_cast<unsigned>(std::stoul(first.substr(4)));
    EXPECT_EQ(make("Flash").getBillboardSet().getName(), "Flash" + std::to_string(n + 1));

    // Each row replaces one line of the section.
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"sizeCurveName", "sizeCurveName = Nowhere", "Unknown ResponseCurve: Nowhere"},
        {"colourCurveName", "colourCurveName = Nothing", "Unknown ResponseCurve: Nothing"},
        {"materialName", "materialName = NoSuchMaterial", "ModulatedBillboard: unknown material NoSuchMaterial in section Bad"},
    };
    for (const auto& [key, line, logLine] : rows) {
        SCOPED_TRACE(line);
        std::string body = SECTION;
        const std::size_t at = body.find(key + " =");
        body.replace(at, body.find('\n', at) - at, line);
        EXPECT_TRUE(logged(failsWith<ConfigurationError>([&] { make("Bad", body); }), logLine));
    }
    // Below 0 it never ends, so an owner that waits for its end refuses it.
    Config backwards(written(folder.file("backwards.cfg"), "[Bad]\nduration = -1\n"));
    EXPECT_TRUE(logged(failsWith<ConfigurationError>([&] { ModulatedBillboard::requireEnd(backwards, "Bad"); }),
                       "ModulatedBillboard: duration of section Bad must be at least 0"));
    // Destroyed while running, it leaves the scene and its task ends.
    const double start = scheduler.getTime();
    {
        ModulatedBillboard glow = make("Glow");
        glow.start(*node, &onDone);
    }
    EXPECT_EQ(node->numAttachedObjects(), 0u);
    EXPECT_FALSE(scene().getMovableObjectIterator("BillboardSet").hasMoreElements());
    runAt(start + 2.0);
    EXPECT_EQ(finished, 0);

    // Restarted on another node it begins at curve position 0 and runs its whole duration again;
    // an owner may stop it from its callback.
    ModulatedBillboard glow = make("Glow");
    glow.start(*node, &onDone);
    runAt(start + 2.5);
    Ogre::SceneNode* other = scene().getRootSceneNode()->createChildSceneNode("Other");
    const std::function<void()> stopOnDone = [&] {
        ++finished;
        glow.stop(DisableTime(1));
    };
    const double restart = scheduler.getTime();
    glow.start(*other, &stopOnDone);
    EXPECT_EQ(node->numAttachedObjects(), 0u);
    expectColour(glow.getBillboard().getColour(), 0.0f);
    runAt(restart + 1.0);
    EXPECT_EQ(finished, 0);
    runAt(restart + 1.125);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(glow.getBillboardSet().isAttached());

    // Of no duration, it shows the curves' ends at its first run and ends.
    std::string instant = SECTION;
    instant.replace(0, instant.find('\n'), "duration = 0");
    ModulatedBillboard spark = make("Glow", instant);
    const double sparked = scheduler.getTime();
    spark.start(*node, &onDone);
    runAt(sparked + 0.25);
    EXPECT_EQ(finished, 2);
    expectColour(spark.getBillboard().getColour(), 1.0f);

    // Colours beyond the displayable range are clamped: packed, they would wrap round.
    ModulatedBillboard flash = make("Flash", "duration = 1\nsizeCurveName = Half\nminSize = 0\n"
                                             "maxSize = 1\ncolourCurveName = Overshoot\n"
                                             "minColour = (0 0 0 0)\nmaxColour = (1 0.5 1 1)\n"
                                             "timeResolution = 0.125\nmaterialName = BaseWhite\n");
    flash.start(*node, nullptr);
    EXPECT_EQ(flash.getBillboard().getColour(), Ogre::ColourValue(1.0f, 0.75f, 1.0f, 1.0f));
}

} // namespace
} // namespace Tolvarine::Test

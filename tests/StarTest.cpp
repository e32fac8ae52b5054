#include "OverlayBillboard.h"
#include "OverlayBillboardSet.h"
#include "SceneryWorld.h"
#include "Star.h"

#include <OgreLight.h>
#include <OgreSceneManager.h>

#include <gtest/gtest.h>

#include <vector>

namespace Tolvarine {
namespace {

using Ogre::ColourValue;
using Ogre::Vector3;

// The fade never leaves 0..1, however long a frame takes (a stall used to push it past 1 or below
// 0, and the flare's packed colour then wrapped round).
TEST(StarFade, StepsTowardsItsGoalAndNeverPastIt)
{
    const struct {
        const char* rule;
        float fade;
        bool visible;
        float seconds;
        float want;
    } rows[] = {
        {"rises by the rate's share", 0.0f, true, 0.1f, 0.1f},
        {"of the remaining way", 0.1f, true, 0.1f, 0.19f},
        {"falls by its own rate", 0.5f, false, 0.1f, 0.4f},
        {"a long frame ends at full", 0.3f, true, 3.0f, 1.0f},
        {"a long frame ends dark", 0.8f, false, 3.0f, 0.0f},
        {"no time, no change", 0.5f, true, 0.0f, 0.5f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_NEAR(Star::stepFade(row.fade, row.visible, 1.0f, 2.0f, row.seconds), row.want, 1e-6f);
    }
}

class StarTest : public Test::SceneryWorld {
protected:
    struct Ray {
        Vector3 origin;
        Vector3 direction;
        float length;
    };

    StarTest()
    {
        Star::setOcclusionTest([this](const Vector3& origin, const Vector3& direction, float length) {
            rays.push_back({origin, direction, length});
            return blocked;
        });
    }
    ~StarTest() override { Star::setOcclusionTest({}); }

    std::vector<Ray> rays;
    bool blocked = false;
};

// Fade, flare and test ray of a sun straight ahead of the camera (the light shines along +Z),
// step by step on the real-time clock.
TEST_F(StarTest, TheFlareFadesWithTheViewAndWhatStandsInFront)
{
    const ColourValue glow(1.0f, 0.5f, 0.25f, 1.0f);
    auto star = std::make_unique<Star>(scene, Vector3(0, 0, 2), ColourValue::White, ColourValue::White, glow, 0.5f);
    ASSERT_NE(Star::getFlareSet(), nullptr);
    EXPECT_EQ(Star::getFlareSet()->getName(), "StarOverlayBBS");
    EXPECT_EQ(star->getLight()->getName().rfind("Scenario Light ", 0), 0u);
    EXPECT_EQ(star->getLight()->getDerivedDirection(), Vector3::UNIT_Z);

    const struct {
        const char* step;
        double seconds;
        bool blocked;
        bool paused;
        bool turnedAway;
        bool visible;
        std::size_t rays;
        float fade;
    } steps[] = {
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
        controller.getFixedCamera().setOrientation(
            step.turnedAway ? Ogre::Quaternion(Ogre::Degree(180), Vector3::UNIT_Y) : Ogre::Quaternion::IDENTITY);
        advance(step.seconds);
        star->update();
        EXPECT_EQ(star->isVisible(), step.visible);
        EXPECT_EQ(rays.size(), step.rays);
        EXPECT_FLOAT_EQ(star->getFade(), step.fade);
        EXPECT_EQ(star->getFlare()->getColour(), glow * step.fade);
        EXPECT_EQ(star->getSkyPosition(), Vector3(0, 0, -5000));
    }
    // The ray starts a little ahead of the camera and runs towards the sun.
    EXPECT_EQ(rays.front().origin, Vector3(0, 0, -10));
    EXPECT_EQ(rays.front().direction, Vector3::NEGATIVE_UNIT_Z);
    EXPECT_EQ(rays.front().length, 4000.0f);
    EXPECT_FLOAT_EQ(star->getFlare()->getOwnWidth(), 0.5f);

    // The last star takes its light and the shared set with it.
    star.reset();
    EXPECT_TRUE(scene.getMovableObjects("Light").empty());
    EXPECT_EQ(Star::getFlareSet(), nullptr);
}

} // namespace
} // namespace Tolvarine

#include "OverlayBillboard.h"
#include "SceneryWorld.h"
#include "Star.h"

#include <OgreLight.h>
#include <OgreSceneManager.h>

#include <gtest/gtest.h>

#include <vector>

namespace Tolvarine::Test {
namespace {

using Ogre::ColourValue;
using Ogre::Vector3;

// A sun straight ahead of the camera (the light shines along +Z), its fade (rates 1 in, 2 out)
// stepped on the real-time clock, with a stand-in for the physics ray. The fade never leaves 0..1
// however long a frame takes: a stall used to push it past 1 or below 0, and the packed colour
// of the flare then wrapped round.
TEST_F(SceneryWorld, TheStarsFlareFadesWithTheViewAndWhatStandsInFront)
{
    std::vector<Vector3> rays;
    bool blocked = false;
    Star::setOcclusionTest([&](const Vector3& origin, const Vector3& direction, float length) {
        rays.push_back(origin + direction * length);
        return blocked;
    });
    const ColourValue glow(1.0f, 0.5f, 0.25f, 1.0f);
    auto star = std::make_unique<Star>(scene, Vector3(0, 0, 2), ColourValue::White, ColourValue::White, glow, 0.5f);
    const struct {
        const char* step;
        double seconds;
        bool blocked, paused, turnedAway, visible;
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
    EXPECT_EQ(rays.front(), Vector3(0, 0, -4010)) << "from 10 ahead of the camera, 4000 long, towards the sun";
    EXPECT_EQ(star->getLight()->getDerivedDirection(), Vector3::UNIT_Z);

    // The last star takes its light and the shared flare set with it.
    star.reset();
    Star::setOcclusionTest({});
    EXPECT_TRUE(scene.getMovableObjects("Light").empty());
    EXPECT_EQ(Star::getFlareSet(), nullptr);
}

} // namespace
} // namespace Tolvarine::Test

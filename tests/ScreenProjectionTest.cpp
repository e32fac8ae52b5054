#include "CameraDoubles.h"

#include "FixedCamera.h"
#include "ScreenProjection.h"

#include <OgreCamera.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>

#include <cmath>

namespace Tolvarine::Test {
namespace {

using Ogre::Degree;
using Ogre::Quaternion;
using Ogre::Vector3;

// A camera at the origin looking down -z with a square 90-degree view and a near distance of 5:
// a point at depth d lands at x / d, y / d on the screen.
class ScreenProjectionTest : public CameraFixture {
protected:
    ScreenProjectionTest() { camera.getCamera()->setAspectRatio(1.0f); }

    struct Projection { bool visible; float x, y; };
    Projection project(const Vector3& world) const
    {
        Projection result{false, 99.0f, 99.0f};
        result.visible = ScreenProjection::projectToScreen(camera, world, result.x, result.y);
        return result;
    }
    std::pair<float, float> edge(const Vector3& world) const
    {
        float x = 99.0f, y = 99.0f;
        ScreenProjection::screenEdgePoint(camera, world, x, y);
        return {x, y};
    }
    // The rendering engine's next frame.
    static void nextFrame() { Ogre::Root::getSingleton()._fireFrameRenderingQueued(); }

    // Looking along -x from (100, 0, 0): the camera's right is -z.
    void turnToMinusX()
    {
        camera.setPosition(Vector3(100, 0, 0));
        camera.setOrientation(Quaternion(Degree(90), Vector3::UNIT_Y));
        nextFrame();
    }

    FixedCamera camera{"Fixed", scene, settings};
};

::testing::AssertionResult at(const std::pair<float, float>& actual, float x, float y)
{
    if (std::fabs(actual.first - x) < 1e-5f && std::fabs(actual.second - y) < 1e-5f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.first << ", " << actual.second << ") is not (" << x
                                         << ", " << y << ")";
}

TEST_F(ScreenProjectionTest, PointsLandOnTheirScreenPositionOrTheBorderTowardThemAndFarBehindAreMarked)
{
    struct Row { const char* rule; Vector3 world; bool visible; float x, y; };
    const Row rows[] = {
        {"ahead", Vector3(0, 0, -10), true, 0.0f, 0.0f},
        {"ahead and aside", Vector3(5, -2.5f, -10), true, 0.5f, -0.25f},
        {"off the side: still written", Vector3(15, 0, -10), false, 1.5f, 0.0f},
        {"behind, nearer than the near distance: mirrored", Vector3(1, 0, 2), false, -0.5f, 0.0f},
        {"behind at the near distance", Vector3(1, 0, 5), false, -0.2f, 0.0f},
        {"further behind: marked", Vector3(1, 0, 10), false, -2.0f, -2.0f},
        {"in the camera's plane: marked, no division by zero", Vector3(3, 0, 0), false, -2.0f, -2.0f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        const Projection p = project(row.world);
        EXPECT_EQ(p.visible, row.visible);
        EXPECT_TRUE(at({p.x, p.y}, row.x, row.y));
    }
    // Radius 0 is no size, even where a projection would have nothing to divide by; a sphere whose
    // right side is out of view is measured on its left side.
    EXPECT_EQ(ScreenProjection::projectedScreenWidth(camera, Vector3::ZERO, 0.0f), 0.0f);
    EXPECT_NEAR(ScreenProjection::projectedScreenWidth(camera, Vector3(0, 0, -10), 5.0f), 0.5f, 1e-5f);
    EXPECT_NEAR(ScreenProjection::projectedScreenWidth(camera, Vector3(9, 0, -10), 2.0f), 0.2f, 1e-5f);

    // Straight ahead or behind there is no direction: bottom centre, never a division by zero.
    const struct { Vector3 world; float x, y; } edges[] = {{Vector3(10, 0, -10), 1.0f, 0.0f}, {Vector3(1000, 0, 500), 1.0f, 0.0f},
                        {Vector3(-10, 0, 0), -1.0f, 0.0f}, {Vector3(0, 10, -10), 0.0f, 1.0f},
                        {Vector3(0, -3, 5), 0.0f, -1.0f},  {Vector3(4, 8, 0), 0.5f, 1.0f},
                        {Vector3(-8, 4, 0), -1.0f, 0.5f},  {Vector3(0, 0, 10), 0.0f, -1.0f},
                        {Vector3(0, 0, -10), 0.0f, -1.0f}, {Vector3::ZERO, 0.0f, -1.0f}};
    for (const auto& row : edges)
        EXPECT_TRUE(at(edge(row.world), row.x, row.y)) << row.world;

    // A wide screen stretches the height.
    camera.getCamera()->setAspectRatio(2.0f);
    EXPECT_TRUE(at(edge(Vector3(4, 3, -1)), 4.0f / 6.0f, 1.0f));
    EXPECT_TRUE(at(edge(Vector3(8, 3, 0)), 1.0f, 0.75f));

    // Seen from the camera's own place and orientation.
    camera.getCamera()->setAspectRatio(1.0f);
    turnToMinusX();
    EXPECT_TRUE(at(edge(Vector3(100, 0, -50)), 1.0f, 0.0f));
    EXPECT_TRUE(at(edge(Vector3(100, 20, 10)), -0.5f, 1.0f));
    // The projected width is the screen radius across the view, not along the world's x axis.
    EXPECT_NEAR(ScreenProjection::projectedScreenWidth(camera, Vector3(90, 0, 0), 5.0f), 0.5f, 1e-5f);
    EXPECT_TRUE(std::isfinite(ScreenProjection::projectedScreenWidth(camera, Vector3(100, 0, 0), 5.0f)));
    // The camera's pose and shape count for projections too.
    Projection p = project(Vector3(90, 0, -5));
    EXPECT_TRUE(p.visible);
    EXPECT_TRUE(at({p.x, p.y}, 0.5f, 0.0f));
    camera.getCamera()->setAspectRatio(2.0f);
    nextFrame();
    p = project(Vector3(90, 0, -5));
    EXPECT_TRUE(at({p.x, p.y}, 0.25f, 0.0f));
}

} // namespace
} // namespace Tolvarine::Test

#include "CameraDoubles.h"

#include "ChaseCamera.h"
#include "CommandChaseCamera.h"
#include "ConfigurationError.h"
#include "DropCamera.h"
#include "FixedCamera.h"
#include "FreeCamera.h"
#include "LogCapture.h"
#include "ValueRange.h"

#include <OgreCamera.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace Tolvarine::Test {
namespace {

using Ogre::Degree;
using Ogre::Quaternion;
using Ogre::Vector3;

::testing::AssertionResult near(const Vector3& actual, const Vector3& expected, float tolerance = 1e-4f)
{
    if (actual.distance(expected) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}

using Cameras = CameraFixture;

TEST_F(Cameras, FixedAndDropCamerasPlaceThemselvesByTheTargetsOffsets)
{
    target.position = Vector3(10, 0, 0);
    target.orientation = Quaternion(Degree(90), Vector3::UNIT_Y);
    FixedCamera fixed("Fixed", scene, settings);
    fixed.activate(nullptr, &target);
    fixed.update(0.25f, 0.25f);
    // (0, 1, -4) turned a quarter about y is (-4, 1, 0); the camera rides with the target.
    EXPECT_TRUE(near(fixed.getPosition(), Vector3(6, 1, 0)));
    EXPECT_TRUE(fixed.getOrientation().equals(target.orientation, Ogre::Radian(1e-4f)));

    // The drop camera waits until the target is three drop offsets away, then drops again.
    target.position = Vector3::ZERO;
    target.orientation = Quaternion::IDENTITY;
    DropCamera drop("Drop", scene, settings);
    drop.drop(target);
    EXPECT_TRUE(near(drop.getPosition(), Vector3(0, 0, -100)));
    drop.activate(nullptr, &target);
    target.position = Vector3(0, 0, 199);
    drop.update(0.25f, 0.25f);
    EXPECT_TRUE(near(drop.getPosition(), Vector3(0, 0, -100)));
    EXPECT_LT(degreesBetween(forwardOf(drop), Vector3::UNIT_Z), 0.01f);
    target.position = Vector3(0, 0, 201);
    target.orientation = Quaternion(Degree(180), Vector3::UNIT_Y);
    drop.update(0.25f, 0.25f);
    EXPECT_TRUE(near(drop.getPosition(), Vector3(0, 0, 301)));
    EXPECT_LT(degreesBetween(forwardOf(drop), Vector3::NEGATIVE_UNIT_Z), 0.01f);
    EXPECT_EQ(drop.getVelocity(), Vector3::ZERO);
}

// A chase step closes its share of the gap, frame time x correction speed, and never more than
// the gap. Unheld, a death's view at 300 on frames 0.05 s apart swung out further every frame until
// its place was no number, and the game ended.
TEST_F(Cameras, AChaseStepClosesItsShareOfTheGapAndNeverPassesTheChasePoint)
{
    struct Row {
        const char* name;
        float speed, frame;
        Vector3 after;
    };
    const float infinity = std::numeric_limits<float>::infinity();
    // The target stands at the origin: its chase point is (0, 5, 30), and the view starts 100 short.
    const Row rows[] = {
        {"a share", 2.0f, 0.25f, Vector3(0, 5, -20)},
        {"300 at 20 frames a second", 300.0f, 0.05f, Vector3(0, 5, 30)},
        {"1e5", 1e5f, 0.05f, Vector3(0, 5, 30)},
        {"3e38 over a long frame: the share overflows", 3e38f, 2.0f, Vector3(0, 5, 30)},
        {"no time at no end of speed: the share is no number", infinity, 0.0f, Vector3(0, 5, 30)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ChaseCamera camera(std::string("Chase ") + row.name, row.speed, scene, settings);
        camera.activate(nullptr, &target);
        camera.setPosition(Vector3(0, 5, -70));
        step(camera, row.frame);
        EXPECT_TRUE(near(camera.getPosition(), row.after));
        // The next frames keep it where it landed, or bring it closer.
        for (int i = 0; i < 3; ++i)
            step(camera, row.frame);
        EXPECT_LE(camera.getPosition().distance(Vector3(0, 5, 30)), row.after.distance(Vector3(0, 5, 30)) + 1e-4f);
    }
}

// The lens of cfg/camera.cfg: what the renderer's box of a view holds is taken, and the rest is
// refused by its key. Before, fovY -1, 180 and 1e6 and farClipDistance -1 aborted the start-up (the
// renderer's assertion on that box), nearClipDistance 0 met the renderer's own exception, and a
// near or far distance of 3.4e38 aborted the first battle (the box's span passed the float range);
// fovY 0, 361 and 3.4e38, a far plane at infinity and clip distances of 2e38 played.
TEST_F(Cameras, TheLensTakesWhatTheRenderersBoxOfTheViewHoldsAndRefusesTheRestByItsKey)
{
    struct Row {
        float nearDistance, farDistance, fovY, aspect;
        // The key named by the refusal; null where the lens is taken.
        const char* refused;
    };
    const float wide = 16.0f / 9.0f, square = 4.0f / 3.0f;
    const Row rows[] = {
        {5, 0, 50, square, nullptr},
        {5, 100000, 0, square, nullptr},
        {5, 100000, 361, square, nullptr},
        {5, 100000, 3.4e38f, square, nullptr},
        {5, 100000, 179.99998f, wide, nullptr},
        {1e6f, 100000, 50, square, nullptr},
        {2e38f, 100000, 50, square, nullptr},
        {5, 2e38f, 50, square, nullptr},
        {5, 9.5e37f, 90, wide, nullptr},
        {5, 100000, 180, square, "fovY"},
        {5, 100000, -1, square, "fovY"},
        {5, 100000, 1e6f, square, "fovY"},
        {5, 1e38f, 90, wide, "fovY"},
        {-3.4e38f, 100000, 50, square, "nearClipDistance"},
        {3.4e38f, 100000, 50, square, "nearClipDistance"},
        {5, -1, 50, square, "farClipDistance"},
        {5, 3.4e38f, 50, square, "farClipDistance"},
    };
    for (const Row& row : rows) {
        const std::string text = "[Camera]\nnearClipDistance = " + ValueRange::exactFigure(row.nearDistance)
                                 + "\nfarClipDistance = " + ValueRange::exactFigure(row.farDistance)
                                 + "\nfovY = " + ValueRange::exactFigure(row.fovY) + "\n";
        SCOPED_TRACE(text + "aspect " + std::to_string(row.aspect));
        const std::string name = "lens" + std::to_string(&row - rows);
        Config lens(written(folder.file(name + ".cfg"), text));
        if (row.refused) {
            const std::vector<std::string> lines = failsWith<ConfigurationError>([&] { CameraBase::readLens(lens, row.aspect); });
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back(), "Config: in " + lens.getPath() + ", section Camera, key " + row.refused);
            continue;
        }
        EXPECT_NO_THROW(CameraBase::readLens(lens, row.aspect));
        // The renderer's own box of the view spans no more than the float range, and turned with
        // the view its corners are numbers, if infinite.
        FixedCamera camera(name, scene, lens);
        camera.getCamera()->setAspectRatio(row.aspect);
        camera.getCamera()->getProjectionMatrix();
        const Vector3 span = camera.getCamera()->getBoundingBox().getSize();
        EXPECT_TRUE(std::isfinite(span.x) && std::isfinite(span.y) && std::isfinite(span.z)) << span;
        camera.setOrientation(Quaternion(Degree(30), Vector3(1, 2, 3).normalisedCopy()));
        camera.getSceneNode()->_update(true, false);
        const Ogre::AxisAlignedBox& box = camera.getCamera()->getWorldBoundingBox(true);
        for (const Vector3& corner : {box.getMinimum(), box.getMaximum()})
            EXPECT_FALSE(corner.isNaN()) << corner;
    }
}

TEST_F(Cameras, CommandCameraZoomsWithinItsLimitsPansOnlyWhileActiveAndGlidesOnTheRealClock)
{
    {
        CommandChaseCamera camera("Command Chase Camera", scene, settings);
        const auto press = [this](const char* symbol) {
            input.setSymbolValue(input.getSymbol(symbol), 1.0f);
            input.setSymbolValue(input.getSymbol(symbol), 0.0f);
        };
        // Zooming in from 30 by 1.5 would give 20, which is not beyond the minimum of 20.
        camera.zoom(1.0f);
        EXPECT_EQ(camera.getOffset(), Vector3(0, 0, 30));
        // The zoom keys work while the camera is not current.
        press("command_zoom_out");
        camera.zoom(-1.0f);
        EXPECT_TRUE(near(camera.getOffset(), Vector3(0, 0, 67.5f)));
        camera.zoom(-1.0f); // 101.25 would pass the maximum of 100
        EXPECT_TRUE(near(camera.getOffset(), Vector3(0, 0, 67.5f)));
        camera.zoom(1.0f);
        // The pan keys do nothing until the camera is active, nor after.
        press("command_pan_left");
        EXPECT_EQ(camera.getOffset(), Vector3(0, 0, 45));
        camera.activate(nullptr, nullptr);
        // A quarter turn about the camera's up axis, then back; then about its right axis.
        press("command_pan_left");
        EXPECT_TRUE(near(camera.getOffset(), Vector3(45, 0, 0)));
        camera.pan(-1.0f);
        press("command_pan_up");
        EXPECT_TRUE(near(camera.getOffset(), Vector3(0, -45, 0)));
        camera.deactivate();
        press("command_pan_up");
        EXPECT_TRUE(near(camera.getOffset(), Vector3(0, -45, 0)));

        // The pivot is taken once, where the target was.
        target.position = Vector3(10, 0, 0);
        target.orientation = Quaternion(Degree(90), Vector3::UNIT_Y);
        camera.activate(nullptr, &target);
        target.position = Vector3(500, 0, 0);
        camera.deactivate();
        camera.activate(nullptr, nullptr);
        EXPECT_EQ(camera.getPivotPosition(), Vector3(10, 0, 0));
        EXPECT_EQ(camera.getPivotOrientation(), target.orientation);
    }
    // A fresh overview glides to (0, 0, 30), paused too but then with no velocity, never past.
    CommandChaseCamera overview("Command Chase Camera", scene, settings);
    overview.activate(nullptr, nullptr);
    step(overview, 0.5f);
    EXPECT_TRUE(near(overview.getPosition(), Vector3(0, 0, 7.5f)));
    EXPECT_TRUE(near(overview.getVelocity(), Vector3(0, 0, 15)));
    scheduler.setPaused(true);
    step(overview, 0.5f);
    EXPECT_TRUE(near(overview.getPosition(), Vector3(0, 0, 13.125f)));
    EXPECT_EQ(overview.getVelocity(), Vector3::ZERO);
    step(overview, 4.0f);
    EXPECT_TRUE(near(overview.getPosition(), Vector3(0, 0, 30)));
    // Looking along +x, it turns toward the pivot by 0.3 of the way, then by at most 0.4.
    overview.setOrientation(Quaternion(Degree(-90), Vector3::UNIT_Y));
    step(overview, 0.2f);
    EXPECT_NEAR(degreesBetween(forwardOf(overview), Vector3::NEGATIVE_UNIT_Z), 63.0f, 0.01f);
    step(overview, 0.5f);
    EXPECT_NEAR(degreesBetween(forwardOf(overview), Vector3::NEGATIVE_UNIT_Z), 37.8f, 0.01f);
}

TEST_F(Cameras, FreeCameraTurnsInItsUpdatesGlidesAndAimsByItsTargetMode)
{
    FreeCamera camera("Free", scene, settings);
    camera.activate(nullptr, nullptr);
    camera.pointAt(Vector3(10, 0, 0));
    EXPECT_LT(degreesBetween(forwardOf(camera), Vector3::NEGATIVE_UNIT_Z), 0.01f);
    // Each update turns at most 0.4 of the rest of the way.
    step(camera, 0.25f);
    EXPECT_NEAR(degreesBetween(forwardOf(camera), Vector3::UNIT_X), 54.0f, 0.01f);
    step(camera, 0.25f);
    EXPECT_NEAR(degreesBetween(forwardOf(camera), Vector3::UNIT_X), 32.4f, 0.01f);
    // It glides a quarter of the way in a quarter second at speed 1; setPosition keeps the velocity.
    camera.moveTo(Vector3(-40, 0, 0));
    step(camera, 0.25f);
    EXPECT_TRUE(near(camera.getPosition(), Vector3(-10, 0, 0)));
    camera.setPosition(Vector3::ZERO);
    EXPECT_TRUE(near(camera.getVelocity(), Vector3(-40, 0, 0)));

    camera.setMovementSpeed(4.0f); // a quarter second reaches the destination
    // The aim is taken before the move, from where the camera was.
    Vector3 aimedFrom;
    const auto move = [&] { aimedFrom = camera.getPosition(), step(camera, 0.25f); };
    const auto aimedAt = [&](const Vector3& point) {
        return degreesBetween(camera.getDestinationOrientation() * Vector3::NEGATIVE_UNIT_Z, point - aimedFrom) < 0.01f;
    };
    // Ignore: keeps aiming at the stored point from wherever it is.
    camera.moveTo(Vector3(10, 0, 10));
    move();
    move();
    EXPECT_TRUE(aimedAt(Vector3(10, 0, 0)));
    // An unknown mode keeps the last aim even after a move.
    camera.setTargetMode(static_cast<FreeCamera::TargetMode>(7));
    const Quaternion lastAim = camera.getDestinationOrientation();
    camera.moveTo(Vector3(0, 0, 0));
    move();
    EXPECT_TRUE(camera.getDestinationOrientation().equals(lastAim, Ogre::Radian(1e-4f)));
    // Point at: the target when there is one (which becomes the stored point), else the point.
    camera.setTargetMode(FreeCamera::POINT_AT);
    target.position = Vector3(20, 0, 0);
    camera.setTarget(target);
    move();
    EXPECT_EQ(camera.getPoint(), Vector3(20, 0, 0));
    // Orbit a target: round the axis that the inverse of its orientation makes of world up. A
    // quarter turn about x makes that axis -z; a second at 90 degrees a second is a quarter circle.
    target.position = Vector3(0, 0, -50);
    target.orientation = Quaternion(Degree(90), Vector3::UNIT_X);
    camera.setTargetMode(FreeCamera::ORBIT);
    for (int i = 0; i < 4; ++i)
        move();
    EXPECT_TRUE(near(camera.getPosition(), Vector3(0, -10, -50)));
    EXPECT_TRUE(aimedAt(target.position));
    // Without a target it orbits the stored point level, once in four seconds, even while paused.
    FreeCamera level("Level", scene, settings);
    level.setMovementSpeed(4.0f);
    level.setTargetMode(FreeCamera::ORBIT);
    level.pointAt(Vector3(5, 0, 0));
    level.activate(nullptr, nullptr);
    const Vector3 quarters[] = {Vector3(5, 0, -10), Vector3(-5, 0, 0), Vector3(5, 0, 10), Vector3(15, 0, 0)};
    for (int quarter = 0; quarter < 4; ++quarter) {
        scheduler.setPaused(quarter >= 1);
        for (int i = 0; i < 4; ++i)
            step(level, 0.25f);
        EXPECT_TRUE(near(level.getPosition(), quarters[quarter], 1e-3f)) << quarter;
    }
    // However fast it orbits, it stays on its circle: its angle once left the float range
    // within seconds, and its place became NaN.
    level.setOrbitSpeed(Degree(3e38f));
    for (int i = 0; i < 8; ++i)
        step(level, 0.25f);
    EXPECT_NEAR(level.getPosition().distance(Vector3(5, 0, 0)), 10.0f, 1e-3f);
}

} // namespace
} // namespace Tolvarine::Test

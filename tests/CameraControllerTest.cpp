#include "CameraDoubles.h"
#include "TargetingDoubles.h"

#include "CameraController.h"
#include "CameraEvent.h"
#include "CommandChaseCamera.h"
#include "ConfigurationError.h"
#include "LogCapture.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

class CameraSwitching : public CameraFixture {
protected:
    // Names of the camera nodes hanging in the scene.
    std::vector<std::string> camerasInScene() const
    {
        std::vector<std::string> names;
        for (const char* name : {"Fixed", "Chase", "Drop", "Free", "Command Chase Camera"}) {
            if (scene.hasSceneNode(name) && scene.getSceneNode(name)->getParent() == scene.getRootSceneNode())
                names.push_back(name);
        }
        return names;
    }

    CameraController controller{scene, settings};
};

TEST_F(CameraSwitching, SwitchingHandsTheTargetToTheNewCameraAndKeepsOneCameraInTheScene)
{
    // The fixed camera starts current, but out of the scene until activated.
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getFixedCamera());
    EXPECT_TRUE(camerasInScene().empty());
    controller.activateFixedCamera();
    EXPECT_EQ(camerasInScene(), std::vector<std::string>{"Fixed"});
    // The current camera takes the target at once, the others when they are switched to.
    controller.setCameraTarget(target);
    EXPECT_EQ(controller.getFixedCamera().getOffset(), Vector3(0, 1, -4));
    EXPECT_EQ(controller.getChaseCamera().getTarget(), nullptr);
    controller.activateFreeCamera();
    EXPECT_EQ(controller.getFixedCamera().getTarget(), nullptr);
    EXPECT_EQ(controller.getFreeCamera().getTarget(), &target);
    EXPECT_EQ(camerasInScene(), std::vector<std::string>{"Free"});

    // Switching to the current camera starts it afresh with the target.
    controller.activateChaseCamera();
    controller.activateChaseCamera();
    EXPECT_EQ(controller.getChaseCamera().getTarget(), &target);
    // Its first frame shows the target from the chase point, not from inside.
    EXPECT_EQ(controller.getChaseCamera().getPosition(), Vector3(0, 5, 30));
    EXPECT_LT(degreesBetween(forwardOf(controller.getChaseCamera()), Vector3(0, -5, -30)), 0.01f);
    EXPECT_EQ(controller.getFreeCamera().getTarget(), nullptr);
    EXPECT_EQ(camerasInScene(), std::vector<std::string>{"Chase"});
    // Without a target the current camera stays, and stops following.
    controller.clearCameraTarget();
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getChaseCamera());
    const Vector3 before = controller.getChaseCamera().getPosition();
    step(controller.getChaseCamera(), 60.0f);
    EXPECT_EQ(controller.getChaseCamera().getPosition(), before);
    // Unknown camera types are ignored; the drop camera needs a target.
    controller.setCameraType(static_cast<CameraController::CameraType>(9));
    controller.setCameraType(CameraController::DROP);
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getChaseCamera());
    // Given a target again, it closes one frame's share of the gap, not the whole spell's.
    controller.setCameraTarget(target);
    controller.getChaseCamera().setPosition(Vector3::ZERO);
    step(controller.getChaseCamera(), 0.25f);
    EXPECT_TRUE(controller.getChaseCamera().getPosition().positionEquals(Vector3(0, 2.5f, 15)));
    controller.setCameraType(CameraController::DROP);
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getDropCamera());
    FreeCamera& free = controller.setCameraTypeFree();
    EXPECT_EQ(controller.getCurrentCamera(), &free);
}

// A dying ship's view event whose offset lies beyond the view's bound: a view near the float limit
// ended the game (the sound library's exit on its listener, the collision library's abort on the
// star's ray from there). The view stays as it is, with a line.
TEST_F(CameraSwitching, ADeathsViewBeyondItsBoundLeavesTheViewAsItIs)
{
    PhysicsEngine physics;
    Journal journal;
    TestShip ship("ship", targetType, journal);
    // Each row its own file: the line is said once for an event.
    for (const auto& [offset, followed] : {std::pair("(0 12 70)", true), std::pair("(0 5e9 0)", true),
                                           std::pair("(0 2e10 0)", false), std::pair("(0 3e38 0)", false)}) {
        SCOPED_TRACE(offset);
        Config sequence{written(folder.file(std::string("view") + offset + ".explosion_sequence"),
                                std::string("[Event_View]\ntime = 0\ncamera = Chase\noffset = ") + offset + "\n")};
        CameraEvent view(sequence, "Event_View");
        controller.activateFreeCamera();
        LogCapture log;
        view.execute(&ship, true, Vector3::ZERO);
        EXPECT_EQ(controller.getCurrentCamera() == &controller.getChaseCamera(), followed);
        EXPECT_EQ(log.contains("CameraEvent Event_View of " + sequence.getPath() + ": its offset would put the view beyond "
                               "1e+10 units on an axis; the view stays as it is (said once for the event)"),
                  !followed);
    }
}

using ControllerStartUp = CameraFixture;

// The cameras as the start-up builds them, the controller's and then the command view's, refuse
// settings without a speed or a lens they can use, naming the key, and leave nothing behind. A
// speed below 0 carried the view away from where it went until its place was no number: -50 for
// any of the three ended the game (the collision library's abort, or the sound layer's exit). A
// near clip distance of 0 met the renderer's own exception, which named no file; a far one below 0
// and a field of view of 200 degrees turned the renderer's box of the view inside out (its abort at
// start-up).
TEST_F(ControllerStartUp, CamerasWithoutUsableSettingsFailAndLeaveNoSingletonCamerasOrKeys)
{
    const std::string usable = "[Camera]\nchaseCorrectionSpeed = 1\nnearClipDistance = 1\nfarClipDistance = 1\nfovY = 1\n"
                               "[FreeCamera]\norbitRange = 1\norbitSpeedDegrees = 1\n"
                               "freeCameraCorrectionSpeed = 1\n[CommandCamera]\nmovementSpeed = 1\ninitialOffset = (0 0 30)\n";
    struct Row {
        const char* section;
        const char* key;
        // Empty: the key is left out.
        std::string value;
        std::string reason;
    };
    const std::string below = " is below 0: the view would move away from where it goes";
    const Row rows[] = {
        {"Camera", "chaseCorrectionSpeed", "", "Key chaseCorrectionSpeed not found in section Camera"},
        {"Camera", "chaseCorrectionSpeed", "-50", "Camera settings: chaseCorrectionSpeed -50" + below},
        {"FreeCamera", "freeCameraCorrectionSpeed", "-50", "Camera settings: freeCameraCorrectionSpeed -50" + below},
        {"CommandCamera", "movementSpeed", "-0.5", "Camera settings: movementSpeed -0.5" + below},
        {"Camera", "nearClipDistance", "0",
         "Camera settings: nearClipDistance 0 is not above 0: the renderer draws a view from a near plane in front of it"},
        {"Camera", "farClipDistance", "-1",
         "Camera settings: farClipDistance -1 is below 0 (0 sets the far plane at infinity): the renderer's box of the "
         "view would turn inside out"},
        {"Camera", "fovY", "200",
         "Camera settings: fovY 200 turns half the view's angle past a right angle (from 180 to 360 degrees, less whole "
         "turns): the renderer's box of the view would turn inside out"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " = " + row.value);
        std::string text = usable;
        const std::string line = std::string(row.key) + " = 1\n";
        text.replace(text.find(line), line.size(), row.value.empty() ? "" : std::string(row.key) + " = " + row.value + "\n");
        const std::string file = folder.file(std::string(row.key) + row.value + ".cfg");
        Config settings(written(file, text));
        EXPECT_EQ(failsWith<ConfigurationError>([&] {
                      CameraController controller(scene, settings);
                      CommandChaseCamera command("Command Chase Camera", scene, settings);
                  }),
                  (std::vector<std::string>{row.reason, "Config: in " + file + ", section " + row.section + ", key " + row.key}));
        EXPECT_EQ(CameraController::getSingletonPtr(), nullptr);
        for (const char* name : {"Fixed", "Chase", "Drop", "Free", "Command Chase Camera"})
            EXPECT_FALSE(scene.hasCamera(name)) << name;
        // The keys were let go as well.
        for (const char* key : {"nose_cam_view", "chase_cam_view", "flyby_view"})
            EXPECT_TRUE(InputHandler::EnterSubscription(key, [] {}).ownsSlot()) << key;
    }
}

} // namespace
} // namespace Tolvarine::Test

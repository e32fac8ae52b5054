#include "CameraDoubles.h"

#include "CameraController.h"
#include "CommandChaseCamera.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "ScriptError.h"
#include "ScriptModule.h"
#include "ScriptSystem.h"
#include "TolvarineEngine.h"

#include <OgreCamera.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <boost/python.hpp>
#include <OgreRoot.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace Tolvarine::Test {
namespace {

namespace bp = boost::python;

using Ogre::Degree;
using Ogre::Quaternion;
using Ogre::Vector3;

class CameraSwitching : public CameraFixture {
protected:
    void pulse(const std::string& symbol) { input.pulseSymbol(input.getSymbol(symbol)); }

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
    EXPECT_EQ(controller.getFreeCamera().getTarget(), nullptr);
    EXPECT_EQ(camerasInScene(), std::vector<std::string>{"Chase"});
    // Without a target the current camera stays, and stops following.
    controller.clearCameraTarget();
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getChaseCamera());
    const Vector3 before = controller.getChaseCamera().getPosition();
    step(controller.getChaseCamera(), 0.25f);
    EXPECT_EQ(controller.getChaseCamera().getPosition(), before);

    // Unknown camera types are ignored; the drop camera needs a target.
    controller.setCameraType(static_cast<CameraController::CameraType>(9));
    controller.setCameraType(CameraController::DROP);
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getChaseCamera());
    controller.setCameraTarget(target);
    controller.setCameraType(CameraController::DROP);
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getDropCamera());
    FreeCamera& free = controller.setCameraTypeFree();
    EXPECT_EQ(controller.getCurrentCamera(), &free);
}

TEST_F(CameraSwitching, ViewKeysSwitchCamerasUnlessASwitchLockedThem)
{
    controller.activateFixedCamera();
    pulse("chase_cam_view");
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getChaseCamera());
    // No fly-by without something to fly by; the keys keep working.
    pulse("flyby_view");
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getChaseCamera());
    // With a target, the fly-by camera is placed at its drop offset and looks back at it.
    target.orientation = Quaternion(Degree(90), Vector3::UNIT_Y);
    controller.setCameraTarget(target);
    pulse("flyby_view");
    DropCamera& drop = controller.getDropCamera();
    EXPECT_EQ(controller.getCurrentCamera(), &drop);
    EXPECT_LT(drop.getPosition().distance(Vector3(-100, 0, 0)), 1e-3f);
    drop.update(0.0f, 0.0f);
    EXPECT_LT(degreesBetween(forwardOf(drop), Vector3::UNIT_X), 0.01f);

    // Command mode's overview camera, with the keys locked.
    CommandChaseCamera command("Command Chase Camera", scene, settings);
    controller.switchCamera(command, true);
    EXPECT_EQ(controller.getCamera(), command.getCamera());
    EXPECT_EQ(command.getPivotPosition(), target.position);
    EXPECT_FALSE(controller.areViewKeysEnabled());
    for (const char* key : {"nose_cam_view", "chase_cam_view", "flyby_view"})
        pulse(key);
    EXPECT_EQ(controller.getCurrentCamera(), &command);
    EXPECT_EQ(camerasInScene(), std::vector<std::string>{"Command Chase Camera"});
    // Leaving command mode unlocks them.
    controller.setCameraType(CameraController::FIXED);
    EXPECT_FALSE(command.isActive());
    EXPECT_TRUE(controller.areViewKeysEnabled());
    pulse("chase_cam_view");
    EXPECT_EQ(controller.getCurrentCamera(), &controller.getChaseCamera());
}

using ControllerStartUp = CameraFixture;

TEST_F(ControllerStartUp, AControllerWithoutItsChaseSpeedFailsAndLeavesNoSingletonOrCameras)
{
    Config noChaseSpeed(written(folder.file("partial.cfg"), "[FreeCamera]\norbitRange = 1\norbitSpeedDegrees = 1\n"
                                                             "freeCameraCorrectionSpeed = 1\n"));
    LogCapture log;
    EXPECT_THROW(CameraController(scene, noChaseSpeed), ConfigurationError);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Key chaseCorrectionSpeed not found in section Camera"});
    EXPECT_EQ(CameraController::getSingletonPtr(), nullptr);
    for (const char* name : {"Fixed", "Chase", "Drop", "Free"})
        EXPECT_FALSE(scene.hasCamera(name)) << name;
    // The keys were let go as well.
    for (const char* key : {"nose_cam_view", "chase_cam_view", "flyby_view"})
        EXPECT_TRUE(InputHandler::EnterSubscription(key, [] {}).ownsSlot()) << key;
}

// Starts a controller in the engine's scene on the settings of `folder`/cfg/camera.cfg, which is
// missing, and ends the process with 0 when the file was created, the right lines logged and no
// controller is left.
[[noreturn]] void startWithoutSettings(const std::filesystem::path& folder, Ogre::SceneManager& scene)
{
    TolvarineEngine engine(Ogre::Root::getSingleton());
    engine.sceneManager = &scene;
    std::filesystem::create_directories(folder / "cfg");
    if (chdir(folder.c_str()) != 0)
        _exit(2);
    LogCapture log;
    try {
        CameraController controller;
        _exit(3);
    } catch (const ConfigurationError&) {
    }
    const std::vector<std::string> expected{"cfg/camera.cfg does not exist",
                                            "Key orbitRange not found in section FreeCamera"};
    const bool created = std::filesystem::exists(folder / "cfg" / "camera.cfg");
    _exit(created && log.lines() == expected && !CameraController::getSingletonPtr() ? 0 : 1);
}

TEST_F(ControllerStartUp, AMissingSettingsFileIsCreatedEmptyAndStartUpFailsOnTheFirstRequiredKey)
{
    // In a child process: the settings are opened once per process, from the working folder.
    EXPECT_EXIT(startWithoutSettings(folder.file("game"), scene), ::testing::ExitedWithCode(0), "");
}

// Runs statements in the main namespace; a failure ends the process with the traceback.
void runOrDie(const std::string& statements)
{
    try {
        ScriptSystem::getSingleton().runString(statements);
    } catch (const ScriptError& error) {
        std::string text = "script failed: " + statements + "\n";
        for (const std::string& line : error.traceback())
            text += line + "\n";
        std::fprintf(stderr, "%s", text.c_str());
        std::fflush(stderr);
        _exit(1);
    }
}

void checkOrDie(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        _exit(1);
    }
}

// Starts the scripting module in this process. Scripts hand targets over as "Targetable", which
// is registered here unless the module already did.
void startScripts()
{
    new ScriptSystem();
    initTolvarine();
    const bp::converter::registration* known = bp::converter::registry::query(bp::type_id<Targetable>());
    if (!known || !known->m_class_object) {
        bp::object module(bp::handle<>(bp::borrowed(PyImport_AddModule("CameraFaces"))));
        bp::scope inModule(module);
        Targetable::exportToPython();
    }
}

// The script faces run in a child process: the interpreter and its registrations are process-wide.
TEST_F(CameraSwitching, ScriptsSwitchCamerasAndSteerTheFreeCameraInPlace)
{
    PosedTarget other(targetType);
    EXPECT_EXIT(
        {
            startScripts();
            bp::object names = bp::import("__main__").attr("__dict__");
            names["target"] = bp::ptr(static_cast<Targetable*>(&target));
            names["other"] = bp::ptr(static_cast<Targetable*>(&other));
            runOrDie("from Tolvarine import CameraController, CameraType, FreeCamera, TargetMode, Vector3, Degree\n"
                     "assert (int(CameraType.FIXED), int(CameraType.CHASE), int(CameraType.DROP),"
                     " int(CameraType.FREE)) == (0, 1, 2, 3)\n"
                     "assert (int(TargetMode.IGNORE), int(TargetMode.POINT_AT), int(TargetMode.ORBIT)) == (0, 1, 2)\n"
                     "for made in (CameraController, FreeCamera):\n"
                     "    try: made(); raise AssertionError('made from a script')\n"
                     "    except RuntimeError: pass\n"
                     "c = CameraController.getSingleton()\n"
                     "c.setCameraTarget(target)\n"
                     "c.setCameraType(CameraType.CHASE)\n");
            CameraController& cameras = CameraController::getSingleton();
            checkOrDie(cameras.getCameraTarget() == &target && cameras.getCurrentCamera() == &cameras.getChaseCamera(),
                       "target not set or chase camera not current");

            runOrDie("free = c.setCameraTypeFree()\ndel c\nfree.setOrbitSpeed(Degree(90))\nfree.setOrbitRange(25.0)\n"
                     "free.setMovementSpeed(3.0)\nfree.moveTo(Vector3(1, 2, 3))\nfree.pointAt(Vector3(0, 0, -50))\n"
                     "free.setTargetMode(TargetMode.ORBIT)\nfree.setPosition(Vector3(7, 8, 9))\nfree.setTarget(other)\n");
            // The script's free camera is the controller's own, not a copy.
            FreeCamera& free = cameras.getFreeCamera();
            checkOrDie(cameras.getCurrentCamera() == &free, "free camera not current");
            checkOrDie(free.getOrbitSpeed() == 90.0f && free.getOrbitRange() == 25.0f && free.getMovementSpeed() == 3.0f
                           && free.getDestination() == Vector3(1, 2, 3) && free.getPoint() == Vector3(0, 0, -50)
                           && free.getTargetMode() == FreeCamera::ORBIT && free.getPosition() == Vector3(7, 8, 9)
                           && free.getTarget() == &other,
                       "the free camera's settings did not arrive");

            runOrDie("free.clearTarget()\nCameraController.getSingleton().clearCameraTarget()\n"
                     "CameraController.getSingleton().setCameraType(CameraType.FIXED)\n");
            checkOrDie(free.getTarget() == nullptr && cameras.getCameraTarget() == nullptr, "targets not cleared");
            checkOrDie(cameras.getCurrentCamera() == &cameras.getFixedCamera(), "fixed camera not current");
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace Tolvarine::Test

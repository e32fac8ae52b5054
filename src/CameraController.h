#pragma once

#include "DropCamera.h"
#include "FixedCamera.h"
#include "FreeCamera.h"
#include "InputHandler.h"
#include "TargetableWatch.h"

namespace Tolvarine {

class Config;
class Targetable;

// Owns the game's four standing cameras (the nose view "Fixed", the chase view "Chase", the
// fly-by view "Drop" and the scriptable "Free"), knows which camera is current and which object
// the cameras follow, and switches between them: on the player's view keys ("nose_cam_view",
// "chase_cam_view", "flyby_view"), for command mode (whose own overview camera it also switches
// to), the tutorial, explosion sequences and scripts. Created once at start-up, never destroyed.
//
// It also owns the camera settings, "cfg/camera.cfg", which every camera reads.
class CameraController {
public:
    enum CameraType : int { FIXED = 0, CHASE = 1, DROP = 2, FREE = 3 };

    // Builds the cameras in the engine's scene with the settings of "cfg/camera.cfg". The fixed
    // camera is current but not active until the game window's viewport exists. A missing
    // required setting, or a speed below 0 (CameraBase::readSpeed), is logged and throws
    // ConfigurationError.
    CameraController();
    // The same in `sceneManager` with `settings`, which must outlive the controller.
    CameraController(Ogre::SceneManager& sceneManager, const Config& settings);
    ~CameraController();
    CameraController(const CameraController&) = delete;
    CameraController& operator=(const CameraController&) = delete;

    static CameraController& getSingleton();
    // Null before start-up has made the controller.
    static CameraController* getSingletonPtr();

    // The camera settings, read from "cfg/camera.cfg" at the first call (an empty file is made
    // when it is missing) and kept until the process ends.
    static Config& getConfig();

    // The object the cameras follow; the focused controllable sets itself here. The current camera
    // takes it at once, the others when they are next switched to. Kept until it is cleared or
    // the object is deleted (the focus lets go of its ship when the ship leaves play).
    void setCameraTarget(Targetable& target);
    void clearCameraTarget();
    Targetable* getCameraTarget() const { return cameraTarget; }

    CameraBase* getCurrentCamera() const { return currentCamera; }
    // The current camera's rendering camera.
    Ogre::Camera* getCamera() const;

    // Makes `camera` current: the old camera lets go of its target and leaves the scene, the new
    // one takes the viewport and the camera target. With lockViewKeys the three view keys stay
    // off until a later switch without it. Switching to the current camera starts it afresh.
    void switchCamera(CameraBase& camera, bool lockViewKeys);
    void activateFixedCamera();
    void activateChaseCamera();
    void activateFreeCamera();
    // Places the fly-by camera ahead of the camera target and switches to it; without a target
    // nothing happens.
    void activateDropCamera();
    // Any value but the four camera types is ignored.
    void setCameraType(CameraType type);
    // Switches to the free camera and hands it out for scripting.
    FreeCamera& setCameraTypeFree();

    FixedCamera& getFixedCamera() { return fixedCamera; }
    ChaseCamera& getChaseCamera() { return chaseCamera; }
    DropCamera& getDropCamera() { return dropCamera; }
    FreeCamera& getFreeCamera() { return freeCamera; }
    bool areViewKeysEnabled() const { return noseKey.isActive(); }

    // Registers the script class "CameraController" with its enumeration "CameraType" in the
    // module being started.
    static void exportToPython();

private:
    // The viewport that shows the current camera: the game window's, once it has one.
    Ogre::Viewport* currentViewport() const;
    void setViewKeysEnabled(bool enabled);

    static CameraController* singleton;

    Targetable* cameraTarget = nullptr;
    TargetableWatch cameraTargetWatch{cameraTarget};
    InputHandler::EnterSubscription noseKey;
    InputHandler::EnterSubscription chaseKey;
    InputHandler::EnterSubscription flybyKey;
    FixedCamera fixedCamera;
    ChaseCamera chaseCamera;
    DropCamera dropCamera;
    FreeCamera freeCamera;
    CameraBase* currentCamera;
};

} // namespace Tolvarine

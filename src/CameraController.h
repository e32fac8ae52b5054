#pragma once

namespace Tolvarine {

class Targetable;

// Owns the game's cameras, knows which one is current and which object they follow, and switches
// between them on the player's view keys, for command mode, the tutorial and scripts. Created once
// at start-up and never destroyed.
//
// So far it keeps the camera target that the focused object hands it; the cameras that follow the
// target come with the camera work.
class CameraController {
public:
    CameraController();
    ~CameraController();
    CameraController(const CameraController&) = delete;
    CameraController& operator=(const CameraController&) = delete;

    static CameraController& getSingleton();
    // Null before start-up has made the controller.
    static CameraController* getSingletonPtr();

    // The object the cameras follow; the focused controllable sets itself here.
    void setCameraTarget(Targetable& target);
    void clearCameraTarget();
    Targetable* getCameraTarget() const { return cameraTarget; }

private:
    static CameraController* singleton;

    Targetable* cameraTarget = nullptr;
};

} // namespace Tolvarine

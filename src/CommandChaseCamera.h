#pragma once

#include "ChaseCamera.h"
#include "InputHandler.h"

#include <optional>

namespace Tolvarine {

// The overview camera of command mode: it circles a fixed pivot at an offset in the pivot's frame,
// zoomed and panned by the player, and glides to its place on the real-time clock, so that it
// keeps moving while the game is paused. Settings come from section "CommandCamera" of the camera
// settings.
//
// The zoom keys work whenever the camera exists (they only change the offset); the pan keys only
// while it is active.
class CommandChaseCamera : public ChaseCamera {
public:
    // Reads "movementSpeed" (its correction speed) and "initialOffset"; either missing, or a speed
    // below 0 (CameraBase::readSpeed), throws ConfigurationError.
    explicit CommandChaseCamera(const std::string& name);
    CommandChaseCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings);
    ~CommandChaseCamera() override;

    // Takes the pivot from the target's pose now (it does not follow the target afterwards) and
    // sets the offset to twice the target's chase offset.
    void setTarget(Targetable& target) override;
    // Restarts the frame timing on the real-time clock and enables panning.
    void activate(Ogre::Viewport* viewport, Targetable* target) override;
    void deactivate() override;
    void update(float lastFrameTime, float smoothedFrameTime) override;

    // Axis handlers. Zoom acts on exactly 1 (in) and -1 (out) only, inside the configured distance
    // limits; each pan call turns the camera about the pivot by "panControlSpeed" x value radians,
    // about the camera's own up axis (pan) or right axis (panVertical). The zoom limits and the
    // pan speed are read at the first call; a missing key throws ConfigurationError.
    void zoom(float value);
    void pan(float value);
    void panVertical(float value);

    const Ogre::Vector3& getPivotPosition() const { return pivotPosition; }
    const Ogre::Quaternion& getPivotOrientation() const { return pivotOrientation; }

private:
    struct ZoomSettings {
        float step;
        float maxDistance;
        float minDistance;
    };

    void turnAboutPivot(float angle, const Ogre::Vector3& axis);

    const Config& settings;
    Ogre::Vector3 pivotPosition = Ogre::Vector3::ZERO;
    Ogre::Quaternion pivotOrientation = Ogre::Quaternion::IDENTITY;
    InputHandler::AxisSubscription zoomSubscription;
    InputHandler::AxisSubscription panSubscription;
    InputHandler::AxisSubscription panVerticalSubscription;
    std::optional<ZoomSettings> zoomSettings;
    std::optional<float> panSpeed;
    std::optional<float> panVerticalSpeed;
};

} // namespace Tolvarine

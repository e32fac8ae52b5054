#pragma once

#include "CameraBase.h"

namespace Tolvarine {

// The scriptable camera: it glides toward a destination and turns toward a point, its target or
// an orbit centre, at a pace set by its movement speed, on the real-time clock (so it keeps moving
// while the game is paused). Settings come from section "FreeCamera" of the camera settings.
class FreeCamera : public CameraBase {
public:
    enum TargetMode : int {
        // Turns toward the stored point.
        IGNORE = 0,
        // Turns toward the target, or toward the stored point without one.
        POINT_AT = 1,
        // Circles the target (or the stored point) at the orbit range and looks at the centre.
        ORBIT = 2,
    };

    // Reads "orbitRange", "orbitSpeedDegrees" and "freeCameraCorrectionSpeed"; any of them
    // missing, or a speed below 0 (CameraBase::readSpeed), throws ConfigurationError.
    explicit FreeCamera(const std::string& name);
    FreeCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings);
    ~FreeCamera() override;

    // Keeps the target; the target mode decides what the camera does with it.
    void setTarget(Targetable& target) override;
    // Restarts the frame timing on the real-time clock.
    void activate(Ogre::Viewport* viewport, Targetable* target) override;
    void update(float lastFrameTime, float smoothedFrameTime) override;

    void moveTo(const Ogre::Vector3& destination);
    // Stores the point and the orientation that looks at it from here; the camera turns there
    // over the following frames.
    void pointAt(const Ogre::Vector3& point);
    void setOrbitRange(float range) { orbitRange = range; }
    void setOrbitSpeed(const Ogre::Degree& speed) { orbitSpeed = speed.valueDegrees(); }
    void setMovementSpeed(float speed) { movementSpeed = speed; }
    void setTargetMode(TargetMode mode) { targetMode = mode; }

    const Ogre::Vector3& getDestination() const { return destination; }
    const Ogre::Quaternion& getDestinationOrientation() const { return destinationOrientation; }
    const Ogre::Vector3& getPoint() const { return point; }
    TargetMode getTargetMode() const { return targetMode; }
    float getOrbitRange() const { return orbitRange; }
    // Degrees per second.
    float getOrbitSpeed() const { return orbitSpeed; }
    float getMovementSpeed() const { return movementSpeed; }

    // Registers the script class "FreeCamera" with its enumeration "TargetMode" in the module
    // being started.
    static void exportToPython();

private:
    void aim(float elapsed);
    void orbit(float elapsed);

    Ogre::Vector3 destination = Ogre::Vector3::ZERO;
    Ogre::Quaternion destinationOrientation = Ogre::Quaternion::IDENTITY;
    Ogre::Vector3 point = Ogre::Vector3::ZERO;
    TargetMode targetMode = IGNORE;
    float orbitRange;
    float orbitSpeed;
    // Degrees, not wrapped.
    float orbitAngle = 0.0f;
    float movementSpeed;
    double lastTime;
};

} // namespace Tolvarine

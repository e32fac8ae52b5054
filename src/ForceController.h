#pragma once

#include <OgreVector.h>

namespace Tolvarine {

// What steering code (the player's movement controller, the AI, formations) uses to drive a body
// within a maximum force and torque. Implementations apply the requests to a PhysicsBody.
class ForceController {
public:
    virtual float getMaxForce() const = 0;
    virtual float getMaxTorque() const = 0;
    // Standing force = direction × maximum force (body frame).
    virtual void applyForce(const Ogre::Vector3& direction) = 0;
    // Standing torque = axis × maximum torque (body frame).
    virtual void applyTorque(const Ogre::Vector3& axis) = 0;
    // Body-frame force and torque, clamped to the maximum first when limit is true.
    virtual void setForce(const Ogre::Vector3& force, bool limit) = 0;
    virtual void setTorque(const Ogre::Vector3& torque, bool limit) = 0;
    // World-frame force and torque: clamped first when limit is true, then turned into the body
    // frame, where they stay as the standing force or torque.
    virtual void setRelativeForce(const Ogre::Vector3& force, bool limit) = 0;
    virtual void setRelativeTorque(const Ogre::Vector3& torque, bool limit) = 0;

    // Keeps the direction and limits the length to the maximum. A zero vector stays zero.
    static Ogre::Vector3 clamp(const Ogre::Vector3& vector, float maximum);

protected:
    ForceController() = default;
    ForceController(const ForceController&) = default;
    ForceController& operator=(const ForceController&) = default;
    // Controllers are never deleted through this interface.
    ~ForceController() = default;
};

// `value` clamped into plus or minus the controller's maximum torque: the scalar form of the
// torque limit, for one axis at a time.
float clampToLimit(const ForceController& controller, float value);

} // namespace Tolvarine

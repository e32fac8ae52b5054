#pragma once

#include <OgreVector.h>
#include <ode/common.h>

#include <cstdint>

namespace Tolvarine {

class PhysicsBody;

// Turns a physics body towards a heading through a one-axis angular-motor joint between the body
// and the static world. Each update asks for the turning speed from which the joint's maximum
// torque would just stop the body on the heading, so the body swings round without overshooting.
// Ship and turret AIs own one each; the body's forward direction is its negative Z axis.
//
// The joint lives in the physics engine's world from construction to destruction. A world that
// has already gone took the joint with it; the motor then leaves it alone.
class AngularMotor {
public:
    // Needs the physics engine. `maxTorque` is the most torque the joint may use.
    AngularMotor(PhysicsBody* body, float maxTorque);
    virtual ~AngularMotor();
    AngularMotor(const AngularMotor&) = delete;
    AngularMotor& operator=(const AngularMotor&) = delete;

    // Binds the joint to the body (and keeps the body awake) with `strength` scaling the speed.
    void attach(float strength);
    // Frees the body again; it may fall asleep once at rest.
    void detach();
    // The wanted forward direction in world space. Its length counts in one place only: a heading
    // whose dot product with the forward axis is below -0.95 is taken as behind the body. Zero
    // means "hold the present heading": the motor then only stops the turn.
    void setTarget(const Ogre::Vector3& heading) { target = heading; }
    // Gives the joint a new axis and speed when computeCorrection finds one.
    void update(float dt);

    // The axis (world frame) and speed the joint should turn the body at to bring it onto the
    // heading; false when the joint should be left as it is (no time passed, or no turn needed).
    virtual bool computeCorrection(float dt, Ogre::Vector3& axis, float& speed);

    bool isAttached() const;
    dJointID getJoint() const { return joint; }

private:
    // Whether the world the joint was made in still exists.
    bool worldAlive() const;

    PhysicsBody* body;
    dJointID joint;
    // The engine whose world holds the joint, told apart from later engines at the same address.
    std::uint64_t worldSerial;
    Ogre::Vector3 target = Ogre::Vector3::UNIT_Z;
    float strength = 0.0f;
};

} // namespace Tolvarine

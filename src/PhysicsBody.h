#pragma once

#include "DisableTime.h"
#include "PositionReporter.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>
#include <ode/common.h>
#include <ode/mass.h>

#include <string>
#include <vector>

namespace Tolvarine {

class Config;

// The rigid body of every moving game object: one ODE body with a standing thrust force and
// torque in the body's own frame, linear and angular damping, and position listeners that are
// told once per physics frame where the body is. The owner registers it with the PhysicsEngine.
class PhysicsBody : public PositionReporter {
public:
    // The game object a body moves. The physics engine names it in the log, and hands it back when
    // the body can no longer be followed (PhysicsEngine::update says when).
    class Owner {
    public:
        // What the log calls the object.
        virtual std::string getBodyName() const = 0;
        // The body was placed or carried out of the physics' reach, or handed a value that is no
        // number, and has been stopped: the object leaves play.
        virtual void bodyOutOfReach() = 0;

    protected:
        ~Owner() = default;
    };

    // The lightest body that the collision space keeps, whatever its damping (PhysicsBody.cpp says
    // why).
    static constexpr float MIN_MASS = 1e-8f;

    // Reads section "Physics" of a type file: "mass" and "massRadius" (a solid sphere, both 1 by
    // default), "velocityDecay" and "rotationDecay" (0 by default), checked as checkType says.
    explicit PhysicsBody(const Config& config);

    // Checks section "Physics" without making a body; the type loaders call it for every type at
    // start-up, whatever its pool size. A mass or mass radius that is not above 0, a mass below
    // MIN_MASS, a negative velocityDecay, or a decay that one world step would turn into a
    // growing motion (velocityDecay times the step above twice the mass, rotationDecay times the
    // step above twice the moment of inertia; PhysicsBody.cpp says why) is logged with the file's
    // place and raises ConfigurationError.
    static void checkType(const Config& config);
    PhysicsBody(const PhysicsBody&) = delete;
    PhysicsBody& operator=(const PhysicsBody&) = delete;

    Ogre::Vector3 getPosition() const override;
    Ogre::Quaternion getOrientation() const override;
    Ogre::Vector3 getVelocity() const override;
    // The same address registered twice is called twice.
    void addPositionListener(PositionListener* listener) override;
    // Removes the first registration of the address, if any.
    void removePositionListener(PositionListener* listener) override;
    Ogre::Vector3 predictPosition(float t) const override;
    Ogre::Vector3 predictPositionWithThrust(float t) const override;
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float factor) const override;

    virtual ~PhysicsBody();
    // Calls every listener with the current pose, in the order of registration; none while the
    // body is not followable or lies beyond the reach, so that no scene node is moved to a place
    // the physics cannot follow.
    virtual void notifyListeners();
    // Applies the standing force and torque and the damping before one world step. A body whose
    // spin the step could not hold (MAX_SPIN) is stopped and noted as no finite number instead.
    virtual void preStep();
    virtual void applyDamping();

    // A rotation by |ω| radians about ω (the identity when the body does not turn).
    Ogre::Quaternion getAngularVelocity() const;
    dBodyID getBody() const { return body; }
    float getMass() const;
    float getMomentOfInertia() const { return momentOfInertia; }
    // The standing force and torque, in the body frame.
    const Ogre::Vector3& getForce() const { return force; }
    const Ogre::Vector3& getTorque() const { return torque; }
    bool isActive() const { return active; }
    // The path of the type file the body was read from, for the log.
    const std::string& getTypeFile() const { return typeFile; }
    // Null for a body of its own (tools and tests).
    Owner* getOwner() const { return owner; }
    void setOwner(Owner* newOwner) { owner = newOwner; }
    // Whether every coordinate of the position lies within PhysicsEngine::MAX_COORDINATE.
    bool isWithinReach() const;
    // Why the physics cannot follow the body since it was last switched on: it was placed beyond
    // PhysicsEngine::MAX_COORDINATE, or a place, orientation, velocity, force or torque handed to
    // it was no finite number (which never reaches the physics). The first reason of a life is
    // kept and the engine told of it (PhysicsEngine::noteUnfollowable); a body out of play notes
    // nothing.
    enum class Unfollowable { NO, PLACED_BEYOND_REACH, NOT_A_NUMBER };
    Unfollowable getUnfollowable() const { return unfollowable; }
    // Whether the physics follows the body this life (getUnfollowable is NO). Its owner shows an
    // object in the scene only then: one placed beyond the reach waits for the engine's next
    // update out of view, as PhysicsEngine.h says.
    bool isFollowable() const { return unfollowable == Unfollowable::NO; }

    // Switches the body on at rest: no motion, no standing force or torque.
    void activate();
    // Stops and disables the body and forgets every listener.
    void deactivate(DisableTime time);

    void setPosition(const Ogre::Vector3& position);
    void setOrientation(const Ogre::Quaternion& orientation);
    void setLinearVelocity(const Ogre::Vector3& velocity);
    // Body-frame standing force and torque; they act in every step until set again.
    void setForce(const Ogre::Vector3& force);
    void setTorque(const Ogre::Vector3& torque);
    // World-frame vectors, turned into the body frame and kept as the standing force or torque.
    void setRelativeForce(const Ogre::Vector3& force);
    void setRelativeTorque(const Ogre::Vector3& torque);
    // World-frame forces for the next world step only.
    void addForce(const Ogre::Vector3& force);
    void addForceAtPosition(const Ogre::Vector3& force, const Ogre::Vector3& position);
    void addForceAtRelativePosition(const Ogre::Vector3& force,
                                    const Ogre::Vector3& relativePosition);
    void setAutoDisable(bool autoDisable);

    // The fastest spin, in radians a second, that a world step is given to integrate: far beyond
    // any the game's bodies take, far inside the about 1e150 a step that ODE's orientation update
    // can square in double.
    static constexpr double MAX_SPIN = 1.0e100;

private:
    Ogre::Vector3 predictWithThrust(float t, float factor) const;
    bool stepCanHoldSpin() const;
    void stopUnfollowableSpin();
    // True for finite values; otherwise notes NOT_A_NUMBER.
    template <int dims>
    bool admit(const Ogre::Vector<dims, Ogre::Real>& value);
    void noteUnfollowable(Unfollowable why);

    std::string typeFile;
    dBodyID body;
    float rotationDecay;
    float velocityDecay;
    dMass mass;
    float momentOfInertia;
    bool active = false;
    Owner* owner = nullptr;
    Unfollowable unfollowable = Unfollowable::NO;
    Ogre::Vector3 force = Ogre::Vector3::ZERO;
    Ogre::Vector3 torque = Ogre::Vector3::ZERO;
    std::vector<PositionListener*> positionListeners;
};

} // namespace Tolvarine

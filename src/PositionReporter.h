#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <functional>

namespace Tolvarine {

// Told where a body is once per physics frame: position, orientation and linear velocity.
// Registered by address; the registering object owns the callable.
using PositionListener = std::function<void(const Ogre::Vector3& position,
                                            const Ogre::Quaternion& orientation,
                                            const Ogre::Vector3& velocity)>;

// Anything with a pose that others can follow or aim at.
class PositionReporter {
public:
    virtual Ogre::Vector3 getPosition() const = 0;
    virtual Ogre::Quaternion getOrientation() const = 0;
    // Linear velocity in world coordinates.
    virtual Ogre::Vector3 getVelocity() const = 0;
    virtual void addPositionListener(PositionListener* listener) = 0;
    virtual void removePositionListener(PositionListener* listener) = 0;
    // Where the object will be after t seconds: coasting, under its current thrust, and under a
    // given fraction of its current thrust.
    virtual Ogre::Vector3 predictPosition(float t) const = 0;
    virtual Ogre::Vector3 predictPositionWithThrust(float t) const = 0;
    virtual Ogre::Vector3 predictPositionWithThrustFactor(float t, float factor) const = 0;

protected:
    PositionReporter() = default;
    PositionReporter(const PositionReporter&) = default;
    PositionReporter& operator=(const PositionReporter&) = default;
    // Reporters are never deleted through this interface.
    ~PositionReporter() = default;
};

} // namespace Tolvarine

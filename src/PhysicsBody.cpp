#include "PhysicsBody.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "PhysicsEngine.h"

#include <OgreStringConverter.h>
#include <ode/objects.h>

#include <cmath>

namespace Tolvarine {

namespace {

const char* const SECTION = "Physics";

Ogre::Vector3 toVector(const dReal* v)
{
    return Ogre::Vector3(static_cast<float>(v[0]), static_cast<float>(v[1]),
                         static_cast<float>(v[2]));
}

float readPositive(const Config& config, const char* key)
{
    const float value = config.get<float>(SECTION, key, 1.0f);
    // ODE aborts the process on a mass without volume; refuse such a type file instead.
    if (!(value > 0.0f) || !std::isfinite(value)) {
        GameLog::line(
            std::string("PhysicsBody: ") + key + " in section Physics must be a positive number, not "
            + Ogre::StringConverter::toString(value));
        throw ConfigurationError();
    }
    return value;
}

float readDecay(const Config& config, const char* key)
{
    const float value = config.get<float>(SECTION, key, 0.0f);
    // A decay that is not a number would turn every velocity of the world into one.
    if (!std::isfinite(value)) {
        GameLog::line(
            std::string("PhysicsBody: ") + key + " in section Physics must be a finite number, not "
            + Ogre::StringConverter::toString(value));
        throw ConfigurationError();
    }
    return value;
}

} // namespace

PhysicsBody::PhysicsBody(const Config& config)
    : body(nullptr)
    , rotationDecay(readDecay(config, "rotationDecay"))
    , velocityDecay(readDecay(config, "velocityDecay"))
    , momentOfInertia(0.0f)
{
    const float totalMass = readPositive(config, "mass");
    const float massRadius = readPositive(config, "massRadius");
    body = dBodyCreate(PhysicsEngine::getSingleton().getWorld());
    dMassSetZero(&mass);
    dMassSetSphereTotal(&mass, totalMass, massRadius);
    dBodySetMass(body, &mass);
    // The moment of a solid sphere.
    momentOfInertia = 0.4f * totalMass * massRadius * massRadius;
}

PhysicsBody::~PhysicsBody()
{
    positionListeners.clear();
    // Owners unregister their body before destroying it; doing it again here is harmless and
    // keeps the engine from ever stepping a destroyed body.
    if (PhysicsEngine* engine = PhysicsEngine::getSingletonPtr())
        engine->removeBody(this);
    dBodyDestroy(body);
}

Ogre::Vector3 PhysicsBody::getPosition() const
{
    return toVector(dBodyGetPosition(body));
}

Ogre::Quaternion PhysicsBody::getOrientation() const
{
    const dReal* q = dBodyGetQuaternion(body);
    return Ogre::Quaternion(static_cast<float>(q[0]), static_cast<float>(q[1]),
                            static_cast<float>(q[2]), static_cast<float>(q[3]));
}

Ogre::Vector3 PhysicsBody::getVelocity() const
{
    return toVector(dBodyGetLinearVel(body));
}

Ogre::Quaternion PhysicsBody::getAngularVelocity() const
{
    Ogre::Vector3 axis = toVector(dBodyGetAngularVel(body));
    const float angle = axis.normalise();
    if (!(angle > 0.0f))
        return Ogre::Quaternion::IDENTITY;
    return Ogre::Quaternion(Ogre::Radian(angle), axis);
}

float PhysicsBody::getMass() const
{
    return static_cast<float>(mass.mass);
}

void PhysicsBody::addPositionListener(PositionListener* listener)
{
    if (listener)
        positionListeners.push_back(listener);
}

void PhysicsBody::removePositionListener(PositionListener* listener)
{
    for (auto it = positionListeners.begin(); it != positionListeners.end(); ++it) {
        if (*it == listener) {
            positionListeners.erase(it);
            return;
        }
    }
}

Ogre::Vector3 PhysicsBody::predictPosition(float t) const
{
    return getPosition() + getVelocity() * t;
}

Ogre::Vector3 PhysicsBody::predictPositionWithThrust(float t) const
{
    return predictWithThrust(t, 1.0f);
}

Ogre::Vector3 PhysicsBody::predictPositionWithThrustFactor(float t, float factor) const
{
    return predictWithThrust(t, factor);
}

Ogre::Vector3 PhysicsBody::predictWithThrust(float t, float factor) const
{
    // The standing force is kept in the body frame; the motion it causes is in the world frame.
    const Ogre::Vector3 worldForce = getOrientation() * force;
    const float scale = factor * 0.5f * t * t / getMass();
    return predictPosition(t) + worldForce * scale;
}

void PhysicsBody::notifyListeners()
{
    if (positionListeners.empty())
        return;
    const Ogre::Vector3 position = getPosition();
    const Ogre::Quaternion orientation = getOrientation();
    const Ogre::Vector3 velocity = getVelocity();
    // Indexed, so that a listener that deactivates the body (which drops every listener) or
    // changes the list cannot make the loop read freed memory.
    for (std::size_t i = 0; i < positionListeners.size(); ++i) {
        PositionListener& listener = *positionListeners[i];
        if (listener)
            listener(position, orientation, velocity);
    }
}

void PhysicsBody::preStep()
{
    if (force.squaredLength() > 0.0f) {
        dBodyEnable(body);
        dBodyAddRelForce(body, force.x, force.y, force.z);
    }
    if (torque.squaredLength() > 0.0f) {
        dBodyEnable(body);
        dBodyAddRelTorque(body, torque.x, torque.y, torque.z);
    }
    if (dBodyIsEnabled(body))
        applyDamping();
}

void PhysicsBody::applyDamping()
{
    if (velocityDecay != 0.0f) {
        const dReal* v = dBodyGetLinearVel(body);
        dBodyAddForce(body, -velocityDecay * v[0], -velocityDecay * v[1], -velocityDecay * v[2]);
    }
    if (rotationDecay != 0.0f) {
        const dReal* w = dBodyGetAngularVel(body);
        dBodyAddTorque(body, -rotationDecay * w[0], -rotationDecay * w[1], -rotationDecay * w[2]);
    }
}

void PhysicsBody::activate()
{
    dBodyEnable(body);
    active = true;
    force = Ogre::Vector3::ZERO;
    torque = Ogre::Vector3::ZERO;
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
    dBodySetLinearVel(body, 0, 0, 0);
    notifyListeners();
}

void PhysicsBody::deactivate(DisableTime)
{
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodyDisable(body);
    positionListeners.clear();
    active = false;
}

void PhysicsBody::setPosition(const Ogre::Vector3& position)
{
    dBodySetPosition(body, position.x, position.y, position.z);
    notifyListeners();
}

void PhysicsBody::setOrientation(const Ogre::Quaternion& orientation)
{
    const dQuaternion q = {orientation.w, orientation.x, orientation.y, orientation.z};
    dBodySetQuaternion(body, q);
    notifyListeners();
}

void PhysicsBody::setLinearVelocity(const Ogre::Vector3& velocity)
{
    if (velocity.squaredLength() > 0.0f)
        dBodyEnable(body);
    dBodySetLinearVel(body, velocity.x, velocity.y, velocity.z);
    notifyListeners();
}

void PhysicsBody::setForce(const Ogre::Vector3& force)
{
    this->force = force;
}

void PhysicsBody::setTorque(const Ogre::Vector3& torque)
{
    this->torque = torque;
}

void PhysicsBody::setRelativeForce(const Ogre::Vector3& force)
{
    dVector3 local;
    dBodyVectorFromWorld(body, force.x, force.y, force.z, local);
    this->force = toVector(local);
}

void PhysicsBody::setRelativeTorque(const Ogre::Vector3& torque)
{
    dVector3 local;
    dBodyVectorFromWorld(body, torque.x, torque.y, torque.z, local);
    this->torque = toVector(local);
}

void PhysicsBody::addForce(const Ogre::Vector3& force)
{
    dBodyEnable(body);
    dBodyAddForce(body, force.x, force.y, force.z);
}

void PhysicsBody::addForceAtPosition(const Ogre::Vector3& force, const Ogre::Vector3& position)
{
    dBodyEnable(body);
    dBodyAddForceAtPos(body, force.x, force.y, force.z, position.x, position.y, position.z);
}

void PhysicsBody::addForceAtRelativePosition(const Ogre::Vector3& force,
                                             const Ogre::Vector3& relativePosition)
{
    dBodyEnable(body);
    dBodyAddForceAtRelPos(body, force.x, force.y, force.z, relativePosition.x, relativePosition.y,
                          relativePosition.z);
}

void PhysicsBody::setAutoDisable(bool autoDisable)
{
    dBodySetAutoDisableFlag(body, autoDisable ? 1 : 0);
    if (!autoDisable)
        dBodyEnable(body);
}

} // namespace Tolvarine

#include "PhysicsBody.h"

#include "Config.h"
#include "PhysicsEngine.h"
#include "ValueRange.h"

#include <ode/objects.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace Tolvarine {

namespace {

const char* const SECTION = "Physics";

Ogre::Vector3 toVector(const dReal* v)
{
    return Ogre::Vector3(static_cast<float>(v[0]), static_cast<float>(v[1]),
                         static_cast<float>(v[2]));
}

// Why these limits. The world is stepped every PhysicsEngine::STEP_SIZE (0.005 s), and our damping
// is a force, -velocityDecay * v, held for the whole step: one step turns v into (1 - k) v, with
// k = velocityDecay * STEP_SIZE / mass. Up to k = 1 the velocity shrinks; between 1 and 2 it
// overshoots, flipping its sign, and still shrinks. Above 2 it grows at every step: within a
// second the body is 1e13 m away, and ODE's hash space, which numbers its cells of 16 m with ints
// (some 3e10 m each way), aborts the process ("aabbBound >= dMinIntExact && aabbBound <
// dMaxIntExact"); a fighter with k = 2.5 did so within its first second, one with k = 1.5 flew
// its battle. A mass of 0.0001 with a velocityDecay of 4 makes k 200. The same holds for
// rotation, with the moment of inertia 0.4 * mass * massRadius^2 and rotationDecay: at 2.5 the
// spin left the scene graph's bounding boxes no number. A negative velocityDecay pushes a body
// along its motion, faster at every step: fighters with -3.2 and -4 grew their speed until ODE
// aborted the process, within a minute. A negative rotationDecay showed no such growth: fighters
// (the player's own among them), a turret, a missile and debris given one flew their battles, a
// fighter with -110 for five minutes. An undamped body is held back by nothing: one lighter than
// MIN_MASS is sent out of the collision space by its own thrust or a push, and ODE aborts the
// process (a fighter of 1e-9 after 54 s of battle, of 1e-12 in its first step); fighters of 1e-8
// and 1e-7 flew 150 s of battle, one of 1e-6 five minutes. A tiny mass radius flew as well.
struct PhysicsValues {
    float mass;
    float massRadius;
    float velocityDecay;
    float rotationDecay;
};

// The largest share of a body's motion that one step of its damping may take away.
constexpr float MAX_STEP_DAMPING = 2.0f;

std::string figure(float value)
{
    return ValueRange::figure(value);
}

// The moment of inertia of a solid sphere.
float sphereInertia(float mass, float radius)
{
    return 0.4f * mass * radius * radius;
}

float readSize(const Config& config, const char* key, float minimum)
{
    const float value = config.get<float>(SECTION, key, 1.0f);
    const std::string place = std::string("PhysicsBody: ") + key + " in section Physics";
    // ODE aborts the process on a mass without volume.
    if (!(value > 0.0f))
        ValueRange::refuse(config, SECTION, key, place + " must be a positive number, not " + figure(value));
    if (value < minimum)
        ValueRange::refuse(config, SECTION, key,
                           place + " must be at least " + figure(minimum) + ", not " + figure(value));
    return value;
}

float readVelocityDecay(const Config& config)
{
    const float value = config.get<float>(SECTION, "velocityDecay", 0.0f);
    if (!(value >= 0.0f))
        ValueRange::refuse(config, SECTION, "velocityDecay",
                           "PhysicsBody: velocityDecay in section Physics must be at least 0, not " + figure(value));
    return value;
}

PhysicsValues readValues(const Config& config)
{
    const PhysicsValues values{readSize(config, "mass", PhysicsBody::MIN_MASS), readSize(config, "massRadius", 0.0f),
                               readVelocityDecay(config), config.get<float>(SECTION, "rotationDecay", 0.0f)};
    const float step = PhysicsEngine::STEP_SIZE;
    const std::string rule = " times the physics step of " + figure(step) + " s, halved)";
    if (values.velocityDecay * step > MAX_STEP_DAMPING * values.mass)
        ValueRange::refuse(config, SECTION, "mass",
                           "PhysicsBody: mass " + figure(values.mass) + " in section Physics is too light for "
                               + "velocityDecay " + figure(values.velocityDecay) + ": it must be at least "
                               + figure(values.velocityDecay * step / MAX_STEP_DAMPING) + " (velocityDecay" + rule);
    const float inertia = sphereInertia(values.mass, values.massRadius);
    if (values.rotationDecay * step > MAX_STEP_DAMPING * inertia)
        ValueRange::refuse(config, SECTION, "massRadius",
                           "PhysicsBody: mass " + figure(values.mass) + " and massRadius " + figure(values.massRadius)
                               + " in section Physics give a moment of inertia of " + figure(inertia)
                               + ", too small for rotationDecay " + figure(values.rotationDecay)
                               + ": it must be at least " + figure(values.rotationDecay * step / MAX_STEP_DAMPING)
                               + " (rotationDecay" + rule);
    return values;
}

} // namespace

PhysicsBody::PhysicsBody(const Config& config)
    : typeFile(config.getPath())
    , body(nullptr)
    , rotationDecay(0.0f)
    , velocityDecay(0.0f)
    , momentOfInertia(0.0f)
{
    const PhysicsValues values = readValues(config);
    rotationDecay = values.rotationDecay;
    velocityDecay = values.velocityDecay;
    body = dBodyCreate(PhysicsEngine::getSingleton().getWorld());
    dMassSetZero(&mass);
    dMassSetSphereTotal(&mass, values.mass, values.massRadius);
    dBodySetMass(body, &mass);
    momentOfInertia = sphereInertia(values.mass, values.massRadius);
}

void PhysicsBody::checkType(const Config& config)
{
    readValues(config);
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

bool PhysicsBody::isWithinReach() const
{
    const dReal* p = dBodyGetPosition(body);
    const dReal reach = PhysicsEngine::MAX_COORDINATE;
    return std::abs(p[0]) <= reach && std::abs(p[1]) <= reach && std::abs(p[2]) <= reach;
}

template <int dims>
bool PhysicsBody::admit(const Ogre::Vector<dims, Ogre::Real>& value)
{
    for (int i = 0; i < dims; ++i) {
        if (!std::isfinite(value[i])) {
            noteUnfollowable(Unfollowable::NOT_A_NUMBER);
            return false;
        }
    }
    return true;
}

void PhysicsBody::noteUnfollowable(Unfollowable why)
{
    if (!active || unfollowable != Unfollowable::NO)
        return;
    unfollowable = why;
    if (PhysicsEngine* engine = PhysicsEngine::getSingletonPtr())
        engine->noteUnfollowable(this);
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
    // A node moved near the float limit ends the process at the next frame: the rendering engine
    // asserts on the bounds of a particle system emitting there (an offset of 3e38 in a death's
    // sequence did so), whether or not the node is in the scene. So listeners hear of no place the
    // physics does not follow, nor of the place a body placed beyond the reach was left at in its
    // last life, which its next activation would tell before it is placed anew.
    if (positionListeners.empty() || !isFollowable() || !isWithinReach())
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
    if (dBodyIsEnabled(body)) {
        applyDamping();
        if (!stepCanHoldSpin())
            stopUnfollowableSpin();
    }
}

bool PhysicsBody::stepCanHoldSpin() const
{
    // The spin after the step, at most: the torque acting on the least inertia. The world step
    // squares the turn it adds to the orientation, so a spin that grows past about 1e150 per step
    // aborts it (a rotationDecay of -3.4e38 multiplies the spin by 2.6e34 at every step).
    const dReal* w = dBodyGetAngularVel(body);
    const dReal* t = dBodyGetTorque(body);
    const dReal least = std::min({mass.I[0], mass.I[5], mass.I[10]});
    const dReal spin = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    const dReal push = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
    const dReal after = spin + PhysicsEngine::STEP_SIZE * push / least;
    return after < MAX_SPIN;
}

void PhysicsBody::stopUnfollowableSpin()
{
    // The engine takes the body out of play at its next update; until then it stands still.
    noteUnfollowable(Unfollowable::NOT_A_NUMBER);
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
    dBodyDisable(body);
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
    unfollowable = Unfollowable::NO;
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

// Every value below passes admit first: one that is no number would reach the step, whose
// orientation the library then aborts on (a push of -3e38 overflowed to an infinite force).
void PhysicsBody::setPosition(const Ogre::Vector3& position)
{
    if (!admit(position))
        return;
    dBodySetPosition(body, position.x, position.y, position.z);
    if (!isWithinReach())
        noteUnfollowable(Unfollowable::PLACED_BEYOND_REACH);
    notifyListeners();
}

void PhysicsBody::setOrientation(const Ogre::Quaternion& orientation)
{
    if (!admit(Ogre::Vector4(orientation.w, orientation.x, orientation.y, orientation.z)))
        return;
    const dQuaternion q = {orientation.w, orientation.x, orientation.y, orientation.z};
    dBodySetQuaternion(body, q);
    notifyListeners();
}

void PhysicsBody::setLinearVelocity(const Ogre::Vector3& velocity)
{
    if (!admit(velocity))
        return;
    if (velocity.squaredLength() > 0.0f)
        dBodyEnable(body);
    dBodySetLinearVel(body, velocity.x, velocity.y, velocity.z);
    notifyListeners();
}

void PhysicsBody::setForce(const Ogre::Vector3& force)
{
    if (admit(force))
        this->force = force;
}

void PhysicsBody::setTorque(const Ogre::Vector3& torque)
{
    if (admit(torque))
        this->torque = torque;
}

void PhysicsBody::setRelativeForce(const Ogre::Vector3& force)
{
    if (!admit(force))
        return;
    dVector3 local;
    dBodyVectorFromWorld(body, force.x, force.y, force.z, local);
    this->force = toVector(local);
}

void PhysicsBody::setRelativeTorque(const Ogre::Vector3& torque)
{
    if (!admit(torque))
        return;
    dVector3 local;
    dBodyVectorFromWorld(body, torque.x, torque.y, torque.z, local);
    this->torque = toVector(local);
}

void PhysicsBody::addForce(const Ogre::Vector3& force)
{
    if (!admit(force))
        return;
    dBodyEnable(body);
    dBodyAddForce(body, force.x, force.y, force.z);
}

void PhysicsBody::addForceAtPosition(const Ogre::Vector3& force, const Ogre::Vector3& position)
{
    if (!admit(force) || !admit(position))
        return;
    dBodyEnable(body);
    dBodyAddForceAtPos(body, force.x, force.y, force.z, position.x, position.y, position.z);
}

void PhysicsBody::addForceAtRelativePosition(const Ogre::Vector3& force,
                                             const Ogre::Vector3& relativePosition)
{
    if (!admit(force) || !admit(relativePosition))
        return;
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

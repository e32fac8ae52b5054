#pragma once

#include <OgreVector.h>

#include <cstdint>

namespace Tolvarine {

class Controllable;
class PositionReporter;
class PhysicsBody;
class Targetable;

// The steering primitives of the AI: free functions that turn positions, velocities and a body's
// limits into steering requests for ships and missiles. Most results are velocity errors (the
// velocity wanted minus the velocity held); the caller hands them to a force controller with its
// limit set, which clamps them to the maximum force, so a large error means full thrust that way.
// dodge and neighbourAvoidance return forces instead, which callers add to those errors and clamp
// together.
//
// A body's mass, position and velocity are its PhysicsBody's; a Controllable's maximum force is its
// force controller's. Forward is the body's negative z axis.
//
// The two scene searches (closestTarget, neighbourAvoidance) run in the engine's scene manager,
// each through a SceneSphereQuery of its own; without a scene they find nothing. They only consider
// scene objects that carry a link to a Targetable that is in play.
// The functions allocate nothing per call and are meant for one thread.
namespace Behaviour {

// Radius of the neighbour search around a ship.
constexpr float NEIGHBOUR_RADIUS = 100.0f;
// Ships whose surfaces are farther apart than this do not push each other away.
constexpr float NEIGHBOUR_MARGIN = 30.0f;

// to − from.
Ogre::Vector3 vectorTo(const Ogre::Vector3& from, const Ogre::Vector3& to);

// Velocity error for holding a slot: the formation's position plus its orientation times `offset`.
// Within 1 unit of the slot the owner only matches the formation's velocity; farther away it heads
// for the slot at twice the speed from which its full thrust would bring it to the formation's
// speed over that distance. Without a formation the slot is `offset` itself, at rest.
Ogre::Vector3 seek(Controllable* owner, const PositionReporter* formation, const Ogre::Vector3& offset);

// Force that takes the owner out of the line of a threat: the maximum force along the part of the
// owner's velocity across the threat's flight, so it speeds up sideways the way it already drifts.
// Zero for an owner at rest or flying exactly along the threat's line.
Ogre::Vector3 dodge(Controllable* owner, const PhysicsBody* threat);

// The valid target nearest `centre` among the scene objects within `radius` that carry a flag of
// `queryMask`: only a strictly nearer one replaces the best, so of equal distances the first the
// scene reports wins. Sets `distance` to the winner's distance; leaves it unchanged and returns
// null when there is none. Profiled as "Behaviour::closestTarget".
Targetable* closestTarget(const Ogre::Vector3& centre, float radius, std::uint32_t queryMask, float& distance);

// Velocity error for coming to rest at `point`: towards it at the speed from which full thrust
// would stop the body there, times `proportion`. At the point itself, minus the current velocity.
// Profiled as "arrival".
Ogre::Vector3 arrival(Controllable* owner, const Ogre::Vector3& point, float proportion);

// Velocity error for hitting a target: the offset to the target (stretched to `approachSpeed` when
// it is shorter, so the closing speed never drops below it) plus `matchProportion` of the target's
// velocity, minus the own velocity. Profiled as "intercept".
Ogre::Vector3 intercept(const PhysicsBody* self, Targetable* target, float approachSpeed, float matchProportion);

// Obstacles are not avoided yet: zero. Profiled as "obstacleAvoidance".
Ogre::Vector3 obstacleAvoidance(const PhysicsBody* body);

// Force pushing the owner away from the ships around it (scene objects of OgreLink::SHIP_FLAG
// within NEIGHBOUR_RADIUS): each ship nearer than R = the two bounding radii plus
// NEIGHBOUR_MARGIN, cut to a whole number, pushes with the maximum force times (1 − dist / R)²
// along the line between them. A ship at the owner's very position gives no direction and so no
// push. Profiled as "neighbourAvoidance".
Ogre::Vector3 neighbourAvoidance(Controllable* owner);

} // namespace Behaviour
} // namespace Tolvarine

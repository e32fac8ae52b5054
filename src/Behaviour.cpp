#include "Behaviour.h"

#include "Controllable.h"
#include "ForceController.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "ProfileBlock.h"
#include "SceneSphereQuery.h"
#include "Targetable.h"

#include <OgreSceneQuery.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace Tolvarine::Behaviour {

namespace {

// Block names, made once: a name built at each call would cost an allocation.
const std::string CLOSEST_TARGET_BLOCK = "Behaviour::closestTarget";
const std::string ARRIVAL_BLOCK = "arrival";
const std::string INTERCEPT_BLOCK = "intercept";
const std::string OBSTACLE_AVOIDANCE_BLOCK = "obstacleAvoidance";
const std::string NEIGHBOUR_AVOIDANCE_BLOCK = "neighbourAvoidance";

// Seeking a slot closer than this only matches the formation's velocity.
constexpr float SLOT_REACHED = 1.0f;

// The Targetable a scene object shows when it is one that searches may return: it carries a link
// to a Targetable, and that object is in play.
Targetable* targetableInPlay(const Ogre::MovableObject& object)
{
    const OgreLink* link = OgreLink::getFrom(object);
    Targetable* targetable = link ? link->getTargetable() : nullptr;
    return targetable && !targetable->isInactive() ? targetable : nullptr;
}

// Each search keeps its own list of what it finds, reused from call to call.
SceneSphereQuery& closestTargetQuery()
{
    static SceneSphereQuery query;
    return query;
}

SceneSphereQuery& neighbourQuery()
{
    static SceneSphereQuery query;
    return query;
}

// The nearest valid target to a point, strictly nearer replacing.
class NearestTarget : public Ogre::SceneQueryListener {
public:
    explicit NearestTarget(const Ogre::Vector3& centre)
        : centre(centre)
    {
    }

    bool queryResult(Ogre::MovableObject* object) override
    {
        Targetable* candidate = targetableInPlay(*object);
        if (!candidate || !candidate->isValidTarget())
            return true;
        const float squared = candidate->getPosition().squaredDistance(centre);
        if (squared < bestSquared) {
            best = candidate;
            bestSquared = squared;
        }
        return true;
    }
    bool queryResult(Ogre::SceneQuery::WorldFragment*) override { return true; }

    const Ogre::Vector3 centre;
    Targetable* best = nullptr;
    float bestSquared = std::numeric_limits<float>::infinity();
};

// The sum of the pushes of the ships around one owner.
class NeighbourPush : public Ogre::SceneQueryListener {
public:
    NeighbourPush(Controllable& owner, const Ogre::Vector3& position, float maxForce)
        : owner(owner)
        , position(position)
        , ownRadius(owner.getBoundingRadius())
        , maxForce(maxForce)
    {
    }

    bool queryResult(Ogre::MovableObject* object) override
    {
        Targetable* neighbour = targetableInPlay(*object);
        if (!neighbour || neighbour == static_cast<Targetable*>(&owner))
            return true;
        const float reach = std::trunc(neighbour->getBoundingRadius() + ownRadius + NEIGHBOUR_MARGIN);
        // Only negative radii could make it so; such an object pushes nothing.
        if (!(reach > 0.0f))
            return true;
        Ogre::Vector3 away = position - neighbour->getPosition();
        const float dist = away.normalise();
        const float weight = std::max(0.0f, 1.0f - dist / reach);
        sum += away * (maxForce * weight * weight);
        return true;
    }
    bool queryResult(Ogre::SceneQuery::WorldFragment*) override { return true; }

    Controllable& owner;
    const Ogre::Vector3 position;
    const float ownRadius;
    const float maxForce;
    Ogre::Vector3 sum = Ogre::Vector3::ZERO;
};

} // namespace

Ogre::Vector3 vectorTo(const Ogre::Vector3& from, const Ogre::Vector3& to)
{
    return to - from;
}

Ogre::Vector3 seek(Controllable* owner, const PositionReporter* formation, const Ogre::Vector3& offset)
{
    const PhysicsBody& body = *owner->getPhysicsBody();
    const Ogre::Vector3 formationVelocity = formation ? formation->getVelocity() : Ogre::Vector3::ZERO;
    const Ogre::Vector3 slot =
        formation ? formation->getPosition() + formation->getOrientation() * offset : offset;

    Ogre::Vector3 direction = slot - owner->getPosition();
    const float dist = direction.normalise();
    if (dist < SLOT_REACHED)
        return formationVelocity - owner->getVelocity();

    const float formationSpeed = formationVelocity.length();
    const float acceleration = owner->getForceController()->getMaxForce() / body.getMass();
    const float speed = 2.0f * std::sqrt(formationSpeed * formationSpeed + 2.0f * acceleration * dist);
    return direction * speed - body.getVelocity();
}

Ogre::Vector3 dodge(Controllable* owner, const PhysicsBody* threat)
{
    const Ogre::Vector3 heading = threat->getVelocity();
    const Ogre::Vector3 velocity = owner->getPhysicsBody()->getVelocity();
    const Ogre::Vector3 across = velocity.crossProduct(heading).crossProduct(heading).normalisedCopy();
    const float maxForce = owner->getForceController()->getMaxForce();
    return across * (across.dotProduct(velocity) > 0.0f ? maxForce : -maxForce);
}

Targetable* closestTarget(const Ogre::Vector3& centre, float radius, std::uint32_t queryMask, float& distance)
{
    const ProfileBlock block(CLOSEST_TARGET_BLOCK);
    NearestTarget nearest(centre);
    closestTargetQuery().run(centre, radius, queryMask, nearest);
    if (nearest.best)
        distance = std::sqrt(nearest.bestSquared);
    return nearest.best;
}

Ogre::Vector3 arrival(Controllable* owner, const Ogre::Vector3& point, float proportion)
{
    const ProfileBlock block(ARRIVAL_BLOCK);
    const PhysicsBody& body = *owner->getPhysicsBody();
    Ogre::Vector3 direction = point - body.getPosition();
    const float dist = direction.normalise();
    const float speed =
        std::sqrt(2.0f * owner->getForceController()->getMaxForce() * dist / body.getMass()) * proportion;
    return direction * speed - body.getVelocity();
}

Ogre::Vector3 intercept(const PhysicsBody* self, Targetable* target, float approachSpeed, float matchProportion)
{
    const ProfileBlock block(INTERCEPT_BLOCK);
    Ogre::Vector3 closing = target->getPosition() - self->getPosition();
    if (closing.squaredLength() < approachSpeed * approachSpeed)
        closing = closing.normalisedCopy() * approachSpeed;
    return closing + target->getVelocity() * matchProportion - self->getVelocity();
}

Ogre::Vector3 obstacleAvoidance(const PhysicsBody*)
{
    const ProfileBlock block(OBSTACLE_AVOIDANCE_BLOCK);
    return Ogre::Vector3::ZERO;
}

Ogre::Vector3 neighbourAvoidance(Controllable* owner)
{
    const ProfileBlock block(NEIGHBOUR_AVOIDANCE_BLOCK);
    const Ogre::Vector3 position = owner->getPosition();
    NeighbourPush push(*owner, position, owner->getForceController()->getMaxForce());
    neighbourQuery().run(position, NEIGHBOUR_RADIUS, static_cast<std::uint32_t>(OgreLink::SHIP_FLAG), push);
    return push.sum;
}

} // namespace Tolvarine::Behaviour

#include "CollisionBody.h"

#include "PhysicsBody.h"
#include "PhysicsGeometry.h"

#include <ode/collision.h>

#include <limits>

namespace Tolvarine {

namespace {

// Every contact has effectively unlimited friction and a little bounce.
constexpr float INITIAL_FRICTION = std::numeric_limits<float>::max();
constexpr float INITIAL_RESTITUTION = 0.1f;

} // namespace

CollisionBody::CollisionBody(const std::string& componentName,
                             std::unique_ptr<PhysicsGeometry> geometry,
                             const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
    : componentName(componentName)
    , friction(INITIAL_FRICTION)
    , restitution(INITIAL_RESTITUTION)
{
    if (position == Ogre::Vector3::ZERO && orientation == Ogre::Quaternion::IDENTITY) {
        this->geometry = std::move(geometry);
    } else {
        innerGeometry = std::move(geometry);
        const dGeomID inner = innerGeometry->getGeometry();
        const dGeomID transform = dCreateGeomTransform(nullptr);
        // The outer holder exists before anything else can fail, so the transform is never lost.
        this->geometry = std::make_unique<PhysicsGeometry>(transform);
        dGeomTransformSetGeom(transform, inner);
        // Contacts report the transform, which carries this object as its data.
        dGeomTransformSetInfo(transform, 1);
        dGeomTransformSetCleanup(transform, 0);
        dGeomSetPosition(inner, position.x, position.y, position.z);
        const dQuaternion q = {orientation.w, orientation.x, orientation.y, orientation.z};
        dGeomSetQuaternion(inner, q);
    }
    dGeomSetData(getGeometry(), this);
}

CollisionBody::~CollisionBody() = default;

void CollisionBody::setListener(CollisionListener* owner)
{
    listener = owner;
    if (owner)
        componentIndex = owner->getComponentIndex(componentName);
}

void CollisionBody::setBody(PhysicsBody& body)
{
    dGeomSetBody(getGeometry(), body.getBody());
}

dGeomID CollisionBody::getGeometry() const
{
    return geometry->getGeometry();
}

int CollisionBody::getCollisionType() const
{
    return listener ? listener->getCollisionType() : 0;
}

int CollisionBody::getComponentIndex(const std::string&) const
{
    return 0;
}

bool CollisionBody::collide(CollisionListener* other, int otherComponent,
                            const Ogre::Vector3& position, const Ogre::Vector3& normal)
{
    if (!enabled)
        return false;
    if (!listener)
        return true;
    return listener->collide(other, otherComponent, position, normal);
}

void CollisionBody::inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3& velocity,
                                  int component, float directDamage, float splashDamage,
                                  float shock, DamageType damageType)
{
    if (listener)
        listener->inflictDamage(position, velocity, component, directDamage, splashDamage, shock,
                                damageType);
}

void CollisionBody::applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position)
{
    if (listener)
        listener->applyExplosionForce(force, position);
}

} // namespace Tolvarine

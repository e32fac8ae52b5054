#include "CollisionGeometry.h"

#include "CollisionBody.h"
#include "PhysicsEngine.h"
#include "PhysicsGeometry.h"

#include <ode/collision.h>
#include <ode/collision_space.h>

namespace Tolvarine {

CollisionGeometry::CollisionGeometry()
    : space(std::make_unique<PhysicsGeometry>(reinterpret_cast<dGeomID>(dSimpleSpaceCreate(nullptr))))
{
    dSpaceSetCleanup(getSpace(), 0);
    dGeomSetData(space->getGeometry(), this);
}

CollisionGeometry::~CollisionGeometry()
{
    // A change of the top-level space may still be waiting for this space.
    if (PhysicsEngine* engine = PhysicsEngine::getSingletonPtr())
        engine->forgetCollisionSpace(space->getGeometry());
    // The bodies' geometries leave the space as they are destroyed; the space goes last, which
    // also takes it out of the top-level space.
    bodies.clear();
}

bool CollisionGeometry::accepts(CollisionGeometry*)
{
    return true;
}

void CollisionGeometry::addCollisionBody(std::shared_ptr<CollisionBody> body)
{
    dSpaceAdd(getSpace(), body->getGeometry());
    bodies.push_back(std::move(body));
}

void CollisionGeometry::enable()
{
    // The engine checks membership itself, so a space taken out and put back during one collision
    // pass ends up in the top-level space.
    PhysicsEngine::getSingleton().addCollisionSpace(space->getGeometry());
    for (const auto& body : bodies)
        body->setEnabled(true);
}

void CollisionGeometry::disable(DisableTime)
{
    PhysicsEngine::getSingleton().removeCollisionSpace(space->getGeometry());
    for (const auto& body : bodies)
        body->setEnabled(false);
}

void CollisionGeometry::setBody(PhysicsBody& body)
{
    for (const auto& collisionBody : bodies)
        collisionBody->setBody(body);
}

void CollisionGeometry::setListener(CollisionListener* owner)
{
    for (const auto& body : bodies)
        body->setListener(owner);
}

dSpaceID CollisionGeometry::getSpace() const
{
    return reinterpret_cast<dSpaceID>(space->getGeometry());
}

} // namespace Tolvarine

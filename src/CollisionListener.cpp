#include "CollisionListener.h"

namespace Tolvarine {

int CollisionListener::getCollisionType() const
{
    return 0;
}

int CollisionListener::getComponentIndex(const std::string&) const
{
    return 0;
}

bool CollisionListener::collide(CollisionListener*, int, const Ogre::Vector3&, const Ogre::Vector3&)
{
    return true;
}

void CollisionListener::inflictDamage(const Ogre::Vector3&, const Ogre::Vector3&, int, float, float,
                                      float, DamageType)
{
}

void CollisionListener::applyExplosionForce(const Ogre::Vector3&, const Ogre::Vector3&)
{
}

} // namespace Tolvarine

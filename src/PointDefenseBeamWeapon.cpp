#include "PointDefenseBeamWeapon.h"

#include "GuidedProjectile.h"
#include "PositionReporter.h"
#include "WeaponSystem.h"

#include <OgreSceneNode.h>

namespace Tolvarine {

PointDefenseBeamWeapon::PointDefenseBeamWeapon(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode,
                                               WeaponSystem* weaponSystem, const Ogre::Vector3& position,
                                               Config& type, const Ogre::Vector3& coneDirection, float coneLimitDot)
    : Weapon(ownerReporter, ownerNode, weaponSystem, position, type)
    , direction(coneDirection)
    , limitDot(coneLimitDot)
{
}

Ogre::Vector3 PointDefenseBeamWeapon::worldDirection() const
{
    return getOwnerReporter()->getOrientation() * direction;
}

Ogre::Vector3 PointDefenseBeamWeapon::getMountPosition() const
{
    // The mount hangs directly under the owner's node, which follows the owner's pose.
    const PositionReporter& owner = *getOwnerReporter();
    return owner.getPosition() + owner.getOrientation() * getMountNode()->getPosition();
}

bool PointDefenseBeamWeapon::inCone(const Ogre::Vector3& point) const
{
    const Ogre::Vector3 toPoint = (point - getMountPosition()).normalisedCopy();
    return toPoint.dotProduct(worldDirection()) > limitDot;
}

bool PointDefenseBeamWeapon::fire(Targetable* target)
{
    // The system's ordinary firing passes no target: point defence only shoots at missiles.
    if (!target || !inCone(target->getPosition()))
        return false;
    return Weapon::fire(target);
}

bool PointDefenseBeamWeapon::fireAtFirstThreat(std::list<GuidedProjectile*>& threats)
{
    WeaponSystem* system = getWeaponSystem();
    const float range = system ? system->getFarRange() : 0.0f;
    const Ogre::Vector3 mount = getMountPosition();
    const Ogre::Vector3 cone = worldDirection();
    for (auto threat = threats.begin(); threat != threats.end(); ++threat) {
        Ogre::Vector3 toThreat = (*threat)->getPosition() - mount;
        const float distance = toThreat.normalise();
        if (!(range > distance) || !(toThreat.dotProduct(cone) > limitDot))
            continue;
        if (Weapon::fire(*threat)) {
            threats.erase(threat);
            return true;
        }
    }
    return false;
}

} // namespace Tolvarine

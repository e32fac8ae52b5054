#pragma once

#include "Weapon.h"

#include <list>

namespace Tolvarine {

class GuidedProjectile;

// A point-defence gun of a capital ship: a weapon that only fires into a cone round a fixed
// direction of its owner, and that picks from the incoming missiles the first one it can reach.
// The point-defence weapon system builds these from its entries' "direction" and "limitDot".
//
// A point lies in the cone when the dot product of the unit direction from the mount to it with
// the cone's direction, taken as given, is above limitDot. For a direction of length 1, limitDot
// is the cosine of the cone's half-angle; a longer direction widens the cone and a shorter one
// narrows it (a direction of length 2 with limitDot 0.5 reaches 75.5 degrees off its axis).
class PointDefenseBeamWeapon : public Weapon {
public:
    // `direction` is the centre line of the cone in the owner's frame, kept as given; `limitDot`
    // is the least dot product with it that a target's direction must exceed.
    PointDefenseBeamWeapon(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode, WeaponSystem* weaponSystem,
                           const Ogre::Vector3& position, Config& type, const Ogre::Vector3& direction,
                           float limitDot);

    // Fires at the target only when it lies inside the cone (strictly); otherwise, and for no
    // target at all, nothing happens and false is returned.
    bool fire(Targetable* target) override;

    // Fires at the first listed missile that is inside the cone and nearer than the system's
    // far range, and strikes it off the list. Missiles it does not fire at stay listed for the
    // other weapons. True when it fired.
    bool fireAtFirstThreat(std::list<GuidedProjectile*>& threats);

    // Whether a world point lies strictly inside the cone, seen from the mount (a point at the
    // mount itself has no direction and lies inside only for a limitDot below 0).
    bool inCone(const Ogre::Vector3& point) const;
    // The mount in the world, from the owner's pose.
    Ogre::Vector3 getMountPosition() const;

    const Ogre::Vector3& getDirection() const { return direction; }
    float getLimitDot() const { return limitDot; }

private:
    Ogre::Vector3 worldDirection() const;

    Ogre::Vector3 direction;
    float limitDot;
};

} // namespace Tolvarine

#pragma once

#include <OgreVector.h>

#include <string>

namespace Tolvarine {

class Faction;
class Targetable;

// One group of weapons that its owner fires as one: a ship's primary or secondary system, a
// station's, a capital ship's point defence. The player's controls, the AI, formations and the
// heads-up display work every kind of weapon system through this interface.
//
// Nothing is ever deleted through it, so its destructor is protected and not virtual.
class WeaponSystem {
public:
    // The owner comes into play for `faction`, or leaves play. Leaving play lets go of the
    // target: it may be deleted before the owner's next life (the types read again).
    virtual void activate(Faction* faction) = 0;
    virtual void deactivate() = 0;
    // The text shown to the player.
    virtual const std::string& getDescription() const = 0;
    // How loaded the weapon that fires next is, from 0 to 1.
    virtual float getLoadProportion() = 0;
    // The mount of the weapon that fires next, in the owner's frame.
    virtual Ogre::Vector3 getCurrentWeaponPosition() = 0;
    virtual bool isGuided() const = 0;
    // The launch speed of the weapon that fires next; positive infinity for an instant weapon.
    virtual float getLaunchSpeed() = 0;
    // The ranges and the aiming tolerance the AI fires by.
    virtual float getFarRange() = 0;
    virtual float getNearRange() = 0;
    virtual float getBestRange() = 0;
    virtual float getFireThreshold() = 0;
    // Whether the player fires this system; every shot carries the flag into the statistics.
    virtual void setPlayerControlled(bool playerControlled) = 0;
    // Starts or stops firing; isFiring tells whether automatic fire is running.
    virtual void setFiring(bool on) = 0;
    virtual bool isFiring() = 0;
    // The period of automatic fire, in seconds.
    virtual void setFirePeriod(float period) = 0;
    // The target handed to each shot.
    virtual void setTarget(Targetable* target) = 0;
    virtual void clearTarget() = 0;
    virtual Targetable* getTarget() = 0;
    // The faction given to activate; null while inactive.
    virtual Faction* getFaction() = 0;

protected:
    WeaponSystem() = default;
    WeaponSystem(const WeaponSystem&) = default;
    WeaponSystem& operator=(const WeaponSystem&) = default;
    ~WeaponSystem() = default;
};

} // namespace Tolvarine

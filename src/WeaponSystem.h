#pragma once

namespace Tolvarine {

class Targetable;

// One group of weapons that its owner fires as one: a ship's primary or secondary system, a
// station's, a capital ship's point defence. The player's controls, the AI, formations and the
// heads-up display work every kind of weapon system through this interface.
//
// Nothing is ever deleted through it, so its destructor is protected and not virtual.
class WeaponSystem {
public:
    // Whether the player fires this system; every shot carries the flag into the statistics.
    virtual void setPlayerControlled(bool playerControlled) = 0;
    // The target handed to each shot.
    virtual void setTarget(Targetable* target) = 0;
    virtual void clearTarget() = 0;

protected:
    WeaponSystem() = default;
    WeaponSystem(const WeaponSystem&) = default;
    WeaponSystem& operator=(const WeaponSystem&) = default;
    ~WeaponSystem() = default;
};

} // namespace Tolvarine

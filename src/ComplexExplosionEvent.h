#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Sets off an explosion of group "group" (required) at "offset" ((0 0 0)) of the ship, moving
// with the ship. An event whose place already holds many explosions close by
// (ExplosionManager::MAX_NEAR), or that finds the explosions and sprays in play at their bound
// (MAX_EFFECTS_IN_PLAY), leaves its explosion out, with a line the first time: one death
// whose sequences fanned out to 1,000 blasts at one point stopped the frames for 25 s, the debris
// of the blasts colliding with each other in one place, and 1,000 ships destroyed together kept
// them seconds apart for as long as their blasts and sprays lasted. A death away from a crowd
// keeps its explosions.
class ComplexExplosionEvent : public ShipExplosionEvent {
public:
    ComplexExplosionEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;
    // A group the explosion manager does not know is refused (nothing is checked without one).
    void checkNames(const Config& config, const std::string& section) const override;

private:
    // "ComplexExplosionEvent <section> of <file>", which begins its line.
    std::string place;
    std::string group;
    Ogre::Vector3 offset;
};

} // namespace Tolvarine

#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Sets off an explosion of group "group" (required) at "offset" ((0 0 0)) of the ship, moving
// with the ship.
class ComplexExplosionEvent : public ShipExplosionEvent {
public:
    ComplexExplosionEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;
    // A group the explosion manager does not know is refused (nothing is checked without one).
    void checkNames(const Config& config, const std::string& section) const override;

private:
    std::string group;
    Ogre::Vector3 offset;
};

} // namespace Tolvarine

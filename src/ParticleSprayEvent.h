#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Fires "number" particle sprays of type "name" at "offset" of the ship, each with the ship's
// velocity plus a random velocity of up to "speed" along each axis. Keys: "name" (required),
// "number" (1; a negative number is logged and refused with ConfigurationError, since it would
// be counted as about four billion sprays), "offset" ((0 0 0)) and "speed" (30).
class ParticleSprayEvent : public ShipExplosionEvent {
public:
    ParticleSprayEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;

private:
    std::string name;
    unsigned number;
    Ogre::Vector3 offset;
    float speed;
};

} // namespace Tolvarine

#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Fires "number" particle sprays of type "name" at "offset" of the ship, each with the ship's
// velocity plus a random velocity of up to "speed" along each axis. Keys: "name" (required),
// "number" (1; a negative number, which would be counted as about four billion sprays, is logged
// and refused with ConfigurationError), "offset" ((0 0 0)) and "speed" (30). An event that finds
// less room close to its place (ParticleSpray::MAX_NEAR) or under the bound of explosions and
// sprays in play (MAX_EFFECTS_IN_PLAY) starts the sprays that fit and leaves out the rest, with a
// line the first time. So a large number is no fault of its own: it plays what its place can take.
class ParticleSprayEvent : public ShipExplosionEvent {
public:
    ParticleSprayEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;
    // A spray type that is not loaded is refused.
    void checkNames(const Config& config, const std::string& section) const override;

private:
    // Logs, once for the event, that only `started` of its sprays fitted, under the bound close to
    // its place when `crowded`, else under the bound of all sprays in play.
    void reportLeftOut(unsigned started, bool crowded) const;

    // "ParticleSprayEvent <section> of <file>", which begins its lines.
    std::string place;
    std::string name;
    unsigned number;
    Ogre::Vector3 offset;
    float speed;
};

} // namespace Tolvarine

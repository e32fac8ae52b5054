#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Fires "number" particle sprays of type "name" at "offset" of the ship, each with the ship's
// velocity plus a random velocity of up to "speed" along each axis. Keys: "name" (required),
// "number" (1; a negative number, which would be counted as about four billion sprays, or one
// above MAX_NUMBER is logged and refused with ConfigurationError), "offset" ((0 0 0)) and
// "speed" (30).
class ParticleSprayEvent : public ShipExplosionEvent {
public:
    // Far above what the game's sequences fire (a few sprays an event). Each spray is a particle
    // system of its own, and its pool grows for every one fired at once: a mistyped 100000 froze
    // the game at the ship's death and took memory until the process died.
    static constexpr unsigned MAX_NUMBER = 100;

    ParticleSprayEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;
    // A spray type that is not loaded is refused.
    void checkNames(const Config& config, const std::string& section) const override;

private:
    std::string name;
    unsigned number;
    Ogre::Vector3 offset;
    float speed;
};

} // namespace Tolvarine

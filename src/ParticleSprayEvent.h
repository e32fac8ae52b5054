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
    // Every spray is a particle system and a body of its own, made at once when its pool has too
    // few free ones, and kept in the pool from then on. A Kestrel destroyed in the menus' battle
    // with one event of that many sparks (release build, on a machine shared with other builds):
    // 3,000 stopped the frames for 0.38 and 0.74 s at the death, the battle went on at its frame
    // rate and memory rose from 192 to 251 and 426 MB; 5,000 stopped them for 2.0, 2.5 and 3.5 s
    // in three of five runs; 10,000 for 1.1 and 3.6 s, with a quarter to a third of the frame
    // rate lost for good; 20,000 for 5.5 and 7.1 s, with half of it lost, at 1.1 to 1.2 GB;
    // 100,000 for 31 and 35 s, then 1.3 frames a second at 4.9 GB. A negative number, counted as
    // about four billion, would need 40,000 times that memory.
    static constexpr unsigned MAX_NUMBER = 3000;

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

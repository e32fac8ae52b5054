#pragma once

namespace Ogre {
class ParticleSystem;
} // namespace Ogre

namespace Tolvarine {

// A particle system's quota held to the particles its emitters can have alive at once. The
// library makes a system's whole quota of particles the first time the system is updated, and an
// effect made once per ship, missile or piece of debris makes it that often: an engine template
// with a quota of 10,000,000 ended the game, out of memory, at the first ships in play, though no
// emitter ever has more than its rate times its particles' life alive. Held, a quota keeps what
// the emitters can use and drops only what they never reach; a smaller quota stays as written.
class ParticleQuota {
public:
    // The longest frame whose emission a held quota still takes whole (an emitter emits its rate
    // times the frame's length at once).
    static constexpr double FRAME_SECONDS = 1.0;

    // Holds the quota of `system`, made from its template and not yet updated, for emitters that
    // emit at most `highestRate` particles a second each (the rate the user sets them to); a
    // system whose emitters emit emitters keeps its quota.
    static void hold(Ogre::ParticleSystem& system, double highestRate);
    // The same for emitters that keep their template's rates.
    static void hold(Ogre::ParticleSystem& system);

private:
    // `highestRate` below 0: each emitter's own rate.
    static void holdAt(Ogre::ParticleSystem& system, double highestRate);
};

} // namespace Tolvarine

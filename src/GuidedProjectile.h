#pragma once

#include "Controllable.h"

namespace Tolvarine {

class Config;

// A missile: a projectile that is also a Controllable, so that its guidance steers it like a small
// ship, the heads-up display frames it and ships and point defence can aim at it. A missile close
// to its target announces itself to the target as a threat; the target's AI then dodges it, reading
// the missile's physics body, and drops it once the missile has left play (its inactive flag).
//
// The missile's own parts (engine, guidance, hull, launch and detonation) build on this class.
class GuidedProjectile : public Controllable {
public:
    // The Targetable and Controllable parts read section "Targetable" of the missile's type file.
    explicit GuidedProjectile(const Config& type)
        : Controllable(type)
    {
    }

    // How far the missile reaches, the estimate its guidance uses when it looks for a target ahead:
    // its current speed plus half its engine's acceleration times its time to live squared.
    virtual float getRange() const = 0;
};

} // namespace Tolvarine

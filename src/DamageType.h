#pragma once

namespace Tolvarine {

// The kind of damage handed to a damage model with each hit: those of the projectile types, and
// the blast of an explosion.
enum DamageType : int {
    BEAM = 0,
    PLASMA = 1,
    CONVENTIONAL = 2,
    BLAST = 3
};

} // namespace Tolvarine

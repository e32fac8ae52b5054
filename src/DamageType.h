#pragma once

namespace Tolvarine {

// The kind of damage handed to a damage model with each hit. The named values are those of the
// projectile types; 3 (unnamed) is the damage of an explosion's blast.
enum DamageType : int {
    BEAM = 0,
    PLASMA = 1,
    CONVENTIONAL = 2
};

} // namespace Tolvarine

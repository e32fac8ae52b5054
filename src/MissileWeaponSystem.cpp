#include "MissileWeaponSystem.h"

#include "Controllable.h"

namespace Tolvarine {

const std::string& MissileWeaponSystem::getDescription() const
{
    static const std::string none;
    return none;
}

void MissileWeaponSystem::setFiring(bool on)
{
    if (on)
        owner->destroy();
}

} // namespace Tolvarine

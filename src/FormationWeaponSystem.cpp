#include "FormationWeaponSystem.h"

#include <string>

namespace Tolvarine {

const std::string& FormationWeaponSystem::getDescription() const
{
    // Nothing to name: the formation carries no weapon of its own.
    static const std::string empty;
    return empty;
}

} // namespace Tolvarine

#include "DeactivateEvent.h"

#include "Controllable.h"
#include "DynamicCollidable.h"

namespace Tolvarine {

void DeactivateEvent::execute(Controllable* target, bool, const Ogre::Vector3&)
{
    // Ships are collidables; their deactivation hands them back to their pools.
    if (auto* collidable = dynamic_cast<DynamicCollidable*>(target))
        collidable->deactivate(TAKEN_OUT);
}

} // namespace Tolvarine

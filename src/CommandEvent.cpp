#include "CommandEvent.h"

#include "Scenario.h"

namespace Tolvarine {

void CommandEvent::execute(Controllable*, bool focused, const Ogre::Vector3&)
{
    if (focused)
        Scenario::flownShipLost("CommandEvent");
}

} // namespace Tolvarine

#include "HudOverlay.h"

#include "FatalError.h"

#include <OgreLogManager.h>

namespace Tolvarine {

HudOverlay* HudOverlay::singleton = nullptr;

HudOverlay::HudOverlay()
{
    singleton = this;
}

HudOverlay::~HudOverlay()
{
    if (singleton == this)
        singleton = nullptr;
}

HudOverlay& HudOverlay::getSingleton()
{
    if (!singleton) {
        Ogre::LogManager::getSingleton().logMessage("HudOverlay used before it was created");
        throw FatalError();
    }
    return *singleton;
}

HudOverlay* HudOverlay::getSingletonPtr()
{
    return singleton;
}

void HudOverlay::setTargetWireframe(Targetable* ship)
{
    targetShip = ship;
}

void HudOverlay::clearTargetWireframe()
{
    targetShip = nullptr;
}

void HudOverlay::setSelfWireframe(Targetable* ship)
{
    selfShip = ship;
}

void HudOverlay::clearSelfWireframe()
{
    selfShip = nullptr;
}

} // namespace Tolvarine

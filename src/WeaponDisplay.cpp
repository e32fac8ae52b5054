#include "WeaponDisplay.h"

#include <OgreLogManager.h>
#include <OgreOverlay.h>
#include <OgreOverlayManager.h>

#include <string>

namespace Tolvarine {

namespace {

// The reticle overlays are data: a missing element must not stop the game, so it is logged and
// the reticle simply shows without that component.
Ogre::OverlayElement* findReticleComponent(const std::string& name)
{
    Ogre::OverlayManager* manager = Ogre::OverlayManager::getSingletonPtr();
    if (!manager || !manager->hasOverlayElement(name)) {
        Ogre::LogManager::getSingleton().logMessage("WeaponDisplay::setReticleOverlay, no overlay element " + name);
        return nullptr;
    }
    return manager->getOverlayElement(name);
}

} // namespace

WeaponDisplay& WeaponDisplay::getSingleton()
{
    // Never destroyed: the display is used until the very end of the program.
    static WeaponDisplay* display = new WeaponDisplay();
    return *display;
}

void WeaponDisplay::setReticleOverlay(Ogre::Overlay* overlay)
{
    clearReticleOverlay();
    if (!overlay)
        return;
    reticleOverlay = overlay;
    if (visible)
        reticleOverlay->show();
    primaryComponent = findReticleComponent(overlay->getName() + "/ReticlePrimaryComponent");
    secondaryComponent = findReticleComponent(overlay->getName() + "/ReticleSecondaryComponent");
}

void WeaponDisplay::clearReticleOverlay()
{
    if (reticleOverlay)
        reticleOverlay->hide();
    reticleOverlay = nullptr;
    primaryComponent = nullptr;
    secondaryComponent = nullptr;
}

void WeaponDisplay::setPrimaryWeaponSystem(WeaponSystem* system)
{
    primarySystem = system;
}

void WeaponDisplay::clearPrimaryWeaponSystem()
{
    primarySystem = nullptr;
}

void WeaponDisplay::setSecondaryWeaponSystem(WeaponSystem* system)
{
    secondarySystem = system;
}

void WeaponDisplay::clearSecondaryWeaponSystem()
{
    secondarySystem = nullptr;
}

} // namespace Tolvarine

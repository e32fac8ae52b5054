#include "WeaponDisplay.h"

#include "Config.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "HudOverlay.h"
#include "Scheduler.h"
#include "WeaponSystem.h"

#include <OgreMaterial.h>
#include <OgreOverlayElement.h>
#include <OgrePass.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>
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
        GameLog::line("WeaponDisplay::setReticleOverlay, no overlay element " + name);
        return nullptr;
    }
    return manager->getOverlayElement(name);
}

// The component's texture, tinted: modulate of the manual colour and the texture.
void tint(Ogre::OverlayElement& component, const Ogre::ColourValue& colour)
{
    const Ogre::MaterialPtr& material = component.getMaterial();
    if (!material || material->getNumTechniques() == 0)
        return;
    Ogre::Technique* technique = material->getTechnique(0);
    if (technique->getNumPasses() == 0)
        return;
    Ogre::Pass* pass = technique->getPass(0);
    if (pass->getNumTextureUnitStates() == 0)
        return;
    pass->getTextureUnitState(0)->setColourOperationEx(Ogre::LBX_MODULATE, Ogre::LBS_MANUAL, Ogre::LBS_TEXTURE,
                                                       colour, Ogre::ColourValue::White, 0);
}

} // namespace

WeaponDisplay& WeaponDisplay::getSingleton()
{
    // Never destroyed: the display is used until the very end of the program.
    static WeaponDisplay* display = new WeaponDisplay();
    display->ensureTask();
    return *display;
}

void WeaponDisplay::ensureTask()
{
    Scheduler* scheduler = Scheduler::getSingletonPtr();
    if (!scheduler || scheduler == taskScheduler)
        return;
    // A task of an earlier scheduler is gone with it; only the pointer is left to drop.
    static_cast<void>(task.release());
    task = std::make_unique<FixedTask>([this](float, float) { update(); }, "WeaponDisplay::update", 50);
    taskScheduler = scheduler;
}

void WeaponDisplay::show()
{
    const Config& settings = HudOverlay::getConfig();
    fullColour = settings.get<Ogre::ColourValue>("Hud", "reticleFullColour");
    emptyColour = settings.get<Ogre::ColourValue>("Hud", "reticleEmptyColour");
    if (reticleOverlay)
        reticleOverlay->show();
    visible = true;
}

void WeaponDisplay::hide()
{
    if (reticleOverlay)
        reticleOverlay->hide();
    visible = false;
}

Ogre::ColourValue WeaponDisplay::tintFor(float loadProportion) const
{
    return emptyColour + (fullColour - emptyColour) * loadProportion;
}

void WeaponDisplay::update()
{
    if (primarySystem && primaryComponent)
        tint(*primaryComponent, tintFor(primarySystem->getLoadProportion()));
    if (secondarySystem && secondaryComponent)
        tint(*secondaryComponent, tintFor(secondarySystem->getLoadProportion()));
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

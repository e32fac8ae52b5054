#include "HudOverlay.h"

#include "Config.h"
#include "Controllable.h"
#include "DamageDisplay.h"
#include "FatalError.h"
#include "FrameBillboardSet.h"
#include "GameLog.h"
#include "ValueRange.h"
#include "WeaponDisplay.h"


namespace Tolvarine {

HudOverlay* HudOverlay::singleton = nullptr;

HudOverlay::HudOverlay(Ogre::SceneManager& scene, const Config& settings)
    : settings(settings)
    , selectKey("target_reticle_closest", [this]() { selectClosestTarget(); })
{
    // The wireframes are placed there when a ship is first shown, mid-game; a place beyond what
    // the renderer draws ended the game through its assertion on a wireframe's box.
    for (const char* key : {"selfWireframePosition", "targetWireframePosition"})
        ValueRange::drawnPlace(settings, "Hud", key);
    const char* const materialKey = "targetWireframeMaterial";
    const auto material = settings.get<std::string>("Hud", materialKey);
    try {
        targetDisplay = std::make_unique<DamageDisplay>(scene, settings, "TargetDamageWireframe", material);
        selfDisplay = std::make_unique<DamageDisplay>(scene, settings, "SelfDamageWireframe", material);
    } catch (const DamageDisplay::UnknownMaterial&) {
        // The display's line names the material but not where the name came from.
        settings.logPlace("Hud", materialKey);
        throw;
    }
    selectionRange = settings.get<float>("Hud", "selectionRange");
    selectionThresholdDot = settings.get<float>("Hud", "selectionThresholdDot");
    selectKey.setEnabled(true);
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
        GameLog::line("HudOverlay used before it was created");
        throw FatalError();
    }
    return *singleton;
}

HudOverlay* HudOverlay::getSingletonPtr()
{
    return singleton;
}

const Config& HudOverlay::getConfig()
{
    return getSingleton().settings;
}

void HudOverlay::setFrameBillboardsVisible(bool visible)
{
    FrameBillboardSet* frames = FrameBillboardSet::getSingletonPtr();
    if (!frames)
        return;
    if (visible)
        frames->attach();
    else
        frames->detach();
}

void HudOverlay::setVisible(bool show)
{
    if (show == visible)
        return;
    visible = show;
    selectKey.setEnabled(show);
    WeaponDisplay& weapons = WeaponDisplay::getSingleton();
    if (show) {
        weapons.show();
        targetDisplay->show();
        selfDisplay->show();
    } else {
        weapons.hide();
        targetDisplay->hide();
        selfDisplay->hide();
    }
}

void HudOverlay::setTargetWireframe(Targetable* ship)
{
    targetShip = ship;
    targetDisplay->setShip(ship, false);
}

void HudOverlay::clearTargetWireframe()
{
    targetShip = nullptr;
    targetDisplay->reset();
}

void HudOverlay::setSelfWireframe(Targetable* ship)
{
    selfShip = ship;
    selfDisplay->setShip(ship, true);
}

void HudOverlay::clearSelfWireframe()
{
    selfShip = nullptr;
    selfDisplay->reset();
}

void HudOverlay::selectClosestTarget()
{
    Controllable* player = Controllable::getFocused();
    if (!player)
        return;
    if (Targetable* ahead = player->querySphereAhead(selectionRange, selectionThresholdDot)) {
        ahead->setSelected(true);
        player->setTarget(ahead);
    } else if (Targetable* selected = Targetable::getSelected()) {
        selected->setSelected(false);
    }
}

} // namespace Tolvarine

#pragma once

#include "InputHandler.h"
#include "TargetableWatch.h"

#include <memory>

namespace Ogre {
class SceneManager;
} // namespace Ogre

namespace Tolvarine {

class Config;
class DamageDisplay;
class Targetable;

// Ties the heads-up display together: the damage wireframes of the player's ship and of the
// selected target, the weapon display and the target frames, shown and hidden with the interface
// mode, and the command "target_reticle_closest" that selects the target ahead. Holds the
// heads-up display's settings (cfg/hud.cfg, section "Hud"), which its parts read. Created once at
// start-up, after the overlay scripts are loaded.
class HudOverlay {
public:
    // Makes the two wireframe displays with the material "targetWireframeMaterial" and reads
    // "selfWireframePosition", "targetWireframePosition", "selectionRange" and
    // "selectionThresholdDot" (all required: ConfigurationError); a material that does not exist
    // is logged with the key's place in the settings and throws ConfigurationError, and so is a
    // wireframe position beyond what the renderer draws (ValueRange::drawnPlace). The settings
    // must outlive the display.
    HudOverlay(Ogre::SceneManager& scene, const Config& settings);
    ~HudOverlay();
    HudOverlay(const HudOverlay&) = delete;
    HudOverlay& operator=(const HudOverlay&) = delete;

    static HudOverlay& getSingleton();
    // Null before start-up has made the display.
    static HudOverlay* getSingletonPtr();
    // The heads-up display's settings.
    static const Config& getConfig();

    // Where the TrueType fonts of the overlay texts are found (the DejaVu font package).
    static constexpr const char* FONT_FOLDER = "/usr/share/fonts/truetype/dejavu";

    // Draws the target frames or stops drawing them.
    static void setFrameBillboardsVisible(bool visible);

    // Shows or hides the weapon display and both wireframes, and enables the target key only while
    // shown. A call that does not change the state does nothing; the display starts visible.
    void setVisible(bool visible);
    bool isVisible() const { return visible; }

    // The selected target's wireframe.
    void setTargetWireframe(Targetable* ship);
    void clearTargetWireframe();
    Targetable* getTargetWireframe() const { return targetShip; }

    // The wireframe of the player's own ship.
    void setSelfWireframe(Targetable* ship);
    void clearSelfWireframe();
    Targetable* getSelfWireframe() const { return selfShip; }

    DamageDisplay& getTargetDisplay() const { return *targetDisplay; }
    DamageDisplay& getSelfDisplay() const { return *selfDisplay; }

    // Selects the object most nearly straight ahead of the focused ship within the selection
    // range and cone and makes it the ship's target; with nothing there the selection is dropped.
    // Nothing without a focused ship.
    void selectClosestTarget();

private:
    static HudOverlay* singleton;

    const Config& settings;
    bool visible = true;
    // The objects handed to the wireframes; the displays drop one without a damage model.
    Targetable* targetShip = nullptr;
    Targetable* selfShip = nullptr;
    std::unique_ptr<DamageDisplay> targetDisplay;
    std::unique_ptr<DamageDisplay> selfDisplay;
    InputHandler::EnterSubscription selectKey;
    float selectionRange = 0.0f;
    float selectionThresholdDot = 0.0f;
    // The wireframes never show an object that is gone.
    TargetableWatch deletionWatch{[this](const Targetable& gone) {
        if (targetShip == &gone)
            clearTargetWireframe();
        if (selfShip == &gone)
            clearSelfWireframe();
    }};
};

} // namespace Tolvarine

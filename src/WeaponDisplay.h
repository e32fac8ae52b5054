#pragma once

namespace Ogre {
class Overlay;
class OverlayElement;
} // namespace Ogre

namespace Tolvarine {

class WeaponSystem;

// Colours the two weapon parts of the player ship's reticle by how far each weapon system has
// reloaded. Focusing a ship hands the display the ship's reticle overlay and its two weapon
// systems; the heads-up display shows and hides it with the interface mode. One instance, made on
// first use and kept for the life of the program.
//
// So far it keeps the reticle overlay, its two components and the weapon systems whose state the
// components will show; the per-frame colouring comes with the heads-up display.
class WeaponDisplay {
public:
    static WeaponDisplay& getSingleton();

    WeaponDisplay(const WeaponDisplay&) = delete;
    WeaponDisplay& operator=(const WeaponDisplay&) = delete;

    // Hides the previous reticle, shows the new one while the display is visible, and looks up its
    // elements "<overlay name>/ReticlePrimaryComponent" and "<overlay name>/ReticleSecondaryComponent".
    // A missing element is logged and left out; the other one still works.
    void setReticleOverlay(Ogre::Overlay* overlay);
    void clearReticleOverlay();
    Ogre::Overlay* getReticleOverlay() const { return reticleOverlay; }
    Ogre::OverlayElement* getPrimaryComponent() const { return primaryComponent; }
    Ogre::OverlayElement* getSecondaryComponent() const { return secondaryComponent; }

    void setPrimaryWeaponSystem(WeaponSystem* system);
    void clearPrimaryWeaponSystem();
    WeaponSystem* getPrimaryWeaponSystem() const { return primarySystem; }

    void setSecondaryWeaponSystem(WeaponSystem* system);
    void clearSecondaryWeaponSystem();
    WeaponSystem* getSecondaryWeaponSystem() const { return secondarySystem; }

    bool isVisible() const { return visible; }

private:
    WeaponDisplay() = default;
    ~WeaponDisplay() = default;

    bool visible = false;
    Ogre::Overlay* reticleOverlay = nullptr;
    Ogre::OverlayElement* primaryComponent = nullptr;
    Ogre::OverlayElement* secondaryComponent = nullptr;
    WeaponSystem* primarySystem = nullptr;
    WeaponSystem* secondarySystem = nullptr;
};

} // namespace Tolvarine

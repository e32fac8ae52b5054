#pragma once

#include <OgreColourValue.h>

#include <memory>

namespace Ogre {
class Overlay;
class OverlayElement;
} // namespace Ogre

namespace Tolvarine {

class FixedTask;
class Scheduler;
class WeaponSystem;

// Colours the two weapon parts of the player ship's reticle by how far each weapon system has
// reloaded. Focusing a ship hands the display the ship's reticle overlay and its two weapon
// systems; the heads-up display shows and hides it with the interface mode. One instance, made on
// first use and kept for the life of the program.
//
// Every frame each component is drawn as its texture tinted from the empty colour (just fired) to
// the full colour (loaded) by its weapon system's load proportion. The tint is written into the
// component's material, so each component needs a material of its own.
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

    // Reads "reticleFullColour" and "reticleEmptyColour" of the heads-up display's settings
    // (ConfigurationError when missing) and shows the reticle, if there is one.
    void show();
    void hide();
    bool isVisible() const { return visible; }

    // Tints both components by their systems' load; run every frame, shown or not.
    void update();
    // The tint for a load proportion between 0 and 1.
    Ogre::ColourValue tintFor(float loadProportion) const;

private:
    WeaponDisplay() = default;
    ~WeaponDisplay() = default;
    // The per-frame task joins the scheduler of the moment; tools without one have no task.
    void ensureTask();

    bool visible = false;
    Ogre::Overlay* reticleOverlay = nullptr;
    Ogre::OverlayElement* primaryComponent = nullptr;
    Ogre::OverlayElement* secondaryComponent = nullptr;
    WeaponSystem* primarySystem = nullptr;
    WeaponSystem* secondarySystem = nullptr;
    Ogre::ColourValue fullColour = Ogre::ColourValue::White;
    Ogre::ColourValue emptyColour = Ogre::ColourValue::Black;
    std::unique_ptr<FixedTask> task;
    Scheduler* taskScheduler = nullptr;
};

} // namespace Tolvarine

#pragma once

#include "FunctionTask.h"
#include "TargetableWatch.h"

#include <OgrePrerequisites.h>
#include <OgreVector.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace Tolvarine {

class Config;
class ModulatedBillboard;
class PositionReporter;
class SoundSource;
class Targetable;
class WeaponSystem;

// One gun or launcher on a ship, station or capital ship. It holds a load that refills over game
// time and spends one whole unit per shot. A shot launches one projectile of its projectile type
// from the mount, along the owner's forward direction, at the launch speed, either at once or
// after a fixed delay; the fire sound and the muzzle glow belong to the request and start at once.
//
// Type file "data/entities/<type>.weapon", section "Weapon": "projectile", "maxLoaded",
// "loadPeriod" (seconds per unit), "launchSpeed" (0: instant, for beams only) — all required —
// "fireDelay" (seconds, default 0) and "fireSound" (sound name, default none); a section "Glow"
// with a modulated billboard's keys gives a muzzle glow.
class Weapon {
public:
    // The parsed type file of a weapon type, read on first request and kept for the life of the
    // process, so every weapon of a type shares it. A file that cannot be opened is logged and
    // throws ConfigurationError.
    static Config* load(const std::string& type);
    // The folder the type files are read from ("data/entities" unless changed).
    static void setTypeFolder(const std::string& folder);
    // Forgets every parsed type file (the tools and tests that change files between reads).
    static void forgetTypes();

    // A reading of the types that carry weapons which a check may still refuse (a reload of the
    // ship types). The weapon files first read while it lives are forgotten again when it ends
    // unkept: a refused reload leaves the parsed files as they were before it, so that the next
    // one reads a weapon file it needs anew, mended or not. Kept once the types read are taken,
    // since their weapons are built from these files.
    class TypeReading {
    public:
        TypeReading();
        ~TypeReading();
        TypeReading(const TypeReading&) = delete;
        TypeReading& operator=(const TypeReading&) = delete;
        void keep() { kept = true; }

    private:
        // The types parsed before the reading began.
        std::set<std::string> before;
        bool kept = false;
    };

    // Checks a type as the constructor does, without building a weapon: the loaders of the ships
    // and stations that carry it call it at start-up. An unknown projectile type, a missing or
    // unreadable value, or a launch speed of 0 for a projectile that is not a beam is logged, with
    // the file's place, and raises ConfigurationError.
    static void checkType(const Config& type);
    // Checks what the constructor reads for the weapon's effects, without building them: the
    // section "Glow" (ModulatedBillboard::checkSection) and the "fireSound" definition. The same
    // loaders call it, since a ship whose pool starts empty builds its weapons mid-game.
    static void checkEffects(const Config& type);

    // Builds the weapon, inactive and fully loaded, with its mount: a child of `ownerNode` at
    // `position`, named "Weapon" followed by a number common to all weapons. Fails with a log line
    // and ConfigurationError on a missing or unreadable key, a projectile type that is not loaded
    // (followed by the weapon file's "Config: in" line for the key), a launch speed of 0 for a
    // projectile that is not a beam (only a beam arrives at once), and a fire sound without a
    // definition. A weapon without an owner to fire from is a programming
    // error: logged, FatalError.
    Weapon(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode, WeaponSystem* weaponSystem,
           const Ogre::Vector3& position, Config& type);
    // Stops the glow and the delayed launch and removes the mount node from the scene.
    virtual ~Weapon();
    Weapon(const Weapon&) = delete;
    Weapon& operator=(const Weapon&) = delete;

    // A fire request: true when a shot was made or scheduled. Refused while less than one whole
    // unit is loaded or a delayed shot is pending.
    virtual bool fire(Targetable* target);
    // The launch, the callback of the task "Weapon::actuallyFire": an active weapon takes a
    // projectile from its pool and launches it. Always false, so the task runs once per request.
    virtual bool actuallyFire(float elapsed);

    // Active and fully loaded, with no pending shot.
    void activate();
    // Inactive: the glow stops, a pending launch is cancelled and the target let go.
    void deactivate();
    // Brings the load up to date with the game clock and returns it.
    float reload();

    void setPlayerControlled(bool on) { playerControlled = on; }
    bool isPlayerControlled() const { return playerControlled; }
    bool isActive() const { return active; }
    bool isPending() const { return pending; }
    // The load as last brought up to date.
    float getLoaded() const { return loaded; }
    float getMaxLoaded() const { return maxLoaded; }
    // Positive infinity for an instant weapon.
    float getLaunchSpeed() const { return launchSpeed; }
    float getFireDelay() const { return fireDelay; }
    const std::string& getProjectileType() const { return projectileType; }
    Ogre::SceneNode* getMountNode() const { return mountNode; }
    // Null when the type has none.
    SoundSource* getFireSound() const { return fireSound.get(); }
    ModulatedBillboard* getGlow() const { return glow.get(); }

protected:
    PositionReporter* getOwnerReporter() const { return ownerReporter; }
    // Null for a weapon outside any system.
    WeaponSystem* getWeaponSystem() const { return weaponSystem; }

private:
    void stopGlow();

    static unsigned nextNumber;

    PositionReporter* ownerReporter;
    WeaponSystem* weaponSystem;
    std::string projectileType;
    bool active = false;
    bool playerControlled = false;
    float maxLoaded;
    float loaded;
    float loadPeriod;
    double lastLoadTime = 0.0;
    float launchSpeed;
    Targetable* target = nullptr;
    bool pending = false;
    float fireDelay;
    FunctionTask actuallyFireTask;
    Ogre::SceneNode* mountNode = nullptr;
    std::unique_ptr<SoundSource> fireSound;
    std::unique_ptr<ModulatedBillboard> glow;
    std::function<void()> glowEnd;
    TargetableWatch targetWatch{target};
};

} // namespace Tolvarine

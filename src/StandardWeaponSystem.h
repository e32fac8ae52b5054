#pragma once

#include "FunctionTask.h"
#include "TargetableWatch.h"
#include "WeaponSystem.h"

#include <OgrePrerequisites.h>
#include <OgreVector.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class Config;
class PositionReporter;
class Weapon;

// A weapon system that fires its weapons in turn: once per request, or, when automatic, at once
// and then every firing period while firing is on. Each shot asks the weapons in order, starting
// after the one asked first last time, until one fires; so the shots of a group spread over its
// weapons, and an empty weapon is skipped.
//
// Section of the owner's type file: "automatic", "guided", "farRange", "nearRange", "bestRange",
// "fireThreshold", "firePeriod" (all required), "description" (default empty), and every key whose
// name contains "weapon" names a weapon-entry section with "type" (a weapon type) and "position"
// (the mount in the owner's frame). The weapons are loaded in byte-wise order of those keys.
class StandardWeaponSystem : public WeaponSystem {
public:
    // Reads the section and loads its weapons as children of `ownerNode`. A missing or unreadable
    // key, a section without a weapon entry, or a weapon that cannot be built fails with
    // ConfigurationError.
    StandardWeaponSystem(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode, Config& config,
                         const std::string& section);
    virtual ~StandardWeaponSystem();
    StandardWeaponSystem(const StandardWeaponSystem&) = delete;

    // Checks the section without building anything, for the loaders of the ship and station types
    // at start-up, whatever their pool size: "firePeriod", the section's values and weapon entries
    // as the constructor reads them, and the type of every weapon entry (Weapon::checkType,
    // Weapon::checkEffects). A refusal is logged with the file's place and raises
    // ConfigurationError.
    static void checkSection(const Config& config, const std::string& section);
    StandardWeaponSystem& operator=(const StandardWeaponSystem&) = delete;

    void activate(Faction* faction) override;
    void deactivate() override;
    const std::string& getDescription() const override { return description; }
    float getLoadProportion() override;
    Ogre::Vector3 getCurrentWeaponPosition() override;
    bool isGuided() const override { return guided; }
    float getLaunchSpeed() override;
    float getFarRange() override { return farRange; }
    float getNearRange() override { return nearRange; }
    float getBestRange() override { return bestRange; }
    float getFireThreshold() override { return fireThreshold; }
    void setPlayerControlled(bool playerControlled) override;
    void setFiring(bool on) override;
    // Whether automatic fire runs; always false for a system that is not automatic.
    bool isFiring() override;
    void setFirePeriod(float period) override;
    void setTarget(Targetable* newTarget) override { target = newTarget; }
    void clearTarget() override { target = nullptr; }
    Targetable* getTarget() override { return target; }
    Faction* getFaction() override { return faction; }

    // Appends a weapon for every weapon entry of the section, in byte-wise key order.
    virtual void loadWeapons(Ogre::SceneNode* ownerNode, Config& config, const std::string& section);

    // One shot at most: asks the weapons in turn from the current one until one fires; the
    // weapon after the last one asked is asked first next time. The callback of the task
    // "WeaponSystem::fireNextWeapon"; always true, so automatic fire goes on.
    bool fireNextWeapon(float elapsed);

    bool isAutomatic() const { return automatic; }
    unsigned getCurrentWeapon() const { return currentWeapon; }
    const std::vector<std::shared_ptr<Weapon>>& getWeapons() const { return weapons; }

protected:
    // The sections that the weapon entries of `section` name, in byte-wise key order: every key
    // with "weapon" in it names one.
    static std::vector<std::string> weaponEntries(const Config& config, const std::string& section);
    // One weapon entry's weapon type (the file its "type" names) and "position", as the system
    // loads it and its check reads it. A type that cannot be read is refused with the entry's place
    // in the owner's file, which the weapon file's own line cannot name.
    struct Entry {
        Config* weapon;
        Ogre::Vector3 position;
    };
    static Entry readEntry(const Config& config, const std::string& entry);
    // A system of `section` without weapons is logged and refused with ConfigurationError.
    static void requireWeapons(bool any, const Config& config, const std::string& section);
    PositionReporter* getOwnerReporter() const { return ownerReporter; }
    std::vector<std::shared_ptr<Weapon>>& getWeaponList() { return weapons; }

private:
    struct Values;
    static Values readValues(const Config& config, const std::string& section);
    StandardWeaponSystem(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode, Config& config,
                         const std::string& section, const Values& values);
    Weapon& current() const { return *weapons[currentWeapon]; }

    PositionReporter* ownerReporter;
    Faction* faction = nullptr;
    bool automatic;
    bool guided;
    std::string description;
    float farRange;
    float nearRange;
    float bestRange;
    float fireThreshold;
    Targetable* target = nullptr;
    std::vector<std::shared_ptr<Weapon>> weapons;
    unsigned currentWeapon = 0;
    FunctionTask fireTask;
    TargetableWatch targetWatch{target};
};

} // namespace Tolvarine

#include "StandardWeaponSystem.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "ValueRange.h"
#include "Weapon.h"

#include <OgreSceneNode.h>

namespace Tolvarine {

namespace {

// The jitter of automatic fire, so that the guns of many ships do not fire in lockstep.
constexpr float FIRE_VARIANCE = 0.05f;

} // namespace

struct StandardWeaponSystem::Values {
    bool automatic = false;
    bool guided = false;
    std::string description;
    float farRange = 0.0f;
    float nearRange = 0.0f;
    float bestRange = 0.0f;
    float fireThreshold = 0.0f;
    float firePeriod = 0.0f;
};

StandardWeaponSystem::Values StandardWeaponSystem::readValues(const Config& config, const std::string& section)
{
    Values values;
    values.automatic = config.get<bool>(section, "automatic");
    values.guided = config.get<bool>(section, "guided");
    values.description = config.get<std::string>(section, "description", "");
    values.farRange = config.get<float>(section, "farRange");
    values.nearRange = config.get<float>(section, "nearRange");
    values.bestRange = config.get<float>(section, "bestRange");
    values.fireThreshold = config.get<float>(section, "fireThreshold");
    values.firePeriod = config.get<float>(section, "firePeriod");
    return values;
}

StandardWeaponSystem::StandardWeaponSystem(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode,
                                           Config& config, const std::string& section)
    : StandardWeaponSystem(ownerReporter, ownerNode, config, section, readValues(config, section))
{
}

StandardWeaponSystem::StandardWeaponSystem(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode,
                                           Config& config, const std::string& section, const Values& values)
    : ownerReporter(ownerReporter)
    , automatic(values.automatic)
    , guided(values.guided)
    , description(values.description)
    , farRange(values.farRange)
    , nearRange(values.nearRange)
    , bestRange(values.bestRange)
    , fireThreshold(values.fireThreshold)
    , fireTask([this](float elapsed) { return fireNextWeapon(elapsed); }, "WeaponSystem::fireNextWeapon",
               values.firePeriod, FIRE_VARIANCE, 0, 0.0f)
{
    // Our own loader, not a derived class's: that one runs once its object exists.
    StandardWeaponSystem::loadWeapons(ownerNode, config, section);
}

StandardWeaponSystem::~StandardWeaponSystem() = default;

std::vector<std::string> StandardWeaponSystem::weaponEntries(const Config& config, const std::string& section)
{
    std::vector<std::string> entries;
    for (const std::string& key : config.getKeys(section)) {
        if (key.find("weapon") != std::string::npos)
            entries.push_back(config.get<std::string>(section, key));
    }
    return entries;
}

void StandardWeaponSystem::checkSection(const Config& config, const std::string& section)
{
    readValues(config, section);
    const std::vector<std::string> entries = weaponEntries(config, section);
    for (const std::string& entry : entries) {
        const Config& weapon = *readEntry(config, entry).weapon;
        Weapon::checkType(weapon);
        Weapon::checkEffects(weapon);
    }
    requireWeapons(!entries.empty(), config, section);
}

StandardWeaponSystem::Entry StandardWeaponSystem::readEntry(const Config& config, const std::string& entry)
{
    const std::string type = config.get<std::string>(entry, "type");
    Config* weapon = nullptr;
    try {
        weapon = Weapon::load(type);
    } catch (const ConfigurationError&) {
        config.logPlace(entry, "type");
        throw;
    }
    // The muzzle's flash and the shots start there.
    return Entry{weapon, ValueRange::drawnPlace(config, entry, "position")};
}

void StandardWeaponSystem::requireWeapons(bool any, const Config& config, const std::string& section)
{
    if (any)
        return;
    GameLog::line("Weapon system " + section + " has no weapon");
    GameLog::line("Config: in " + config.getPath() + ", section " + section);
    throw ConfigurationError();
}

void StandardWeaponSystem::loadWeapons(Ogre::SceneNode* ownerNode, Config& config, const std::string& section)
{
    for (const std::string& entry : weaponEntries(config, section)) {
        const Entry read = readEntry(config, entry);
        weapons.push_back(
            std::make_shared<Weapon>(ownerReporter, ownerNode, this, read.position, *read.weapon));
    }
    requireWeapons(!weapons.empty(), config, section);
}

void StandardWeaponSystem::activate(Faction* newFaction)
{
    faction = newFaction;
    for (const std::shared_ptr<Weapon>& weapon : weapons)
        weapon->activate();
}

void StandardWeaponSystem::deactivate()
{
    faction = nullptr;
    target = nullptr;
    fireTask.subscribe(false);
    for (const std::shared_ptr<Weapon>& weapon : weapons)
        weapon->deactivate();
}

float StandardWeaponSystem::getLoadProportion()
{
    const float load = current().reload();
    const float maxLoaded = current().getMaxLoaded();
    // A weapon that can hold nothing is never loaded.
    return maxLoaded > 0.0f ? load / maxLoaded : 0.0f;
}

Ogre::Vector3 StandardWeaponSystem::getCurrentWeaponPosition()
{
    return current().getMountNode()->getPosition();
}

float StandardWeaponSystem::getLaunchSpeed()
{
    return current().getLaunchSpeed();
}

void StandardWeaponSystem::setPlayerControlled(bool playerControlled)
{
    for (const std::shared_ptr<Weapon>& weapon : weapons)
        weapon->setPlayerControlled(playerControlled);
}

bool StandardWeaponSystem::fireNextWeapon(float)
{
    const unsigned start = currentWeapon;
    for (;;) {
        const bool fired = weapons[currentWeapon]->fire(target);
        currentWeapon = (currentWeapon + 1) % static_cast<unsigned>(weapons.size());
        if (fired || currentWeapon == start)
            return true;
    }
}

void StandardWeaponSystem::setFiring(bool on)
{
    if (!automatic) {
        if (on)
            fireNextWeapon(0.0f);
        return;
    }
    if (!on) {
        fireTask.subscribe(false);
        return;
    }
    fireNextWeapon(0.0f);
    fireTask.reset();
    fireTask.subscribe(true);
}

bool StandardWeaponSystem::isFiring()
{
    return fireTask.isActive();
}

void StandardWeaponSystem::setFirePeriod(float period)
{
    fireTask.setPeriod(period);
}

} // namespace Tolvarine

#include "StandardWeaponSystem.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "Weapon.h"

#include <OgreSceneNode.h>

namespace Tolvarine {

namespace {

// The jitter of automatic fire, so that the guns of many ships do not fire in lockstep.
constexpr float FIRE_VARIANCE = 0.05f;

} // namespace

StandardWeaponSystem::StandardWeaponSystem(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode,
                                           Config& config, const std::string& section)
    : ownerReporter(ownerReporter)
    , automatic(config.get<bool>(section, "automatic"))
    , guided(config.get<bool>(section, "guided"))
    , description(config.get<std::string>(section, "description", ""))
    , farRange(config.get<float>(section, "farRange"))
    , nearRange(config.get<float>(section, "nearRange"))
    , bestRange(config.get<float>(section, "bestRange"))
    , fireThreshold(config.get<float>(section, "fireThreshold"))
    , fireTask([this](float elapsed) { return fireNextWeapon(elapsed); }, "WeaponSystem::fireNextWeapon",
               config.get<float>(section, "firePeriod"), FIRE_VARIANCE, 0, 0.0f)
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
    // The fire task's period; at 0 or below, automatic fire asks at every pass of the scheduler.
    config.get<float>(section, "firePeriod");
    for (const std::string& entry : weaponEntries(config, section))
        Weapon::checkType(*Weapon::load(config.get<std::string>(entry, "type")));
}

void StandardWeaponSystem::loadWeapons(Ogre::SceneNode* ownerNode, Config& config, const std::string& section)
{
    for (const std::string& entry : weaponEntries(config, section)) {
        const std::string type = config.get<std::string>(entry, "type");
        Config* weaponType = Weapon::load(type);
        const Ogre::Vector3 position = config.get<Ogre::Vector3>(entry, "position");
        weapons.push_back(std::make_shared<Weapon>(ownerReporter, ownerNode, this, position, *weaponType));
    }
    if (weapons.empty()) {
        GameLog::line("Weapon system " + section + " has no weapon");
        throw ConfigurationError();
    }
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

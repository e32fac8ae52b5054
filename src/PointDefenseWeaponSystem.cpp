#include "PointDefenseWeaponSystem.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "GameLog.h"
#include "PointDefenseBeamWeapon.h"

namespace Tolvarine {

namespace {

FunctionTask makeTask(Config& config, const std::string& section, PointDefenseWeaponSystem* system)
{
    const float variance = config.get<float>(section, "updateVariance");
    const float period = config.get<float>(section, "updatePeriod");
    return FunctionTask([system](float elapsed) { return system->update(elapsed); },
                        "PointDefenseWeaponSystem::update", period, variance);
}

} // namespace

PointDefenseWeaponSystem::PointDefenseWeaponSystem(Controllable* ownerIn, Ogre::SceneNode* ownerNode,
                                                   Config& config, const std::string& section)
    : StandardWeaponSystem(ownerIn, ownerNode, config, section)
    , farRangeSquared(getFarRange() * getFarRange())
    , owner(ownerIn)
    , updateTask(makeTask(config, section, this))
{
    PointDefenseWeaponSystem::loadWeapons(ownerNode, config, section);
}

void PointDefenseWeaponSystem::checkSection(const Config& config, const std::string& section)
{
    StandardWeaponSystem::checkSection(config, section);
    config.get<float>(section, "updatePeriod");
    config.get<float>(section, "updateVariance");
}

PointDefenseWeaponSystem::~PointDefenseWeaponSystem()
{
    updateTask.subscribe(false);
}

void PointDefenseWeaponSystem::loadWeapons(Ogre::SceneNode* ownerNode, Config& config, const std::string& section)
{
    // The standard constructor has built ordinary weapons from the same entries.
    beams.clear();
    getWeaponList().clear();
    for (const std::string& entry : weaponEntries(config, section)) {
        const Ogre::Vector3 position = config.get<Ogre::Vector3>(entry, "position");
        const Ogre::Vector3 direction = config.get<Ogre::Vector3>(entry, "direction");
        const float limitDot = config.get<float>(entry, "limitDot");
        Config* type = Weapon::load(config.get<std::string>(entry, "type"));
        auto beam = std::make_shared<PointDefenseBeamWeapon>(getOwnerReporter(), ownerNode, this, position, *type,
                                                             direction, limitDot);
        beams.push_back(beam.get());
        getWeaponList().push_back(std::move(beam));
    }
    if (beams.empty()) {
        GameLog::line("Weapon system " + section + " has no weapon");
        throw ConfigurationError();
    }
}

void PointDefenseWeaponSystem::activate(Faction* faction)
{
    StandardWeaponSystem::activate(faction);
    enabled = true;
    threats.clear();
    updateTask.subscribe(false);
}

void PointDefenseWeaponSystem::deactivate()
{
    StandardWeaponSystem::deactivate();
    enabled = false;
    updateTask.subscribe(false);
}

void PointDefenseWeaponSystem::addThreat(GuidedProjectile* missile)
{
    threats.push_back(missile);
    if (!enabled || threats.size() != 1)
        return;
    updateTask.reset();
    updateTask.subscribe(true);
    // A pass now, rather than a period after the missile came into range.
    if (!update(0.0f))
        updateTask.subscribe(false);
}

void PointDefenseWeaponSystem::removeThreat(GuidedProjectile* missile)
{
    threats.remove(missile);
    if (threats.empty())
        updateTask.subscribe(false);
}

bool PointDefenseWeaponSystem::update(float)
{
    for (PointDefenseBeamWeapon* beam : beams) {
        if (threats.empty())
            break;
        beam->fireAtFirstThreat(threats);
    }
    // Nothing left to shoot at: the task waits for the next announcement.
    return !threats.empty();
}

} // namespace Tolvarine

#include "PointDefenseWeaponSystem.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "GameLog.h"
#include "GuidedProjectile.h"
#include "PointDefenseBeamWeapon.h"

#include <algorithm>

namespace Tolvarine {

namespace {

FunctionTask makeTask(Config& config, const std::string& section, PointDefenseWeaponSystem* system)
{
    const float variance = config.get<float>(section, "updateVariance");
    const float period = config.get<float>(section, "updatePeriod");
    return FunctionTask([system](float elapsed) { return system->update(elapsed); },
                        "PointDefenseWeaponSystem::update", period, variance);
}

// A beam's cone, besides the entry's type and mount: read as the system loads its beams and as
// its check reads the section.
struct Cone {
    Ogre::Vector3 direction;
    float limitDot;
};

Cone readCone(const Config& config, const std::string& entry)
{
    return Cone{config.get<Ogre::Vector3>(entry, "direction"), config.get<float>(entry, "limitDot")};
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
    for (const std::string& entry : weaponEntries(config, section))
        readCone(config, entry);
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
        const Entry read = readEntry(config, entry);
        const Cone cone = readCone(config, entry);
        auto beam = std::make_shared<PointDefenseBeamWeapon>(getOwnerReporter(), ownerNode, this, read.position,
                                                             *read.weapon, cone.direction, cone.limitDot);
        beams.push_back(beam.get());
        getWeaponList().push_back(std::move(beam));
    }
    requireWeapons(!beams.empty(), config, section);
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
    // The missiles may be deleted before the next life (the types read again).
    threats.clear();
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

void PointDefenseWeaponSystem::forgetThreat(const Targetable& gone)
{
    const auto threat = std::find_if(threats.begin(), threats.end(), [&gone](const GuidedProjectile* missile) {
        return static_cast<const Targetable*>(missile) == &gone;
    });
    if (threat != threats.end())
        removeThreat(*threat);
}

bool PointDefenseWeaponSystem::update(float)
{
    // Nothing listed: nothing was struck off, so the pass asks to go on. The task itself never
    // meets an empty list: removing the last threat stops it.
    if (threats.empty())
        return true;
    for (PointDefenseBeamWeapon* beam : beams) {
        beam->fireAtFirstThreat(threats);
        // The last one struck off: the task waits for the next announcement.
        if (threats.empty())
            return false;
    }
    return true;
}

} // namespace Tolvarine

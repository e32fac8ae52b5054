#include "Weapon.h"

#include "Config.h"
#include "FatalError.h"
#include "FireableProjectile.h"
#include "GameLog.h"
#include "ModulatedBillboard.h"
#include "PositionReporter.h"
#include "ProfileBlock.h"
#include "Profiler.h"
#include "Scheduler.h"
#include "SoundSource.h"
#include "ValueRange.h"
#include "WeaponSystem.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>

namespace Tolvarine {

namespace {

const char* const SECTION = "Weapon";
const char* const GLOW_SECTION = "Glow";

std::string& typeFolder()
{
    static std::string folder = "data/entities";
    return folder;
}

std::map<std::string, std::unique_ptr<Config>>& typeCache()
{
    static std::map<std::string, std::unique_ptr<Config>> cache;
    return cache;
}

double gameTime()
{
    return Scheduler::getSingleton().getTime();
}

PositionReporter* requireReporter(PositionReporter* reporter)
{
    // Every shot leaves along the owner's orientation with the owner's velocity.
    if (!reporter) {
        GameLog::line("Weapon: a weapon needs an owner that reports its position");
        throw FatalError();
    }
    return reporter;
}

} // namespace

unsigned Weapon::nextNumber = 0;

Config* Weapon::load(const std::string& type)
{
    auto found = typeCache().find(type);
    if (found == typeCache().end()) {
        const std::string path = (std::filesystem::path(typeFolder()) / (type + ".weapon")).generic_string();
        found = typeCache().emplace(type, std::make_unique<Config>(path, false, true, false)).first;
    }
    return found->second.get();
}

void Weapon::setTypeFolder(const std::string& folder)
{
    typeFolder() = folder;
}

void Weapon::forgetTypes()
{
    typeCache().clear();
}

Weapon::TypeReading::TypeReading()
{
    for (const auto& entry : typeCache())
        before.insert(entry.first);
}

Weapon::TypeReading::~TypeReading()
{
    if (kept)
        return;
    // Nothing was built from the files read since: the types that named them were refused.
    auto& cache = typeCache();
    for (auto entry = cache.begin(); entry != cache.end();) {
        if (before.count(entry->first))
            ++entry;
        else
            entry = cache.erase(entry);
    }
}

Weapon::Weapon(PositionReporter* ownerReporter, Ogre::SceneNode* ownerNode, WeaponSystem* weaponSystem,
               const Ogre::Vector3& position, Config& type)
    : ownerReporter(requireReporter(ownerReporter))
    , weaponSystem(weaponSystem)
    , projectileType(type.get<std::string>(SECTION, "projectile"))
    , maxLoaded(type.get<float>(SECTION, "maxLoaded"))
    , loaded(maxLoaded)
    , loadPeriod(type.get<float>(SECTION, "loadPeriod"))
    , launchSpeed(type.get<float>(SECTION, "launchSpeed"))
    , fireDelay(type.get<float>(SECTION, "fireDelay", 0.0f))
    , actuallyFireTask([this](float elapsed) { return actuallyFire(elapsed); }, "Weapon::actuallyFire", fireDelay,
                       0.0f, 0, 0.0f)
    , glowEnd([this] { stopGlow(); })
{
    checkType(type);
    mountNode = ownerNode->createChildSceneNode("Weapon" + std::to_string(nextNumber++), position,
                                                Ogre::Quaternion::IDENTITY);
    try {
        if (launchSpeed == 0.0f)
            launchSpeed = std::numeric_limits<float>::infinity();
        if (type.hasSection(GLOW_SECTION))
            glow = std::make_unique<ModulatedBillboard>(type, GLOW_SECTION, *ownerNode->getCreator());
        if (!type.get<std::string>(SECTION, "fireSound", "").empty())
            fireSound = SoundSource::create(type, SECTION, "fireSound", SoundCategory::EFFECTS, ownerReporter,
                                            mountNode->getPosition(), false);
    } catch (...) {
        glow.reset();
        mountNode->getCreator()->destroySceneNode(mountNode);
        throw;
    }
}

void Weapon::checkType(const Config& type)
{
    const std::string projectile = type.get<std::string>(SECTION, "projectile");
    // An unknown projectile type is found now, not at the first shot in the middle of a game,
    // and the weapon file that names it is told.
    const Config* projectileType = nullptr;
    try {
        projectileType = &FireableProjectile::getType(projectile);
    } catch (const ConfigurationError&) {
        type.logPlace(SECTION, "projectile");
        throw;
    }
    type.get<float>(SECTION, "maxLoaded");
    type.get<float>(SECTION, "loadPeriod");
    type.get<float>(SECTION, "fireDelay", 0.0f);
    // Only a beam strikes at once; any other shot given an infinite speed would fly off to
    // nowhere and poison the physics with it.
    if (type.get<float>(SECTION, "launchSpeed") != 0.0f)
        return;
    if (projectileType->get<bool>("Fireable", "beam", false))
        return;
    ValueRange::refuse(type, SECTION, "launchSpeed",
                       "Weapon: launch speed 0 is only for beams, and projectile type " + projectile + " is not a beam");
}

void Weapon::checkEffects(const Config& type)
{
    // A ship whose pool starts empty builds its weapons in the middle of a battle.
    if (type.hasSection(GLOW_SECTION))
        ModulatedBillboard::checkSection(type, GLOW_SECTION);
    if (!type.get<std::string>(SECTION, "fireSound", "").empty())
        SoundSource::requireDefinition(type, SECTION, "fireSound");
}

Weapon::~Weapon()
{
    actuallyFireTask.subscribe(false);
    if (glow)
        glow->stop(TAKEN_OUT);
    glow.reset();
    fireSound.reset();
    mountNode->getCreator()->destroySceneNode(mountNode);
}

void Weapon::activate()
{
    active = true;
    pending = false;
    loaded = maxLoaded;
}

void Weapon::deactivate()
{
    active = false;
    target = nullptr;
    if (glow)
        glow->stop(TAKEN_OUT);
    actuallyFireTask.subscribe(false);
}

float Weapon::reload()
{
    const double now = gameTime();
    // A weapon without a load period reloads at once (and never divides by zero).
    if (loadPeriod > 0.0f)
        loaded = std::min(maxLoaded, loaded + static_cast<float>((now - lastLoadTime) / loadPeriod));
    else
        loaded = maxLoaded;
    lastLoadTime = now;
    return loaded;
}

bool Weapon::fire(Targetable* newTarget)
{
    target = newTarget;
    reload();
    if (loaded < 1.0f || pending)
        return false;
    if (fireDelay == 0.0f) {
        actuallyFire(0.0f);
    } else {
        pending = true;
        actuallyFireTask.reset();
        actuallyFireTask.subscribe(true);
    }
    if (fireSound) {
        ProfileBlock block("Weapon::fire/fireSound");
        fireSound->play();
    }
    if (glow)
        glow->start(*mountNode, &glowEnd);
    return true;
}

bool Weapon::actuallyFire(float)
{
    if (!active)
        return false;
    const Ogre::Vector3 position = mountNode->_getDerivedPosition();
    FireableProjectile* projectile = FireableProjectile::create(projectileType);
    projectile->launch(weaponSystem ? weaponSystem->getFaction() : nullptr, playerControlled, position,
                       ownerReporter->getVelocity(), ownerReporter->getOrientation(), launchSpeed, target);
    loaded -= 1.0f;
    pending = false;
    return false;
}

void Weapon::stopGlow()
{
    if (glow)
        glow->stop(TAKEN_OUT);
}

} // namespace Tolvarine

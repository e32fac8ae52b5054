#include "FireableProjectile.h"

#include "Beam.h"
#include "ComplexProjectile.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "ExplosionManager.h"
#include "GameLog.h"
#include "GuidedProjectile.h"
#include "PhysicsBody.h"
#include "PoolCensus.h"
#include "Projectile.h"
#include "Scenario.h"
#include "Targetable.h"
#include "TypeFiles.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <system_error>
#include <utility>

namespace Tolvarine {

namespace {

const char* const EXTENSION = ".fireable";

// Type configurations by type name.
using Registry = std::map<std::string, std::unique_ptr<Config>>;

// The type registry. The configurations live until the types are unloaded; every object of a
// type reads the one configuration of its type.
Registry& types()
{
    static Registry registry;
    return registry;
}

std::string& loadedFolder()
{
    static std::string folder = FireableProjectile::TYPE_FOLDER;
    return folder;
}

// The type files of the folder in name order, one per type.
std::vector<std::filesystem::path> typeFiles(const std::string& folder)
{
    std::vector<std::filesystem::path> files;
    if (!TypeFiles::list(folder, EXTENSION, files)) {
        GameLog::line("FireableProjectile: cannot read the projectile folder " + folder);
        throw ConfigurationError();
    }
    return files;
}

// Everything an object of the type reads when it is built, which for a pool without objects is
// the first shot: read at load through the kinds' own readers, a broken or unreadable type file
// stops the start-up with the reader's log line and the file's place, instead of ending a battle.
// A time to live of 0 is a shot that ends at once; a period of 0 runs its task at every pass of
// the scheduler.
void checkType(const Config& type, const std::string& name)
{
    for (const char* key : {"directDamage", "splashDamage", "shock", "impactImpulse", "timeToLive"})
        type.get<float>("Fireable", key);
    // Looked up at the first hit, which an unknown group would end the game at.
    ExplosionManager::readGroup(type, "Fireable", "explosionGroup");
    for (const char* key : {"explosionSpeedProportion", "explosionBounceSpeedProportion"})
        type.get<float>("Fireable", key);
    // The body, its collision geometry and its mesh.
    DynamicCollidable::checkType(type);
    // The kinds in the order createByKind tests them.
    if (type.get<bool>("Fireable", "guided", false)) {
        type.get<float>("Behaviour", "updatePeriod");
        type.get<float>("Thrust", "maxForce");
        type.get<float>("Thrust", "maxTorque");
        GuidedProjectile::checkType(type, name);
    } else if (type.get<bool>("Fireable", "beam", false)) {
        type.get<float>("Fireable", "updatePeriod");
        type.get<float>("Fireable", "updateVariance");
        Beam::checkType(type, name);
    } else {
        Projectile::checkType(type, name);
        if (type.get<bool>("Fireable", "complex", false))
            ComplexProjectile::checkType(type, name);
    }
}

// One reading of the type folder, every type checked whole and none registered yet.
struct TypeSet {
    Registry configs;
    // By type name, as the pools take them.
    std::map<std::string, int> poolSizes;
};

// The one reader of the start-up and of a reload: every type file of the folder whose name is not
// in `known` is read and checked before any pool is made, also for pools that start empty. The
// first file that fails throws out of here with its reader's log lines, and nothing is registered.
TypeSet readTypes(const std::string& folder, const Registry& known)
{
    TypeSet set;
    for (const std::filesystem::path& file : typeFiles(folder)) {
        const std::string name = file.stem().string();
        if (known.count(name))
            continue;
        auto type = std::make_unique<Config>(file.generic_string(), false, true, false);
        checkType(*type, name);
        set.poolSizes[name] = MultiPoolFactory<FireableProjectile>::checkedPoolSize(
            name, type->get<int>("Factory", "poolSize", 0));
        set.configs.emplace(name, std::move(type));
    }
    return set;
}

// Registers the types and fills their pools.
void install(TypeSet set)
{
    for (auto& entry : set.configs) {
        const std::string name = entry.first;
        types().emplace(name, std::move(entry.second));
        FireableProjectile::getPools().registerType(name, [name]() { return FireableProjectile::createByKind(name); },
                                                    set.poolSizes.at(name), types().at(name)->getPath());
    }
}

std::vector<std::function<void()>>& referenceChecks()
{
    static std::vector<std::function<void()>> checks;
    return checks;
}

// The checks of the types that name projectile types, made while the new types answer every look-up
// by name; the registry holds the old types again afterwards, whether the checks pass or throw.
void checkReferences(Registry& fresh)
{
    types().swap(fresh);
    try {
        for (const auto& check : referenceChecks())
            check();
    } catch (...) {
        types().swap(fresh);
        throw;
    }
    types().swap(fresh);
}

std::vector<std::function<void(const FireableProjectile&)>>& releaseWatches()
{
    static std::vector<std::function<void(const FireableProjectile&)>> watches;
    return watches;
}

// Everything that may still hold a projectile that the pools are about to delete lets go of it.
void announceDeletions()
{
    FireableProjectile::getPools().forEachObject([](FireableProjectile* projectile) {
        if (auto* targetable = dynamic_cast<Targetable*>(projectile))
            targetable->announceDeletion();
    });
}

} // namespace

const char* const FireableProjectile::TYPE_FOLDER = "data/entities";

FireableProjectile::~FireableProjectile() = default;

void FireableProjectile::loadTypes()
{
    loadTypes(TYPE_FOLDER);
}

void FireableProjectile::loadTypes(const std::string& folder)
{
    // The end of every game returns the projectiles in flight to their pools.
    static const bool releaseRegistered = [] {
        Scenario::addPoolRelease(Scenario::PooledKind::FIREABLE_PROJECTILES, &FireableProjectile::releaseAll);
        PoolCensus::addKind("FireableProjectile", [] { return getPools().getLiveCount(); });
        return true;
    }();
    (void)releaseRegistered;
    loadedFolder() = folder;
    // A type already registered keeps its type and pool.
    install(readTypes(folder, types()));
}

void FireableProjectile::addReferenceCheck(std::function<void()> check)
{
    referenceChecks().push_back(std::move(check));
}

Config& FireableProjectile::getType(const std::string& name)
{
    const auto found = types().find(name);
    if (found == types().end()) {
        GameLog::line("There is no projectile type " + name);
        throw ConfigurationError();
    }
    return *found->second;
}

bool FireableProjectile::hasType(const std::string& name)
{
    return types().count(name) != 0;
}

std::vector<std::string> FireableProjectile::getTypeNames()
{
    std::vector<std::string> names;
    for (const auto& entry : types())
        names.push_back(entry.first);
    return names;
}

FireableProjectile* FireableProjectile::createByKind(const std::string& name)
{
    Config& type = getType(name);
    if (type.get<bool>("Fireable", "guided", false))
        return new GuidedProjectile(type, name);
    if (type.get<bool>("Fireable", "beam", false))
        return new Beam(type, name);
    if (type.get<bool>("Fireable", "complex", false))
        return new ComplexProjectile(type, name);
    return new Projectile(type, name);
}

FireableProjectile* FireableProjectile::create(const std::string& name)
{
    return getPools().create(name);
}

void FireableProjectile::release(FireableProjectile* projectile, const std::string& name)
{
    MultiPoolFactory<FireableProjectile>::Pool* pool = getPools().getPool(name);
    if (!pool || !pool->isLive(projectile))
        return;
    for (const auto& watch : releaseWatches())
        watch(*projectile);
    pool->release(projectile);
}

void FireableProjectile::addReleaseWatch(std::function<void(const FireableProjectile& released)> watch)
{
    releaseWatches().push_back(std::move(watch));
}

bool FireableProjectile::reclaim(FireableProjectile* projectile, const std::string& name)
{
    MultiPoolFactory<FireableProjectile>::Pool* pool = getPools().getPool(name);
    return pool && pool->reclaim(projectile);
}

void FireableProjectile::releaseAll()
{
    getPools().releaseAll([](FireableProjectile* projectile) { projectile->deactivate(TAKEN_OUT); });
}

void FireableProjectile::unloadTypes()
{
    releaseAll();
    announceDeletions();
    getPools().clear();
    types().clear();
}

void FireableProjectile::shutdown()
{
    // Read and checked whole first: a refused file leaves the types, their pools and the battle
    // as they were.
    TypeSet fresh = readTypes(loadedFolder(), Registry());
    checkReferences(fresh.configs);
    // Only the projectiles go: the ships and all else in play stay.
    unloadTypes();
    install(std::move(fresh));
}

std::string FireableProjectile::getPath(const std::string& name)
{
    return (std::filesystem::path(loadedFolder()) / (name + EXTENSION)).generic_string();
}

MultiPoolFactory<FireableProjectile>& FireableProjectile::getPools()
{
    // Kept for the life of the program, like the objects it holds: nothing deletes them at exit.
    static auto* pools = new MultiPoolFactory<FireableProjectile>();
    return *pools;
}

DamageType FireableProjectile::parseDamageType(const std::string& text)
{
    if (text == "Beam")
        return BEAM;
    if (text == "Plasma")
        return PLASMA;
    if (text == "Conventional")
        return CONVENTIONAL;
    GameLog::line("Unknown damage type string: " + text);
    return CONVENTIONAL;
}

} // namespace Tolvarine

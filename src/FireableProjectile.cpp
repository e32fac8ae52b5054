#include "FireableProjectile.h"

#include "Beam.h"
#include "CollisionGeometry.h"
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
#include "TypeFiles.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

namespace Tolvarine {

namespace {

const char* const EXTENSION = ".fireable";
// Pools are emptied this way at the end of a scenario.
constexpr DisableTime RELEASE_TIME = static_cast<DisableTime>(2);

// The type registry. The configurations live until the types are unloaded; every object of a
// type reads the one configuration of its type.
std::map<std::string, std::unique_ptr<Config>>& types()
{
    static std::map<std::string, std::unique_ptr<Config>> registry;
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
    for (const std::filesystem::path& file : typeFiles(folder)) {
        const std::string name = file.stem().string();
        if (types().count(name))
            continue;
        types().emplace(name, std::make_unique<Config>(file.generic_string(), false, true, false));
        try {
            // Checked before any pool is filled, and also for pools that start empty.
            CollisionGeometry::checkTypes(*types().at(name));
            checkType(*types().at(name), name);
            const int poolSize = types().at(name)->get<int>("Factory", "poolSize", 0);
            getPools().registerType(name, [name]() { return createByKind(name); }, poolSize);
        } catch (...) {
            types().erase(name);
            throw;
        }
    }
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
    getPools().release(projectile, name);
}

bool FireableProjectile::reclaim(FireableProjectile* projectile, const std::string& name)
{
    MultiPoolFactory<FireableProjectile>::Pool* pool = getPools().getPool(name);
    return pool && pool->reclaim(projectile);
}

void FireableProjectile::releaseAll()
{
    getPools().releaseAll([](FireableProjectile* projectile) { projectile->deactivate(RELEASE_TIME); });
}

void FireableProjectile::unloadTypes()
{
    releaseAll();
    getPools().clear();
    types().clear();
}

void FireableProjectile::shutdown()
{
    const std::string folder = loadedFolder();
    // Every pooled object of the game goes back to its pool first, as at the end of a game: the
    // ships' AI, weapons and turrets let go of a projectile they aim at only when they leave play
    // themselves, and the projectiles are deleted next.
    Scenario::releasePooledObjects();
    unloadTypes();
    loadTypes(folder);
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

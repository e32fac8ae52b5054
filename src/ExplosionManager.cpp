#include "ExplosionManager.h"

#include "ComplexExplosion.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "PoolCensus.h"
#include "Scenario.h"
#include "TypeFiles.h"

#include <OgreMath.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace Tolvarine {

namespace {

const char* const EXTENSION = ".explosion";

// The whole extension counts: ".explosion_sequence" files live in the same folder.
} // namespace

const char* const ExplosionManager::TYPE_FOLDER = "data/explosions";
ExplosionManager* ExplosionManager::singleton = nullptr;

ExplosionManager::ExplosionManager()
    : ExplosionManager(TYPE_FOLDER)
{
}

ExplosionManager::ExplosionManager(const std::string& folder, const ResponseCurves* curves)
    : folder(folder)
    , curves(curves)
{
    singleton = this;
    // The end of every game returns the explosions in play to their pools.
    static const bool releaseRegistered = [] {
        Scenario::addPoolRelease(Scenario::PooledKind::COMPLEX_EXPLOSIONS, &ComplexExplosion::releaseAll);
        PoolCensus::addKind("ComplexExplosion", [] {
            ExplosionManager* manager = ExplosionManager::getSingletonPtr();
            return manager ? manager->getPools().getLiveCount() : 0;
        });
        return true;
    }();
    (void)releaseRegistered;
    try {
        loadTypes();
    } catch (...) {
        pools.clear();
        singleton = nullptr;
        throw;
    }
}

ExplosionManager::~ExplosionManager()
{
    pools.clear();
    if (singleton == this)
        singleton = nullptr;
}

ExplosionManager& ExplosionManager::getSingleton()
{
    return *singleton;
}

ExplosionManager* ExplosionManager::getSingletonPtr()
{
    return singleton;
}

void ExplosionManager::loadTypes()
{
    if (!types.empty())
        return;
    // In name order, so that the groups list their members in the same order on every run.
    std::vector<std::filesystem::path> files;
    if (!TypeFiles::list(folder, EXTENSION, files)) {
        GameLog::line("ExplosionManager: cannot read the explosion folder " + folder);
        throw ConfigurationError();
    }
    for (const std::filesystem::path& file : files) {
        const std::string name = file.stem().string();
        if (!types.count(name))
            loadType(file.generic_string(), name);
    }
}

void ExplosionManager::loadType(const std::string& path, const std::string& name)
{
    auto config = std::make_unique<Config>(path, false, true, false);
    // Read before the pool is built, so a file without a group leaves no explosions behind.
    const std::string group = config->get<std::string>("Explosion", "group");
    // Checked for every type: one whose pool starts empty is first built in the middle of a battle.
    ComplexExplosion::checkType(*config, name, curves);
    const int poolSize = config->get<int>("Factory", "poolSize", 0);
    types.emplace(name, std::move(config));
    try {
        pools.registerType(name, [this, name]() { return createExplosion(name); }, poolSize, path);
    } catch (...) {
        types.erase(name);
        throw;
    }
    groups[group].push_back(name);
    GameLog::line("Explosion " + name + " added in group " + group);
}

Config& ExplosionManager::getType(const std::string& name) const
{
    const auto found = types.find(name);
    if (found == types.end()) {
        GameLog::line("There is no explosion type " + name);
        throw ConfigurationError();
    }
    return *found->second;
}

ComplexExplosion* ExplosionManager::createExplosion(const std::string& name)
{
    return new ComplexExplosion(getType(name), name, curves);
}

ComplexExplosion* ExplosionManager::create(const std::string& name)
{
    return pools.create(name);
}

ComplexExplosion* ExplosionManager::createFromGroup(const std::string& group)
{
    const auto found = groups.find(group);
    if (found == groups.end()) {
        GameLog::line("There is no group called " + group);
        throw ConfigurationError();
    }
    const std::vector<std::string>& members = found->second;
    const float n = static_cast<float>(members.size());
    const float r = Ogre::Math::RangeRandom(0.0f, n - 0.001f);
    // A random source that strays outside its range must not index outside the group.
    const float index = std::clamp(std::floor(r), 0.0f, n - 1.0f);
    return create(members[static_cast<std::size_t>(index)]);
}

void ExplosionManager::release(ComplexExplosion* explosion, const std::string& name)
{
    pools.release(explosion, name);
}

bool ExplosionManager::reclaim(ComplexExplosion* explosion, const std::string& name)
{
    MultiPoolFactory<ComplexExplosion>::Pool* pool = pools.getPool(name);
    return pool && pool->reclaim(explosion);
}

void ExplosionManager::releaseAll()
{
    pools.releaseAll([](ComplexExplosion* explosion) { explosion->deactivate(TAKEN_OUT); });
}

std::string ExplosionManager::readGroup(const Config& file, const std::string& section, const std::string& key)
{
    const std::string group = file.get<std::string>(section, key);
    const ExplosionManager* manager = getSingletonPtr();
    if (manager && !manager->hasGroup(group)) {
        GameLog::line(file.getPath() + ": there is no explosion group " + group);
        file.logPlace(section, key);
        throw ConfigurationError();
    }
    return group;
}

void ExplosionManager::checkNames() const
{
    for (const auto& entry : types)
        ComplexExplosion::checkNames(*entry.second);
}

std::vector<std::string> ExplosionManager::getGroup(const std::string& group) const
{
    const auto found = groups.find(group);
    return found == groups.end() ? std::vector<std::string>() : found->second;
}

std::vector<std::string> ExplosionManager::getGroupNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : groups)
        names.push_back(entry.first);
    return names;
}

std::vector<std::string> ExplosionManager::getTypeNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : types)
        names.push_back(entry.first);
    return names;
}

} // namespace Tolvarine

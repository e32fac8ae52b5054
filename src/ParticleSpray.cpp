#include "ParticleSpray.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "FillWatch.h"
#include "FunctionTask.h"
#include "GameLog.h"
#include "MultiPoolFactory.h"
#include "PhysicsBody.h"
#include "PoolCensus.h"
#include "ResponseCurves.h"
#include "Scenario.h"
#include "Scheduler.h"
#include "SprayMemory.h"
#include "TolvarineEngine.h"
#include "TypeFiles.h"
#include "ValueRange.h"

#include <OgreMovableObject.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreQuaternion.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <utility>

namespace Tolvarine {

namespace {

const char* const SECTION = "ParticleSpray";

// Every loaded type's file, by type name. The sprays read them only while they are made, but a
// pool that runs empty makes more during play.
std::map<std::string, std::unique_ptr<Config>>& typeConfigs()
{
    static std::map<std::string, std::unique_ptr<Config>> configs;
    return configs;
}

// Where the pools make their sprays: null for the engine's scene manager and the program's
// curve file.
struct Surroundings {
    Ogre::SceneManager* sceneManager = nullptr;
    const ResponseCurves* curves = nullptr;
};

Surroundings& surroundings()
{
    static Surroundings where;
    return where;
}

Ogre::SceneManager& engineSceneManager()
{
    TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager) {
        GameLog::line("ParticleSpray: the engine has no scene manager");
        throw FatalError();
    }
    return *engine->sceneManager;
}

// The spray files of the folder in name order, one per type; a folder that cannot be read has none.
std::vector<std::filesystem::path> sprayFilesIn(const std::string& folder)
{
    std::vector<std::filesystem::path> files;
    if (!TypeFiles::list(folder, ".spray", files))
        GameLog::line("ParticleSpray: cannot read the folder " + folder);
    return files;
}

// Once for the type's file: a battle that keeps the memory short would write the line at every hit
// and death.
void reportLeftOut(const std::string& type, const std::string& file, const std::string& why)
{
    static std::set<std::string> reported;
    if (reported.insert(file).second)
        GameLog::line("ParticleSpray: sprays of " + type + " in " + file + " are left out where memory would run out: "
                      + why + " (said once for the type)");
}

void requirePositive(const Config& config, float value, const std::string& key, const std::string& type)
{
    if (!(value > 0.0f))
        ValueRange::refuse(config, SECTION, key, "ParticleSpray: " + key + " of type " + type + " must be above 0");
}

} // namespace

struct ParticleSpray::Settings {
    std::string systemName;
    std::size_t quota = 0;
    std::string origin;
    float duration = 0.0f;
    ResponseCurve rateCurve;
    float timeResolution = 0.0f;
};

// Notes the first time the spray's particle system is drawn, when the renderer makes its buffers.
class ParticleSpray::FirstDraw : public Ogre::MovableObject::Listener {
public:
    explicit FirstDraw(ParticleSpray& spray) : spray(spray) {}
    bool objectRendering(const Ogre::MovableObject*, const Ogre::Camera*) override
    {
        spray.noteDrawn();
        return true;
    }

private:
    ParticleSpray& spray;
};

unsigned ParticleSpray::nextNumber = 0;
std::uint64_t ParticleSpray::leftOutForMemory = 0;

ParticleSpray::Pools& ParticleSpray::getPools()
{
    static Pools pools;
    return pools;
}

void ParticleSpray::loadTypes()
{
    loadTypes("data/explosions");
}

void ParticleSpray::loadTypes(const std::string& folder, Ogre::SceneManager* sceneManager,
                              const ResponseCurves* curves)
{
    auto& configs = typeConfigs();
    if (!configs.empty())
        return;
    surroundings() = Surroundings{sceneManager, curves};
    // The end of every game and the unload of every scenario return all sprays to their pools.
    static bool releasedWithScenarios = false;
    if (!releasedWithScenarios) {
        Scenario::addPoolRelease(Scenario::PooledKind::PARTICLE_SPRAYS, &ParticleSpray::releaseAll);
        PoolCensus::addKind("ParticleSpray", [] { return getPools().getLiveCount(); });
        releasedWithScenarios = true;
    }

    for (const std::filesystem::path& path : sprayFilesIn(folder)) {
        const std::string type = path.stem().string();
        // The twin of a type already read.
        if (configs.count(type) != 0)
            continue;
        auto config = std::make_unique<Config>(path.generic_string(), false, true, false);
        // Checked now even when the pool starts empty, so that a broken type stops the start
        // rather than the first battle that fires it: the spray's own keys and its body's.
        readSettings(*config, type, curves);
        PhysicsBody::checkType(*config);
        const int poolSize = config->get<int>("Factory", "poolSize", 0);
        configs.emplace(type, std::move(config));
        getPools().registerType(type, [type] { return createFromType(type); }, poolSize, path.generic_string());
    }
}

void ParticleSpray::unloadTypes()
{
    releaseAll();
    getPools().clear();
    typeConfigs().clear();
    surroundings() = Surroundings{};
}

ParticleSpray* ParticleSpray::createFromType(const std::string& type)
{
    const auto found = typeConfigs().find(type);
    if (found == typeConfigs().end()) {
        GameLog::line("Could not create ParticleSpray: no config file found for type: " + type);
        throw ConfigurationError();
    }
    const Surroundings& where = surroundings();
    Ogre::SceneManager& sceneManager = where.sceneManager ? *where.sceneManager : engineSceneManager();
    return new ParticleSpray(sceneManager, *found->second, type, where.curves);
}

void ParticleSpray::spray(const std::string& type, const Ogre::Vector3& position,
                          const Ogre::Vector3& velocity)
{
    ParticleSpray* spray = nullptr;
    try {
        spray = getPools().create(type);
    } catch (const FillWatch::Shortage& shortage) {
        // Its pool had none idle, and a new one would run the memory out.
        ++leftOutForMemory;
        reportLeftOut(type, typeConfigs().at(type)->getPath(), shortage.what());
        return;
    }
    spray->start(position, velocity);
}

void ParticleSpray::releaseAll()
{
    getPools().releaseAll([](ParticleSpray* spray) { spray->deactivate(); });
}

namespace {

// The sprays in play by where they started.
CrowdCount& crowd()
{
    static CrowdCount sprays(ParticleSpray::CROWD_EDGE);
    return sprays;
}

} // namespace

unsigned ParticleSpray::roomNear(const Ogre::Vector3& place)
{
    const std::size_t near = crowd().near(place);
    return near < MAX_NEAR ? MAX_NEAR - static_cast<unsigned>(near) : 0;
}

ParticleSpray::Settings ParticleSpray::readSettings(Config& config, const std::string& type,
                                                    const ResponseCurves* curves)
{
    Settings settings;
    settings.systemName = config.get<std::string>(SECTION, "systemName");
    settings.duration = config.get<float>(SECTION, "duration");
    const std::string curveName = config.get<std::string>(SECTION, "rateCurveName");
    settings.timeResolution = config.get<float>(SECTION, "timeResolution");
    // A duration of 0 would make the curve position 0/0; a period of 0 would run the task on
    // every frame.
    requirePositive(config, settings.duration, "duration", type);
    requirePositive(config, settings.timeResolution, "timeResolution", type);
    try {
        settings.rateCurve = curves ? curves->lookup(curveName) : ResponseCurves::getCurve(curveName);
    } catch (const ConfigurationError&) {
        config.logPlace(SECTION, "rateCurveName");
        throw;
    }
    const Ogre::ParticleSystem* system = Ogre::ParticleSystemManager::getSingleton().getTemplate(settings.systemName);
    if (!system)
        ValueRange::refuse(config, SECTION, "systemName",
                           "ParticleSpray: unknown particle template " + settings.systemName + " of type " + type);
    settings.quota = system->getParticleQuota();
    // The particle script that sets the quota, for the lines of a spray that memory cannot hold.
    settings.origin = system->getOrigin();
    return settings;
}

ParticleSpray::ParticleSpray(Config& config, const std::string& type)
    : ParticleSpray(engineSceneManager(), config, type, nullptr)
{
}

ParticleSpray::ParticleSpray(Ogre::SceneManager& sceneManager, Config& config,
                             const std::string& type, const ResponseCurves* curves)
    : ParticleSpray(sceneManager, config, type, readSettings(config, type, curves))
{
}

ParticleSpray::ParticleSpray(Ogre::SceneManager& sceneManager, Config& config,
                             const std::string& type, const Settings& settings)
    : SceneDynamicBody(sceneManager, config)
    , sceneManager(sceneManager)
    , typeName(type)
    , particleSystem(makeSystem(sceneManager, type, settings))
    , quota(settings.quota)
    , duration(settings.duration)
    , rateCurve(settings.rateCurve)
{
    try {
        animateTask = std::make_unique<FunctionTask>(
            [this](float elapsed) { return animate(elapsed); }, "ParticleSpray::animate",
            settings.timeResolution, 0.2f * settings.timeResolution, 0, 0.0f);
        particleSystem->setQueryFlags(0);
        getSceneNode()->attachObject(particleSystem);
        // The system makes its quota's particles at its first update: now, where the room for them
        // was counted, and not at the next frame, where every spray a pool was filled with took
        // them at once.
        particleSystem->_update(0.0f);
        firstDraw = std::make_unique<FirstDraw>(*this);
        particleSystem->setListener(firstDraw.get());
    } catch (...) {
        sceneManager.destroyParticleSystem(particleSystem);
        SprayMemory::settle(quota);
        throw;
    }
    const unsigned short emitters = particleSystem->getNumEmitters();
    baseRates.reserve(emitters);
    for (unsigned short i = 0; i < emitters; ++i)
        baseRates.push_back(particleSystem->getEmitter(i)->getEmissionRate());
}

ParticleSpray::~ParticleSpray()
{
    if (particleSystem->isAttached())
        particleSystem->detachFromParent();
    particleSystem->setListener(nullptr);
    sceneManager.destroyParticleSystem(particleSystem);
    if (!drawn)
        SprayMemory::settle(quota);
}

Ogre::ParticleSystem* ParticleSpray::makeSystem(Ogre::SceneManager& sceneManager, const std::string& type,
                                                const Settings& settings)
{
    const std::string script = settings.origin.empty() ? "" : " (" + settings.origin + ")";
    SprayMemory::take(settings.quota, "each spray of " + type + " holds a particle system of " + settings.systemName
                                          + script + " with a quota of " + std::to_string(settings.quota) + " particles");
    try {
        return sceneManager.createParticleSystem("ParticleSpray_" + std::to_string(nextNumber++), settings.systemName);
    } catch (...) {
        SprayMemory::settle(settings.quota);
        throw;
    }
}

void ParticleSpray::noteDrawn()
{
    particleSystem->setListener(nullptr);
    drawn = true;
    SprayMemory::settle(quota);
}

void ParticleSpray::start(const Ogre::Vector3& position, const Ogre::Vector3& velocity)
{
    reclaimFromPool();

    // The node's -Z axis along the velocity. From a known orientation, so that a spray without
    // velocity does not keep the direction of its last use.
    Ogre::SceneNode* node = getSceneNode();
    node->setPosition(Ogre::Vector3::ZERO);
    node->setOrientation(Ogre::Quaternion::IDENTITY);
    // A velocity of no number (a push that overflowed) would turn the node, and its particles, to
    // no number before the physics takes the spray out of play.
    if (std::isfinite(velocity.x) && std::isfinite(velocity.y) && std::isfinite(velocity.z))
        node->lookAt(velocity, Ogre::Node::TS_WORLD, Ogre::Vector3::NEGATIVE_UNIT_Z);
    // A copy: activation moves the body, whose position listener rewrites the node's orientation.
    const Ogre::Quaternion orientation = node->getOrientation();
    activate(position, orientation, velocity);
    if (crowdCube)
        crowd().leave(*crowdCube);
    crowdCube = crowd().enter(position);

    setRates(rateCurve.evaluate(0.0f));
    startTime = Scheduler::getSingleton().getTime();
    animateTask->subscribe(true);
    // Also for a task still queued from an earlier start: the first step comes one period after
    // this start.
    animateTask->reset();
}

bool ParticleSpray::animate(float)
{
    const float t = static_cast<float>((Scheduler::getSingleton().getTime() - startTime) / duration);
    float rate = rateCurve.evaluate(t);
    if (t > 1.0f) {
        if (particleSystem->getNumParticles() == 0) {
            deactivate();
            return false;
        }
        // The curve is over: the last particles live out their lives.
        rate = 0.0f;
    }
    setRates(rate);
    return true;
}

void ParticleSpray::deactivate()
{
    SceneDynamicBody::deactivate();
    if (crowdCube)
        crowd().leave(*crowdCube);
    crowdCube.reset();
    animateTask->subscribe(false);
    // A spray stopped early (at the end of a scenario) would otherwise show its old particles
    // again, far from where it is fired next.
    particleSystem->clear();
    getPools().release(this, typeName);
}

void ParticleSpray::setRates(float factor)
{
    const unsigned short emitters = particleSystem->getNumEmitters();
    for (unsigned short i = 0; i < emitters && i < baseRates.size(); ++i)
        particleSystem->getEmitter(i)->setEmissionRate(factor * baseRates[i]);
}

void ParticleSpray::reclaimFromPool()
{
    if (Pools::Pool* pool = getPools().getPool(typeName)) {
        if (!pool->isLive(this))
            pool->reclaim(this);
    }
}

} // namespace Tolvarine

#include "ExplosionDebris.h"

#include "CollisionGeometry.h"
#include "ComplexExplosion.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "ExplosionManager.h"
#include "FatalError.h"
#include "GameLog.h"
#include "OgreLink.h"
#include "ParticleQuota.h"
#include "PhysicsBody.h"
#include "PoolCensus.h"
#include "Scenario.h"
#include "TolvarineEngine.h"
#include "TypeFiles.h"
#include "ValueRange.h"

#include <OgreMath.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>

#include <filesystem>
#include <map>
#include <memory>

namespace Tolvarine {

namespace {

const char* const SECTION = "ExplosionDebris";
const char* const EXTENSION = ".debris";
const char* const FIRE_SUFFIX = "/FireSystem";

// Every loaded type's file, by type name. Pieces are built from them during play, whenever a
// pool has no free piece.
std::map<std::string, std::unique_ptr<Config>>& typeConfigs()
{
    static std::map<std::string, std::unique_ptr<Config>> configs;
    return configs;
}

// The type files of the folder in name order, one per type.
std::vector<std::filesystem::path> typeFilesIn(const std::string& folder)
{
    std::vector<std::filesystem::path> files;
    if (!TypeFiles::list(folder, EXTENSION, files)) {
        GameLog::line("ExplosionDebris: cannot read the debris folder " + folder);
        throw ConfigurationError();
    }
    return files;
}

bool fireTemplateExists(const std::string& name)
{
    return Ogre::ParticleSystemManager::getSingleton().getTemplate(name) != nullptr;
}

// What a piece reads from its type, read and checked alike by every piece as it is built and by
// the type's check at load: pieces are built during play (their pools start empty), where a broken
// type would stop the game in the middle of a battle. Every refusal names the file's place.
struct Settings {
    std::string fire;
    float minTimeout = 0.0f;
    float maxTimeout = 0.0f;
    std::string explosionGroup;
};

Settings readSettings(const Config& config, const std::string& name)
{
    Settings settings;
    settings.fire = config.get<std::string>(SECTION, "fireParticleSystem");
    settings.minTimeout = config.get<float>(SECTION, "minTimeout");
    settings.maxTimeout = config.get<float>(SECTION, "maxTimeout");
    settings.explosionGroup = config.get<std::string>(SECTION, "explosionGroup");
    if (!(settings.minTimeout >= 0.0f) || !(settings.minTimeout <= settings.maxTimeout))
        ValueRange::refuse(config, SECTION, "minTimeout",
                           "ExplosionDebris: type " + name + " needs 0 <= minTimeout <= maxTimeout, not "
                               + Ogre::StringConverter::toString(settings.minTimeout) + " and "
                               + Ogre::StringConverter::toString(settings.maxTimeout));
    if (!fireTemplateExists(settings.fire))
        ValueRange::refuse(config, SECTION, "fireParticleSystem",
                           "ExplosionDebris: type " + name + " names the unknown particle template " + settings.fire);
    const ExplosionManager* explosions = ExplosionManager::getSingletonPtr();
    if (explosions && !explosions->hasGroup(settings.explosionGroup))
        ValueRange::refuse(config, SECTION, "explosionGroup",
                           "ExplosionDebris: type " + name + " explodes into the unknown explosion group "
                               + settings.explosionGroup);
    return settings;
}

void checkPieceType(const Config& config, const std::string& name)
{
    // The body, its geometry and its mesh, then the piece's own keys, as a piece is built.
    DynamicCollidable::checkType(config);
    readSettings(config, name);
}

Ogre::SceneManager* engineSceneManager()
{
    const TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    return engine ? engine->sceneManager : nullptr;
}

// The type name followed by the next number of the count over all pieces. A type named like
// another type with digits after it ("a" and "a1"), or like another kind of object's name prefix,
// would meet a name already in the scene; such numbers are passed over.
std::string nextObjectName(const std::string& typeName)
{
    static unsigned counter = 0;
    const Ogre::SceneManager* scene = engineSceneManager();
    for (;;) {
        const std::string name = typeName + std::to_string(counter++);
        if (!scene
            || (!scene->hasSceneNode(name) && !scene->hasEntity(name) && !scene->hasParticleSystem(name + FIRE_SUFFIX)))
            return name;
    }
}

} // namespace

const char* const ExplosionDebris::TYPE_FOLDER = "data/explosions/debris";

MultiPoolFactory<ExplosionDebris>& ExplosionDebris::getPools()
{
    // Kept for the life of the program, like the objects it holds: nothing deletes them at exit.
    static auto* pools = new MultiPoolFactory<ExplosionDebris>();
    return *pools;
}

void ExplosionDebris::loadTypes()
{
    loadTypes(TYPE_FOLDER);
}

void ExplosionDebris::loadTypes(const std::string& folder)
{
    auto& configs = typeConfigs();
    if (!configs.empty())
        return;
    // The end of every game returns the pieces in flight to their pools.
    static const bool releaseRegistered = [] {
        Scenario::addPoolRelease(Scenario::PooledKind::EXPLOSION_DEBRIS, &ExplosionDebris::releaseAll);
        PoolCensus::addKind("ExplosionDebris", [] { return getPools().getLiveCount(); });
        return true;
    }();
    (void)releaseRegistered;

    for (const std::filesystem::path& path : typeFilesIn(folder)) {
        const std::string name = path.stem().string();
        // The twin of a type already read.
        if (configs.count(name) != 0)
            continue;
        // Not enciphered: a plain file is read without writing a twin beside it.
        auto config = std::make_unique<Config>(path.generic_string(), false, false, false);
        checkPieceType(*config, name);
        configs.emplace(name, std::move(config));
        getPools().registerType(name, [name] { return createDebris(name); }, 0, path.generic_string());
    }
}

void ExplosionDebris::unloadTypes()
{
    releaseAll();
    getPools().clear();
    typeConfigs().clear();
}

ExplosionDebris* ExplosionDebris::createDebris(const std::string& name)
{
    const auto found = typeConfigs().find(name);
    if (found == typeConfigs().end()) {
        GameLog::line("Could not create ExplosionDebris: no config file found for type: " + name);
        throw ConfigurationError();
    }
    return new ExplosionDebris(*found->second, name);
}

void ExplosionDebris::releaseAll()
{
    getPools().releaseAll([](ExplosionDebris* piece) { piece->deactivate(TAKEN_OUT); });
}

bool ExplosionDebris::hasType(const std::string& name)
{
    return typeConfigs().count(name) != 0;
}

std::vector<std::string> ExplosionDebris::getTypeNames()
{
    return getPools().getTypeNames();
}

ExplosionDebris::ExplosionDebris(Config& config, const std::string& name)
    : DynamicCollidable(nextObjectName(name), config, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
    , typeName(name)
    , period(0.0f)
    , explodeTask([this](float elapsed) { return explodeTimeout(elapsed); }, "Debris Explode Timeout", 0.0f,
                  TIMEOUT_VARIANCE, 0, 0.0f)
{
    Ogre::SceneManager& scene = *getSceneNode()->getCreator();
    const Settings settings = readSettings(config, name);
    explosionGroup = settings.explosionGroup;
    fireSystem = scene.createParticleSystem(getSceneNode()->getName() + FIRE_SUFFIX, settings.fire);
    ParticleQuota::hold(*fireSystem);
    // Scene queries look for game objects; the fire must never be found by them.
    fireSystem->setQueryFlags(0);
    getSceneNode()->attachObject(fireSystem);
    // Drawn once: every flight of this piece lasts as long, give or take the task's jitter.
    // In double: the span between the two times may pass the float range where each lies within it.
    const double span = double(settings.maxTimeout) - double(settings.minTimeout);
    period = static_cast<float>(settings.minTimeout + span * Ogre::Math::UnitRandom());
    explodeTask.setPeriod(period);
    setGeometryOwner(this);
    getLink()->setListener(this);
}

ExplosionDebris::~ExplosionDebris()
{
    if (fireSystem) {
        if (Ogre::SceneNode* parent = fireSystem->getParentSceneNode())
            parent->detachObject(fireSystem);
        getSceneNode()->getCreator()->destroyParticleSystem(fireSystem);
    }
}

void ExplosionDebris::launch(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                             const Ogre::Vector3& velocity)
{
    if (isInFlight())
        deactivate(REACTIVATION);
    // A piece given back while its user still holds it (a relaunch, or the end of a game) must
    // not be handed to anyone else while it flies.
    if (PoolFactory<ExplosionDebris>* pool = getPools().getPool(typeName)) {
        if (!pool->isLive(this))
            pool->reclaim(this);
    }
    activate(getLink()->getFlags(), position, orientation, velocity);
    explodeTask.reset();
    explodeTask.subscribe(true);
}

void ExplosionDebris::deactivate(DisableTime time)
{
    if (isInFlight()) {
        DynamicCollidable::deactivate(time);
        explodeTask.subscribe(false);
        // The next flight starts without the old one's flames.
        fireSystem->clear();
    }
    getPools().release(this, typeName);
}

bool ExplosionDebris::explodeTimeout(float)
{
    if (!isInFlight())
        return false;
    const PhysicsBody& body = getPhysicsBody();
    const Ogre::Vector3 position = body.getPosition();
    const Ogre::Vector3 velocity = body.getVelocity();
    try {
        ExplosionManager* explosions = ExplosionManager::getSingletonPtr();
        if (!explosions) {
            GameLog::line("ExplosionDebris: no explosion manager for the explosion of " + typeName);
            throw FatalError();
        }
        explosions->createFromGroup(explosionGroup)->activate(position, velocity, ComplexExplosion::Callback());
    } catch (...) {
        // The failure stops the game; the piece must not stay in flight meanwhile.
        deactivate(OWN_END);
        throw;
    }
    deactivate(OWN_END);
    return false;
}

int ExplosionDebris::getCollisionType() const
{
    return 2;
}

void ExplosionDebris::applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position)
{
    getPhysicsBody().addForceAtPosition(force, position);
}

} // namespace Tolvarine

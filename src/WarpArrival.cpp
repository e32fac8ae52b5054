#include "WarpArrival.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "GameLog.h"
#include "PoolCensus.h"
#include "Scenario.h"
#include "ScriptArguments.h"
#include "Ship.h"
#include "SoundSource.h"
#include "TolvarineEngine.h"
#include "ValueRange.h"

#include <boost/python/class.hpp>

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

constexpr unsigned POOL_SIZE = 5;

struct PoolSource {
    std::string configPath = "cfg/warp_arrival.cfg";
    const ResponseCurves* curves = nullptr;
};

PoolSource& poolSource()
{
    static PoolSource source;
    return source;
}

// Never destroyed, as the other pools are not: the arrivals live to the end of the program, and a
// holder destroyed at exit would drop the pool's hold on them while they still exist (the leak
// checker reported every arrival of a survival game at its exit).
std::unique_ptr<PoolFactory<WarpArrival>>& poolHolder()
{
    static auto* pool = new std::unique_ptr<PoolFactory<WarpArrival>>;
    return *pool;
}

// Counted from the program's start, before the first arrival makes the pool.
[[maybe_unused]] const bool censusRegistered = [] {
    PoolCensus::addKind("WarpArrival", [] {
        const std::unique_ptr<PoolFactory<WarpArrival>>& pool = poolHolder();
        return pool ? pool->getLiveCount() : 0;
    });
    return true;
}();

Ogre::SceneManager& engineSceneManager()
{
    const TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager) {
        GameLog::line("WarpArrival: there is no scene manager");
        throw ConfigurationError();
    }
    return *engine->sceneManager;
}

float readTime(const Config& config, const char* key)
{
    const float value = config.get<float>("WarpArrival", key);
    if (!(value >= 0.0f))
        ValueRange::refuse(config, "WarpArrival", key, "WarpArrival: " + std::string(key) + " must not be below 0");
    return value;
}

ModulatedBillboard makeBillboard(Config& config, const char* section, Ogre::SceneManager& scene,
                                 const ResponseCurves* curves)
{
    return curves ? ModulatedBillboard(config, section, scene, *curves) : ModulatedBillboard(config, section, scene);
}

void createFromScript(const std::string& shipType, const std::shared_ptr<Faction>& faction,
                      const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    const char* const call = "WarpArrival.create";
    const std::string& type = ScriptArguments::shipType(call, shipType);
    const Ogre::Vector3 place = ScriptArguments::position(call, position);
    const Ogre::Quaternion turn = ScriptArguments::orientation(call, orientation);
    ScriptArguments::roomForShips(call, 1);
    WarpArrival::create(type, faction, place, turn);
}

void createByFilenameFromScript(const std::string& fileName, const std::shared_ptr<Faction>& faction,
                                const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    const char* const call = "WarpArrival.createByFilename";
    const std::string& file = ScriptArguments::shipFile(call, fileName);
    const Ogre::Vector3 place = ScriptArguments::position(call, position);
    const Ogre::Quaternion turn = ScriptArguments::orientation(call, orientation);
    ScriptArguments::roomForShips(call, 1);
    WarpArrival::createByFilename(file, faction, place, turn);
}

} // namespace

unsigned WarpArrival::counter = 0;

WarpArrival::WarpArrival(Config& config, Ogre::SceneManager& scene, const ResponseCurves* curves)
    : sceneManager(scene)
    , flashTask([this](float elapsed) { return flash(elapsed); }, "WarpArrival::flash", readTime(config, "flashTime"))
    , arrivalTask([this](float elapsed) { return arrival(elapsed); }, "WarpArrival::arrival",
                  readTime(config, "arrivalTime"))
    , glow(makeBillboard(config, "Glow", scene, curves))
    , flashBillboard(makeBillboard(config, "Flash", scene, curves))
    , glowCallback([this]() { glowDone(); })
    , flashCallback([this]() { flashDone(); })
{
    // Made out of the scene: created by the scene manager, attached only while it runs.
    node = sceneManager.createSceneNode("WarpArrival" + std::to_string(counter++));
    sound = SoundSource::create(config, "Sound", "name", SoundCategory::EFFECTS, this, Ogre::Vector3::ZERO, false);
}

void WarpArrival::checkType()
{
    const Config config(poolSource().configPath, false, false, false);
    // In the order an arrival reads them.
    readTime(config, "flashTime");
    readTime(config, "arrivalTime");
    for (const char* section : {"Glow", "Flash"}) {
        ModulatedBillboard::checkSection(config, section, poolSource().curves);
        ModulatedBillboard::requireEnd(config, section);
    }
    SoundSource::requireDefinition(config, "Sound", "name");
}

WarpArrival::~WarpArrival()
{
    cancel();
    sound.reset();
    glow.stop(TAKEN_OUT);
    flashBillboard.stop(TAKEN_OUT);
    // The billboards' sets are detached from the node first, by their own destructors, after
    // this body; the node itself goes now, empty of anything of ours that is still in use.
    node->detachAllObjects();
    sceneManager.destroySceneNode(node);
}

void WarpArrival::setSource(const std::string& configPath, const ResponseCurves* curves)
{
    poolSource() = PoolSource{configPath, curves};
}

PoolFactory<WarpArrival>& WarpArrival::getPoolFactory()
{
    std::unique_ptr<PoolFactory<WarpArrival>>& pool = poolHolder();
    if (!pool) {
        // Read once: every arrival of the pool shares the settings.
        auto config = std::make_shared<Config>(poolSource().configPath, false, false, false);
        const ResponseCurves* curves = poolSource().curves;
        Ogre::SceneManager& scene = engineSceneManager();
        pool = std::make_unique<PoolFactory<WarpArrival>>(
            [config, &scene, curves]() { return new WarpArrival(*config, scene, curves); }, POOL_SIZE);
        static bool releaseRegistered = false;
        if (!releaseRegistered) {
            Scenario::addPoolRelease(Scenario::PooledKind::WARP_ARRIVALS, &WarpArrival::releaseAll);
            releaseRegistered = true;
        }
    }
    return *pool;
}

void WarpArrival::destroyPool()
{
    std::unique_ptr<PoolFactory<WarpArrival>>& pool = poolHolder();
    if (!pool)
        return;
    releaseAll();
    pool->destroyAll();
    pool.reset();
}

void WarpArrival::create(const std::string& shipType, const std::shared_ptr<Faction>& faction,
                         const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    getPoolFactory().create()->start([shipType]() { return Ship::create(shipType); }, faction, position,
                                     orientation);
}

void WarpArrival::createByFilename(const std::string& fileName, const std::shared_ptr<Faction>& faction,
                                   const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    getPoolFactory().create()->start([fileName]() { return Ship::createByFilename(fileName); }, faction, position,
                                     orientation);
}

void WarpArrival::start(ShipCreator creator, const std::shared_ptr<Faction>& arrivalFaction,
                        const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    if (active)
        return;
    if (!arrivalFaction) {
        GameLog::line("WarpArrival: no faction for the arriving ship");
        getPoolFactory().release(this);
        return;
    }
    shipCreator = std::move(creator);
    // The scenario's own pointer when it holds the faction: one handed in by a script lives only
    // as long as the call, and the arrival would then find its faction gone.
    const std::shared_ptr<Faction> held = Faction::heldByScenario(*arrivalFaction);
    faction = held ? held : arrivalFaction;
    arrivalPosition = position;
    arrivalOrientation = orientation;
    glowFinished = false;
    flashFinished = false;
    arrived = false;

    node->setPosition(position);
    if (!node->getParentSceneNode())
        sceneManager.getRootSceneNode()->addChild(node);
    glow.start(*node, &glowCallback);
    // A task still queued from a cancelled run is moved to this start's time by the reset.
    arrivalTask.subscribe(true);
    arrivalTask.reset();
    flashTask.subscribe(true);
    flashTask.reset();
    sound->play();
    active = true;
}

bool WarpArrival::flash(float)
{
    if (active)
        flashBillboard.start(*node, &flashCallback);
    return false;
}

bool WarpArrival::arrival(float)
{
    if (!active || arrived)
        return false;
    arrived = true;
    const ShipCreator creator = std::move(shipCreator);
    shipCreator = ShipCreator();
    const std::shared_ptr<Faction> owner = faction.lock();
    if (!owner) {
        GameLog::line("WarpArrival: the faction of the arriving ship is gone; no ship arrives");
    } else if (creator) {
        // The arrival finishes first when the effect is over, so that a failing type (the
        // pools' error) leaves no arrival stranded out of its pool.
        Ship* ship = nullptr;
        try {
            ship = creator();
        } catch (...) {
            finishWhenDone();
            throw;
        }
        if (ship)
            ship->activate(*owner, arrivalPosition, arrivalOrientation);
    }
    finishWhenDone();
    return false;
}

void WarpArrival::glowDone()
{
    glowFinished = true;
    finishWhenDone();
}

void WarpArrival::flashDone()
{
    flashFinished = true;
    finishWhenDone();
}

void WarpArrival::finishWhenDone()
{
    if (!active || !glowFinished || !flashFinished || !arrived)
        return;
    glow.stop(TAKEN_OUT);
    sound->stop();
    detachNode();
    active = false;
    faction.reset();
    if (poolHolder())
        poolHolder()->release(this);
}

void WarpArrival::cancel()
{
    flashTask.subscribe(false);
    arrivalTask.subscribe(false);
    glow.stop(TAKEN_OUT);
    flashBillboard.stop(TAKEN_OUT);
    if (sound)
        sound->stop();
    detachNode();
    shipCreator = ShipCreator();
    faction.reset();
    active = false;
}

void WarpArrival::detachNode()
{
    if (Ogre::SceneNode* parent = node->getParentSceneNode())
        parent->removeChild(node);
}

std::size_t WarpArrival::countShipsToCome()
{
    const std::unique_ptr<PoolFactory<WarpArrival>>& pool = poolHolder();
    std::size_t ships = 0;
    if (pool) {
        for (const WarpArrival* arrival : pool->getLiveObjects())
            ships += arrival->active && !arrival->arrived ? 1 : 0;
    }
    return ships;
}

void WarpArrival::releaseAll()
{
    std::unique_ptr<PoolFactory<WarpArrival>>& pool = poolHolder();
    if (!pool)
        return;
    pool->deactivateLive([&pool](WarpArrival* arrival) {
        arrival->cancel();
        pool->release(arrival);
    });
}

const std::string& WarpArrival::getNodeName() const
{
    return node->getName();
}

Ogre::Vector3 WarpArrival::getPosition() const
{
    return node->_getDerivedPosition();
}

Ogre::Quaternion WarpArrival::getOrientation() const
{
    return node->_getDerivedOrientation();
}

void WarpArrival::exportToPython()
{
    bp::class_<WarpArrival, boost::noncopyable>("WarpArrival", bp::no_init)
        .def("create", &createFromScript)
        .staticmethod("create")
        .def("createByFilename", &createByFilenameFromScript)
        .staticmethod("createByFilename");
}

} // namespace Tolvarine

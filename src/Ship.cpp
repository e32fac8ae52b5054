#include "Ship.h"

#include "CapitalShip.h"
#include "CapitalShipStation.h"
#include "CodeNameChecks.h"
#include "ConfigurationError.h"
#include "Difficulty.h"
#include "Faction.h"
#include "FatalError.h"
#include "FireableProjectile.h"
#include "Formation.h"
#include "FrameDisplay.h"
#include "GameLog.h"
#include "GraphicsSettings.h"
#include "GuidedProjectile.h"
#include "HudOverlay.h"
#include "InstrumentSoundManager.h"
#include "OgreLink.h"
#include "PointDefenseWeaponSystem.h"
#include "PoolCensus.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScriptArguments.h"
#include "ScriptObjectRegistry.h"
#include "ScriptReference.h"
#include "ShipBehaviour.h"
#include "ShipDamageModel.h"
#include "ShipExplosionSequence.h"
#include "ShipType.h"

#include <boost/python/class.hpp>
#include <boost/python/dict.hpp>
#include <boost/python/list.hpp>
#include <boost/python/return_value_policy.hpp>

#include <OgreEntity.h>
#include <OgreException.h>
#include <OgreMaterial.h>
#include <OgreMath.h>
#include <OgreMesh.h>
#include <OgrePass.h>
#include <OgreRoot.h>
#include <OgreSceneNode.h>
#include <OgreSubEntity.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace bp = boost::python;

namespace Tolvarine {

std::uint32_t Ship::nameCounter = 0;

namespace {

// The environment texture of the running scenario's sky, or empty.
std::string environmentMap()
{
    ScenarioManager* manager = ScenarioManager::getSingletonPtr();
    Scenario* scenario = manager ? manager->getCurrentScenario() : nullptr;
    return scenario ? scenario->getEnvironmentMap() : std::string();
}

void deactivateFromScript(Ship& ship, int time)
{
    ship.deactivate(static_cast<DisableTime>(time));
}

bp::list spawnFleetFromScript(const bp::dict& fleet, Faction& faction, const Ogre::Vector3& position,
                              const Ogre::Quaternion& orientation)
{
    const char* const call = "Ship.spawnFleet";
    const Ship::Fleet entries = ScriptArguments::fleet(call, fleet);
    ScriptArguments::roomForShips(call, ScriptArguments::fleetSize(entries));
    const Ogre::Vector3 centre = ScriptArguments::position(call, position);
    const auto withinReach = [call, centre](const std::vector<Ogre::Vector3>& places) {
        ScriptArguments::fleetPlaces(call, centre, places);
    };
    return scriptList(Ship::spawnFleet(entries, faction, centre, ScriptArguments::orientation(call, orientation),
                                       withinReach));
}

Ship* createFromScript(const std::string& typeName)
{
    return Ship::create(ScriptArguments::shipType("Ship.create", typeName));
}

Ship* createByFilenameFromScript(const std::string& fileBaseName)
{
    return Ship::createByFilename(ScriptArguments::shipFile("Ship.createByFilename", fileBaseName));
}

// Capital ships answer to this one as well: it calls their own activate.
void activateFromScript(Ship& ship, Faction& faction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    const char* const call = "Ship.activate";
    const Ogre::Vector3 place = ScriptArguments::position(call, position);
    const Ogre::Quaternion turn = ScriptArguments::orientation(call, orientation);
    // A ship in play is taken out of play first, so only one out of play adds a ship (one put into
    // play without a faction through DynamicCollidable.activate is in play).
    if (!ship.isActive())
        ScriptArguments::roomForShips(call, 1);
    ship.activate(faction, place, turn);
}

} // namespace

Ship::Ship(ShipType& shipType)
    : Ship(shipType, nextName())
{
}

Ship::Ship(ShipType& shipType, const std::string& name)
    : DynamicCollidable(name, shipType, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
    , Controllable(shipType)
    , objectName(requireEntity(name))
    , type(shipType)
    , thrustEffects(*this, shipType)
    , damageModel(std::make_unique<ShipDamageModel>(*this, shipType))
    , primaryWeaponSystem(this, getSceneNode(), shipType, "WeaponSystem_Primary")
    , secondaryWeaponSystem(this, getSceneNode(), shipType, "WeaponSystem_Secondary")
{
    OgreLink* link = getLink();
    link->setListener(damageModel.get());
    link->setTargetable(this);
    link->setControllable(this);
    setGeometryOwner(damageModel.get());
    behaviour = std::make_unique<ShipBehaviour>(shipType, this, &shipType);
    damageModel->setShockReceiver([this](float shock) { behaviour->addShock(shock); });
    applyLodBias();
    ScriptObjectRegistry::enter(this);
}

Ship::~Ship()
{
    ScriptObjectRegistry::leave(this);
    // The wireframes follow the damage model, which goes before the base classes let go of the
    // displays: they must drop the ship while its model still exists.
    if (HudOverlay* hud = HudOverlay::getSingletonPtr()) {
        if (hud->getTargetWireframe() == this)
            hud->clearTargetWireframe();
        if (hud->getSelfWireframe() == this)
            hud->clearSelfWireframe();
    }
}

std::string Ship::nextName()
{
    return "Ship" + std::to_string(nameCounter++);
}

const std::string& Ship::requireEntity(const std::string& name) const
{
    // A ship without a mesh cannot be seen, framed or hit: the data is broken beyond play. The
    // check comes before the effects and weapons are built on it, so it is the failure reported.
    if (!getEntity()) {
        GameLog::line("Ship created with no entity!");
        throw FatalError();
    }
    return name;
}

void Ship::activate(Faction& newFaction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    // The ship stays with the caller who holds it: it leaves play but not its user's hands, so the
    // pool can never hand it out a second time while it flies.
    if (faction)
        leavePlay(REACTIVATION, false);
    takeBackFromPool();

    faction = &newFaction;
    faction->incrementShipCount();
    Difficulty& difficulty = Difficulty::getSingleton();
    behaviour->startLife(faction->getName() == "Player" ? difficulty.getFriendlyIntelligence()
                                                         : difficulty.getEnemyIntelligence());

    DynamicCollidable::activate(faction->getId() | getLink()->getFlags() | OgreLink::SHIP_FLAG, position, orientation,
                                Ogre::Vector3::ZERO);
    thrustEffects.activate();
    damageModel->activate();
    setInactive(false);
    if (Controllable::getFocused() != this)
        getFrameDisplay().activate();
    applyReflection();
    primaryWeaponSystem.activate(faction);
    secondaryWeaponSystem.activate(faction);
    // The player flies the focused ship.
    if (Controllable::getFocused() != this)
        behaviour->activate();
}

void Ship::takeBackFromPool()
{
    if (Pools::Pool* pool = getPoolFactory().getPool(type.getName()); pool && !pool->isLive(this))
        pool->reclaim(this);
}

void Ship::deactivate(DisableTime time)
{
    if (!faction)
        return;
    leavePlay(time, true);
}

void Ship::leavePlay(DisableTime time, bool release)
{
    faction->decrementShipCount();
    faction = nullptr;
    DynamicCollidable::deactivate(time);
    thrustEffects.deactivate();
    getFrameDisplay().deactivate();
    primaryWeaponSystem.deactivate();
    secondaryWeaponSystem.deactivate();
    // Out of its formation first, while the AI still knows it is in play: the ship leaves no
    // order behind for its next life.
    behaviour->leaveFormation();
    behaviour->deactivate(time);
    damageModel->deactivate();
    setInactive(true);
    if (Controllable::getFocused() == this)
        setFocus(false);
    if (release)
        getPoolFactory().release(this, type.getName());
}

void Ship::bodyOutOfReach()
{
    // Read first: leaving play takes the focus away.
    const bool flown = Controllable::getFocused() == this;
    DynamicCollidable::bodyOutOfReach();
    if (flown)
        Scenario::flownShipLost(getBodyName());
}

void Ship::setFocus(bool focus)
{
    const bool focused = Controllable::getFocused() == this;
    if (focus && !focused) {
        behaviour->deactivate(REACTIVATION);
        if (Formation* formation = behaviour->getFormation())
            formation->setControlledMember(behaviour.get());
        getFrameDisplay().deactivate();
    } else if (!focus && focused) {
        // Focus handed to another member has made that one the controlled member already: only
        // this ship's own hold on the formation is let go.
        if (Formation* formation = behaviour->getFormation())
            formation->clearControlledMember(behaviour.get());
        if (DynamicCollidable::getPhysicsBody().isActive()) {
            behaviour->activate();
            getFrameDisplay().activate();
        }
    }
    Controllable::setFocus(focus);
    damageModel->updateCriticalAlarm();
}

Ship* Ship::create(const std::string& typeName)
{
    Ship* ship = getPoolFactory().create(typeName);
    ship->beginLife();
    return ship;
}

void Ship::beginLife()
{
    announceHandOut();
    ScriptObjectRegistry::beginLife(this);
    ScriptObjectRegistry::beginLife(behaviour.get());
    ScriptObjectRegistry::beginLife(getLink());
}

Ship* Ship::createByFilename(const std::string& fileBaseName)
{
    return create(ShipType::getByFilename(fileBaseName).getName());
}

std::vector<Ship*> Ship::spawnFleet(const Fleet& fleet, Faction& fleetFaction, const Ogre::Vector3& position,
                                    const Ogre::Quaternion& orientation, const FleetCheck& check)
{
    // The layout goes by the ships' sizes, so the ships are taken first; their new lives begin
    // only once their places are taken. A ship a script took out of play is still the script's
    // while its pool holds it, and a refused fleet that began its life had cut the script's handle.
    std::vector<Ship*> ships;
    std::vector<Ogre::Vector3> places;
    try {
        for (const auto& entry : fleet) {
            for (unsigned i = 0; i < entry.second; ++i)
                ships.push_back(getPoolFactory().create(entry.first));
        }
        places = fleetPlaces(ships, position, orientation);
        if (check)
            check(places);
    } catch (...) {
        // Ships taken but never activated would stay out of their pools for good. Given back last
        // taken first, each pool's stack is as it was, and hands out next what it would have.
        for (auto ship = ships.rbegin(); ship != ships.rend(); ++ship)
            getPoolFactory().release(*ship, (*ship)->type.getName());
        throw;
    }
    for (Ship* ship : ships)
        ship->beginLife();
    for (std::size_t i = 0; i < ships.size(); ++i)
        ships[i]->activate(fleetFaction, places[i], orientation);
    return ships;
}

std::vector<Ogre::Vector3> Ship::fleetPlaces(const std::vector<Ship*>& ships, const Ogre::Vector3& position,
                                             const Ogre::Quaternion& orientation)
{
    // The fleet takes the slots a formation of these ships would give, none inside another, also
    // where the formation refuses them (three capital ships or more).
    Formation::Offsets offsets;
    for (Ship* ship : ships)
        offsets[&ship->getBehaviour()] = Ogre::Vector3::ZERO;
    Formation::layout(offsets);
    std::vector<Ogre::Vector3> places;
    places.reserve(ships.size());
    for (Ship* ship : ships)
        places.push_back(position + orientation * offsets.at(&ship->getBehaviour()));
    return places;
}

void Ship::deactivateAll()
{
    getPoolFactory().releaseAll([](Ship* ship) {
        if (ship->faction) {
            ship->deactivate(TAKEN_OUT);
            return;
        }
        // Without a faction, deactivate leaves a ship as it is. Either it was taken from its pool
        // and never activated, or a script put it into play through DynamicCollidable.activate,
        // and then its body flew on, drawn and colliding, into the next scenario: the body goes
        // here, and the ship back to its pool.
        if (ship->DynamicCollidable::isActive())
            ship->DynamicCollidable::deactivate(TAKEN_OUT);
        getPoolFactory().release(ship, ship->type.getName());
    });
}

std::size_t Ship::countActive()
{
    // A ship is in play while its body is: with a faction from Ship::activate, or without one
    // when a script activated it through DynamicCollidable.activate.
    std::size_t active = 0;
    getPoolFactory().forEachObject(
        [&active](const Ship* ship) { active += ship->DynamicCollidable::isActive() ? 1 : 0; });
    return active;
}

void Ship::applyLodBiasToAll()
{
    Pools& pools = getPoolFactory();
    for (const std::string& name : pools.getTypeNames()) {
        for (Ship* ship : pools.getPool(name)->getLiveObjects())
            ship->applyLodBias();
    }
}

Ship::Pools& Ship::getPoolFactory()
{
    static const std::shared_ptr<Pools> pools = std::make_shared<Pools>();
    return *pools;
}

Ship* Ship::createInstance(const std::string& typeName)
{
    ShipType& shipType = ShipType::getByName(typeName);
    if (shipType.get<bool>("Ship", "capitalShip", false))
        return new CapitalShip(shipType);
    return new Ship(shipType);
}

void Ship::checkType(const ShipType& type)
{
    // In the order a ship is built.
    DynamicCollidable::checkType(type);
    if (!DynamicCollidable::namesMesh(type)) {
        GameLog::line("ShipType " + type.getName()
                      + ": section Display names no mesh, and a ship cannot be built without one");
        type.logPlace("Display", "mesh");
        throw ConfigurationError();
    }
    Targetable::checkType(type);
    Thrust::checkType(type);
    StandardWeaponSystem::checkSection(type, "WeaponSystem_Primary");
    StandardWeaponSystem::checkSection(type, "WeaponSystem_Secondary");
    ShipBehaviour::checkType(type);
    if (type.get<bool>("Ship", "capitalShip", false)) {
        PointDefenseWeaponSystem::checkSection(type, "WeaponSystem_PointDefense");
        CapitalShip::checkStations(type);
    }
}

void Ship::checkLoadedTypes()
{
    std::set<std::string> checked;
    for (const std::string& name : ShipType::getTypeNames()) {
        if (checked.insert(name).second)
            checkType(ShipType::getByName(name));
    }
}

void Ship::checkTypeReferences()
{
    ShipDamageModel::checkEffects();
    ShipExplosionSequence::checkShipTypes();
    CodeNameChecks::checkShipTypes();
}

namespace {

// Everything that may still hold a ship or one of its stations (a camera, a target, the selection)
// lets go of it while it is whole, before its pool deletes it.
void announceDeletions()
{
    Ship::getPoolFactory().forEachObject([](Ship* ship) {
        if (const auto* capital = dynamic_cast<const CapitalShip*>(ship)) {
            for (const auto& station : capital->getStations())
                station->announceDeletion();
        }
        ship->announceDeletion();
    });
}

} // namespace

void Ship::connectPools()
{
    static bool connected = false;
    if (connected)
        return;
    connected = true;
    ShipType::PoolLink link;
    link.registerPool = [](const std::string& typeName, int poolSize, const std::string& file) {
        getPoolFactory().registerType(typeName, [typeName] { return createInstance(typeName); }, poolSize, file);
    };
    link.deactivateAll = &Ship::deactivateAll;
    link.clearPools = [] {
        announceDeletions();
        getPoolFactory().clear();
    };
    link.releasePooledObjects = &Scenario::releasePooledObjects;
    // Every type, also one whose pool starts empty and builds its first ship mid-game.
    link.checkType = &Ship::checkType;
    link.checkReferences = &Ship::checkTypeReferences;
    ShipType::setPoolLink(std::move(link));
    FireableProjectile::addReferenceCheck(&Ship::checkLoadedTypes);
    Scenario::addPoolRelease(Scenario::PooledKind::SHIPS, &Ship::deactivateAll);
    PoolCensus::addKind("Ship", [] { return getPoolFactory().getLiveCount(); });
}

void Ship::loadTypes(const std::string& folder)
{
    connectPools();
    // The settings object of this run (tools and tests make more than one per process).
    if (GraphicsSettings* graphics = GraphicsSettings::getSingletonPtr())
        graphics->setShipLodCallback(&Ship::applyLodBiasToAll);
    ShipType::loadAll(folder);
}

void Ship::applyLodBias()
{
    const GraphicsSettings* graphics = GraphicsSettings::getSingletonPtr();
    Ogre::Entity* entity = getEntity();
    if (!graphics || !entity)
        return;
    const unsigned short levels = entity->getMesh()->getNumLodLevels();
    const unsigned short highest = std::min<unsigned short>(graphics->getMaxShipLodLevel(),
                                                            static_cast<unsigned short>(levels - 1));
    entity->setMeshLodBias(graphics->getLodBias(), highest, 99);
}

void Ship::applyReflection()
{
    Ogre::Entity* entity = getEntity();
    const std::string environment = environmentMap();
    // Cube textures load only through a render system; without a sky there is nothing to reflect.
    if (!entity || environment.empty() || !Ogre::Root::getSingleton().getRenderSystem())
        return;
    try {
        Ogre::MaterialPtr material = entity->getSubEntity(0)->getMaterial();
        Ogre::Pass* pass = material->getTechnique(0)->getPass(0);
        Ogre::TextureUnitState* unit = nullptr;
        for (Ogre::TextureUnitState* candidate : pass->getTextureUnitStates()) {
            if (candidate->getTextureType() == Ogre::TEX_TYPE_CUBE_MAP) {
                unit = candidate;
                break;
            }
        }
        if (!unit)
            unit = pass->createTextureUnitState();
        unit->setTextureName(environment, Ogre::TEX_TYPE_CUBE_MAP);
        unit->setEnvironmentMap(true, Ogre::TextureUnitState::ENV_REFLECTION);
        unit->setColourOperationEx(Ogre::LBX_ADD_SIGNED, Ogre::LBS_TEXTURE, Ogre::LBS_CURRENT,
                                   Ogre::ColourValue::White, Ogre::ColourValue::White, 0);
        unit->_load();
        material->compile();
    } catch (const Ogre::Exception& e) {
        GameLog::line("Ship " + objectName + " cannot reflect " + environment + ": " + e.getDescription());
    }
}

Ogre::Vector3 Ship::getPosition() const
{
    return DynamicCollidable::getPhysicsBody().getPosition();
}

Ogre::Quaternion Ship::getOrientation() const
{
    return DynamicCollidable::getPhysicsBody().getOrientation();
}

Ogre::Vector3 Ship::getVelocity() const
{
    return DynamicCollidable::getPhysicsBody().getVelocity();
}

void Ship::addPositionListener(PositionListener* listener)
{
    DynamicCollidable::getPhysicsBody().addPositionListener(listener);
}

void Ship::removePositionListener(PositionListener* listener)
{
    DynamicCollidable::getPhysicsBody().removePositionListener(listener);
}

Ogre::Vector3 Ship::predictPosition(float t) const
{
    return DynamicCollidable::getPhysicsBody().predictPosition(t);
}

Ogre::Vector3 Ship::predictPositionWithThrust(float t) const
{
    return DynamicCollidable::getPhysicsBody().predictPositionWithThrust(t);
}

Ogre::Vector3 Ship::predictPositionWithThrustFactor(float t, float factor) const
{
    return DynamicCollidable::getPhysicsBody().predictPositionWithThrustFactor(t, factor);
}

float Ship::getBoundingRadius() const
{
    return DynamicCollidable::getBoundingRadius();
}

DamageModel* Ship::getDamageModel()
{
    return damageModel.get();
}

PhysicsBody* Ship::getPhysicsBody()
{
    return &DynamicCollidable::getPhysicsBody();
}

const PhysicsBody* Ship::getPhysicsBody() const
{
    return &DynamicCollidable::getPhysicsBody();
}

const std::string& Ship::getName() const
{
    return type.getDescription();
}

void Ship::destroy()
{
    damageModel->destroy();
}

void Ship::setTarget(Targetable* target)
{
    behaviour->setTarget(target);
}

float Ship::getSkill() const
{
    return behaviour->getSkill();
}

float Ship::getThreatRangeSquared()
{
    return behaviour->getMissileDodgeRangeSquared();
}

void Ship::addThreat(GuidedProjectile* missile)
{
    if (Controllable::getFocused() == this) {
        if (InstrumentSoundManager* sounds = InstrumentSoundManager::getSingletonPtr())
            sounds->playIncomingAlarm(*missile);
    }
    behaviour->addThreat(missile);
}

void Ship::removeThreat(GuidedProjectile* missile)
{
    behaviour->removeThreat(missile);
}

void Ship::setPendingVector(const Ogre::Vector3& vector)
{
    behaviour->setPendingVector(vector);
}

void Ship::setPendingObject(Controllable* attacker)
{
    behaviour->setPendingObject(attacker);
}

void Ship::setFiringPrimary(bool firing)
{
    primaryWeaponSystem.setFiring(firing);
    // The player's guns lead the formation's: slaved members fire with them.
    if (Formation* formation = behaviour->getFormation(); formation && Controllable::getFocused() == this)
        formation->setFiringPrimary(firing);
}

void Ship::setFiringSecondary(bool firing)
{
    secondaryWeaponSystem.setFiring(firing);
    if (Formation* formation = behaviour->getFormation(); formation && Controllable::getFocused() == this)
        formation->setFiringSecondary(firing);
}

Ogre::Overlay* Ship::getWeaponOverlay()
{
    return type.getWeaponOverlay();
}

void Ship::exportToPython()
{
    // Reading the ship types again deletes every ship: scripts hold ships by ScriptReference.
    const auto kept = bp::return_value_policy<ReturnScriptReference>();
    // A ship is a Targetable (the cameras' faces take one, and it has "getPosition"), named here
    // and not as the base of "Controllable": the module registers "Controllable" before
    // "Targetable", and a script class can only name a base that is registered already.
    bp::class_<Ship, ScriptReference<Ship>, bp::bases<DynamicCollidable, Controllable, Targetable>,
               boost::noncopyable>("Ship", bp::no_init)
        .def("create", &createFromScript, kept)
        .staticmethod("create")
        .def("createByFilename", &createByFilenameFromScript, kept)
        .staticmethod("createByFilename")
        .def("spawnFleet", &spawnFleetFromScript)
        .staticmethod("spawnFleet")
        .def("activate", &activateFromScript)
        .def("deactivate", &deactivateFromScript)
        .def("getBehaviour", &Ship::getBehaviour, kept)
        .def("getBoundingRadius", &Ship::getBoundingRadius);
}

} // namespace Tolvarine

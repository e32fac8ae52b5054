#include "CapitalShipStation.h"

#include "CapitalShip.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "FrameDisplay.h"
#include "GameLog.h"
#include "Interface.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "TurretBehaviour.h"
#include "TypeFiles.h"

#include <OgreSceneNode.h>

#include <filesystem>
#include <map>

namespace Tolvarine {

std::uint32_t CapitalShipStation::nameCounter = 0;

namespace {

// The station types by name, filled once and kept for the whole run.
std::map<std::string, std::unique_ptr<Config>>& types()
{
    static std::map<std::string, std::unique_ptr<Config>> registry;
    return registry;
}

} // namespace

void CapitalShipStation::loadTypes(const std::string& folder)
{
    // A reload of the projectile types must still give the stations' weapons their projectiles.
    static const bool referencesChecked = [] {
        FireableProjectile::addReferenceCheck([] {
            for (const auto& entry : types())
                checkType(*entry.second);
        });
        return true;
    }();
    (void)referencesChecked;
    if (!types().empty())
        return;
    std::vector<std::filesystem::path> files;
    if (!TypeFiles::list(folder, ".station", files)) {
        GameLog::line("CapitalShipStation: cannot read the station folder " + folder);
        throw ConfigurationError();
    }
    for (const std::filesystem::path& file : files) {
        const std::string name = file.stem().string();
        // The first file of a stem wins; its twin is the same type.
        if (types().count(name))
            continue;
        auto type = std::make_unique<Config>(file.generic_string(), false, true, false);
        // Stations are built with their capital ships, perhaps first mid-game.
        checkType(*type);
        types().emplace(name, std::move(type));
    }
}

void CapitalShipStation::checkType(const Config& type)
{
    // In the order a station is built.
    DynamicCollidable::checkType(type);
    Targetable::checkType(type);
    // The turret turns by this torque alone (none at 0).
    type.get<float>("Physics", "maxTorque");
    StandardWeaponSystem::checkSection(type, "WeaponSystem_Primary");
    StandardWeaponSystem::checkSection(type, "WeaponSystem_Secondary");
    TurretBehaviour::checkType(type);
}

void CapitalShipStation::unloadTypes()
{
    types().clear();
}

Config& CapitalShipStation::getType(const std::string& name)
{
    const auto found = types().find(name);
    if (found == types().end()) {
        GameLog::line("There is no capital-ship-station type " + name);
        throw ConfigurationError();
    }
    return *found->second;
}

std::shared_ptr<CapitalShipStation> CapitalShipStation::create(CapitalShip* ship, const Ogre::Vector3& offset,
                                                               const Ogre::Quaternion& homeOrientation,
                                                               float yawPositiveLimit, float yawNegativeLimit,
                                                               float pitchPositiveLimit, float pitchNegativeLimit,
                                                               const std::string& typeName)
{
    Config& type = getType(typeName);
    return std::make_shared<CapitalShipStation>(ship, type, offset, homeOrientation, yawPositiveLimit,
                                                yawNegativeLimit, pitchPositiveLimit, pitchNegativeLimit);
}

std::string CapitalShipStation::nextName()
{
    return "CapitalShipStation" + std::to_string(nameCounter++);
}

CapitalShipStation::CapitalShipStation(CapitalShip* ship, Config& type, const Ogre::Vector3& offset,
                                       const Ogre::Quaternion& homeOrientation, float yawPositiveLimit,
                                       float yawNegativeLimit, float pitchPositiveLimit, float pitchNegativeLimit)
    : DynamicCollidable(nextName(), type, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
    , Controllable(type)
    , objectName(getSceneNode() ? getSceneNode()->getName() : std::string())
    , ship(ship)
    , joint(dJointCreateUniversal(PhysicsEngine::getSingleton().getWorld(), nullptr))
    , worldSerial(PhysicsEngine::getSingleton().getWorldSerial())
    , offset(offset)
    , homeOrientation(homeOrientation)
    , thruster(DynamicCollidable::getPhysicsBody(), type)
    , primaryWeapons(this, getSceneNode(), type, "WeaponSystem_Primary")
    , secondaryWeapons(this, getSceneNode(), type, "WeaponSystem_Secondary")
{
    OgreLink* link = getLink();
    link->setTargetable(this);
    link->setControllable(this);
    dJointAttach(joint, nullptr, nullptr);
    dJointSetUniversalParam(joint, dParamLoStop, -yawNegativeLimit);
    dJointSetUniversalParam(joint, dParamHiStop, yawPositiveLimit);
    dJointSetUniversalParam(joint, dParamLoStop2, -pitchNegativeLimit);
    dJointSetUniversalParam(joint, dParamHiStop2, pitchPositiveLimit);
    // Made last: it turns the station's body with the thruster and fires its weapon systems.
    turretBehaviour = std::make_unique<TurretBehaviour>(type, this, homeOrientation,
                                                        static_cast<PositionReporter*>(ship));
}

CapitalShipStation::~CapitalShipStation()
{
    // The AI stops the weapon systems it fired, so it goes while they exist.
    turretBehaviour.reset();
    if (worldAlive())
        dJointDestroy(joint);
}

bool CapitalShipStation::worldAlive() const
{
    const PhysicsEngine* engine = PhysicsEngine::getSingletonPtr();
    return engine && engine->getWorldSerial() == worldSerial;
}

void CapitalShipStation::setJointAxes(dJointID joint, const Ogre::Vector3& first, const Ogre::Vector3& second)
{
    const auto current = [joint](void (*get)(dJointID, dVector3)) {
        dVector3 axis;
        get(joint, axis);
        return Ogre::Vector3(Ogre::Real(axis[0]), Ogre::Real(axis[1]), Ogre::Real(axis[2])).normalisedCopy();
    };
    const auto parallel = [](const Ogre::Vector3& a, const Ogre::Vector3& b) {
        return a.crossProduct(b).squaredLength() < 1e-6f;
    };
    // The first axis may not meet the joint's present second axis. When it would, the second goes
    // first: to its new direction, or, when that meets the present first axis (the two swap), to
    // the direction square to both new axes, which is square to both old ones as well.
    if (parallel(first.normalisedCopy(), current(dJointGetUniversalAxis2))) {
        const Ogre::Vector3 interim =
            parallel(second.normalisedCopy(), current(dJointGetUniversalAxis1)) ? first.crossProduct(second) : second;
        dJointSetUniversalAxis2(joint, interim.x, interim.y, interim.z);
    }
    dJointSetUniversalAxis1(joint, first.x, first.y, first.z);
    dJointSetUniversalAxis2(joint, second.x, second.y, second.z);
}

void CapitalShipStation::activate()
{
    Faction* faction = ship ? ship->getFaction() : nullptr;
    if (!faction) {
        GameLog::line("Capital-ship station " + objectName + " cannot enter play without its ship in play");
        return;
    }
    const Ogre::Quaternion shipOrientation = ship->getOrientation();
    const Ogre::Vector3 position = ship->getPosition() + shipOrientation * offset;
    const Ogre::Quaternion orientation = shipOrientation * homeOrientation;
    DynamicCollidable::activate(faction->getId() | getLink()->getFlags(), position, orientation,
                                Ogre::Vector3::ZERO);

    dJointAttach(joint, ship->getPhysicsBody()->getBody(), DynamicCollidable::getPhysicsBody().getBody());
    dJointSetUniversalAnchor(joint, position.x, position.y, position.z);
    // ODE takes the axes in world coordinates: yaw about the station's home up axis (fixed to the
    // hull), pitch about its home side axis (fixed to the station), both at the hull's pose now.
    const Ogre::Vector3 yawAxis = orientation * Ogre::Vector3::UNIT_Y;
    const Ogre::Vector3 pitchAxis = orientation * Ogre::Vector3::UNIT_X;
    setJointAxes(joint, yawAxis, pitchAxis);

    setInactive(false);
    getFrameDisplay().activate();
    primaryWeapons.activate(faction);
    secondaryWeapons.activate(faction);
    if (Controllable::getFocused() != this)
        turretBehaviour->activate();
}

void CapitalShipStation::deactivate(DisableTime time)
{
    // The body always leaves at once: the station has no dying of its own.
    DynamicCollidable::deactivate(TAKEN_OUT);
    dJointAttach(joint, nullptr, nullptr);
    (void)time;
    getFrameDisplay().deactivate();
    primaryWeapons.deactivate();
    secondaryWeapons.deactivate();
    setInactive(true);
    turretBehaviour->deactivate();
    if (Controllable::getFocused() == this) {
        if (Interface* interface = Interface::getSingletonPtr())
            interface->setMode(Interface::COMMAND, false);
        else
            GameLog::line("Capital-ship station " + objectName
                          + " left play while manned, with no command mode to go to");
        setFocus(false);
    }
}

void CapitalShipStation::setFocus(bool focus)
{
    const bool focused = Controllable::getFocused() == this;
    if (focus && !focused) {
        turretBehaviour->deactivate();
    } else if (!focus && focused) {
        if (DynamicCollidable::getPhysicsBody().isActive())
            turretBehaviour->activate();
    }
    Controllable::setFocus(focus);
}

Ogre::Vector3 CapitalShipStation::getPosition() const
{
    return DynamicCollidable::getPhysicsBody().getPosition();
}

Ogre::Quaternion CapitalShipStation::getOrientation() const
{
    return DynamicCollidable::getPhysicsBody().getOrientation();
}

Ogre::Vector3 CapitalShipStation::getVelocity() const
{
    return DynamicCollidable::getPhysicsBody().getVelocity();
}

void CapitalShipStation::addPositionListener(PositionListener* listener)
{
    DynamicCollidable::getPhysicsBody().addPositionListener(listener);
}

void CapitalShipStation::removePositionListener(PositionListener* listener)
{
    DynamicCollidable::getPhysicsBody().removePositionListener(listener);
}

Ogre::Vector3 CapitalShipStation::predictPosition(float t) const
{
    return DynamicCollidable::getPhysicsBody().predictPosition(t);
}

Ogre::Vector3 CapitalShipStation::predictPositionWithThrust(float t) const
{
    return DynamicCollidable::getPhysicsBody().predictPositionWithThrust(t);
}

Ogre::Vector3 CapitalShipStation::predictPositionWithThrustFactor(float t, float factor) const
{
    return DynamicCollidable::getPhysicsBody().predictPositionWithThrustFactor(t, factor);
}

float CapitalShipStation::getBoundingRadius() const
{
    return DynamicCollidable::getBoundingRadius();
}

DamageModel* CapitalShipStation::getDamageModel()
{
    return ship ? ship->getDamageModel() : nullptr;
}

Faction* CapitalShipStation::getFaction()
{
    return ship ? ship->getFaction() : nullptr;
}

float CapitalShipStation::getThreatRangeSquared()
{
    return ship ? ship->getThreatRangeSquared() : 0.0f;
}

void CapitalShipStation::addThreat(GuidedProjectile* missile)
{
    if (ship)
        ship->addThreat(missile);
}

void CapitalShipStation::removeThreat(GuidedProjectile* missile)
{
    if (ship)
        ship->removeThreat(missile);
}

void CapitalShipStation::setPendingVector(const Ogre::Vector3& vector)
{
    if (ship)
        ship->setPendingVector(vector);
}

void CapitalShipStation::setPendingObject(Controllable* attacker)
{
    if (ship)
        ship->setPendingObject(attacker);
}

void CapitalShipStation::destroy()
{
    if (ship)
        ship->destroy();
}

void CapitalShipStation::setFiringPrimary(bool firing)
{
    primaryWeapons.setFiring(firing);
}

void CapitalShipStation::setFiringSecondary(bool firing)
{
    secondaryWeapons.setFiring(firing);
}

Ogre::Overlay* CapitalShipStation::getWeaponOverlay()
{
    return ship ? ship->getWeaponOverlay() : nullptr;
}

} // namespace Tolvarine

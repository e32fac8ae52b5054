#include "ShipType.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "MultiPoolFactory.h"
#include "PhysicsBody.h"
#include "Targetable.h"
#include "TypeFiles.h"
#include "ValueRange.h"
#include "Weapon.h"

#include <OgreException.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreOverlayManager.h>
#include <OgreResourceGroupManager.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <system_error>

namespace Tolvarine {

class Ship;

namespace {

const std::string shipSection = "Ship";
const std::string defaultFolder = "data/entities";
const std::string componentMarker = "Component_";

// The pairs' key stems, in the order of ShipType::Tuning.
const char* const tuningKeys[] = {
    "rotationCorrectionFactor", "targetLeadFactor",       "predictionAccuracy",
    "rangeBufferProportion",    "attackArrivalProportion", "missileAvoidanceFactor",
    "shockMovementThreshold",   "shockDodgeThreshold",     "shockAttackThreshold",
    "shockHalflife"};

// The periods of the ship's AI tasks in section "Behaviour", each with its variance.
const char* const behaviourPeriodKeys[][2] = {
    {"targetUpdatePeriod", "targetUpdateVariance"}, {"behaviourUpdatePeriod", "behaviourUpdateVariance"},
    {"avoidancePeriod", "avoidanceVariance"}, {"missileAvoidancePeriod", "missileAvoidanceVariance"}};

// How far a component's wireframe mesh reaches from its own origin, found as the damage display
// finds the mesh: 0 where there is none to draw (tools that read types without the rendering
// engine, a file that is not there or does not load, which the display leaves out with a line of
// its own). A file that is not there is not asked for, so that no empty entry of its name stays.
double wireframeMeshRadius(const std::string& name)
{
    Ogre::MeshManager* meshes = Ogre::MeshManager::getSingletonPtr();
    if (!meshes)
        return 0.0;
    try {
        Ogre::MeshPtr mesh = meshes->getByName(name, Ogre::RGN_AUTODETECT);
        if (!mesh && !Ogre::ResourceGroupManager::getSingleton().resourceExistsInAnyGroup(name))
            return 0.0;
        if (!mesh)
            mesh = meshes->load(name, Ogre::RGN_AUTODETECT);
        mesh->load();
        return mesh->getBoundingSphereRadius();
    } catch (const Ogre::Exception&) {
        return 0.0;
    }
}

// The types of one reading of the folder.
struct Registry {
    // By type name: the first file of a name keeps it.
    std::map<std::string, std::shared_ptr<ShipType>> byName;
    // By file base name.
    std::map<std::string, std::shared_ptr<ShipType>> byFile;
    // Every file's type, in load order, with the checked size of its pool.
    std::vector<std::pair<std::shared_ptr<ShipType>, int>> loaded;
};

Registry registry;
ShipType::PoolLink poolLink;
std::string loadedFolder = defaultFolder;

// The ship files of the folder (not of its sub-folders) in name order, one per type.
std::vector<std::filesystem::path> listShipFiles(const std::string& folder)
{
    std::vector<std::filesystem::path> files;
    if (!TypeFiles::list(folder, ".ship", files)) {
        GameLog::line("ShipType: cannot read folder " + folder);
        throw ConfigurationError();
    }
    return files;
}

// The one reader of the start-up and of a reload: every ship file of the folder is read and
// checked, also for types whose pool starts empty and builds its first ship mid-game, before any
// pool is made. The first file that fails throws out of here with its reader's log lines.
Registry readAll(const std::string& folder)
{
    Registry read;
    // A plain file and its twin are one type: reading the plain file refreshes the twin, so from
    // the second start on both are present, and loading both would build the type's pool twice.
    for (const std::filesystem::path& file : listShipFiles(folder)) {
        auto type = std::make_shared<ShipType>(file.generic_string());
        // Ships, menus and scripts find a type by its name: of two files that give one name, the
        // first in load order keeps it, and the modder is told which file lost.
        const auto [kept, added] = read.byName.emplace(type->getName(), type);
        if (!added)
            GameLog::line("ShipType: " + type->getPath() + " repeats the ship type name " + type->getName() + " of "
                          + kept->second->getPath() + "; the first file keeps it");
        // Ships are built from the type that keeps the name.
        else if (poolLink.checkType)
            poolLink.checkType(*type);
        read.byFile.emplace(file.stem().string(), type);
        const int poolSize = type->get<int>("Factory", "poolSize", 0);
        read.loaded.emplace_back(type, MultiPoolFactory<Ship>::checkedPoolSize(type->getName(), poolSize));
    }
    return read;
}

// Scenario scripts spawn ship types by any name the running game has loaded, type name or file
// base name, and their names cannot be listed ahead as the game's own code's are. A reload that
// takes a name away is refused with the file that gave it: kestrel.ship saved with the name
// kestrel_mk2 was taken, and End Mission then ended the game with exit 1, when the main menu's
// scenario spawned kestrels. A name the save adds is taken; the old one goes at the next start.
void requireNamesKept(const Registry& before, const Registry& after)
{
    const auto refuse = [](const ShipType& type, const std::string& what) {
        GameLog::line("ShipType: " + type.getPath() + " drops " + what
                      + " loaded before, which scenarios may spawn by that name; restart the game to take the change");
        throw ConfigurationError();
    };
    for (const auto& [name, type] : before.byName) {
        if (!after.byName.count(name))
            refuse(*type, "the ship type " + name);
    }
    for (const auto& [fileBaseName, type] : before.byFile) {
        if (!after.byFile.count(fileBaseName))
            refuse(*type, "the ship type file " + fileBaseName);
    }
}

// Takes the types read and registers their pools, in load order.
void install(Registry read)
{
    registry = std::move(read);
    if (!poolLink.registerPool)
        return;
    for (const auto& [type, poolSize] : registry.loaded)
        poolLink.registerPool(type->getName(), poolSize, type->getPath());
}

} // namespace

void ShipType::setPoolLink(PoolLink link)
{
    poolLink = std::move(link);
}

ShipType::ShipType(const std::string& path)
    : Config(path, false, true, false)
    , name(get<std::string>(shipSection, "name"))
    , description(get<std::string>(shipSection, "description"))
{
    const std::string overlayName = get<std::string>("Display", "weaponOverlay", "DefaultHud");
    if (Ogre::OverlayManager* overlays = Ogre::OverlayManager::getSingletonPtr()) {
        weaponOverlay = overlays->getByName(overlayName);
        // The ship still flies without it, only with no reticle, so the player is told why.
        if (!weaponOverlay)
            GameLog::line("ShipType " + name + ": no overlay " + overlayName + ", its reticle is not shown");
    }
    maxForce = get<float>("Thrust", "maxForce");
    maxTorque = get<float>("Thrust", "maxTorque");
    thrustColour = get<Ogre::ColourValue>("Thrust", "colour");
    explosionGroup = get<std::string>(shipSection, "explosionGroup");
    damageWireframeScale = get<float>(shipSection, "damageWireframeScale");
    maintenanceRate = get<float>(shipSection, "maintenanceRate", 0.0f);
    engagementRange = get<float>("Behaviour", "engagementRange");
    readTuning();
    checkPeriods();
    readRole();
    readComponents();
    checkWireframeReach();
    // What the views stand off from the ship, here for every type as the ship's other checks.
    Targetable::checkViewOffsets(*this);
    // Checked here for every type, since a type whose pool starts empty builds its first body
    // mid-game.
    PhysicsBody::checkType(*this);
    if (get<bool>("Physics", "triggerAllProjectiles", false))
        collisionFlags |= TRIGGER_ALL_PROJECTILES;
    if (get<bool>("Physics", "explosionBounce", false))
        collisionFlags |= EXPLOSION_BOUNCE;
}

void ShipType::readTuning()
{
    for (int pair = 0; pair < TUNING_COUNT; ++pair) {
        const std::string stem = tuningKeys[pair];
        float bad = get<float>("Behaviour", stem + "Bad");
        float good = get<float>("Behaviour", stem + "Good");
        if (pair == SHOCK_HALFLIFE) {
            // Stored as decay rates; a half-life of 0 would make every AI read of it infinite or
            // not a number.
            if (bad == 0.0f || good == 0.0f) {
                const std::string key = stem + (bad == 0.0f ? "Bad" : "Good");
                ValueRange::refuse(*this, "Behaviour", key, "Ship type " + name + " has a " + key + " of 0");
            }
            bad = 1.0f / bad;
            good = 1.0f / good;
        }
        tuningPairs[pair].base = bad;
        tuningPairs[pair].range = good - bad;
    }
}

// The thrust effects' and the AI's tasks are made with every ship, perhaps first mid-game: a
// period that is missing or no number stops the start instead. A period of 0 or below runs its
// task at every pass of the scheduler.
void ShipType::checkPeriods() const
{
    get<float>("Thrust", "updatePeriod");
    get<float>("Thrust", "updateVariance");
    for (const auto& keys : behaviourPeriodKeys) {
        get<float>("Behaviour", keys[0]);
        get<float>("Behaviour", keys[1]);
    }
}

void ShipType::readRole()
{
    const std::string value = get<std::string>(shipSection, "role");
    if (value == "interceptor") {
        role = INTERCEPTOR;
    } else if (value == "fighter") {
        role = FIGHTER;
    } else if (value == "capital") {
        role = CAPITAL;
    } else {
        ValueRange::refuse(*this, shipSection, "role", "Ship type " + name + " has unknown role: " + value);
    }
}

void ShipType::readComponents()
{
    std::vector<std::vector<std::string>> neighbourNames;
    std::set<std::string> seen;
    for (const std::string& section : getSectionNames()) {
        if (section.find(componentMarker) == std::string::npos || !seen.insert(section).second)
            continue;
        componentMeshes.push_back(get<std::string>(section, "mesh"));
        componentMeshPositions.push_back(get<Ogre::Vector3>(section, "meshPosition", Ogre::Vector3::ZERO));
        componentArmour.push_back(get<float>(section, "armor"));
        componentTriggers.push_back(get<float>(section, "trigger", 0.0f));
        componentTriggerExplosionGroups.push_back(get<std::string>(section, "triggerExplosionGroup", ""));
        componentTriggerParticleSystems.push_back(get<std::string>(section, "triggerParticleSystem", ""));
        // The name is the section name less as many characters as the marker has, wherever the
        // marker stands: "Component_Hull" names "Hull", "Hull Component_Engine" "nent_Engine".
        // Neighbour keys and collision geometry name components the same way.
        componentNames.push_back(section.substr(componentMarker.size()));
        componentNeighbours.emplace_back();
        neighbourNames.emplace_back();
        for (const std::string& key : getKeys(section)) {
            if (key.find("adjacent") != std::string::npos)
                neighbourNames.back().push_back(getValue(section, key));
        }
    }
    linkNeighbours(neighbourNames);
}

// The damage display draws each component's wireframe mesh at its place, the whole scaled by
// damageWireframeScale, so the farthest it draws from the wireframe's centre is the scale times the
// farthest reach of a mesh about its place: a scale of 3.4e38 ended the game through the
// renderer's assertion on a wireframe's box once the player's ship was shown (-1 and 1e6 played).
void ShipType::checkWireframeReach() const
{
    double reach = 0.0;
    for (unsigned i = 0; i < getComponentCount(); ++i) {
        // In double: a place of 3.4e38 on each axis, at a small scale, draws within the range.
        const Ogre::Vector3& place = componentMeshPositions[i];
        const double distance = std::hypot(double(place.x), double(place.y), double(place.z));
        reach = std::max(reach, distance + wireframeMeshRadius(componentMeshes[i]));
    }
    const double drawn = std::abs(double(damageWireframeScale)) * reach;
    if (drawn > ValueRange::MAX_DRAWN_LENGTH) {
        std::ostringstream text;
        text << getPath() << ": damageWireframeScale " << ValueRange::figure(damageWireframeScale)
             << " draws the damage wireframe " << drawn << " units out (its meshes reach " << reach
             << " from its centre), beyond " << ValueRange::figure(ValueRange::MAX_DRAWN_LENGTH)
             << ", the longest length the renderer can draw";
        ValueRange::refuse(*this, shipSection, "damageWireframeScale", text.str());
    }
}

void ShipType::linkNeighbours(const std::vector<std::vector<std::string>>& neighbourNames)
{
    const unsigned count = getComponentCount();
    for (unsigned i = 0; i < count; ++i) {
        for (const std::string& neighbour : neighbourNames[i]) {
            for (unsigned k = 0; k < count; ++k) {
                if (k == i || componentNames[k] != neighbour)
                    continue;
                GameLog::line("ShipType (" + name + "): Adding adjacent components: " + componentNames[k] +
                              " and " + componentNames[i]);
                componentNeighbours[i].push_back(k);
                componentNeighbours[k].push_back(i);
                break;
            }
        }
    }
}

float ShipType::tuning(Tuning pair, float skill) const
{
    return tuningPairs[pair].base + skill * tuningPairs[pair].range;
}

float ShipType::getRotationCorrectionFactor(float skill) const
{
    return tuning(ROTATION_CORRECTION_FACTOR, skill);
}

float ShipType::getTargetLeadFactor(float skill) const
{
    return tuning(TARGET_LEAD_FACTOR, skill);
}

float ShipType::getPredictionAccuracy(float skill) const
{
    return tuning(PREDICTION_ACCURACY, skill);
}

float ShipType::getAttackArrivalProportion(float skill) const
{
    return tuning(ATTACK_ARRIVAL_PROPORTION, skill);
}

float ShipType::getMissileAvoidanceFactor(float skill) const
{
    return tuning(MISSILE_AVOIDANCE_FACTOR, skill);
}

float ShipType::getShockMovementThreshold(float skill) const
{
    return tuning(SHOCK_MOVEMENT_THRESHOLD, skill);
}

float ShipType::getShockDodgeThreshold(float skill) const
{
    return tuning(SHOCK_DODGE_THRESHOLD, skill);
}

float ShipType::getShockAttackThreshold(float skill) const
{
    return tuning(SHOCK_ATTACK_THRESHOLD, skill);
}

float ShipType::getShockHalflife(float skill) const
{
    return tuning(SHOCK_HALFLIFE, skill);
}

void ShipType::loadAll()
{
    loadAll(defaultFolder);
}

void ShipType::loadAll(const std::string& folder)
{
    if (!registry.byName.empty())
        return;
    loadedFolder = folder;
    install(readAll(folder));
}

void ShipType::unloadAll()
{
    if (poolLink.deactivateAll)
        poolLink.deactivateAll();
    if (poolLink.clearPools)
        poolLink.clearPools();
    registry = Registry();
}

void ShipType::reloadAll()
{
    // Read and checked whole first, then checked against what names them, with the new types
    // answering every look-up, and against the names loaded before: a refused file leaves the
    // types, their pools and the battle as they were, the weapon files it read for the first time
    // included.
    Weapon::TypeReading weapons;
    Registry fresh = readAll(loadedFolder);
    std::swap(registry, fresh);
    try {
        if (poolLink.checkReferences)
            poolLink.checkReferences();
    } catch (...) {
        std::swap(registry, fresh);
        throw;
    }
    std::swap(registry, fresh);
    requireNamesKept(registry, fresh);
    weapons.keep();
    // Everything in play goes, ships and all that may refer to them: nothing may keep a ship that
    // the pools are about to delete.
    if (poolLink.releasePooledObjects)
        poolLink.releasePooledObjects();
    unloadAll();
    install(std::move(fresh));
}

ShipType& ShipType::getByName(const std::string& typeName)
{
    const auto found = registry.byName.find(typeName);
    if (found == registry.byName.end()) {
        GameLog::line("ShipType " + typeName + " not found");
        throw ConfigurationError();
    }
    return *found->second;
}

ShipType& ShipType::getByFilename(const std::string& fileBaseName)
{
    const auto found = registry.byFile.find(fileBaseName);
    if (found == registry.byFile.end()) {
        GameLog::line("ShipType file " + fileBaseName + " not found");
        throw ConfigurationError();
    }
    return *found->second;
}

std::vector<std::string> ShipType::getTypeNames()
{
    std::vector<std::string> names;
    names.reserve(registry.loaded.size());
    for (const auto& entry : registry.loaded)
        names.push_back(entry.first->getName());
    return names;
}

std::string ShipType::getFilename(const std::string& typeName)
{
    return defaultFolder + "/" + typeName + ".ship";
}

} // namespace Tolvarine

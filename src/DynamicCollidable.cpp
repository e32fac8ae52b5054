#include "DynamicCollidable.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "GameLog.h"
#include "MeshLoader.h"
#include "OgreLink.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "ScriptArguments.h"
#include "ScriptReference.h"
#include "Ship.h"
#include "TargetGrid.h"
#include "TolvarineEngine.h"

#include <boost/python/class.hpp>
#include <boost/python/return_value_policy.hpp>

#include <OgreEntity.h>
#include <OgreException.h>
#include <OgreLodConfig.h>
#include <OgreMeshLodGenerator.h>
#include <OgreMeshManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreSubEntity.h>

#include <optional>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

const char* const DISPLAY = "Display";
// The group that holds the game's meshes.
const char* const MESH_GROUP = "Core";

Ogre::SceneManager& engineSceneManager()
{
    TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager) {
        GameLog::line(
            "DynamicCollidable: the engine has no scene manager");
        throw FatalError();
    }
    return *engine->sceneManager;
}

// A mesh that cannot be loaded is followed by the line that names the data file and key that
// name it: the mesh's own line names only the mesh.
Ogre::MeshPtr loadDisplayMesh(const Config& config, const std::string& key, const std::string& group,
                              const std::string& user)
{
    try {
        return MeshLoader::load(config.get<std::string>(DISPLAY, key), group, false, user);
    } catch (const ConfigurationError&) {
        config.logPlace(DISPLAY, key);
        throw;
    }
}

// Gives the shared mesh its manual levels of detail from "mesh_1"/"distance_1" on. Only the
// first object that loads a mesh does so; a mesh that has levels already keeps them. Every level
// mesh is loaded first, so a missing one is reported by name before the mesh refers to it.
void createLevelsOfDetail(Ogre::MeshPtr mesh, const Config& config, const std::string& user)
{
    if (mesh->getNumLodLevels() > 1)
        return;
    Ogre::LodConfig levels(mesh);
    Ogre::Real lastDistance = 0;
    for (int i = 1;; ++i) {
        const std::string index = std::to_string(i);
        const std::string levelMesh = config.get<std::string>(DISPLAY, "mesh_" + index, "");
        const float distance = config.get<float>(DISPLAY, "distance_" + index, -1.0f);
        if (levelMesh.empty() || !(distance > 0.0f))
            break;
        if (!(distance > lastDistance)) {
            GameLog::line(
                user + ": distance_" + index + " must be greater than the distance before it");
            config.logPlace(DISPLAY, "distance_" + index);
            throw ConfigurationError();
        }
        loadDisplayMesh(config, "mesh_" + index, MESH_GROUP, user);
        levels.createManualLodLevel(distance, levelMesh);
        lastDistance = distance;
    }
    if (levels.levels.empty())
        return;
    // The generator is a singleton of the rendering engine; one is made for the occasion when
    // the program has none.
    std::optional<Ogre::MeshLodGenerator> ownGenerator;
    if (!Ogre::MeshLodGenerator::getSingletonPtr())
        ownGenerator.emplace();
    Ogre::MeshLodGenerator::getSingleton()._generateManualLodLevels(levels);
}

// The mesh that section "Display" names, loaded and with its levels of detail, or null when the
// section names none: what the first object of a type does with its mesh, and what the type's
// check does at start-up for a type whose first object is built mid-game.
Ogre::MeshPtr prepareMesh(const Config& config, const std::string& user)
{
    if (!config.get<std::string>(DISPLAY, "mesh", "").empty())
        return loadDisplayMesh(config, "mesh", Ogre::RGN_AUTODETECT, user);
    if (config.get<std::string>(DISPLAY, "mesh_0", "").empty())
        return Ogre::MeshPtr();
    Ogre::MeshPtr mesh = loadDisplayMesh(config, "mesh_0", MESH_GROUP, user);
    createLevelsOfDetail(mesh, config, user);
    return mesh;
}

void deactivateFromScript(DynamicCollidable& collidable, int time)
{
    collidable.deactivate(static_cast<DisableTime>(time));
}

// A ship put into play through this face gets no faction, yet it flies, collides and is drawn like
// any other. It once went outside the bound of ships in play: 3,000 trifighters activated this way
// on a grid all flew, and the next fleet was counted from 1 ship in play; 1,500 at one place drew
// no frame in 60 s. So it counts against the bound, as Ship.activate's ships do, and one given
// back to its pool is taken out of it again, as Ship.activate does.
void enterPlay(const char* call, Ship& ship)
{
    if (ship.isActive())
        return;
    ScriptArguments::roomForShips(call, 1);
    ship.takeBackFromPool();
}

void activateFromScript(DynamicCollidable& collidable, unsigned long queryFlags, const Ogre::Vector3& position,
                        const Ogre::Quaternion& orientation, const Ogre::Vector3& velocity)
{
    const char* const call = "DynamicCollidable.activate";
    const Ogre::Vector3 place = ScriptArguments::position(call, position);
    const Ogre::Quaternion turn = ScriptArguments::orientation(call, orientation);
    const Ogre::Vector3 speed = ScriptArguments::velocity(call, velocity);
    if (auto* ship = dynamic_cast<Ship*>(&collidable))
        enterPlay(call, *ship);
    collidable.activate(queryFlags, place, turn, speed);
}

} // namespace

DynamicCollidable::DynamicCollidable(const std::string& name, const Config& config,
                                     const Ogre::Vector3& position,
                                     const Ogre::Quaternion& orientation)
    : DynamicCollidable(engineSceneManager(), name, config, position, orientation)
{
}

DynamicCollidable::DynamicCollidable(Ogre::SceneManager& sceneManager, const std::string& name,
                                     const Config& config, const Ogre::Vector3& position,
                                     const Ogre::Quaternion& orientation)
    : sceneManager(sceneManager)
    , collisionGeometry(config, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
    , physicsBody(config)
    , link(std::make_unique<OgreLink>(&physicsBody,
                                      config.get<bool>("Physics", "explosionEffectable", false),
                                      nullptr, nullptr, nullptr))
    , synchronise([this](const Ogre::Vector3& p, const Ogre::Quaternion& o, const Ogre::Vector3& v) {
        synchroniseDynamics(p, o, v);
    })
{
    try {
        node = sceneManager.createSceneNode(name);
    } catch (const Ogre::Exception& error) {
        GameLog::line("DynamicCollidable " + name
                      + ": no scene node: "
                      + error.getDescription());
        throw ConfigurationError();
    }
    try {
        node->setPosition(position);
        node->setOrientation(orientation);
        createEntity(config, name);
    } catch (...) {
        destroySceneObjects();
        throw;
    }
    collisionGeometry.setBody(physicsBody);
    physicsBody.setOwner(this);
    PhysicsEngine::getSingleton().addBody(&physicsBody);
}

void DynamicCollidable::createEntity(const Config& config, const std::string& name)
{
    const std::string user = "DynamicCollidable " + name;
    const Ogre::MeshPtr mesh = prepareMesh(config, user);
    if (!mesh)
        return;
    try {
        entity = sceneManager.createEntity(name, mesh);
    } catch (const Ogre::Exception& error) {
        GameLog::line(user + ": no entity of the mesh "
                      + mesh->getName() + ": "
                      + error.getDescription());
        throw ConfigurationError();
    }
    link->attachTo(*entity);
    node->attachObject(entity);
    for (unsigned i = 0; i < entity->getNumSubEntities(); ++i)
        subEntityMaterials.push_back(entity->getSubEntity(i)->getMaterialName());
    if (!subEntityMaterials.empty())
        materialName = subEntityMaterials.front();
}

void DynamicCollidable::checkType(const Config& config)
{
    CollisionGeometry::checkSections(config);
    PhysicsBody::checkType(config);
    config.get<bool>("Physics", "explosionEffectable", false);
    // Tools that read types without the rendering engine check the values alone.
    if (Ogre::MeshManager::getSingletonPtr())
        prepareMesh(config, "DynamicCollidable of " + config.getPath());
}

bool DynamicCollidable::namesMesh(const Config& config)
{
    return !config.get<std::string>(DISPLAY, "mesh", "").empty()
        || !config.get<std::string>(DISPLAY, "mesh_0", "").empty();
}

DynamicCollidable::~DynamicCollidable()
{
    destroySceneObjects();
    if (PhysicsEngine* engine = PhysicsEngine::getSingletonPtr())
        engine->removeBody(&physicsBody);
}

void DynamicCollidable::destroySceneObjects()
{
    if (!node)
        return;
    if (Ogre::SceneNode* parent = node->getParentSceneNode())
        parent->removeChild(node);
    node->detachAllObjects();
    if (entity)
        sceneManager.destroyEntity(entity);
    entity = nullptr;
    sceneManager.destroySceneNode(node);
    node = nullptr;
}

void DynamicCollidable::activate(unsigned long queryFlags, const Ogre::Vector3& position,
                                 const Ogre::Quaternion& orientation,
                                 const Ogre::Vector3& velocity)
{
    active = true;
    ++activationCount;
    collisionGeometry.enable();
    PhysicsEngine::getSingleton().activateBody(&physicsBody);
    physicsBody.activate();
    // An active object keeps its registration: the node is moved once per frame, not twice.
    physicsBody.removePositionListener(&synchronise);
    physicsBody.addPositionListener(&synchronise);
    physicsBody.setPosition(position);
    physicsBody.setOrientation(orientation);
    physicsBody.setLinearVelocity(velocity);
    node->setVisible(true, true);
    // As a scene dynamic body's: one placed beyond the physics' reach (a ship, a shot, burning
    // debris) stays out of the scene until the engine takes it out of play.
    if (!node->getParent() && physicsBody.isFollowable())
        sceneManager.getRootSceneNode()->addChild(node);
    if (entity) {
        entity->setQueryFlags(static_cast<Ogre::uint32>(queryFlags));
        // Each part shows the material it was made with again, whatever was put on it since.
        for (unsigned i = 0; i < entity->getNumSubEntities(); ++i)
            entity->getSubEntity(i)->setMaterialName(subEntityMaterials[i]);
    }
    fileInGrid();
}

void DynamicCollidable::deactivate(DisableTime time)
{
    active = false;
    collisionGeometry.disable(time);
    physicsBody.deactivate(time);
    PhysicsEngine::getSingleton().deactivateBody(&physicsBody);
    if (Ogre::SceneNode* parent = node->getParentSceneNode())
        parent->removeChild(node);
    if (entity)
        TargetGrid::get().withdraw(*entity);
    filedCell.reset();
}

std::string DynamicCollidable::getBodyName() const
{
    return node->getName() + " of " + physicsBody.getTypeFile();
}

void DynamicCollidable::bodyOutOfReach()
{
    if (!active)
        return;
    deactivate(TAKEN_OUT);
    if (active)
        DynamicCollidable::deactivate(TAKEN_OUT);
}

void DynamicCollidable::synchroniseDynamics(const Ogre::Vector3& position,
                                            const Ogre::Quaternion& orientation,
                                            const Ogre::Vector3&)
{
    Profiler* const profiler = Profiler::getSingletonPtr();
    if (profiler)
        profiler->beginProfile("DynamicCollidable::synchroniseDynamics");
    node->setPosition(position);
    node->setOrientation(orientation);
    // The node hangs from the scene's root, so the entity is where the node's position says; it is
    // filed again only when it crosses into another cube of the grid.
    if (active && filedCell && *filedCell != TargetGrid::cellOf(position))
        fileInGrid();
    if (profiler)
        profiler->endProfile();
}

void DynamicCollidable::fileInGrid()
{
    // Targets and what blasts push are searched for in the grid; the link's faces are set when the
    // object is made, and the query flags, which a script may choose, when it enters play.
    if (entity && (link->getTargetable() || (entity->getQueryFlags() & OgreLink::EXPLOSION_EFFECTABLE_FLAG)))
        filedCell = TargetGrid::get().file(*entity);
}

void DynamicCollidable::setGeometryOwner(CollisionListener* owner)
{
    collisionGeometry.setListener(owner);
}

float DynamicCollidable::getBoundingRadius() const
{
    return entity ? entity->getBoundingRadius() : 0.0f;
}

void DynamicCollidable::exportToPython()
{
    bp::class_<DynamicCollidable, std::shared_ptr<DynamicCollidable>, boost::noncopyable>(
        "DynamicCollidable", bp::no_init)
        .def("activate", &activateFromScript)
        .def("deactivate", &deactivateFromScript)
        .def("getLink", &DynamicCollidable::getLink, bp::return_value_policy<ReturnScriptReference>());
}

void DynamicCollidable::exportLinkToPython()
{
    // A link goes with its object (reading the ship types again deletes every ship's).
    bp::class_<OgreLink, ScriptReference<OgreLink>, boost::noncopyable>("OgreLink", bp::no_init);
}

} // namespace Tolvarine

#pragma once

#include "CollisionGeometry.h"
#include "DisableTime.h"
#include "PhysicsBody.h"
#include "PositionReporter.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Ogre {
class Entity;
class SceneManager;
class SceneNode;
} // namespace Ogre

namespace Tolvarine {

class CollisionListener;
class Config;
class OgreLink;

// The physical game object: a mesh entity (with its levels of detail) on a scene node, a physics
// body that moves the node, the collision geometry of the type file and a scene link that leads
// from the entity back to the object. Built once from its type file, then activated and
// deactivated many times (ships, stations, formations, projectiles, beams and debris are pooled).
//
// Type file: "Physics" for the body and "explosionEffectable"; "Display" with either "mesh" (one
// mesh) or "mesh_0" with "mesh_1"/"distance_1", "mesh_2"/"distance_2", … (levels of detail, given
// to the shared mesh by the first object that loads it; the list ends at an empty name or a
// distance not above 0); every "Collision_Geometry" section (see CollisionGeometry).
class DynamicCollidable : public PhysicsBody::Owner {
public:
    // Builds the object in the engine's scene manager. `name` names the scene node and the entity
    // and must be unique in the scene. A mesh that cannot be loaded is logged, with the type
    // file's "Config: in" line for the key that names it, and raises ConfigurationError, leaving
    // nothing behind in the scene.
    DynamicCollidable(const std::string& name, const Config& config,
                      const Ogre::Vector3& position, const Ogre::Quaternion& orientation);
    // The same in a given scene manager (tools and tests that run without the engine).
    DynamicCollidable(Ogre::SceneManager& sceneManager, const std::string& name,
                      const Config& config, const Ogre::Vector3& position,
                      const Ogre::Quaternion& orientation);
    virtual ~DynamicCollidable();
    // Reads and checks a type as the constructor does, without building an object: every
    // collision geometry section (CollisionGeometry::checkSections), section "Physics"
    // (PhysicsBody::checkType) and the "Display" mesh with its levels of detail, loaded and given
    // to the shared mesh as the first object would. The type loaders call it for every type,
    // whatever its pool size: a type whose pool starts empty builds its first object mid-game. A
    // refusal is logged with the file's line "Config: in <path>, section <section>, key <key>" and
    // raises ConfigurationError.
    static void checkType(const Config& config);
    // Whether section "Display" names a mesh ("mesh" or "mesh_0").
    static bool namesMesh(const Config& config);
    DynamicCollidable(const DynamicCollidable&) = delete;
    DynamicCollidable& operator=(const DynamicCollidable&) = delete;

    // Takes the object out of play: no collisions, body stopped, node out of the scene. The base
    // ignores the time; derived classes give it meaning.
    virtual void deactivate(DisableTime time);

    // Puts the object into play at rest, then at the pose and velocity given: colliding, moving,
    // visible, with `queryFlags` as the entity's scene-query flags. Activating an active object
    // places it anew; it stays registered once everywhere. The entity of an object with a
    // Targetable face is filed in the TargetGrid while the object is in play, and again as it moves.
    void activate(unsigned long queryFlags, const Ogre::Vector3& position,
                  const Ogre::Quaternion& orientation, const Ogre::Vector3& velocity);

    // The position listener of the body: moves the node to the body.
    void synchroniseDynamics(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                             const Ogre::Vector3& velocity);

    // PhysicsBody::Owner: the scene node's name and the type file ("Ship3 of
    // data/entities/trifighter.ship").
    std::string getBodyName() const override;
    // An object in play leaves it through its own deactivate, with disable time TAKEN_OUT, and its
    // body goes with it also where that leaves the object as it is (a ship without a side).
    void bodyOutOfReach() override;

    // Every collision geometry reports to `owner`, which also gives their component indices.
    void setGeometryOwner(CollisionListener* owner);

    PhysicsBody& getPhysicsBody() { return physicsBody; }
    const PhysicsBody& getPhysicsBody() const { return physicsBody; }
    CollisionGeometry& getCollisionGeometry() { return collisionGeometry; }
    // The entity's bounding radius, 0 without an entity.
    float getBoundingRadius() const;
    // Lives as long as the object; never null.
    OgreLink* getLink() const { return link.get(); }
    bool isActive() const { return active; }
    // How many times the object has been put into play. Each activation begins another life of
    // it, so what started on an earlier life (a dying ship's explosion sequence) can tell that the
    // object it holds now flies for someone, or for the same script, anew.
    unsigned getActivationCount() const { return activationCount; }
    Ogre::SceneNode* getSceneNode() const { return node; }
    // Null when the type file names no mesh.
    Ogre::Entity* getEntity() const { return entity; }
    // The material of the entity's first sub-entity when it was created.
    const std::string& getMaterialName() const { return materialName; }

    // Registers the script class "DynamicCollidable": held by shared pointer, not creatable from
    // scripts, with "activate", "deactivate" (taking the disable time as a number, dispatched to
    // the object's own class) and "getLink". "activate" of a ship out of play puts it into play
    // without a faction: it counts against the bound of ships in play and is refused past it
    // (ScriptArguments::roomForShips), and the end of the scenario takes it out of play.
    static void exportToPython();
    // Registers the script class "OgreLink": not creatable from scripts, no operations; scripts
    // get links from "getLink" and hand them back to operations that take one. Held by
    // ScriptReference, as a link goes with its object.
    static void exportLinkToPython();

private:
    void createEntity(const Config& config, const std::string& name);
    void destroySceneObjects();
    // Files the entity of an object in play that searches look for (a targetable one, or one that
    // explosions push) in the grid they search, where its node is now.
    void fileInGrid();

    Ogre::SceneManager& sceneManager;
    CollisionGeometry collisionGeometry;
    PhysicsBody physicsBody;
    bool active = false;
    unsigned activationCount = 0;
    Ogre::SceneNode* node = nullptr;
    Ogre::Entity* entity = nullptr;
    std::unique_ptr<OgreLink> link;
    std::string materialName;
    // Every sub-entity's material at creation, given back on each activation.
    std::vector<std::string> subEntityMaterials;
    PositionListener synchronise;
    // The grid cube the entity is filed in, while it is filed.
    std::optional<std::uint64_t> filedCell;
};

} // namespace Tolvarine

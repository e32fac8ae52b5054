#pragma once

#include "DisableTime.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>
#include <ode/common.h>

#include <memory>
#include <vector>

namespace Tolvarine {

class CollisionBody;
class CollisionListener;
class Config;
class PhysicsBody;
class PhysicsGeometry;

// The collision shapes of one object: its own ODE simple space holding the object's collision
// bodies. The space carries this object as its ODE data, and while the object is enabled the
// space is a member of the physics engine's top-level space.
class CollisionGeometry {
public:
    // An empty space that is in no other space and never destroys its members (the collision
    // bodies own their geometries).
    CollisionGeometry();
    // One collision body for every section of the type file whose name contains
    // "Collision_Geometry", in file order. Keys: "type" ("box" with "size", "sphere" with
    // "radius", "ray" with "length" and "direction", "trimesh" with "mesh" and "triangleBudget"),
    // "component", and the placement "position" and "rotationAngles" (degrees). A ray starts at
    // its position and points along its direction turned by its rotation. A caller's offset other
    // than zero and identity replaces every section's placement (a ray's "position" then moves its
    // start within that placement). A section of any other type is skipped without a message. A
    // missing required key or a negative size raises ConfigurationError after a log line and the
    // type file's "Config: in" line for the key (a trimesh whose mesh cannot be used: for its
    // "mesh").
    CollisionGeometry(const Config& config, const Ogre::Vector3& offsetPosition,
                      const Ogre::Quaternion& offsetOrientation);
    // Reads and checks every section as the constructor does, without building a body, and builds
    // the collision mesh of every trimesh (kept for the program's life, as the first object's
    // would be): for the type loaders at start-up, since a type whose pool starts empty builds its
    // first object mid-game. A refusal is logged with the file's line "Config: in <path>, section
    // <section>, key <key>" and raises ConfigurationError.
    static void checkSections(const Config& config);
    virtual ~CollisionGeometry();
    CollisionGeometry(const CollisionGeometry&) = delete;
    CollisionGeometry& operator=(const CollisionGeometry&) = delete;

    // Asked by the physics engine for every pair of objects whose spaces touch.
    virtual bool accepts(CollisionGeometry* other);

    // Appends a collision body and puts its geometry into this object's space.
    void addCollisionBody(std::shared_ptr<CollisionBody> body);
    // Puts the space into the top-level space and lets every collision body collide.
    void enable();
    // Takes the space out of the top-level space and stops every collision body.
    void disable(DisableTime time);
    void setBody(PhysicsBody& body);
    // Looks every component index up again with the new owner.
    void setListener(CollisionListener* owner);

    dSpaceID getSpace() const;
    const std::vector<std::shared_ptr<CollisionBody>>& getCollisionBodies() const { return bodies; }

private:
    std::unique_ptr<PhysicsGeometry> space;
    std::vector<std::shared_ptr<CollisionBody>> bodies;
};

} // namespace Tolvarine

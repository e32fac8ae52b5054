#pragma once

#include "PhysicsBody.h"
#include "PositionReporter.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <string>

namespace Ogre {
class SceneManager;
class SceneNode;
} // namespace Ogre

namespace Tolvarine {

class Config;

// A scene node moved by a physics body of its own, without collision: effects (explosions,
// particle sprays) drift, keep their momentum and slow down under the same physics as the game
// objects. Derived classes are pooled and attach their effects to the node.
class SceneDynamicBody : public PhysicsBody::Owner {
public:
    // The body from the type file's "Physics" section and a node named "SceneDynamicBody_"
    // followed by a number shared by every scene dynamic body of the program (from 0), created in
    // the engine's scene manager and not yet in the scene.
    explicit SceneDynamicBody(const Config& config);
    // The same in a given scene manager (tools and tests that run without the engine).
    SceneDynamicBody(Ogre::SceneManager& sceneManager, const Config& config);
    // The node is left to the scene manager, which outlives the pools.
    virtual ~SceneDynamicBody();
    SceneDynamicBody(const SceneDynamicBody&) = delete;
    SceneDynamicBody& operator=(const SceneDynamicBody&) = delete;

    // Starts the body at rest, then turns, places and launches it; the node joins the scene and
    // follows the body. Activating an active body places it anew.
    virtual void activate(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                          const Ogre::Vector3& velocity);
    // Stops the body and takes the node out of the scene. Derived classes call it from theirs.
    virtual void deactivate();

    // The position listener of the body: moves the node to the body.
    void synchroniseDynamics(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                             const Ogre::Vector3& velocity);

    // PhysicsBody::Owner: the scene node's name and the type file.
    std::string getBodyName() const override;
    // Leaves play through deactivate; a derived class that ends its life otherwise overrides it.
    void bodyOutOfReach() override;

    PhysicsBody& getPhysicsBody() { return physicsBody; }
    const PhysicsBody& getPhysicsBody() const { return physicsBody; }
    Ogre::SceneNode* getSceneNode() const { return node; }

private:
    static unsigned nextNumber;

    Ogre::SceneManager& sceneManager;
    PhysicsBody physicsBody;
    Ogre::SceneNode* node;
    PositionListener synchronise;
};

} // namespace Tolvarine

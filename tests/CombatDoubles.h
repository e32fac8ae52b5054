#pragma once

#include "CollisionListener.h"
#include "Config.h"
#include "DynamicCollidable.h"
#include "OgreLink.h"

#include <OgreVector.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// One call of inflictDamage.
struct DamageRecord {
    Ogre::Vector3 position;
    Ogre::Vector3 velocity;
    int component;
    float directDamage;
    float splashDamage;
    float shock;
    int damageType;
};

// A listener that records what a hit hands it, and answers a collision type the test chooses.
class RecordingListener : public CollisionListener {
public:
    explicit RecordingListener(int collisionType = 0) : collisionType(collisionType) {}

    int getCollisionType() const override { return collisionType; }
    void inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3& velocity, int component,
                       float directDamage, float splashDamage, float shock, DamageType damageType) override
    {
        damage.push_back({position, velocity, component, directDamage, splashDamage, shock,
                          static_cast<int>(damageType)});
        if (onDamage)
            onDamage();
    }
    void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3&) override
    {
        pushes.push_back(force);
    }

    int collisionType;
    std::vector<DamageRecord> damage;
    std::vector<Ogre::Vector3> pushes; // the force of each
    // Called after each recorded damage: what the object hit does about it.
    std::function<void()> onDamage;
};

// A body in the scene that can be shot and blasted: its collision listener and scene link lead to a
// recording listener that also pushes the body. The test writes its type file, with a mesh.
class TargetBody : public DynamicCollidable, public RecordingListener {
public:
    TargetBody(Ogre::SceneManager& scene, const std::string& name, const Config& type)
        : DynamicCollidable(scene, name, type, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
    {
        setGeometryOwner(this);
        getLink()->setListener(this);
    }

    void place(const Ogre::Vector3& position)
    {
        activate(getLink()->getFlags(), position, Ogre::Quaternion::IDENTITY, Ogre::Vector3::ZERO);
    }

    void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position) override
    {
        RecordingListener::applyExplosionForce(force, position);
        getPhysicsBody().addForceAtPosition(force, position);
    }
};

} // namespace Tolvarine::Test

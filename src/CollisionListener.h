#pragma once

#include "DamageType.h"

#include <OgreVector.h>

#include <string>

namespace Tolvarine {

// What an object offers the physics engine and other objects when one of its collision
// geometries is hit. Every operation has a harmless default, so an owner overrides only what it
// cares about.
class CollisionListener {
public:
    // The component ids of a hit with a meaning beyond an index: a hit on no component (a geometry
    // that names none), and one on every component at once (the blast of an explosion).
    static constexpr int NO_COMPONENT = -1;
    static constexpr int ALL_COMPONENTS = -2;

    // A small category that colliding objects use to tell what they hit.
    virtual int getCollisionType() const;
    // Maps the component name of one of the owner's geometries to the owner's component index.
    virtual int getComponentIndex(const std::string& componentName) const;
    // Called for every contact of one of the owner's geometries with another object's geometry.
    // True makes the contact physical; false lets the two objects pass through each other for
    // this frame.
    virtual bool collide(CollisionListener* other, int otherComponent,
                         const Ogre::Vector3& position, const Ogre::Vector3& normal);
    // `component` is one of the owner's component indices, NO_COMPONENT or ALL_COMPONENTS.
    virtual void inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3& velocity,
                               int component, float directDamage, float splashDamage, float shock,
                               DamageType damageType);
    // A world-frame push applied at a world position.
    virtual void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position);

protected:
    CollisionListener() = default;
    CollisionListener(const CollisionListener&) = default;
    CollisionListener& operator=(const CollisionListener&) = default;
    // Listeners are never deleted through this interface.
    ~CollisionListener() = default;
};

} // namespace Tolvarine

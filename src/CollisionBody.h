#pragma once

#include "CollisionListener.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>
#include <ode/common.h>

#include <memory>
#include <string>

namespace Tolvarine {

class PhysicsBody;
class PhysicsGeometry;

// The data that rides on one ODE collision geometry: its component name, the owner's component
// index, the contact surface values and the owner's listener. Seen as a CollisionListener it
// forwards to the owner, so damage, pushes and collision types always reach the object that owns
// the geometry.
class CollisionBody : public CollisionListener {
public:
    // Takes the geometry. At a zero offset the geometry is used directly; any offset wraps it in a
    // geometry transform, which is then the geometry placed in the object's space.
    CollisionBody(const std::string& componentName, std::unique_ptr<PhysicsGeometry> geometry,
                  const Ogre::Vector3& position, const Ogre::Quaternion& orientation);
    ~CollisionBody();
    CollisionBody(const CollisionBody&) = delete;
    CollisionBody& operator=(const CollisionBody&) = delete;

    // Looks the component index up with the owner; a null owner keeps the old index.
    void setListener(CollisionListener* owner);
    void setEnabled(bool enabled) { this->enabled = enabled; }
    void setBody(PhysicsBody& body);

    // The geometry that goes into the object's space (the transform when there is an offset).
    dGeomID getGeometry() const;
    const std::string& getComponentName() const { return componentName; }
    // The owner's index of this geometry's component, handed to the other party of a contact.
    int getComponentIndex() const { return componentIndex; }
    bool isEnabled() const { return enabled; }
    float getFriction() const { return friction; }
    float getRestitution() const { return restitution; }

    // The listener face.
    int getCollisionType() const override;
    int getComponentIndex(const std::string& componentName) const override;
    bool collide(CollisionListener* other, int otherComponent, const Ogre::Vector3& position,
                 const Ogre::Vector3& normal) override;
    void inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3& velocity, int component,
                       float directDamage, float splashDamage, float shock,
                       DamageType damageType) override;
    void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position) override;

private:
    std::string componentName;
    int componentIndex = NO_COMPONENT;
    bool enabled = false;
    // Declared before the outer holder so that the transform goes first on destruction.
    std::unique_ptr<PhysicsGeometry> innerGeometry;
    std::unique_ptr<PhysicsGeometry> geometry;
    float friction;
    float restitution;
    CollisionListener* listener = nullptr;
};

} // namespace Tolvarine

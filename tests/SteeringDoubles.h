#pragma once

#include "Controllable.h"
#include "ForceController.h"
#include "OgreLink.h"
#include "PhysicsBody.h"

namespace Tolvarine::Test {

// A ship-like Controllable of maximum force 100 on a real physics body, with a scene link; it
// stands in for the player's ship and targets in formation tests.
class Craft : public Controllable, public ForceController {
public:
    Craft(const Config& type, float radius) : Controllable(type), body(type), radius(radius) {}

    Ogre::Vector3 getPosition() const override { return body.getPosition(); }
    Ogre::Quaternion getOrientation() const override { return body.getOrientation(); }
    Ogre::Vector3 getVelocity() const override { return body.getVelocity(); }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Ogre::Vector3 predictPosition(float t) const override { return body.predictPosition(t); }
    Ogre::Vector3 predictPositionWithThrust(float t) const override { return body.predictPositionWithThrust(t); }
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float f) const override
    {
        return body.predictPositionWithThrustFactor(t, f);
    }
    float getBoundingRadius() const override { return radius; }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return nullptr; }
    PhysicsBody* getPhysicsBody() override { return &body; }
    const PhysicsBody* getPhysicsBody() const override { return &body; }
    ForceController* getForceController() override { return this; }
    const ForceController* getForceController() const override { return this; }
    void setFiringPrimary(bool) override {}
    void setFiringSecondary(bool) override {}
    float getMaxForce() const override { return 100.0f; }
    float getMaxTorque() const override { return 10.0f; }
    void applyForce(const Ogre::Vector3&) override {}
    void applyTorque(const Ogre::Vector3&) override {}
    void setForce(const Ogre::Vector3&, bool) override {}
    void setTorque(const Ogre::Vector3&, bool) override {}
    void setRelativeForce(const Ogre::Vector3&, bool) override {}
    void setRelativeTorque(const Ogre::Vector3&, bool) override {}

    PhysicsBody body;
    float radius;
    OgreLink link{&body, false, nullptr, this, this};
};

} // namespace Tolvarine::Test

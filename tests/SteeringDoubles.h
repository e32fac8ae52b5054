#pragma once

// A scene for the AI's steering: the collision world's headless scene as the engine's scene, and
// small craft that are real physics bodies with an entity and a scene link, as ships are.

#include "CollisionWorld.h"
#include "Controllable.h"
#include "ForceController.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "TestMeshes.h"
#include "TolvarineEngine.h"

#include <OgreEntity.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// A ship-like Controllable of mass 2 (the type file's) and maximum force 100. It can stand in for
// a formation's pose and velocity in steering.
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

class SteeringWorld : public CollisionWorld {
protected:
    SteeringWorld() { engineObject.sceneManager = &scene(); }

    // A craft moving at `velocity`; with a name, also in the scene as a box of half size 5 that
    // carries `flags` and, unless `linked` is false, the craft's scene link.
    Craft& craft(const Ogre::Vector3& position, const Ogre::Vector3& velocity = Ogre::Vector3::ZERO,
                 float radius = 10.0f, const std::string& name = "", unsigned long flags = OgreLink::SHIP_FLAG,
                 bool linked = true)
    {
        crafts.push_back(std::make_unique<Craft>(*shipType, radius));
        Craft& made = *crafts.back();
        made.body.setPosition(position);
        made.body.setLinearVelocity(velocity);
        if (name.empty())
            return made;
        Ogre::Entity* entity = scene().createEntity(name, mesh);
        entity->setQueryFlags(static_cast<Ogre::uint32>(flags));
        if (linked)
            made.link.attachTo(*entity);
        scene().getRootSceneNode()->createChildSceneNode(position)->attachObject(entity);
        return made;
    }

    TolvarineEngine engineObject{Ogre::Root::getSingleton()};
    const std::string mesh = createMesh("craft.mesh", "Core", boxShape(Ogre::Vector3(5, 5, 5)))->getName();
    std::unique_ptr<Config> shipType =
        type("craft.ship", "[Physics]\nmass = 2\n[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n");
    std::vector<std::unique_ptr<Craft>> crafts;
};

} // namespace Tolvarine::Test

#pragma once

#include "Controllable.h"
#include "DynamicCollidable.h"
#include "StandardWeaponSystem.h"
#include "StationThruster.h"

#include <ode/ode.h>

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Tolvarine {

class CapitalShip;
class Config;
class TurretBehaviour;

// One turret of a capital ship: a physics body of its own held to the hull by a universal joint
// whose stops limit its yaw and pitch, with a primary and a secondary weapon system, a torque-only
// thruster and a turret AI. The player may man it (it is Controllable) but never select it as a
// target. Built with its ship at start-up and put into and out of play with it.
//
// Station types are the ".station" files of data/entities (or their enciphered twins), registered
// by file stem. A type file holds "Display", "Physics" (with "maxTorque"), "Collision_Geometry*",
// "Targetable", "WeaponSystem_Primary", "WeaponSystem_Secondary" and the turret AI's "Behaviour".
class CapitalShipStation : public DynamicCollidable, public Controllable {
public:
    // Reads every station type of the folder once; a second call changes nothing. A type that
    // checkType refuses is refused.
    static void loadTypes(const std::string& folder = "data/entities");
    // Checks a type as its stations read it, without building one: the body, collision geometry
    // and mesh (DynamicCollidable::checkType, and "maxTorque" of section "Physics"), the frame
    // (Targetable::checkType), both weapon systems
    // (StandardWeaponSystem::checkSection) and the turret AI (TurretBehaviour::checkType). The
    // loader calls it for every type; a refusal raises ConfigurationError.
    static void checkType(const Config& type);
    // Forgets every type (tools and tests that load more than one data tree in one process).
    static void unloadTypes();
    // The registered type; an unknown name is logged and raises ConfigurationError.
    static Config& getType(const std::string& name);
    // A new station of the named type for `ship`: `offset` and `homeOrientation` in the ship's
    // frame, the four limits in radians (stops at -negative and +positive about each axis).
    static std::shared_ptr<CapitalShipStation> create(CapitalShip* ship, const Ogre::Vector3& offset,
                                                      const Ogre::Quaternion& homeOrientation,
                                                      float yawPositiveLimit, float yawNegativeLimit,
                                                      float pitchPositiveLimit, float pitchNegativeLimit,
                                                      const std::string& typeName);

    CapitalShipStation(CapitalShip* ship, Config& type, const Ogre::Vector3& offset,
                       const Ogre::Quaternion& homeOrientation, float yawPositiveLimit, float yawNegativeLimit,
                       float pitchPositiveLimit, float pitchNegativeLimit);
    ~CapitalShipStation() override;

    // Gives a universal joint its two axes (world coordinates, at right angles to each other) in an
    // order that never passes through two parallel axes on the way: the physics library rebuilds
    // the joint's rest pose after each axis and reports parallel ones as a zero-length vector.
    static void setJointAxes(dJointID joint, const Ogre::Vector3& first, const Ogre::Vector3& second);

    // Puts the station into play on its ship, which must already be in play: placed at its home
    // pose on the hull, joined to it, of the ship's faction, its weapons and AI running.
    void activate();
    // Takes the station out of play. A station the player mans hands the player to command mode.
    void deactivate(DisableTime time) override;

    // PositionReporter: the station's own body.
    Ogre::Vector3 getPosition() const override;
    Ogre::Quaternion getOrientation() const override;
    Ogre::Vector3 getVelocity() const override;
    void addPositionListener(PositionListener* listener) override;
    void removePositionListener(PositionListener* listener) override;
    Ogre::Vector3 predictPosition(float t) const override;
    Ogre::Vector3 predictPositionWithThrust(float t) const override;
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float factor) const override;

    // Targetable: damage, faction and threats are the ship's.
    float getBoundingRadius() const override;
    DamageModel* getDamageModel() override;
    Faction* getFaction() override;
    bool isTargetable() override { return false; }
    bool isValidTarget() override { return true; }
    float getThreatRangeSquared() override;
    void addThreat(GuidedProjectile* missile) override;
    // Forwarded like addThreat, so that a missile announced through the station never stays in
    // the ship's threat list after it is gone.
    void removeThreat(GuidedProjectile* missile) override;
    void setPendingVector(const Ogre::Vector3& vector) override;
    void setPendingObject(Controllable* attacker) override;

    // Controllable
    PhysicsBody* getPhysicsBody() override { return &DynamicCollidable::getPhysicsBody(); }
    const PhysicsBody* getPhysicsBody() const override { return &DynamicCollidable::getPhysicsBody(); }
    ForceController* getForceController() override { return &thruster; }
    const ForceController* getForceController() const override { return &thruster; }
    WeaponSystem* getPrimaryWeaponSystem() override { return &primaryWeapons; }
    WeaponSystem* getSecondaryWeaponSystem() override { return &secondaryWeapons; }
    // Self-destruction from a station destroys the capital ship.
    void destroy() override;
    void setTarget(Targetable*) override {}
    void setFiringPrimary(bool firing) override;
    void setFiringSecondary(bool firing) override;
    Ogre::Overlay* getWeaponOverlay() override;
    // The player mans the station (its AI stops) or leaves it (the AI takes over again while the
    // station is in play).
    void setFocus(bool focus) override;

    CapitalShip* getShip() const { return ship; }
    TurretBehaviour& getTurretBehaviour() { return *turretBehaviour; }
    dJointID getJoint() const { return joint; }
    const Ogre::Vector3& getOffset() const { return offset; }
    const Ogre::Quaternion& getHomeOrientation() const { return homeOrientation; }
    const std::string& getObjectName() const { return objectName; }

private:
    static std::string nextName();
    bool worldAlive() const;

    static std::uint32_t nameCounter;

    std::string objectName;
    CapitalShip* ship;
    dJointID joint;
    std::uint64_t worldSerial;
    Ogre::Vector3 offset;
    Ogre::Quaternion homeOrientation;
    StationThruster thruster;
    std::unique_ptr<TurretBehaviour> turretBehaviour;
    StandardWeaponSystem primaryWeapons;
    StandardWeaponSystem secondaryWeapons;
};

} // namespace Tolvarine

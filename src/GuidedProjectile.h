#pragma once

#include "Controllable.h"
#include "DamageModel.h"
#include "MissileBehaviour.h"
#include "MissileThrust.h"
#include "MissileWeaponSystem.h"
#include "Projectile.h"

#include <string>

namespace Tolvarine {

class Config;

// A missile: a projectile that is also a Controllable, so that its guidance steers it like a small
// ship, the heads-up display frames it and ships and point defence can aim at it. A missile close
// to its target announces itself to the target as a threat; the target's AI then dodges it, reading
// the missile's physics body, and drops it once the missile has left play (its inactive flag).
//
// It flies with its engine (MissileThrust) under its guidance (MissileBehaviour), keeps the
// velocity of the craft that fired it, explodes on any contact and ends quietly at its time-out.
// Its damage model is one component, "Hull", without a wireframe mesh, always whole: the missile
// takes no damage, so a blast that sweeps over a salvo does not set the rest of it off. Anything
// that hits it (a slug, a beam, point defence) makes it explode through its own collide. Firing
// its weapon system, or its controls, detonates it too.
//
// Type keys besides those of a projectile (section "Fireable" with "guided" = 1): the sections
// "Targetable", "Thrust" and "Behaviour".
class GuidedProjectile : public Projectile, public Controllable, public DamageModel {
public:
    // The name of the hull, its only damage component.
    static const char* const HULL;

    // A missing required key fails as the configuration read does, and the missile is not built.
    GuidedProjectile(Config& type, const std::string& typeName);
    ~GuidedProjectile() override;
    // Reads and checks the type as the constructor does, without building a missile: a
    // projectile's keys (Projectile::checkType) and the sections "Targetable", "Thrust" and
    // "Behaviour". The projectile loader calls it for every missile type whatever its pool size.
    static void checkType(const Config& type, const std::string& typeName);

    // How far the missile reaches, the estimate its guidance uses when it looks for a target ahead:
    // its current speed plus half its engine's acceleration times its time to live squared.
    virtual float getRange() const;

    // Flies from `position` with the firer's velocity plus `speed` along the orientation's negative
    // z axis, guided onto `target`, or onto the enemy it finds ahead when there is none. Refused
    // as a projectile's launch is.
    void launch(Faction* faction, bool isPlayer, const Ogre::Vector3& position, const Ogre::Vector3& ownerVelocity,
                const Ogre::Quaternion& orientation, float speed, Targetable* target) override;
    void deactivate(DisableTime time) override;
    // Any contact while in flight: the damage and push of a hit, then always an explosion, then
    // the hit in the statistics; then the missile ends.
    bool collide(CollisionListener* other, int otherComponent, const Ogre::Vector3& position,
                 const Ogre::Vector3& normal) override;

    // PositionReporter: the physics body's.
    Ogre::Vector3 getPosition() const override;
    Ogre::Quaternion getOrientation() const override;
    Ogre::Vector3 getVelocity() const override;
    void addPositionListener(PositionListener* listener) override;
    void removePositionListener(PositionListener* listener) override;
    Ogre::Vector3 predictPosition(float t) const override;
    Ogre::Vector3 predictPositionWithThrust(float t) const override;
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float factor) const override;

    // Targetable
    float getBoundingRadius() const override;
    DamageModel* getDamageModel() override { return this; }
    // Null while the missile is in its pool.
    Faction* getFaction() override;
    bool isValidTarget() override { return true; }

    // Controllable
    PhysicsBody* getPhysicsBody() override;
    const PhysicsBody* getPhysicsBody() const override;
    ForceController* getForceController() override { return &thrust; }
    const ForceController* getForceController() const override { return &thrust; }
    WeaponSystem* getPrimaryWeaponSystem() override { return &weaponSystem; }
    WeaponSystem* getSecondaryWeaponSystem() override { return nullptr; }
    // Detonates the missile in flight: an explosion where it is, no damage of its own, no hit.
    // Nothing happens to a missile that is not in flight.
    void destroy() override;
    void setFiringPrimary(bool firing) override;
    void setFiringSecondary(bool firing) override;

    // DamageModel: the one component "Hull".
    unsigned getComponentCount() const override { return 1; }
    std::string getComponentName(unsigned index) const override;
    // Empty: a missile has no wireframe, and displays must draw nothing for it.
    std::string getComponentMesh(unsigned index) const override;
    Ogre::Vector3 getComponentPosition(unsigned index) const override;
    // The hull is never damaged, so it is always whole and has nothing to tell a subscriber.
    float getComponentHealth(unsigned) const override { return 1.0f; }
    float getComponentHealthProportion(unsigned) const override { return 1.0f; }
    float getWireframeScale() const override { return 0.0f; }
    void damageSubscribe(Subscriber) override {}
    void damageUnsubscribe() override {}

    MissileThrust& getThrust() { return thrust; }
    MissileBehaviour& getBehaviour() { return behaviour; }

private:
    PhysicsBody& body() { return DynamicCollidable::getPhysicsBody(); }
    const PhysicsBody& body() const { return DynamicCollidable::getPhysicsBody(); }

    float timeToLive;
    MissileThrust thrust;
    MissileBehaviour behaviour;
    MissileWeaponSystem weaponSystem;
};

} // namespace Tolvarine

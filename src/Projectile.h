#pragma once

#include "CollisionListener.h"
#include "DynamicCollidable.h"
#include "FireableProjectile.h"
#include "FunctionTask.h"

#include <OgrePrerequisites.h>

#include <string>

namespace Tolvarine {

class Config;
class Faction;

// The plain, unguided shot: a pooled physics body that flies straight from its launch and ends
// after its lifetime. On a contact it records the hit, hands its damage to the object hit, pushes
// it along the flight direction and, unless it is made to fly on, explodes into its explosion
// group and ends.
//
// Type keys, section "Fireable": "directDamage", "splashDamage", "shock", "impactImpulse",
// "explosionGroup", "damageType", "timeToLive" (all required), "alwaysTriggerOnCollision"
// (default 1), "billboardSet" (default 0; when 1 also "billboardMaterial", "billboardSize",
// "billboardColour", and one billboard per key of section "Particles" whose name contains
// "position"); "explosionSpeedProportion" and "explosionBounceSpeedProportion" are read at each
// exploding hit (and at load, with the group, which must be one the explosion manager has). The
// dynamic collidable's sections ("Physics", "Display", "Collision_Geometry") give the body and its
// shape.
class Projectile : public FireableProjectile, public DynamicCollidable, public CollisionListener {
public:
    // The collision-type bits of the other party that a hit looks at.
    static constexpr int BOUNCE_BIT = 1;
    static constexpr int TRIGGER_BIT = 2;

    // Builds the object, named "Fireable" followed by a number shared by all projectiles, at the
    // origin and out of play. A missing required key, an unknown damage type's fallback aside, or
    // an unknown billboard material is logged and throws ConfigurationError.
    Projectile(Config& type, const std::string& typeName);
    ~Projectile() override;
    // Reads and checks the keys above as the constructor does, without building anything: the
    // projectile loader calls it for every type whatever its pool size, since a type whose pool
    // starts empty builds its first object at its first shot. A refusal is logged with the file's
    // line "Config: in <path>, section <section>, key <key>" and throws.
    static void checkType(const Config& type, const std::string& typeName);

    // Records the shot and starts the flight at `speed` along the orientation's negative z axis;
    // the firer's velocity and the target are not used. A projectile launched while in flight
    // ends the old flight first (disable time 0). A launch without a faction, or with a speed
    // that is not a finite number, is logged and refused, and the projectile goes back to its
    // pool.
    void launch(Faction* faction, bool isPlayer, const Ogre::Vector3& position,
                const Ogre::Vector3& ownerVelocity, const Ogre::Quaternion& orientation,
                float speed, Targetable* target) override;
    // Ends the flight and gives the projectile back to its pool; does nothing when it is not in
    // flight.
    void deactivate(DisableTime time) override;

    // The contact handling of the physics engine; never asks for a physical contact.
    int getCollisionType() const override;
    int getComponentIndex(const std::string& componentName) const override;
    bool collide(CollisionListener* other, int otherComponent, const Ogre::Vector3& position,
                 const Ogre::Vector3& normal) override;
    // Damage and pushes delivered to a projectile are ignored.
    void inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3& velocity, int component,
                       float directDamage, float splashDamage, float shock,
                       DamageType damageType) override;
    void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position) override;

    // The callback of the timeout task "Projectile::timeout".
    bool timeout(float elapsed);

    // The damage a hit counts in the statistics: direct plus splash damage, truncated towards
    // zero; a sum below zero counts as 0 and one beyond the counter's range as its largest value.
    static unsigned hitDamage(float directDamage, float splashDamage);

    const std::string& getTypeName() const { return typeName; }
    // A projectile is in flight from its launch until its deactivation.
    bool isInFlight() const { return faction != nullptr; }
    Faction* getFaction() const { return faction; }
    DamageType getDamageType() const { return damageType; }
    const std::string& getExplosionGroup() const { return explosionGroup; }
    // Null unless the type asks for one.
    Ogre::BillboardSet* getBillboardSet() const { return billboardSet; }

protected:
    // The launch up to the body: ends a flight in progress, refuses a launch without a faction or
    // at a speed that is not a finite number (logged, and the projectile goes back to its pool),
    // then records the shot. False when refused.
    bool beginFlight(Faction* faction, bool isPlayer, float speed);
    // Puts the body into play with those scene-query flags and starts the timeout.
    void startFlight(unsigned long queryFlags, const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                     const Ogre::Vector3& velocity);
    // The deactivation short of giving the projectile back to its pool.
    void endFlight(DisableTime time);
    // Counts a hit of this flight in the statistics.
    void recordHit() const;
    // Hands the hit's damage and push to `other`; false when that ended the flight.
    bool strike(CollisionListener& other, int otherComponent, const Ogre::Vector3& position);
    // An explosion of the type's group at `position`, moving with the projectile: bounced back off
    // an `other` with the bounce bit, carried on otherwise (also without an `other`). A bad type
    // ends the flight before the error goes on.
    void startExplosion(const CollisionListener* other, const Ogre::Vector3& position);

    // The material that key `key` of section "Fireable" names, for a billboard of the type. An
    // unknown material, or one whose texture units name a texture that no resource location
    // holds, is logged with the file's place and throws ConfigurationError. Null without a
    // material manager (tools that read types without the rendering engine).
    static Ogre::MaterialPtr requireMaterial(const Config& type, const std::string& key, const std::string& typeName);
    // The scene manager the projectile's node was made by.
    Ogre::SceneManager& getSceneManager() const;

private:
    struct Billboards;
    struct Settings;
    static Settings readSettings(const Config& type, const std::string& typeName);
    static Billboards readBillboards(const Config& type, const std::string& typeName);

    Projectile(Config& type, const std::string& typeName, const Settings& settings);
    void createBillboardSet(const Billboards& billboards);
    Ogre::Vector3 explosionVelocity(const CollisionListener* other) const;
    void explode(const CollisionListener* other, const Ogre::Vector3& position);
    void refuseLaunch(const std::string& reason);

    static unsigned nextNumber;

    std::string typeName;
    float directDamage;
    float splashDamage;
    float shock;
    float impactImpulse;
    std::string explosionGroup;
    DamageType damageType;
    bool alwaysTriggerOnCollision;
    Faction* faction = nullptr;
    bool isPlayer = false;
    FunctionTask timeoutTask;
    Ogre::BillboardSet* billboardSet = nullptr;
};

} // namespace Tolvarine

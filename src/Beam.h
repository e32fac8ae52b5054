#pragma once

#include "CollisionListener.h"
#include "DynamicCollidable.h"
#include "FireableProjectile.h"
#include "FunctionTask.h"

#include <OgreColourValue.h>

#include <memory>
#include <string>

namespace Tolvarine {

class BeamBillboard;
class Config;
class Faction;

// An instant ray shot: a strip of light of fixed length from the mount that stays where it was
// fired, fades out over its life and deals its damage once, on its first contact, scaled by how
// much of its life remains. A guided beam points at its target's position instead of along the
// firing orientation. A hit does not end it; only its lifetime does.
//
// Type keys, section "Fireable" (all required): "guidedBeam", "directDamage", "splashDamage",
// "shock", "impactImpulse", "range", "explosionGroup", "timeToLive", "updatePeriod",
// "updateVariance", "beamColour", "materialName", "beamSize"; "explosionSpeedProportion" and
// "explosionBounceSpeedProportion" are read at each hit. The dynamic collidable's sections give
// the body and its shape (a ray as long as the beam).
class Beam : public FireableProjectile, public DynamicCollidable, public CollisionListener {
public:
    // Builds the beam, named "Beam" followed by a number common to all beams, out of play. A
    // missing key or an unknown material is logged and throws ConfigurationError.
    Beam(Config& type, const std::string& typeName);
    ~Beam() override;
    // Reads and checks the keys above as the constructor does, without building anything: the
    // projectile loader calls it for every beam type whatever its pool size. A refusal is logged
    // with the file's line "Config: in <path>, section Fireable, key <key>" and throws.
    static void checkType(const Config& type, const std::string& typeName);

    // Records the shot and puts the beam into play at `position`, at rest; the firer's velocity
    // and the speed are not used. A guided beam turns to its target (without one it keeps the
    // launch orientation). A beam launched while live ends its old life first; a launch without
    // a faction is logged and refused.
    void launch(Faction* faction, bool isPlayer, const Ogre::Vector3& position,
                const Ogre::Vector3& ownerVelocity, const Ogre::Quaternion& orientation, float speed,
                Targetable* target) override;
    // Takes the beam out of play and gives it back to its pool; does nothing for a beam not in play.
    void deactivate(DisableTime time) override;

    // The callback of the task "Beam::update": ages and fades the beam, ending it when its life is over.
    bool update(float sinceLast);

    int getCollisionType() const override;
    int getComponentIndex(const std::string& componentName) const override;
    // The first contact of a life damages, pushes and explodes, scaled by the strength left;
    // later contacts are ignored. Never asks for a physical contact.
    bool collide(CollisionListener* other, int otherComponent, const Ogre::Vector3& position,
                 const Ogre::Vector3& normal) override;
    void inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3& velocity, int component,
                       float directDamage, float splashDamage, float shock, DamageType damageType) override;
    void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position) override;

    // The share of the life left: 1 at the launch, 0 (never less) at its end. A beam with a time
    // to live of 0 has 1 until its first update, which ends it.
    float getStrength() const;
    // The orientation whose negative z axis points from `from` to `to`; `fallback` when they meet.
    static Ogre::Quaternion aimAt(const Ogre::Vector3& from, const Ogre::Vector3& to, const Ogre::Quaternion& fallback);

    const std::string& getTypeName() const { return typeName; }
    bool isLive() const { return faction != nullptr; }
    bool hasHit() const { return hit; }
    float getAge() const { return age; }
    float getRange() const { return range; }
    const BeamBillboard& getBillboard() const { return *billboard; }

private:
    struct Settings;
    static Settings readSettings(const Config& type, const std::string& typeName);

    Beam(Config& type, const std::string& typeName, const Settings& settings);
    // (timeToLive - age) / timeToLive, sound for a time to live of 0.
    float remainingFraction() const;
    void explode(CollisionListener& other, const Ogre::Vector3& position);

    static unsigned nextNumber;

    std::string typeName;
    bool guidedBeam;
    float directDamage;
    float splashDamage;
    float shock;
    float impactImpulse;
    float range;
    std::string explosionGroup;
    Faction* faction = nullptr;
    bool isPlayer = false;
    float age = 0.0f;
    float timeToLive;
    FunctionTask updateTask;
    Ogre::ColourValue beamColour;
    std::unique_ptr<BeamBillboard> billboard;
    bool hit = false;
};

} // namespace Tolvarine

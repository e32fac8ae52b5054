#pragma once

#include "AnimatedBillboard.h"
#include "CrowdCount.h"
#include "DisableTime.h"
#include "FunctionTask.h"
#include "ModulatedBillboard.h"
#include "SceneDynamicBody.h"

#include <OgreVector.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tolvarine {

class Config;
class ResponseCurves;
class SoundSource;

// One pooled explosion of one explosion type: a small physics body that carries a flash (an
// animated billboard), a glow (a modulated billboard), an optional particle spray, a sound,
// burning debris thrown out at once, and a delayed blast that pushes or rolls every nearby body
// and may damage it. It goes back to its pool by itself once the flash, the glow and the blast are
// all done.
//
// Type file (".explosion"): "Explosion" "particleSpray" (default none); "Physics" with the body's
// keys and "explosionRadius", "explosionImpulse", "maxDamage", "triggerTime" (each default 0,
// any value), "explosionType" ("Perturb" rolls the bodies it pushes; anything else pushes) and
// "perturbDistance" (default 1, read for "Perturb" only); "Animation" (the flash) and "Glow" (the
// glow) with the billboards' keys; "Sound" "name" (required); and one section whose name contains
// "Explosion_Debris" per debris piece, with its debris type as "name" (required).
class ComplexExplosion : public SceneDynamicBody {
public:
    using Callback = std::function<void()>;

    // The bits of the blast's behaviour. PUSH and PERTURB never stand together.
    enum PhysicsFlag { PUSH = 1, PERTURB = 2, DAMAGE = 4 };

    // What a blast does to one body.
    struct BlastEffect {
        // False: the body is left alone (it is at or beyond the blast's reach).
        bool affected = false;
        // (radius - distance) / radius.
        float falloff = 0.0f;
        // From the centre towards the body; zero for a body at the centre.
        Ogre::Vector3 direction = Ogre::Vector3::ZERO;
        // The world force, and where on the body it acts (body-relative; zero for a push).
        Ogre::Vector3 force = Ogre::Vector3::ZERO;
        Ogre::Vector3 leverArm = Ogre::Vector3::ZERO;
        // The damage (0 without DAMAGE) and the point of the body's bounding sphere facing the
        // centre, where it is dealt.
        float damage = 0.0f;
        Ogre::Vector3 hitPoint = Ogre::Vector3::ZERO;
    };

    // Built by the explosion manager's pools, in the engine's scene manager, with the glow's
    // curves from `curves` (the program's curve file when null). A missing required key, a
    // negative radius, impulse, damage or trigger time, an unknown material, texture, curve or
    // sound is logged and throws ConfigurationError.
    ComplexExplosion(Config& config, const std::string& name, const ResponseCurves* curves = nullptr);
    ~ComplexExplosion() override;

    // Reads and checks a type as the constructor does, without building one: section "Physics"
    // (PhysicsBody::checkType), the blast's values, the flash's and the glow's sections (with the
    // glow's curves from `curves`, the program's when null; a glow that never ends is refused, as
    // the explosion would never go back to its pool), the materials, the sound and the names of
    // the spray and the debris pieces. The explosion manager calls it for every type at
    // load, whatever its pool size: one whose pool starts empty is first built in the middle of a
    // battle.
    static void checkType(const Config& config, const std::string& name, const ResponseCurves* curves = nullptr);
    // Refuses a spray or debris type that the type names but the game has not loaded, which
    // would end the game at the type's first explosion: logged with the file's line "Config: in
    // <path>, section <section>, key <key>", then ConfigurationError. Needs the spray and debris
    // types loaded, which come after the explosions (debris pieces explode into groups).
    static void checkNames(const Config& config);

    // Starts the explosion at `position`, drifting with `velocity`: flash, glow, spray, debris and
    // sound start, and the blast is due "triggerTime" seconds later, when `onTrigger` (may be
    // empty) is called just before it. Activating a live explosion ends its old life first
    // (disable time 0), cancelling its pending blast.
    virtual void activate(const Ogre::Vector3& position, const Ogre::Vector3& velocity, Callback onTrigger);
    // Takes the explosion out of play, cancels a pending blast, and gives it back to its pool when
    // it is live there; an explosion that is not live is never given back twice.
    virtual void deactivate(DisableTime time);
    // A body the physics can no longer follow ends the explosion, pending blast and all.
    void bodyOutOfReach() override;

    // The callback of the trigger task "ComplexExplosion::triggerPhysics": the blast, once per
    // activation.
    bool triggerPhysics(float elapsed);
    // The completion callbacks of the flash and the glow.
    void onAnimationDone();
    void onGlowDone();

    // The blast at `centre`: every body within `radius` whose scene link lets explosions affect it
    // (query flag 32) is pushed away from the centre, or rolled as well with PERTURB, and with
    // DAMAGE its collision listener takes damage; all of it falls off linearly to nothing at the
    // radius. A radius of 0 or below, or an impulse of 0, does nothing at all; a negative impulse
    // pulls the bodies in, and a negative damage mends.
    static void applyPhysics(const Ogre::Vector3& centre, float radius, float impulse, float maxDamage,
                             int physicsFlags, float perturbDistance);
    // The blast's effect on one body at `bodyPosition` with the given bounding radius, for a blast
    // whose impulse is already converted to `force`. A perturbing blast draws its lever arm from
    // Ogre::Math::RangeRandom, three draws in x, y, z order, each within ± rollProportion ×
    // perturbDistance. A falloff at or below 0 leaves the body alone: a blast never pulls a body
    // in or heals it.
    static BlastEffect computeBlast(const Ogre::Vector3& centre, float radius, float force, float maxDamage,
                                    int physicsFlags, float perturbDistance, float rollProportion,
                                    const Ogre::Vector3& bodyPosition, float boundingRadius);

    // Deactivates every live explosion with disable time 2 (the end of a scenario).
    static void releaseAll();

    const std::string& getName() const { return name; }
    bool isActive() const { return active; }
    bool isBlastPending() const { return active && !physicsDone; }
    int getPhysicsFlags() const { return physicsFlags; }
    float getPerturbDistance() const { return perturbDistance; }
    float getExplosionRadius() const { return explosionRadius; }
    float getExplosionImpulse() const { return explosionImpulse; }
    float getMaxDamage() const { return maxDamage; }
    const std::string& getParticleSpray() const { return particleSpray; }
    const std::vector<std::string>& getDebrisTypes() const { return debrisTypes; }
    const AnimatedBillboard& getAnimation() const { return animation; }
    const ModulatedBillboard& getGlow() const { return glow; }
    const SoundSource& getSound() const { return *sound; }

private:
    void startEffects(const Ogre::Vector3& position, const Ogre::Vector3& velocity);
    void finishWhenDone();

    std::string name;
    AnimatedBillboard animation;
    ModulatedBillboard glow;
    std::string particleSpray;
    bool animationDone = false;
    bool glowDone = false;
    bool physicsDone = false;
    float explosionRadius;
    float explosionImpulse;
    int physicsFlags;
    float perturbDistance = 0.0f;
    float maxDamage;
    std::vector<std::string> debrisTypes;
    FunctionTask triggerTask;
    Callback onTrigger;
    Callback animationCallback;
    Callback glowCallback;
    std::unique_ptr<SoundSource> sound;
    bool active = false;
    // Counts the activations, so the blast can tell whether what it set off started a new life.
    unsigned life = 0;
    // Where the manager counts the explosion among those in play, while it is.
    std::optional<CrowdCount::Cube> crowdCube;
};

} // namespace Tolvarine

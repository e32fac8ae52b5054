#pragma once

#include "Projectile.h"

#include <OgrePrerequisites.h>

#include <string>

namespace Tolvarine {

// A plain projectile that carries a glow billboard and a particle trail on its scene node. It
// flies, hits, explodes, times out and returns to its pool as a plain projectile does; the glow
// and the trail show and hide with the node.
//
// Type keys, section "Fireable": "glowSize" (default 0: no glow; otherwise also "glowMaterial",
// required, and "glowColour", default white) and "particleSystem" (a particle template; empty or
// absent: no trail).
class ComplexProjectile : public Projectile {
public:
    // The projectile, then its glow set "<node>/GlowBS" and its particle system "<node>/PS". An
    // unknown glow material or particle template is logged and throws ConfigurationError.
    ComplexProjectile(Config& type, const std::string& typeName);
    ~ComplexProjectile() override;
    // Reads and checks the glow and trail keys as the constructor does, without building anything,
    // for the projectile loader at start-up whatever the pool size. A refusal is logged with the
    // file's line "Config: in <path>, section Fireable, key <key>" and throws ConfigurationError.
    static void checkType(const Config& type, const std::string& typeName);

    // Clears the trail of the previous flight, so it does not flash at the new launch point;
    // otherwise launches as a plain projectile.
    void launch(Faction* faction, bool isPlayer, const Ogre::Vector3& position,
                const Ogre::Vector3& ownerVelocity, const Ogre::Quaternion& orientation,
                float speed, Targetable* target) override;

    // Null when the type has none.
    Ogre::BillboardSet* getGlowSet() const { return glowSet; }
    Ogre::ParticleSystem* getParticleSystem() const { return particleSystem; }

private:
    struct Effects;
    static Effects readEffects(const Config& type, const std::string& typeName);
    void createGlow(const Effects& effects);
    void createParticleSystem(const std::string& templateName);
    void destroyEffects();

    Ogre::BillboardSet* glowSet = nullptr;
    Ogre::ParticleSystem* particleSystem = nullptr;
};

} // namespace Tolvarine

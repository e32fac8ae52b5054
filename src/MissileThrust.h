#pragma once

#include "ForceController.h"

#include <memory>

namespace Ogre {
class BillboardSet;
class ParticleSystem;
} // namespace Ogre

namespace Tolvarine {

class Config;
class DynamicCollidable;
class SoundSource;

// The engine of a guided missile: the force controller through which its guidance drives the
// missile's body, and the engine's look and sound on the missile's scene node: a particle system,
// one glow billboard at each of the system's emitters and a looping thrust sound that follows the
// body. Built once per pooled missile, started at each launch and stopped at each deactivation.
//
// Section "Thrust" of the missile's type file (all required): "maxForce", "maxTorque",
// "engineParticleSystem" (a particle template), "mainThrustSound" (a sound definition),
// "glowMaterial", "glowSize" and "glowColour".
class MissileThrust : public ForceController {
public:
    // A missing key fails as the configuration read does; an unknown template, material or sound
    // is refused as checkType says, before anything is made.
    MissileThrust(DynamicCollidable* owner, const Config& config);
    // Reads and checks the section as the constructor does, without building anything: the
    // projectile loader calls it for every missile type whatever its pool size, since a pool that
    // starts empty builds its first missile at the first launch. An unknown template, material
    // or sound is refused there, as the engines would refuse them when the missile is built; a
    // refusal is logged with the file's line "Config: in <path>, section Thrust, key <key>".
    static void checkType(const Config& config);
    ~MissileThrust();
    MissileThrust(const MissileThrust&) = delete;
    MissileThrust& operator=(const MissileThrust&) = delete;

    float getMaxForce() const override { return maxForce; }
    float getMaxTorque() const override { return maxTorque; }
    void applyForce(const Ogre::Vector3& direction) override;
    void applyTorque(const Ogre::Vector3& axis) override;
    void setForce(const Ogre::Vector3& force, bool limit) override;
    void setTorque(const Ogre::Vector3& torque, bool limit) override;
    // Clamped in the world frame, so the limit is the same whichever way the missile points.
    void setRelativeForce(const Ogre::Vector3& force, bool limit) override;
    void setRelativeTorque(const Ogre::Vector3& torque, bool limit) override;

    Ogre::Vector3 clampForce(const Ogre::Vector3& force) const;
    Ogre::Vector3 clampTorque(const Ogre::Vector3& torque) const;

    // The missile is launched: the thrust sound starts.
    void start();
    // The missile leaves play: its node goes out of sight, the trail's particles are cleared and
    // the sound stops. The glow stays on the node for the next flight.
    void stop();

    Ogre::ParticleSystem* getEngineSystem() const { return engineSystem; }
    Ogre::BillboardSet* getGlow() const { return glow; }
    const SoundSource& getThrustSound() const { return *thrustSound; }

private:
    struct Settings;
    static Settings readSettings(const Config& config);

    MissileThrust(DynamicCollidable* owner, const Config& config, const Settings& settings);
    void createGlow(const Settings& settings);
    void destroySceneObjects();

    DynamicCollidable* owner;
    float maxForce;
    float maxTorque;
    Ogre::ParticleSystem* engineSystem = nullptr;
    Ogre::BillboardSet* glow = nullptr;
    std::unique_ptr<SoundSource> thrustSound;
};

} // namespace Tolvarine

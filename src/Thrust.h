#pragma once

#include "ForceController.h"
#include "FunctionTask.h"

#include <OgreColourValue.h>

#include <memory>

namespace Ogre {
class BillboardSet;
class Light;
class ParticleSystem;
class SceneManager;
} // namespace Ogre

namespace Tolvarine {

class Config;
class DynamicCollidable;
class ShipType;
class SoundSource;

// The force controller of a ship, with the ship type's limits, and the look and sound of its
// engines: an engine particle system, glow billboards and a light in the thrust colour, and two
// looping sounds. The AI, formations and the player's movement controller drive the ship's body
// only through it. The effects follow the standing force of the body, smoothed by the task
// "ThrustEffects": the main engine shows the share of the force along the nose, the auxiliary
// thrusters the rest.
//
// Section "Thrust" of the type file (all required): "engineParticleSystem" (particle template),
// "mainThrustSound" and "auxiliaryThrustSound" (sound definitions), "updatePeriod" and
// "updateVariance" (the task), "thrustLightRange" and "thrustLightAttenuationConstant", "...Linear"
// and "...Quadratic", "glowMaterial" and "glowSize", and one glow billboard per key containing
// "position" (a point in the ship's frame).
class Thrust : public ForceController {
public:
    // Main and auxiliary levels at or below this show and sound nothing.
    static constexpr float VISIBLE_LEVEL = 0.02f;

    // Builds the effects on the ship's scene node, dark and silent, with the task not running.
    Thrust(DynamicCollidable& ship, const ShipType& type);
    // Reads and checks section "Thrust" as the constructor does, without building anything: the
    // keys, the particle template, the glow material and the two sound definitions. Ship types
    // call it at load, whatever their pool size, so that a broken section stops the start and not
    // the battle in which the type's first ship is built. A refusal is logged with the file's
    // line "Config: in <path>, section Thrust, key <key>" and throws.
    static void checkType(const Config& type);
    ~Thrust();
    Thrust(const Thrust&) = delete;
    Thrust& operator=(const Thrust&) = delete;

    float getMaxForce() const override;
    float getMaxTorque() const override;
    void applyForce(const Ogre::Vector3& direction) override;
    void applyTorque(const Ogre::Vector3& axis) override;
    void setForce(const Ogre::Vector3& force, bool limit) override;
    void setTorque(const Ogre::Vector3& torque, bool limit) override;
    void setRelativeForce(const Ogre::Vector3& force, bool limit) override;
    void setRelativeTorque(const Ogre::Vector3& torque, bool limit) override;

    Ogre::Vector3 limitForce(const Ogre::Vector3& force) const;
    Ogre::Vector3 limitTorque(const Ogre::Vector3& torque) const;

    // The ship enters play: effects off, task and sounds running.
    void activate();
    // The ship leaves play: effects off and cleared, task and sounds stopped.
    void deactivate();

    // Level 0 to 1 of the main engine: particle emission, glow and light colour, main sound gain.
    void setMainThrust(float level);
    // Level 0 to 1 of the auxiliary thrusters (their sound's gain), and the direction the sound
    // comes from in the ship's frame; a zero direction leaves the sound where it is.
    void setAuxiliaryThrust(float level, const Ogre::Vector3& direction);
    // One run of the task over `elapsed` seconds: moves both levels towards the standing force.
    bool update(float elapsed);

    float getMainLevel() const { return mainLevel; }
    float getAuxiliaryLevel() const { return auxiliaryLevel; }
    Ogre::ParticleSystem* getEngineParticles() const { return engineParticles; }
    Ogre::BillboardSet* getGlow() const { return glow; }
    Ogre::Light* getLight() const { return light; }
    const SoundSource& getMainSound() const { return *mainSound; }
    const SoundSource& getAuxiliarySound() const { return *auxiliarySound; }
    const FunctionTask& getTask() const { return task; }

private:
    struct Settings;
    static Settings readSettings(const Config& type);

    Thrust(DynamicCollidable& ship, const ShipType& type, const Settings& settings);
    void createGlow(const Settings& settings);
    void setColour(const Ogre::ColourValue& colour);

    DynamicCollidable& ship;
    const ShipType& type;
    Ogre::SceneManager& sceneManager;
    Ogre::ParticleSystem* engineParticles = nullptr;
    Ogre::BillboardSet* glow = nullptr;
    Ogre::Light* light = nullptr;
    float baseEmissionRate = 0.0f;
    float mainLevel = 1.0f;
    float auxiliaryLevel = 1.0f;
    std::unique_ptr<SoundSource> mainSound;
    std::unique_ptr<SoundSource> auxiliarySound;
    FunctionTask task;
};

} // namespace Tolvarine

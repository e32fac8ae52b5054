#include "MissileThrust.h"

#include "Config.h"
#include "DynamicCollidable.h"
#include "EffectNames.h"
#include "ParticleQuota.h"
#include "PhysicsBody.h"
#include "SoundSource.h"
#include "ValueRange.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreColourValue.h>
#include <OgreMath.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Tolvarine {

namespace {

const char* const SECTION = "Thrust";

} // namespace

struct MissileThrust::Settings {
    float maxForce = 0.0f;
    float maxTorque = 0.0f;
    std::string engineParticleSystem;
    std::string glowMaterial;
    float glowSize = 0.0f;
    Ogre::ColourValue glowColour;
};

MissileThrust::Settings MissileThrust::readSettings(const Config& config)
{
    Settings settings;
    settings.maxForce = config.get<float>(SECTION, "maxForce");
    settings.maxTorque = config.get<float>(SECTION, "maxTorque");
    settings.engineParticleSystem =
        EffectNames::particleTemplate(config, SECTION, "engineParticleSystem", "MissileThrust");
    SoundSource::requireDefinition(config, SECTION, "mainThrustSound");
    settings.glowMaterial = EffectNames::material(config, SECTION, "glowMaterial", "MissileThrust");
    settings.glowSize = ValueRange::drawnLength(config, SECTION, "glowSize");
    settings.glowColour = config.get<Ogre::ColourValue>(SECTION, "glowColour");
    return settings;
}

void MissileThrust::checkType(const Config& config)
{
    readSettings(config);
}

MissileThrust::MissileThrust(DynamicCollidable* owner, const Config& config)
    : MissileThrust(owner, config, readSettings(config))
{
}

MissileThrust::MissileThrust(DynamicCollidable* owner, const Config& config, const Settings& settings)
    : owner(owner)
    , maxForce(settings.maxForce)
    , maxTorque(settings.maxTorque)
{
    Ogre::SceneNode* node = owner->getSceneNode();
    Ogre::SceneManager& scene = *node->getCreator();
    const std::string& nodeName = node->getName();
    try {
        engineSystem = scene.createParticleSystem(nodeName + "/ThrustSystem", settings.engineParticleSystem);
        ParticleQuota::hold(*engineSystem);
        glow = scene.createBillboardSet(nodeName + "/ThrustGlow", engineSystem->getNumEmitters());
        thrustSound = SoundSource::create(config, SECTION, "mainThrustSound", SoundCategory::THRUST,
                                          &owner->getPhysicsBody(), Ogre::Vector3::ZERO, false);
        // Scene queries look for game objects; the engine's trail and glow must never be found.
        node->attachObject(engineSystem);
        engineSystem->setQueryFlags(0);
        node->attachObject(glow);
        glow->setQueryFlags(0);
        createGlow(settings);
    } catch (...) {
        destroySceneObjects();
        throw;
    }
    thrustSound->setGain(1.0f);
}

void MissileThrust::createGlow(const Settings& settings)
{
    glow->setMaterialName(settings.glowMaterial);
    glow->setDefaultDimensions(settings.glowSize, settings.glowSize);
    // One glow on each nozzle: the emitters sit where the template puts them in the node's frame.
    for (unsigned short i = 0; i < engineSystem->getNumEmitters(); ++i)
        glow->createBillboard(engineSystem->getEmitter(i)->getPosition(), settings.glowColour);
}

MissileThrust::~MissileThrust()
{
    destroySceneObjects();
}

void MissileThrust::destroySceneObjects()
{
    Ogre::SceneManager& scene = *owner->getSceneNode()->getCreator();
    if (glow) {
        if (glow->isAttached())
            glow->detachFromParent();
        scene.destroyBillboardSet(glow);
        glow = nullptr;
    }
    if (engineSystem) {
        if (engineSystem->isAttached())
            engineSystem->detachFromParent();
        scene.destroyParticleSystem(engineSystem);
        engineSystem = nullptr;
    }
}

void MissileThrust::applyForce(const Ogre::Vector3& direction)
{
    owner->getPhysicsBody().setForce(direction * maxForce);
}

void MissileThrust::applyTorque(const Ogre::Vector3& axis)
{
    owner->getPhysicsBody().setTorque(axis * maxTorque);
}

void MissileThrust::setForce(const Ogre::Vector3& force, bool limit)
{
    owner->getPhysicsBody().setForce(limit ? clampForce(force) : force);
}

void MissileThrust::setTorque(const Ogre::Vector3& torque, bool limit)
{
    owner->getPhysicsBody().setTorque(limit ? clampTorque(torque) : torque);
}

void MissileThrust::setRelativeForce(const Ogre::Vector3& force, bool limit)
{
    owner->getPhysicsBody().setRelativeForce(limit ? clampForce(force) : force);
}

void MissileThrust::setRelativeTorque(const Ogre::Vector3& torque, bool limit)
{
    owner->getPhysicsBody().setRelativeTorque(limit ? clampTorque(torque) : torque);
}

Ogre::Vector3 MissileThrust::clampForce(const Ogre::Vector3& force) const
{
    return clamp(force, maxForce);
}

Ogre::Vector3 MissileThrust::clampTorque(const Ogre::Vector3& torque) const
{
    return clamp(torque, maxTorque);
}

void MissileThrust::start()
{
    owner->getSceneNode()->setVisible(true);
    engineSystem->setEmitting(true);
    thrustSound->play();
}

// Out of sight until the next activation. The node stays where it was: a node moved to infinity
// gives its particles and bounds infinite and then undefined positions, which the rendering
// engine refuses. The engine stops emitting, so no new particle appears while pooled.
void MissileThrust::stop()
{
    owner->getSceneNode()->setVisible(false);
    engineSystem->setEmitting(false);
    engineSystem->clear();
    thrustSound->stop();
}

} // namespace Tolvarine

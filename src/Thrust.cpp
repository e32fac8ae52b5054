#include "Thrust.h"

#include "DynamicCollidable.h"
#include "EffectNames.h"
#include "GraphicsSettings.h"
#include "ParticleQuota.h"
#include "PhysicsBody.h"
#include "ShipType.h"
#include "SoundSource.h"
#include "ValueRange.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreLight.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Tolvarine {

namespace {

const std::string thrustSection = "Thrust";
// How fast the levels follow the force, per second.
constexpr float levelRate = 2.0f;

float clampLevel(float level)
{
    if (level <= 0.0f)
        return 0.0f;
    if (level >= 1.0f)
        return 1.0f;
    return level;
}

float particleDetail()
{
    const GraphicsSettings* settings = GraphicsSettings::getSingletonPtr();
    return settings ? settings->getParticleSystemDetail() : GraphicsSettings::defaultParticleSystemDetail;
}

} // namespace

struct Thrust::Settings {
    float updatePeriod = 0.0f;
    float updateVariance = 0.0f;
    std::string engineParticleSystem;
    float lightRange = 0.0f;
    float lightConstant = 0.0f;
    float lightLinear = 0.0f;
    float lightQuadratic = 0.0f;
    std::string glowMaterial;
    float glowSize = 0.0f;
    std::vector<Ogre::Vector3> glowPositions;
};

Thrust::Settings Thrust::readSettings(const Config& type)
{
    Settings settings;
    settings.updatePeriod = type.get<float>(thrustSection, "updatePeriod");
    settings.updateVariance = type.get<float>(thrustSection, "updateVariance");
    settings.engineParticleSystem =
        EffectNames::particleTemplate(type, thrustSection, "engineParticleSystem", "Thrust");
    SoundSource::requireDefinition(type, thrustSection, "mainThrustSound");
    SoundSource::requireDefinition(type, thrustSection, "auxiliaryThrustSound");
    settings.lightRange = type.get<float>(thrustSection, "thrustLightRange");
    settings.lightConstant = type.get<float>(thrustSection, "thrustLightAttenuationConstant");
    settings.lightLinear = type.get<float>(thrustSection, "thrustLightAttenuationLinear");
    settings.lightQuadratic = type.get<float>(thrustSection, "thrustLightAttenuationQuadratic");
    settings.glowMaterial = EffectNames::material(type, thrustSection, "glowMaterial", "Thrust");
    settings.glowSize = ValueRange::drawnLength(type, thrustSection, "glowSize");
    for (const std::string& key : type.getKeys(thrustSection)) {
        if (key.find("position") != std::string::npos)
            settings.glowPositions.push_back(type.get<Ogre::Vector3>(thrustSection, key));
    }
    return settings;
}

void Thrust::checkType(const Config& type)
{
    readSettings(type);
}

Thrust::Thrust(DynamicCollidable& owner, const ShipType& shipType)
    : Thrust(owner, shipType, readSettings(shipType))
{
}

Thrust::Thrust(DynamicCollidable& owner, const ShipType& shipType, const Settings& settings)
    : ship(owner)
    , type(shipType)
    , sceneManager(*owner.getSceneNode()->getCreator())
    , task([this](float elapsed) { return update(elapsed); }, "ThrustEffects", settings.updatePeriod,
           settings.updateVariance)
{
    Ogre::SceneNode* node = ship.getSceneNode();
    const std::string& nodeName = node->getName();
    try {
        engineParticles = sceneManager.createParticleSystem(nodeName + "/ThrustSystem", settings.engineParticleSystem);
        glow = sceneManager.createBillboardSet(nodeName + "/ThrustGlow", engineParticles->getNumEmitters());
        light = sceneManager.createLight(nodeName + "/ThrustLight");
        // A template without emitters has nothing to scale.
        if (engineParticles->getNumEmitters() > 0)
            baseEmissionRate = engineParticles->getEmitter(0)->getEmissionRate();
        // Every emitter emits at most that rate: full thrust at full detail.
        ParticleQuota::hold(*engineParticles, baseEmissionRate);
        mainSound = SoundSource::create(type, thrustSection, "mainThrustSound", SoundCategory::THRUST,
                                        &ship.getPhysicsBody(), Ogre::Vector3::ZERO, false);
        auxiliarySound = SoundSource::create(type, thrustSection, "auxiliaryThrustSound", SoundCategory::THRUST,
                                             &ship.getPhysicsBody(), Ogre::Vector3::ZERO, false);
        node->attachObject(light);
        light->setDiffuseColour(type.getThrustColour() * mainLevel);
        light->setSpecularColour(type.getThrustColour() * mainLevel);
        light->setAttenuation(settings.lightRange, settings.lightConstant, settings.lightLinear,
                              settings.lightQuadratic);
        node->attachObject(engineParticles);
        node->attachObject(glow);
        createGlow(settings);
    } catch (...) {
        // A bad type file must not leave effects in the scene that nothing will ever remove.
        if (light)
            sceneManager.destroyLight(light);
        if (glow)
            sceneManager.destroyBillboardSet(glow);
        if (engineParticles)
            sceneManager.destroyParticleSystem(engineParticles);
        throw;
    }
    setMainThrust(0.0f);
    setAuxiliaryThrust(0.0f, Ogre::Vector3::ZERO);
}

void Thrust::createGlow(const Settings& settings)
{
    glow->setMaterialName(settings.glowMaterial);
    glow->setDefaultDimensions(settings.glowSize, settings.glowSize);
    for (const Ogre::Vector3& position : settings.glowPositions)
        glow->createBillboard(position, Ogre::ColourValue::Black);
}

Thrust::~Thrust()
{
    // The light goes too: left behind it would stay in the scene manager after the ship.
    sceneManager.destroyLight(light);
    sceneManager.destroyParticleSystem(engineParticles);
    sceneManager.destroyBillboardSet(glow);
}

float Thrust::getMaxForce() const
{
    return type.getMaxForce();
}

float Thrust::getMaxTorque() const
{
    return type.getMaxTorque();
}

void Thrust::applyForce(const Ogre::Vector3& direction)
{
    ship.getPhysicsBody().setForce(direction * getMaxForce());
}

void Thrust::applyTorque(const Ogre::Vector3& axis)
{
    ship.getPhysicsBody().setTorque(axis * getMaxTorque());
}

void Thrust::setForce(const Ogre::Vector3& force, bool limit)
{
    ship.getPhysicsBody().setForce(limit ? limitForce(force) : force);
}

void Thrust::setTorque(const Ogre::Vector3& torque, bool limit)
{
    ship.getPhysicsBody().setTorque(limit ? limitTorque(torque) : torque);
}

void Thrust::setRelativeForce(const Ogre::Vector3& force, bool limit)
{
    ship.getPhysicsBody().setRelativeForce(limit ? limitForce(force) : force);
}

void Thrust::setRelativeTorque(const Ogre::Vector3& torque, bool limit)
{
    ship.getPhysicsBody().setRelativeTorque(limit ? limitTorque(torque) : torque);
}

Ogre::Vector3 Thrust::limitForce(const Ogre::Vector3& force) const
{
    return clamp(force, getMaxForce());
}

Ogre::Vector3 Thrust::limitTorque(const Ogre::Vector3& torque) const
{
    return clamp(torque, getMaxTorque());
}

void Thrust::activate()
{
    setMainThrust(0.0f);
    setAuxiliaryThrust(0.0f, Ogre::Vector3::ZERO);
    // A pooled ship's task still counts from its previous life; the first smoothing step must
    // not cover the time spent in the pool.
    task.reset();
    task.subscribe(true);
    mainSound->play();
    auxiliarySound->play();
}

void Thrust::deactivate()
{
    setMainThrust(0.0f);
    setAuxiliaryThrust(0.0f, Ogre::Vector3::ZERO);
    engineParticles->clear();
    task.subscribe(false);
    mainSound->stop();
    auxiliarySound->stop();
}

void Thrust::setMainThrust(float level)
{
    if (level == mainLevel)
        return;
    Ogre::ColourValue colour = Ogre::ColourValue::Black;
    float emission = 0.0f;
    if (level > VISIBLE_LEVEL) {
        colour = type.getThrustColour() * level;
        emission = particleDetail() * baseEmissionRate * level;
    }
    for (unsigned short i = 0; i < engineParticles->getNumEmitters(); ++i)
        engineParticles->getEmitter(i)->setEmissionRate(emission);
    setColour(colour);
    mainSound->setGain(level);
    mainLevel = level;
}

void Thrust::setColour(const Ogre::ColourValue& colour)
{
    for (int i = 0; i < glow->getNumBillboards(); ++i)
        glow->getBillboard(static_cast<unsigned>(i))->setColour(colour);
    light->setDiffuseColour(colour);
    light->setSpecularColour(colour);
}

void Thrust::setAuxiliaryThrust(float level, const Ogre::Vector3& direction)
{
    if (level != auxiliaryLevel) {
        auxiliarySound->setGain(level <= VISIBLE_LEVEL ? 0.0f : level);
        auxiliaryLevel = level;
    }
    if (direction != Ogre::Vector3::ZERO)
        auxiliarySound->setPosition(direction.normalisedCopy());
}

bool Thrust::update(float elapsed)
{
    const Ogre::Vector3& force = ship.getPhysicsBody().getForce();
    const float magnitude = force.length();
    const Ogre::Vector3 unit = magnitude > 0.0f ? force / magnitude : Ogre::Vector3::ZERO;
    // The share of the force along the nose, which is the body's negative z axis.
    const float forward = unit.dotProduct(Ogre::Vector3::NEGATIVE_UNIT_Z);

    setMainThrust(clampLevel(mainLevel + (forward - mainLevel) * levelRate * elapsed));
    // The auxiliary target is the raw magnitude, so any real force drives it to full.
    const float auxiliaryTarget = (1.0f - forward) * magnitude;
    setAuxiliaryThrust(clampLevel(auxiliaryLevel + (auxiliaryTarget - auxiliaryLevel) * levelRate * elapsed),
                       -unit);
    return true;
}

} // namespace Tolvarine

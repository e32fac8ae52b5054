#include "ComplexProjectile.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "ParticleQuota.h"
#include "ValueRange.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreException.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Tolvarine {

namespace {

const char* const SECTION = "Fireable";

} // namespace

struct ComplexProjectile::Effects {
    float glowSize = 0.0f;
    Ogre::MaterialPtr glowMaterial;
    Ogre::ColourValue glowColour;
    std::string trailTemplate;
};

ComplexProjectile::Effects ComplexProjectile::readEffects(const Config& type, const std::string& typeName)
{
    Effects effects;
    effects.glowSize = type.get<float>(SECTION, "glowSize", 0.0f);
    if (effects.glowSize != 0.0f) {
        effects.glowMaterial = requireMaterial(type, "glowMaterial", typeName);
        effects.glowColour = type.get<Ogre::ColourValue>(SECTION, "glowColour", Ogre::ColourValue::White);
    }
    effects.trailTemplate = type.get<std::string>(SECTION, "particleSystem", "");
    // Tools that read types without the rendering engine check the other values alone.
    Ogre::ParticleSystemManager* particles = Ogre::ParticleSystemManager::getSingletonPtr();
    if (!effects.trailTemplate.empty() && particles && !particles->getTemplate(effects.trailTemplate))
        ValueRange::refuse(type, SECTION, "particleSystem",
                           "Projectile type " + typeName + ": no particle system of the template "
                               + effects.trailTemplate + ": the template is not defined");
    return effects;
}

void ComplexProjectile::checkType(const Config& type, const std::string& typeName)
{
    readEffects(type, typeName);
}

ComplexProjectile::ComplexProjectile(Config& type, const std::string& typeName)
    : Projectile(type, typeName)
{
    try {
        const Effects effects = readEffects(type, typeName);
        if (effects.glowSize != 0.0f)
            createGlow(effects);
        if (!effects.trailTemplate.empty())
            createParticleSystem(effects.trailTemplate);
    } catch (...) {
        destroyEffects();
        throw;
    }
}

ComplexProjectile::~ComplexProjectile()
{
    destroyEffects();
}

void ComplexProjectile::createGlow(const Effects& effects)
{
    glowSet = getSceneManager().createBillboardSet(getSceneNode()->getName() + "/GlowBS", 1);
    // Scene queries look for game objects; the glow must never be found by them.
    glowSet->setQueryFlags(0);
    getSceneNode()->attachObject(glowSet);
    glowSet->setMaterial(effects.glowMaterial);
    glowSet->setDefaultDimensions(effects.glowSize, effects.glowSize);
    glowSet->createBillboard(Ogre::Vector3::ZERO, effects.glowColour);
}

void ComplexProjectile::createParticleSystem(const std::string& templateName)
{
    try {
        particleSystem = getSceneManager().createParticleSystem(getSceneNode()->getName() + "/PS", templateName);
    } catch (const Ogre::Exception& error) {
        GameLog::line("Projectile type " + getTypeName()
                      + ": no particle system of the template " + templateName
                      + ": " + error.getDescription());
        throw ConfigurationError();
    }
    // Every shot in flight makes its trail's whole quota at once: held to what its emitters use.
    ParticleQuota::hold(*particleSystem);
    particleSystem->setQueryFlags(0);
    getSceneNode()->attachObject(particleSystem);
}

void ComplexProjectile::destroyEffects()
{
    if (glowSet) {
        if (Ogre::SceneNode* parent = glowSet->getParentSceneNode())
            parent->detachObject(glowSet);
        getSceneManager().destroyBillboardSet(glowSet);
        glowSet = nullptr;
    }
    if (particleSystem) {
        if (Ogre::SceneNode* parent = particleSystem->getParentSceneNode())
            parent->detachObject(particleSystem);
        getSceneManager().destroyParticleSystem(particleSystem);
        particleSystem = nullptr;
    }
}

void ComplexProjectile::launch(Faction* faction, bool isPlayer, const Ogre::Vector3& position,
                               const Ogre::Vector3& ownerVelocity, const Ogre::Quaternion& orientation,
                               float speed, Targetable* target)
{
    if (particleSystem)
        particleSystem->clear();
    Projectile::launch(faction, isPlayer, position, ownerVelocity, orientation, speed, target);
}

} // namespace Tolvarine

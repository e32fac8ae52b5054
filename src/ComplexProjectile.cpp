#include "ComplexProjectile.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreException.h>
#include <OgreParticleSystem.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Tolvarine {

namespace {

const char* const SECTION = "Fireable";

} // namespace

ComplexProjectile::ComplexProjectile(Config& type, const std::string& typeName)
    : Projectile(type, typeName)
{
    try {
        const float glowSize = type.get<float>(SECTION, "glowSize", 0.0f);
        if (glowSize != 0.0f)
            createGlow(type, glowSize);
        const std::string templateName = type.get<std::string>(SECTION, "particleSystem", "");
        if (!templateName.empty())
            createParticleSystem(templateName);
    } catch (...) {
        destroyEffects();
        throw;
    }
}

ComplexProjectile::~ComplexProjectile()
{
    destroyEffects();
}

void ComplexProjectile::createGlow(const Config& type, float glowSize)
{
    const Ogre::MaterialPtr material = requireMaterial(type.get<std::string>(SECTION, "glowMaterial"));
    const Ogre::ColourValue colour = type.get<Ogre::ColourValue>(SECTION, "glowColour", Ogre::ColourValue::White);
    glowSet = getSceneManager().createBillboardSet(getSceneNode()->getName() + "/GlowBS", 1);
    // Scene queries look for game objects; the glow must never be found by them.
    glowSet->setQueryFlags(0);
    getSceneNode()->attachObject(glowSet);
    glowSet->setMaterial(material);
    glowSet->setDefaultDimensions(glowSize, glowSize);
    glowSet->createBillboard(Ogre::Vector3::ZERO, colour);
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

#include "EffectNames.h"

#include "Config.h"
#include "MaterialCheck.h"
#include "ValueRange.h"

#include <OgreMovableObject.h>
#include <OgreParticleSystemManager.h>

namespace Tolvarine {

std::string EffectNames::particleTemplate(const Config& type, const std::string& section, const std::string& key,
                                          const std::string& user)
{
    const std::string name = type.get<std::string>(section, key);
    Ogre::ParticleSystemManager* particles = Ogre::ParticleSystemManager::getSingletonPtr();
    if (particles && !particles->getTemplate(name))
        ValueRange::refuse(type, section, key, user + ": unknown particle template " + name);
    return name;
}

std::string EffectNames::material(const Config& type, const std::string& section, const std::string& key,
                                  const std::string& user)
{
    MaterialCheck::require(type, section, key, user);
    return type.get<std::string>(section, key);
}

} // namespace Tolvarine

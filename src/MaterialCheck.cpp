#include "MaterialCheck.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"

#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <OgreTextureUnitState.h>

namespace Tolvarine {

namespace {

// A texture is there when a resource location holds its file, or when the program made or
// loaded it itself.
bool textureExists(const std::string& name)
{
    if (Ogre::ResourceGroupManager::getSingleton().resourceExistsInAnyGroup(name))
        return true;
    Ogre::TextureManager* textures = Ogre::TextureManager::getSingletonPtr();
    if (!textures)
        return false;
    const Ogre::TexturePtr texture = textures->getByName(name, Ogre::RGN_AUTODETECT);
    return texture && (texture->isManuallyLoaded() || texture->isLoaded());
}

// A cube map named "sky.png" is loaded from six images, "sky_fr.png" to "sky_dn.png".
bool cubeFacesExist(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (const char* face : {"_fr", "_bk", "_lf", "_rt", "_up", "_dn"}) {
        if (!textureExists(stem + face + extension))
            return false;
    }
    return true;
}

// Calls `visit(texture, unit)` for every texture name of every frame of the material's named
// texture units, until it returns true; whether one did.
template <typename Visit>
bool anyTexture(const Ogre::Material& material, Visit visit)
{
    for (const Ogre::Technique* technique : material.getTechniques()) {
        for (const Ogre::Pass* pass : technique->getPasses()) {
            for (const Ogre::TextureUnitState* unit : pass->getTextureUnitStates()) {
                if (unit->getContentType() != Ogre::TextureUnitState::CONTENT_NAMED)
                    continue;
                for (unsigned frame = 0; frame < unit->getNumFrames(); ++frame) {
                    const std::string& texture = unit->getFrameTextureName(frame);
                    if (!texture.empty() && visit(texture, *unit))
                        return true;
                }
            }
        }
    }
    return false;
}

} // namespace

Ogre::MaterialPtr MaterialCheck::require(const std::string& materialName, const std::string& user)
{
    const Ogre::MaterialPtr material =
        Ogre::MaterialManager::getSingleton().getByName(materialName, Ogre::RGN_AUTODETECT);
    if (!material) {
        GameLog::line(user + ": unknown material " + materialName);
        throw ConfigurationError();
    }
    const std::string texture = findMissingTexture(*material);
    if (!texture.empty()) {
        GameLog::line(user + ": material " + materialName + " uses the unknown texture " + texture);
        throw ConfigurationError();
    }
    return material;
}

Ogre::MaterialPtr MaterialCheck::require(const Config& file, const std::string& section, const std::string& key,
                                         const std::string& user)
{
    const std::string materialName = file.get<std::string>(section, key);
    if (!Ogre::MaterialManager::getSingletonPtr())
        return Ogre::MaterialPtr();
    try {
        return require(materialName, user);
    } catch (const ConfigurationError&) {
        file.logPlace(section, key);
        throw;
    }
}

std::string MaterialCheck::findMissingTexture(const Ogre::Material& material)
{
    std::string missing;
    anyTexture(material, [&missing](const std::string& texture, const Ogre::TextureUnitState& unit) {
        const bool cube = unit.getTextureType() == Ogre::TEX_TYPE_CUBE_MAP;
        if (textureExists(texture) || (cube && cubeFacesExist(texture)))
            return false;
        missing = texture;
        return true;
    });
    return missing;
}

bool MaterialCheck::namesTexture(const Ogre::Material& material, const std::string& texture)
{
    return anyTexture(material, [&texture](const std::string& name, const Ogre::TextureUnitState&) {
        return name == texture;
    });
}

} // namespace Tolvarine

#pragma once

#include <OgrePrerequisites.h>

#include <string>

namespace Tolvarine {

class Config;

// Checks a material that a data file names before anything is built with it: a material that does
// not exist, or one whose textures are nowhere to be found, would otherwise show as a blank or
// white square in play, with nothing but a line of the rendering engine's in the log.
class MaterialCheck {
public:
    // The material of that name. An unknown material logs "<user>: unknown material <name>", and
    // one whose texture units name a texture that neither a resource location holds nor the
    // program has made logs "<user>: material <name> uses the unknown texture <texture>"; both
    // throw ConfigurationError.
    static Ogre::MaterialPtr require(const std::string& materialName, const std::string& user);

    // The material that `key` of `section` names in `file`, required as above; a refusal is
    // followed by the file's line "Config: in <path>, section <section>, key <key>". Tools that
    // read files without the rendering engine get a null pointer, unchecked.
    static Ogre::MaterialPtr require(const Config& file, const std::string& section, const std::string& key,
                                     const std::string& user);

    // Whether a texture unit of the material names `texture`, in any of its frames.
    static bool namesTexture(const Ogre::Material& material, const std::string& texture);

    // The first texture the material names that does not exist, or the empty string.
    static std::string findMissingTexture(const Ogre::Material& material);
};

} // namespace Tolvarine

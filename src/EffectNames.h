#pragma once

#include <string>

namespace Tolvarine {

class Config;

// Names of the rendering engine's effects that a type file gives for an engine's exhaust and glow.
// The engine refuses an unknown particle template or material only when the object is built, and
// that ends the game; the type loaders read the names through these at start-up instead, so an
// unknown one stops the start with "<user>: unknown particle template <name>" (or the refusals of
// MaterialCheck::require: an unknown material, or one whose texture is missing) and the file's place. Tools that read types without the rendering engine get the
// name unchecked.
class EffectNames {
public:
    static std::string particleTemplate(const Config& type, const std::string& section, const std::string& key,
                                        const std::string& user);
    static std::string material(const Config& type, const std::string& section, const std::string& key,
                                const std::string& user);
};

} // namespace Tolvarine

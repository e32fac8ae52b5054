#pragma once

#include <OgreMesh.h>

#include <string>

namespace Tolvarine {

// Loads mesh resources named in data files. A mesh that cannot be found or read is logged and
// ends in a ConfigurationError; the failed attempt leaves no empty resource of that name behind,
// which would otherwise make every later lookup of the name fail in its own way.
class MeshLoader {
public:
    // Loads `meshName` in `group` (or finds it loaded already) with static write-only buffers;
    // `shadowBuffers` keeps copies in memory that can be read back. `user` starts the log line:
    // "<user>: the mesh <meshName> could not be loaded: <reason>".
    static Ogre::MeshPtr load(const std::string& meshName, const std::string& group,
                              bool shadowBuffers, const std::string& user);
};

} // namespace Tolvarine

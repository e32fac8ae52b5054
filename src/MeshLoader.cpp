#include "MeshLoader.h"

#include "ConfigurationError.h"
#include "GameLog.h"

#include <OgreException.h>
#include <OgreMeshManager.h>

namespace Tolvarine {

namespace {

// The manager registers a name before it looks for the file. An unloaded entry left behind by a
// failed load would be found by the next lookup of the name, which would then fail differently.
void forgetFailedLoad(const std::string& meshName, const std::string& group)
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    try {
        const Ogre::ResourcePtr failed = meshes.getResourceByName(meshName, group);
        if (failed && !failed->isLoaded())
            meshes.remove(failed);
    } catch (const Ogre::Exception&) {
        // An unknown group holds nothing to forget.
    }
}

} // namespace

Ogre::MeshPtr MeshLoader::load(const std::string& meshName, const std::string& group,
                               bool shadowBuffers, const std::string& user)
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    bool known = true;
    try {
        known = meshes.resourceExists(meshName, group);
        return meshes.load(meshName, group, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY,
                           Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, shadowBuffers,
                           shadowBuffers);
    } catch (const Ogre::Exception& error) {
        if (!known)
            forgetFailedLoad(meshName, group);
        GameLog::line(user + ": the mesh " + meshName
                      + " could not be loaded: "
                      + error.getDescription());
        throw ConfigurationError();
    }
}

} // namespace Tolvarine

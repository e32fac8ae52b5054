#include "ResourceFiles.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "MaterialCheck.h"
#include "MeshFile.h"

#include <OgreArchive.h>
#include <OgreDataStream.h>
#include <OgreException.h>
#include <OgreMaterial.h>
#include <OgreMaterialManager.h>
#include <OgreResource.h>
#include <OgreResourceManager.h>
#include <OgreResourceGroupManager.h>

namespace Tolvarine {

namespace {

// Remembers what the group is working on, so that an exception can be put down to its file.
class CurrentFile : public Ogre::ResourceGroupListener {
public:
    CurrentFile() { Ogre::ResourceGroupManager::getSingleton().addResourceGroupListener(this); }
    ~CurrentFile() override { Ogre::ResourceGroupManager::getSingleton().removeResourceGroupListener(this); }
    CurrentFile(const CurrentFile&) = delete;
    CurrentFile& operator=(const CurrentFile&) = delete;

    void scriptParseStarted(const Ogre::String& scriptName, bool&) override
    {
        work = "the script " + ResourceFiles::locate(scriptName) + " could not be read";
    }
    void scriptParseEnded(const Ogre::String&, bool) override { work.clear(); }
    void resourceLoadStarted(const Ogre::ResourcePtr& resource) override
    {
        // A resource that a script defines (a material) has that script as its origin; a
        // declared one (a mesh) is a file of its own name.
        const std::string& origin = resource->getOrigin();
        const std::string what = origin.empty() ? ResourceFiles::locate(resource->getName())
                                                : resource->getName() + " of " + ResourceFiles::locate(origin);
        work = "the " + resource->getCreator()->getResourceType() + " " + what + " could not be loaded";
        texture = resource->getCreator()->getResourceType() == "Texture" ? resource->getName() : std::string();
    }
    void resourceLoadEnded() override
    {
        work.clear();
        texture.clear();
    }

    // What failed and how, or empty between scripts and resources.
    const std::string& get() const { return work; }
    // The texture being loaded, or empty.
    const std::string& getTexture() const { return texture; }

private:
    std::string work;
    std::string texture;
};

// A texture is made by the material that names it and has no file of its own when it is missing:
// the material scripts that name it are the files to mend.
void logTextureUsers(const std::string& group, const std::string& texture)
{
    Ogre::MaterialManager* materials = Ogre::MaterialManager::getSingletonPtr();
    if (texture.empty() || !materials)
        return;
    for (const auto& entry : materials->getResourceIterator()) {
        const Ogre::Material& material = static_cast<const Ogre::Material&>(*entry.second);
        if (MaterialCheck::namesTexture(material, texture))
            GameLog::line("Resource group " + group + ": the material " + material.getName() + " of "
                          + ResourceFiles::locate(material.getOrigin()) + " names the texture " + texture);
    }
}

} // namespace

std::string ResourceFiles::locate(const std::string& name)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    if (name.empty() || !groups.resourceExistsInAnyGroup(name))
        return name;
    const Ogre::FileInfoListPtr found = groups.findResourceFileInfo(groups.findGroupContainingResource(name), name);
    if (!found || found->empty() || !found->front().archive)
        return name;
    const Ogre::FileInfo& file = found->front();
    return file.archive->getName() + "/" + file.filename;
}

// The engine's reader loads half a mesh file as a mesh with unfilled buffers, so every mesh file
// of the group is checked whole first.
void ResourceFiles::checkMeshFiles(const std::string& group)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    const Ogre::StringVectorPtr names = groups.findResourceNames(group, "*.mesh");
    for (const std::string& name : *names) {
        const std::string damage = MeshFile::findDamage(groups.openResource(name, group)->getAsString());
        if (!damage.empty()) {
            GameLog::line("Resource group " + group + ": the mesh file " + locate(name) + " is damaged: " + damage);
            throw ConfigurationError();
        }
    }
}

void ResourceFiles::initialiseAndLoad(const std::string& group)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    CurrentFile current;
    try {
        groups.initialiseResourceGroup(group);
        checkMeshFiles(group);
        groups.loadResourceGroup(group);
    } catch (const Ogre::Exception& error) {
        const std::string& work = current.get();
        GameLog::line("Resource group " + group + (work.empty() ? " could not be loaded" : ": " + work) + ": "
                      + error.getDescription());
        logTextureUsers(group, current.getTexture());
        throw ConfigurationError();
    }
}

} // namespace Tolvarine

#include "RenderingRoot.h"

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreMovableObject.h>
#include <OgreParticleSystemManager.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>

#include <cstdlib>

namespace Tolvarine::Test {

bool RenderingRoot::displayAvailable()
{
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

RenderingRoot::RenderingRoot(Kind kind)
    : root(std::make_unique<Ogre::Root>("", "", ""))
{
    if (kind == Kind::Headless) {
        buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
        Ogre::MaterialManager::getSingleton().initialise();
        Ogre::ParticleSystemManager::getSingleton()._initialise();
    } else {
        root->loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
        root->setRenderSystem(root->getRenderSystemByName("OpenGL Rendering Subsystem"));
        root->initialise(false);
        Ogre::NameValuePairList options;
        options["hidden"] = "true";
        renderWindow = root->createRenderWindow("Test", 64, 64, false, &options);
        Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
    }
    scene = root->createSceneManager();
}

RenderingRoot::~RenderingRoot()
{
    root.reset();
    buffers.reset();
}

} // namespace Tolvarine::Test

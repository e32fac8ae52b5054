#include "RenderingRoot.h"

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreException.h>
#include <OgreMaterialManager.h>
#include <OgreMovableObject.h>
#include <OgreParticleSystemManager.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

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
        openWindow();
    }
    scene = root->createSceneManager();
}

// A failure is passed on as a plain exception: the rendering engine's own exception was made
// inside the OpenGL plug-in, and reading it after the root has unloaded that plug-in crashes.
void RenderingRoot::openWindow()
{
    std::string failure;
    try {
        root->loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
        root->setRenderSystem(root->getRenderSystemByName("OpenGL Rendering Subsystem"));
        root->initialise(false);
        Ogre::NameValuePairList options;
        options["hidden"] = "true";
        renderWindow = root->createRenderWindow("Test", 64, 64, false, &options);
        Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
        return;
    } catch (const Ogre::Exception& e) {
        failure = e.getDescription();
    }
    renderWindow = nullptr;
    root.reset();
    throw std::runtime_error("no OpenGL window for the test: " + failure);
}

RenderingRoot::~RenderingRoot()
{
    root.reset();
    buffers.reset();
}

} // namespace Tolvarine::Test

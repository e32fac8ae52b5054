#include "Interface.h"

#include "CameraController.h"
#include "TolvarineEngine.h"

#include <OgreRenderWindow.h>
#include <OgreViewport.h>

namespace Tolvarine {

Interface* Interface::singleton = nullptr;

Interface::Interface()
    : commandModeKey("toggle_command_mode", {})
    , menuKey("disabled", {})
    , screenshotKey("screenshot", []() { TolvarineEngine::getSingleton().takeScreenshot(); })
    , quitKey("quit", []() { TolvarineEngine::getSingleton().quit(); })
{
    singleton = this;
}

Interface::~Interface()
{
    if (singleton == this)
        singleton = nullptr;
}

Interface& Interface::getSingleton()
{
    return *singleton;
}

Interface* Interface::getSingletonPtr()
{
    return singleton;
}

void Interface::setRenderWindow(Ogre::RenderWindow* window)
{
    renderWindow = window;
    CameraController& cameras = CameraController::getSingleton();
    viewport = renderWindow->addViewport(cameras.getCamera(), 0, 0.0f, 0.0f, 1.0f, 1.0f);
    cameras.activateFixedCamera();
}

Interface::InterfaceMode Interface::getMode() const
{
    if (inMenu)
        return MENU;
    return inCommandMode ? COMMAND : NORMAL;
}

void Interface::setMode(int mode, bool lockKeys)
{
    switch (mode) {
    case NORMAL:
        inCommandMode = false;
        inMenu = false;
        break;
    case COMMAND:
        inMenu = false;
        inCommandMode = true;
        break;
    case MENU:
        inCommandMode = false;
        inMenu = true;
        break;
    default:
        break;
    }
    commandModeKey.setEnabled(!lockKeys);
    menuKey.setEnabled(!lockKeys);
}

} // namespace Tolvarine

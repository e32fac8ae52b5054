#include "Interface.h"

#include "CameraController.h"
#include "HudOverlay.h"
#include "ScreenProjection.h"
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
    updateHud();
    commandModeKey.setEnabled(!lockKeys);
    menuKey.setEnabled(!lockKeys);
}

void Interface::updateHud() const
{
    HudOverlay* hud = HudOverlay::getSingletonPtr();
    if (!hud)
        return;
    hud->setVisible(getMode() == NORMAL);
    HudOverlay::setFrameBillboardsVisible(true);
}

bool Interface::projectToScreen(const Ogre::Vector3& world, float& x, float& y)
{
    return ScreenProjection::projectToScreen(*CameraController::getSingleton().getCurrentCamera(), world, x, y);
}

void Interface::screenEdgePoint(const Ogre::Vector3& world, float& x, float& y)
{
    ScreenProjection::screenEdgePoint(*CameraController::getSingleton().getCurrentCamera(), world, x, y);
}

float Interface::projectedScreenWidth(const Ogre::Vector3& world, float radius) const
{
    return ScreenProjection::projectedScreenWidth(*CameraController::getSingleton().getCurrentCamera(), world,
                                                  radius);
}

} // namespace Tolvarine

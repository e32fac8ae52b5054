#pragma once

#include "InputHandler.h"

#include <OgreVector.h>

namespace Ogre {
class RenderWindow;
class Viewport;
}

namespace Tolvarine {

// Ties the screen and the input together: the one way of switching between flying, command
// mode and the menus, the key commands that are always present (screenshot, quit, self-destruct,
// the mode toggles) and the full-window viewport. Created once at start-up, never destroyed.
class Interface {
public:
    enum InterfaceMode { NORMAL = 0, COMMAND = 1, MENU = 2 };

    Interface();
    ~Interface();
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;

    static Interface& getSingleton();
    static Interface* getSingletonPtr();

    // Keeps the window and shows the camera controller's current camera in a viewport that
    // covers all of it, then makes the fixed camera the active one.
    void setRenderWindow(Ogre::RenderWindow* window);
    Ogre::Viewport* getViewport() const { return viewport; }

    // Switches the mode; a mode already current is not entered again. With lockKeys the two mode
    // keys are disabled (the exit screen locks them), otherwise enabled.
    void setMode(int mode, bool lockKeys);
    InterfaceMode getMode() const;
    // The heads-up display as the mode wants it: shown while flying, hidden in command mode and
    // the menus; the target frames are drawn in every mode. Nothing before the display exists.
    void updateHud() const;
    bool areModeKeysEnabled() const { return commandModeKey.isActive(); }

    // Screen-space marks over world positions, seen through the current camera, in normalised
    // device coordinates (-1 to 1 across the screen). Whether the point is in view; points behind
    // the camera read (-2, -2).
    static bool projectToScreen(const Ogre::Vector3& world, float& x, float& y);
    // The point on the border of the screen towards an off-screen world point.
    static void screenEdgePoint(const Ogre::Vector3& world, float& x, float& y);
    // The screen radius of a sphere at a world position.
    float projectedScreenWidth(const Ogre::Vector3& world, float radius) const;

private:
    Ogre::RenderWindow* renderWindow = nullptr;
    Ogre::Viewport* viewport = nullptr;
    bool inCommandMode = false;
    bool inMenu = false;
    // The mode keys hold their symbols from the start; command mode and the menus give them
    // their handlers.
    InputHandler::EnterSubscription commandModeKey;
    InputHandler::EnterSubscription menuKey;
    InputHandler::EnterSubscription screenshotKey;
    InputHandler::EnterSubscription quitKey;

    static Interface* singleton;
};

} // namespace Tolvarine

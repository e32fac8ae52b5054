#pragma once

#include "FixedTask.h"
#include "FunctionTask.h"
#include "GuiContextInjector.h"
#include "InputHandler.h"

#include <OgreVector.h>

#include <limits>
#include <memory>
#include <string>

namespace CEGUI {
class OgreRenderer;
class Window;
} // namespace CEGUI

namespace Ogre {
class Overlay;
class OverlayElement;
class RenderWindow;
class Viewport;
} // namespace Ogre

namespace Tolvarine {

class CommandSystem;
class Config;
class GuiFileLog;
class MenuSystem;

// Ties the screen and the input together: the one way of switching between flying, command
// mode and the menus, the key commands that are always present (screenshot, quit, self-destruct,
// the mode toggles), the frame-rate overlay "Stats", a transient on-screen message, the start of
// the GUI library with its root window "Desktop", and the full-window viewport. Created once at
// start-up, never destroyed by the game.
//
// Settings, "cfg/interface.cfg": section "GUI" with "scheme" (the GUI scheme, which is also the
// image set of the mouse cursor), "font" and "alpha" (of the root window), all required when the
// GUI starts; section "Interface" with "showFps" (default 0) and "showCommandSystem" (default 1,
// read by command mode).
class Interface {
public:
    enum InterfaceMode { NORMAL = 0, COMMAND = 1, MENU = 2 };

    // Looks up the "Stats" overlay when the overlay system exists (a missing overlay or element is
    // the rendering engine's error) and shows it when "showFps" is set.
    Interface();
    ~Interface();
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;

    static Interface& getSingleton();
    static Interface* getSingletonPtr();
    // "cfg/interface.cfg", read at the first call; missing, it throws ConfigurationError.
    static const Config& getConfig();

    // Keeps the window and shows the camera controller's current camera in a viewport that
    // covers all of it, then makes the fixed camera the active one.
    void setRenderWindow(Ogre::RenderWindow* window);
    Ogre::Viewport* getViewport() const { return viewport; }

    // Starts the GUI library on the render window (log "CEGUI.log"), loads the scheme, sets the
    // cursor and the font, makes the root window "Desktop" and the message window, hands the GUI
    // input over, and builds command mode and the menu system. A second call starts it afresh.
    // A scheme, font or image set that the library cannot read, or that names a file that is not
    // there, is logged as "Interface: the GUI file <path> is broken: <reason>"; an unknown scheme
    // or font as "Interface: the GUI scheme <scheme> with the font <font> could not be loaded:
    // <reason>", followed by the place of its key in cfg/interface.cfg. Either raises
    // ConfigurationError.
    void initialiseGui();
    CEGUI::Window* getDesktopWindow() const { return desktopWindow; }

    // Switches the mode; a mode already current is not entered again. Last, in every case, the two
    // mode keys are disabled with lockKeys (the exit screen locks them) and enabled without.
    void setMode(int mode, bool lockKeys);
    InterfaceMode getMode() const;
    bool areModeKeysEnabled() const { return commandModeKey.isActive(); }
    void toggleCommandMode();
    void toggleMenu();
    // Applies the mode to the input (GUI injection, mouse momentum, the player's flying input),
    // the heads-up display and the mouse cursor.
    void updateControlState() const;
    // The heads-up display as the mode wants it: shown while flying, hidden in command mode and
    // the menus; the target frames are drawn in every mode. Nothing before the display exists.
    void updateHud() const;

    // Destroys the ship the player flies, with the log line "Self destruct"; without one, nothing.
    void suicide();

    // Shows `text` centred 100 pixels below the top for holdSeconds of game time at full opacity,
    // then fades it out over fadeSeconds. A new message restarts the hold.
    void showTransientMessage(const std::string& text, float holdSeconds, float fadeSeconds);
    bool transientMessageUpdate(float elapsed);

    // Writes the frame rate and triangle count into "Stats" every half second of real time while
    // the overlay is on.
    void updateStats(float lastFrameTime, float smoothedFrameTime);

    // Screen-space marks over world positions, seen through the current camera, in normalised
    // device coordinates (-1 to 1 across the screen). Whether the point is in view; points behind
    // the camera read (-2, -2).
    static bool projectToScreen(const Ogre::Vector3& world, float& x, float& y);
    // The point on the border of the screen towards an off-screen world point.
    static void screenEdgePoint(const Ogre::Vector3& world, float& x, float& y);
    // The screen radius of a sphere at a world position.
    float projectedScreenWidth(const Ogre::Vector3& world, float radius) const;

    // Registers the script class "Interface" and the enumeration "InterfaceMode".
    static void exportToPython();

private:
    void lookUpStats();
    void loadScheme(const Config& settings, const std::string& scheme, const std::string& font);
    [[noreturn]] void refuseGui(const Config& settings, const char* key, const std::string& scheme,
                                const std::string& font, const std::string& reason, const std::string& missing) const;
    void stopGui();
    void enterCommandMode();
    void leaveCommandMode();
    void showMenu();
    void hideMenu();

    Ogre::RenderWindow* renderWindow = nullptr;
    Ogre::Viewport* viewport = nullptr;
    Ogre::Overlay* statsOverlay = nullptr;
    Ogre::OverlayElement* fpsElement = nullptr;
    Ogre::OverlayElement* trisElement = nullptr;
    // The tasks are made when the scheduler exists (always, in the game).
    std::unique_ptr<FixedTask> statsTask;
    double nextStatsUpdate = std::numeric_limits<double>::infinity();
    CEGUI::OgreRenderer* guiRenderer = nullptr;
    // Made before the library starts, when no log of its own exists yet; it outlives the library.
    std::unique_ptr<GuiFileLog> guiLog;
    // The mode keys hold their symbols from the start.
    InputHandler::EnterSubscription commandModeKey;
    bool inCommandMode = false;
    InputHandler::EnterSubscription menuKey;
    bool inMenu = false;
    CEGUI::Window* desktopWindow = nullptr;
    std::unique_ptr<FunctionTask> messageTask;
    double messageStart = 0.0;
    float messageHold = 0.0f;
    float messageFade = 0.0f;
    CEGUI::Window* messageWindow = nullptr;
    InputHandler::EnterSubscription screenshotKey;
    InputHandler::EnterSubscription quitKey;
    InputHandler::EnterSubscription suicideKey;
    GuiContextInjector guiInjector;
    // The library needs the passing time for key repeat, tooltips and fades.
    std::unique_ptr<FixedTask> guiTimeTask;
    double lastGuiTime = 0.0;
    std::unique_ptr<CommandSystem> commandSystem;
    std::unique_ptr<MenuSystem> menuSystem;

    static Interface* singleton;
};

} // namespace Tolvarine

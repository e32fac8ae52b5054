#pragma once

#include <string>

struct SDL_Window;

namespace Ogre {
class RenderWindow;
class Root;
} // namespace Ogre

namespace Tolvarine {

// The game's one window. SDL creates it, so that SDL reads the keyboard, mouse and joystick from
// it, and OGRE renders into it through its external window handle. Lives for the whole run.
class GameWindow {
public:
    // Needs an initialised Root (initialise(false)) with a render system. Logs and throws
    // std::runtime_error("Bad SDL Init") when SDL's video cannot start, FatalError when the
    // window cannot be made.
    GameWindow(Ogre::Root& root, const std::string& title, unsigned width, unsigned height, bool fullScreen);
    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    static GameWindow& getSingleton();
    static GameWindow* getSingletonPtr() { return singleton; }

    // Loads OGRE's OpenGL render system from the installed plugin folder and selects it; the game
    // uses no other render system and no plugins.cfg.
    static void loadRenderSystem(Ogre::Root& root);

    Ogre::RenderWindow* getRenderWindow() const { return renderWindow; }
    SDL_Window* getSdlWindow() const { return sdlWindow; }
    // The X11 window id.
    unsigned long getNativeHandle() const { return nativeHandle; }

private:
    static GameWindow* singleton;

    Ogre::Root& root;
    SDL_Window* sdlWindow = nullptr;
    unsigned long nativeHandle = 0;
    Ogre::RenderWindow* renderWindow = nullptr;
};

} // namespace Tolvarine

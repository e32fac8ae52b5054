#include "GameWindow.h"

#include "FatalError.h"
#include "GameLog.h"

#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <OgreStringConverter.h>
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdlib>
#include <stdexcept>

namespace Tolvarine {

namespace {

const char* const renderSystemName = "OpenGL Rendering Subsystem";

} // namespace

GameWindow* GameWindow::singleton = nullptr;

GameWindow::GameWindow(Ogre::Root& ogreRoot, const std::string& title, unsigned width, unsigned height, bool fullScreen)
    : root(ogreRoot)
{
    if (singleton) {
        GameLog::line("GameWindow created twice");
        throw FatalError();
    }
    // The game runs on X11; a driver chosen beforehand (tests use "dummy") is kept.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        GameLog::line(std::string("SDL failed init: ") + SDL_GetError());
        throw std::runtime_error("Bad SDL Init");
    }
    // SDL switches the screen mode for full screen; OGRE only draws into the window.
    const Uint32 flags = SDL_WINDOW_SHOWN | (fullScreen ? SDL_WINDOW_FULLSCREEN : 0);
    sdlWindow = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, int(width),
                                 int(height), flags);
    if (!sdlWindow) {
        GameLog::line(std::string("SDL could not create the game window: ") + SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw FatalError();
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdlWindow, &info) || info.subsystem != SDL_SYSWM_X11) {
        GameLog::line("The game window is not an X11 window");
        SDL_DestroyWindow(sdlWindow);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw FatalError();
    }
    nativeHandle = static_cast<unsigned long>(info.info.x11.window);

    Ogre::NameValuePairList options;
    // The rendering engine draws into a child window that fills SDL's, which keeps the input; the
    // child stays at the parent's corner (its default place is the middle of the screen).
    options["parentWindowHandle"] = Ogre::StringConverter::toString(nativeHandle);
    options["left"] = "0";
    options["top"] = "0";
    try {
        renderWindow = root.createRenderWindow(title, width, height, false, &options);
    } catch (...) {
        SDL_DestroyWindow(sdlWindow);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw;
    }
    singleton = this;
}

GameWindow::~GameWindow()
{
    // OGRE's window draws into SDL's, so it goes first.
    if (Ogre::RenderSystem* renderSystem = root.getRenderSystem())
        renderSystem->destroyRenderWindow(renderWindow->getName());
    SDL_DestroyWindow(sdlWindow);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    singleton = nullptr;
}

GameWindow& GameWindow::getSingleton()
{
    if (!singleton) {
        GameLog::line("GameWindow used before it was created");
        throw FatalError();
    }
    return *singleton;
}

void GameWindow::loadRenderSystem(Ogre::Root& root)
{
    if (!root.getRenderSystemByName(renderSystemName))
        root.loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
    Ogre::RenderSystem* renderSystem = root.getRenderSystemByName(renderSystemName);
    if (!renderSystem) {
        GameLog::line(std::string("The render system \"") + renderSystemName + "\" is not available");
        throw FatalError();
    }
    root.setRenderSystem(renderSystem);
}

} // namespace Tolvarine

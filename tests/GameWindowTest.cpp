#include "GameWindow.h"

#include "InputHandler.h"
#include "LogCapture.h"
#include "Scheduler.h"

#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace Tolvarine {
namespace {

// Runs scheduler passes until the condition holds; X events take a moment to travel.
template <typename Condition>
bool passUntil(Scheduler& scheduler, Condition condition)
{
    for (int i = 0; i < 200 && !condition(); ++i) {
        scheduler.run();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

TEST(GameWindow, SdlOwnsTheWindowOgreDrawsInItAndKeysReachSubscribers)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X display (run under tools/with-display.sh)";

    Tolvarine::Test::LogCapture log;
    Ogre::Root root("", "", "");
    GameWindow::loadRenderSystem(root);
    root.initialise(false);
    {
        GameWindow window(root, "Tolvarine input test", 320, 240, false);
        ASSERT_NE(window.getRenderWindow(), nullptr);
        EXPECT_EQ(window.getRenderWindow()->getWidth(), 320u);
        EXPECT_EQ(window.getRenderWindow()->getHeight(), 240u);
        EXPECT_EQ(std::string(SDL_GetWindowTitle(window.getSdlWindow())), "Tolvarine input test");
        EXPECT_EQ(&GameWindow::getSingleton(), &window);
        window.getRenderWindow()->update();

        InputHandler input;
        Scheduler scheduler;
        input.initialise(window, std::string(TOLVARINE_SOURCE_DIR) + "/cfg/active.keymap");
        char expected[64];
        std::snprintf(expected, sizeof expected, "HWND for SDL: SDL_WINDOWID=0x%08lX", window.getNativeHandle());
        EXPECT_TRUE(log.contains(expected));
        EXPECT_TRUE(log.contains("w --> forward_thrust"));
        if (SDL_NumJoysticks() == 0) {
            for (const std::string& line : log.lines())
                EXPECT_EQ(line.find("oystick"), std::string::npos) << "no joystick, no word about one: " << line;
        }

        int presses = 0, releases = 0;
        InputHandler::EnterSubscription press("forward_thrust", [&] { ++presses; });
        InputHandler::ExitSubscription release("forward_thrust", [&] { ++releases; });

        // Through SDL's queue, as the window system would deliver it.
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = SDLK_w;
        event.key.windowID = SDL_GetWindowID(window.getSdlWindow());
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        scheduler.run();
        EXPECT_EQ(presses, 1) << "the fixed task \"Process Input\" handles the frame's events";

        // A real key press from the X server.
        const std::string id = std::to_string(window.getNativeHandle());
        if (std::system(("xdotool windowfocus --sync " + id + " >/dev/null 2>&1").c_str()) != 0)
            GTEST_SKIP() << "xdotool is not available";
        ASSERT_EQ(std::system("xdotool key --delay 20 w"), 0);
        EXPECT_TRUE(passUntil(scheduler, [&] { return presses == 2 && releases == 1; }))
            << presses << " presses, " << releases << " releases";
    }
    EXPECT_EQ(GameWindow::getSingletonPtr(), nullptr);
}

} // namespace
} // namespace Tolvarine

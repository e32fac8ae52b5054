#include "GameWindow.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "Scheduler.h"
#include "SdlTranslation.h"

#include <CEGUI/InputEvent.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <thread>

namespace Tolvarine {
namespace {

using Event = SdlTranslation::Event;

TEST(SdlTranslation, EveryNamedKeyReachesItsNumberAndNameBothWays)
{
    // Keys of the old vocabulary that no SDL2 key produces.
    const std::set<std::string> withoutSdl2Key = {"right meta", "left meta", "compose", "break"};
    std::set<std::string> seenWithoutSdl2Key;
    int named = 0;
    for (std::uint32_t code = 1; code <= SdlTranslation::lastKeyCode; ++code) {
        const std::string name = SdlTranslation::keyName(code);
        if (name == "unknown key") {
            EXPECT_FALSE(SdlTranslation::sdlKeyCode(code).has_value()) << code;
            continue;
        }
        ++named;
        EXPECT_EQ(SdlTranslation::keyCodeForName(name), code) << name;
        const auto sdl = SdlTranslation::sdlKeyCode(code);
        if (!sdl) {
            seenWithoutSdl2Key.insert(name);
            continue;
        }
        EXPECT_EQ(SdlTranslation::legacyKeyCode(*sdl), code) << name;
    }
    // SDL 1.2 gives 231 of its key numbers a name of their own.
    EXPECT_EQ(named, 231);
    EXPECT_EQ(seenWithoutSdl2Key, withoutSdl2Key);
    EXPECT_EQ(SdlTranslation::keyCodeForName("unknown key"), 0u);
    EXPECT_EQ(SdlTranslation::keyName(323), "unknown key");
    EXPECT_FALSE(SdlTranslation::keyCodeForName("Space").has_value());
    EXPECT_FALSE(SdlTranslation::keyCodeForName("").has_value());
    EXPECT_EQ(SdlTranslation::legacyKeyCode(SDLK_PERCENT), 37u) << "a printable key without a name";
    // The GUI gets its own library's scan codes, not the key numbers.
    EXPECT_EQ(SdlTranslation::guiScanCode('a'), std::optional<unsigned>(CEGUI::Key::Scan::A));
    EXPECT_FALSE(SdlTranslation::guiScanCode(12) || SdlTranslation::guiScanCode(400));
}

TEST(SdlTranslation, EventsBecomeOldStyleEvents)
{
    std::deque<Event> out;
    SDL_Event event{};
    const auto translate = [&](Uint32 type, auto fill) { event = SDL_Event{}, event.type = type, fill(event), SdlTranslation::translate(event, out); };
    for (const auto& [type, key, repeat] : {std::tuple{SDL_KEYDOWN, SDLK_LSHIFT, 0}, {SDL_KEYDOWN, SDLK_LSHIFT, 1}, {SDL_KEYUP, SDLK_LSHIFT, 0},
                                            {SDL_KEYDOWN, SDLK_AUDIOPLAY, 0}})
        translate(type, [&](SDL_Event& e) { e.key.keysym.sym = key, e.key.repeat = Uint8(repeat); });
    ASSERT_EQ(out.size(), 2u) << "a repeat or a key without an old number must give nothing";
    EXPECT_TRUE(out[0].type == Event::Type::KeyDown && out[0].code == 304u && out[1].type == Event::Type::KeyUp);
    out.clear();
    for (const auto& [y, direction] : {std::pair<int, Uint32>{2, SDL_MOUSEWHEEL_NORMAL}, {-1, SDL_MOUSEWHEEL_NORMAL},
                                       {-1, SDL_MOUSEWHEEL_FLIPPED}, {0, SDL_MOUSEWHEEL_FLIPPED}})
        translate(SDL_MOUSEWHEEL, [&](SDL_Event& e) { e.wheel.y = y, e.wheel.direction = direction; });
    std::vector<std::pair<Event::Type, std::uint32_t>> seen;
    for (const Event& each : out)
        seen.emplace_back(each.type, each.code);
    const auto down = Event::Type::MouseButtonDown, up = Event::Type::MouseButtonUp;
    EXPECT_EQ(seen, (std::vector<std::pair<Event::Type, std::uint32_t>>{{down, 4}, {up, 4}, {down, 4}, {up, 4}, {down, 5}, {up, 5}, {down, 4}, {up, 4}}));
    out.clear();
    translate(SDL_MOUSEBUTTONDOWN, [](SDL_Event& e) { e.button.button = SDL_BUTTON_X1; });
    translate(SDL_MOUSEBUTTONDOWN, [](SDL_Event& e) { e.button.button = SDL_BUTTON_RIGHT; });
    translate(SDL_MOUSEMOTION, [](SDL_Event& e) { e.motion.xrel = -3, e.motion.yrel = 7; });
    translate(SDL_JOYAXISMOTION, [](SDL_Event& e) { e.jaxis.which = 7, e.jaxis.axis = 2, e.jaxis.value = -1234; });
    translate(SDL_QUIT, [](SDL_Event&) {});
    ASSERT_EQ(out.size(), 5u);
    EXPECT_TRUE(out[0].code == 6u && out[1].code == 3u && out[2].type == Event::Type::MouseMotion && out[2].y == 7);
    EXPECT_TRUE(out[3].joystick == 7 && out[3].axisValue == -1234 && out[4].type == Event::Type::CloseRequest);
    EXPECT_EQ(SdlTranslation::legacyMouseButton(SDL_BUTTON_X2), 7u);
}

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

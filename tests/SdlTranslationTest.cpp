#include "SdlTranslation.h"

#include <CEGUI/InputEvent.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

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
}

TEST(SdlTranslation, NamesAndNumbersTheKeyMapUses)
{
    // The names the shipped key map uses.
    const std::vector<std::pair<std::string, std::uint32_t>> keys = {
        {"space", 32}, {"left shift", 304}, {"[+]", 270}, {"world 0", 160}, {"return", 13}, {"enter", 271},
        {"equals", 272}, {"undo", 322}};
    for (const auto& [name, code] : keys) {
        SCOPED_TRACE(name);
        EXPECT_EQ(SdlTranslation::keyCodeForName(name), code);
        EXPECT_EQ(SdlTranslation::keyName(code), name);
    }

    // SDL2 codes that differ from the old numbers (0: none). A printable key without an old name
    // keeps its character; keys the old SDL lacked give nothing.
    const std::pair<SDL_Keycode, std::uint32_t> sdl2[] = {
        {SDLK_LSHIFT, 304}, {SDLK_KP_PLUS, 270}, {SDLK_UP, 273}, {SDLK_F1, 282}, {SDLK_PAUSE, 19},
        {SDLK_MENU, 319}, {SDLK_APPLICATION, 319}, {0x20AC, 321} /* a layout's euro key */,
        {0xE9, 233} /* e-acute: "world 73" */, {SDLK_PERCENT, 37}, {SDLK_AUDIOPLAY, 0}, {SDLK_UNKNOWN, 0},
        {0x416, 0} /* a Cyrillic letter */};
    for (const auto& [sdl, code] : sdl2) {
        SCOPED_TRACE(sdl);
        EXPECT_EQ(SdlTranslation::legacyKeyCode(sdl).value_or(0), code);
    }
}

TEST(SdlTranslation, GuiScanCodesAreTheGuiLibrarysNotTheKeyNumbers)
{
    using Scan = CEGUI::Key::Scan;
    const std::pair<std::uint32_t, unsigned> rows[] = {
        {13, Scan::Return}, {27, Scan::Escape},     {9, Scan::Tab},   {97, Scan::A},   {48, Scan::Zero},
        {273, Scan::ArrowUp}, {271, Scan::NumpadEnter}, {127, Scan::Delete}, {12, 0}, {0, 0}, {400, 0}};
    for (const auto& [code, scan] : rows) {
        SCOPED_TRACE(code);
        EXPECT_EQ(SdlTranslation::guiScanCode(code).value_or(0), scan);
    }

    std::set<unsigned> letters; // a-z: 26 distinct scan codes
    for (std::uint32_t code = 'a'; code <= 'z'; ++code)
        letters.insert(SdlTranslation::guiScanCode(code).value_or(0));
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_EQ(letters.count(0), 0u);
}

SDL_Event keyEvent(Uint32 type, SDL_Keycode key, Uint8 repeat = 0)
{
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    event.key.repeat = repeat;
    return event;
}

TEST(SdlTranslation, EventsBecomeOldStyleEvents)
{
    std::deque<Event> out;
    SdlTranslation::translate(keyEvent(SDL_KEYDOWN, SDLK_LSHIFT), out);
    SdlTranslation::translate(keyEvent(SDL_KEYDOWN, SDLK_LSHIFT, 1), out);
    SdlTranslation::translate(keyEvent(SDL_KEYUP, SDLK_LSHIFT), out);
    SdlTranslation::translate(keyEvent(SDL_KEYDOWN, SDLK_AUDIOPLAY), out);
    ASSERT_EQ(out.size(), 2u) << "a repeat or a key without an old number must give nothing";
    EXPECT_EQ(out[0].type, Event::Type::KeyDown);
    EXPECT_EQ(out[0].code, 304u);
    EXPECT_EQ(out[1].type, Event::Type::KeyUp);

    out.clear();
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    for (const auto& [y, direction] : {std::pair<int, Uint32>{2, SDL_MOUSEWHEEL_NORMAL}, {-1, SDL_MOUSEWHEEL_NORMAL},
                                       {-1, SDL_MOUSEWHEEL_FLIPPED}, {0, SDL_MOUSEWHEEL_FLIPPED}}) {
        wheel.wheel.y = y;
        wheel.wheel.direction = direction;
        SdlTranslation::translate(wheel, out);
    }
    std::vector<std::pair<Event::Type, std::uint32_t>> seen;
    for (const Event& event : out)
        seen.emplace_back(event.type, event.code);
    const auto down = Event::Type::MouseButtonDown, up = Event::Type::MouseButtonUp;
    EXPECT_EQ(seen, (std::vector<std::pair<Event::Type, std::uint32_t>>{
                        {down, 4}, {up, 4}, {down, 4}, {up, 4}, {down, 5}, {up, 5}, {down, 4}, {up, 4}}));

    out.clear();
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_X1;
    SdlTranslation::translate(button, out);
    button.button.button = SDL_BUTTON_RIGHT;
    SdlTranslation::translate(button, out);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.xrel = -3;
    motion.motion.yrel = 7;
    SdlTranslation::translate(motion, out);
    SDL_Event axis{};
    axis.type = SDL_JOYAXISMOTION;
    axis.jaxis.which = 7;
    axis.jaxis.axis = 2;
    axis.jaxis.value = -1234;
    SdlTranslation::translate(axis, out);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SdlTranslation::translate(quit, out);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[4].type, Event::Type::CloseRequest);
    EXPECT_EQ(out[0].code, 6u);
    EXPECT_EQ(out[1].code, 3u);
    EXPECT_EQ(out[2].type, Event::Type::MouseMotion);
    EXPECT_EQ(out[2].y, 7);
    EXPECT_EQ(out[3].joystick, 7);
    EXPECT_EQ(out[3].axisValue, -1234);
    EXPECT_EQ(SdlTranslation::legacyMouseButton(SDL_BUTTON_X2), 7u);
}

} // namespace
} // namespace Tolvarine

#include "SdlTranslation.h"

#include <CEGUI/InputEvent.h>
#include <SDL_events.h>
#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <unordered_map>

namespace Tolvarine {

namespace {

using Scan = CEGUI::Key::Scan;

// One key of the 1.2 vocabulary. sdl is 0 when SDL2 has no key that reaches it; scan is
// Key::Unknown when the GUI library has no code for it.
struct KeyEntry {
    std::uint32_t legacy;
    const char* name;
    SDL_Keycode sdl;
    Scan scan;
};

// Keys whose SDL2 code is not their 1.2 number: everything outside the printable range.
const KeyEntry specialKeys[] = {
    {12, "clear", SDLK_CLEAR, Scan::Unknown},
    {19, "pause", SDLK_PAUSE, Scan::Pause},
    {256, "[0]", SDLK_KP_0, Scan::Numpad0},
    {257, "[1]", SDLK_KP_1, Scan::Numpad1},
    {258, "[2]", SDLK_KP_2, Scan::Numpad2},
    {259, "[3]", SDLK_KP_3, Scan::Numpad3},
    {260, "[4]", SDLK_KP_4, Scan::Numpad4},
    {261, "[5]", SDLK_KP_5, Scan::Numpad5},
    {262, "[6]", SDLK_KP_6, Scan::Numpad6},
    {263, "[7]", SDLK_KP_7, Scan::Numpad7},
    {264, "[8]", SDLK_KP_8, Scan::Numpad8},
    {265, "[9]", SDLK_KP_9, Scan::Numpad9},
    {266, "[.]", SDLK_KP_PERIOD, Scan::Decimal},
    {267, "[/]", SDLK_KP_DIVIDE, Scan::Divide},
    {268, "[*]", SDLK_KP_MULTIPLY, Scan::Multiply},
    {269, "[-]", SDLK_KP_MINUS, Scan::Subtract},
    {270, "[+]", SDLK_KP_PLUS, Scan::Add},
    {271, "enter", SDLK_KP_ENTER, Scan::NumpadEnter},
    {272, "equals", SDLK_KP_EQUALS, Scan::NumpadEquals},
    {273, "up", SDLK_UP, Scan::ArrowUp},
    {274, "down", SDLK_DOWN, Scan::ArrowDown},
    {275, "right", SDLK_RIGHT, Scan::ArrowRight},
    {276, "left", SDLK_LEFT, Scan::ArrowLeft},
    {277, "insert", SDLK_INSERT, Scan::Insert},
    {278, "home", SDLK_HOME, Scan::Home},
    {279, "end", SDLK_END, Scan::End},
    {280, "page up", SDLK_PAGEUP, Scan::PageUp},
    {281, "page down", SDLK_PAGEDOWN, Scan::PageDown},
    {282, "f1", SDLK_F1, Scan::F1},
    {283, "f2", SDLK_F2, Scan::F2},
    {284, "f3", SDLK_F3, Scan::F3},
    {285, "f4", SDLK_F4, Scan::F4},
    {286, "f5", SDLK_F5, Scan::F5},
    {287, "f6", SDLK_F6, Scan::F6},
    {288, "f7", SDLK_F7, Scan::F7},
    {289, "f8", SDLK_F8, Scan::F8},
    {290, "f9", SDLK_F9, Scan::F9},
    {291, "f10", SDLK_F10, Scan::F10},
    {292, "f11", SDLK_F11, Scan::F11},
    {293, "f12", SDLK_F12, Scan::F12},
    {294, "f13", SDLK_F13, Scan::F13},
    {295, "f14", SDLK_F14, Scan::F14},
    {296, "f15", SDLK_F15, Scan::F15},
    {300, "numlock", SDLK_NUMLOCKCLEAR, Scan::NumLock},
    {301, "caps lock", SDLK_CAPSLOCK, Scan::Capital},
    {302, "scroll lock", SDLK_SCROLLLOCK, Scan::ScrollLock},
    {303, "right shift", SDLK_RSHIFT, Scan::RightShift},
    {304, "left shift", SDLK_LSHIFT, Scan::LeftShift},
    {305, "right ctrl", SDLK_RCTRL, Scan::RightControl},
    {306, "left ctrl", SDLK_LCTRL, Scan::LeftControl},
    {307, "right alt", SDLK_RALT, Scan::RightAlt},
    {308, "left alt", SDLK_LALT, Scan::LeftAlt},
    {309, "right meta", 0, Scan::Unknown},
    {310, "left meta", 0, Scan::Unknown},
    {311, "left super", SDLK_LGUI, Scan::LeftWindows},
    {312, "right super", SDLK_RGUI, Scan::RightWindows},
    {313, "alt gr", SDLK_MODE, Scan::RightAlt},
    {314, "compose", 0, Scan::Unknown},
    {315, "help", SDLK_HELP, Scan::Unknown},
    {316, "print screen", SDLK_PRINTSCREEN, Scan::SysRq},
    {317, "sys req", SDLK_SYSREQ, Scan::SysRq},
    {318, "break", 0, Scan::Unknown},
    {319, "menu", SDLK_APPLICATION, Scan::AppMenu},
    {320, "power", SDLK_POWER, Scan::Power},
    {321, "euro", 0x20AC, Scan::Unknown}, // SDL2 reports a layout's euro key as its character
    {322, "undo", SDLK_UNDO, Scan::Unknown},
};

// SDL2 codes that reach a 1.2 key which already has its own SDL2 code above.
const std::pair<SDL_Keycode, std::uint32_t> extraSdlKeys[] = {
    {SDLK_MENU, 319},
};

// Printable and control keys below 128: SDL2 uses the same numbers as 1.2.
const KeyEntry asciiKeys[] = {
    {8, "backspace", SDLK_BACKSPACE, Scan::Backspace},
    {9, "tab", SDLK_TAB, Scan::Tab},
    {13, "return", SDLK_RETURN, Scan::Return},
    {27, "escape", SDLK_ESCAPE, Scan::Escape},
    {32, "space", SDLK_SPACE, Scan::Space},
    {33, "!", SDLK_EXCLAIM, Scan::Unknown},
    {34, "\"", SDLK_QUOTEDBL, Scan::Unknown},
    {35, "#", SDLK_HASH, Scan::Unknown},
    {36, "$", SDLK_DOLLAR, Scan::Unknown},
    {38, "&", SDLK_AMPERSAND, Scan::Unknown},
    {39, "'", SDLK_QUOTE, Scan::Apostrophe},
    {40, "(", SDLK_LEFTPAREN, Scan::Unknown},
    {41, ")", SDLK_RIGHTPAREN, Scan::Unknown},
    {42, "*", SDLK_ASTERISK, Scan::Unknown},
    {43, "+", SDLK_PLUS, Scan::Unknown},
    {44, ",", SDLK_COMMA, Scan::Comma},
    {45, "-", SDLK_MINUS, Scan::Minus},
    {46, ".", SDLK_PERIOD, Scan::Period},
    {47, "/", SDLK_SLASH, Scan::Slash},
    {48, "0", SDLK_0, Scan::Zero},
    {49, "1", SDLK_1, Scan::One},
    {50, "2", SDLK_2, Scan::Two},
    {51, "3", SDLK_3, Scan::Three},
    {52, "4", SDLK_4, Scan::Four},
    {53, "5", SDLK_5, Scan::Five},
    {54, "6", SDLK_6, Scan::Six},
    {55, "7", SDLK_7, Scan::Seven},
    {56, "8", SDLK_8, Scan::Eight},
    {57, "9", SDLK_9, Scan::Nine},
    {58, ":", SDLK_COLON, Scan::Colon},
    {59, ";", SDLK_SEMICOLON, Scan::Semicolon},
    {60, "<", SDLK_LESS, Scan::OEM_102},
    {61, "=", SDLK_EQUALS, Scan::Equals},
    {62, ">", SDLK_GREATER, Scan::Unknown},
    {63, "?", SDLK_QUESTION, Scan::Unknown},
    {64, "@", SDLK_AT, Scan::At},
    {91, "[", SDLK_LEFTBRACKET, Scan::LeftBracket},
    {92, "\\", SDLK_BACKSLASH, Scan::Backslash},
    {93, "]", SDLK_RIGHTBRACKET, Scan::RightBracket},
    {94, "^", SDLK_CARET, Scan::Unknown},
    {95, "_", SDLK_UNDERSCORE, Scan::Underline},
    {96, "`", SDLK_BACKQUOTE, Scan::Grave},
    {97, "a", SDLK_a, Scan::A},
    {98, "b", SDLK_b, Scan::B},
    {99, "c", SDLK_c, Scan::C},
    {100, "d", SDLK_d, Scan::D},
    {101, "e", SDLK_e, Scan::E},
    {102, "f", SDLK_f, Scan::F},
    {103, "g", SDLK_g, Scan::G},
    {104, "h", SDLK_h, Scan::H},
    {105, "i", SDLK_i, Scan::I},
    {106, "j", SDLK_j, Scan::J},
    {107, "k", SDLK_k, Scan::K},
    {108, "l", SDLK_l, Scan::L},
    {109, "m", SDLK_m, Scan::M},
    {110, "n", SDLK_n, Scan::N},
    {111, "o", SDLK_o, Scan::O},
    {112, "p", SDLK_p, Scan::P},
    {113, "q", SDLK_q, Scan::Q},
    {114, "r", SDLK_r, Scan::R},
    {115, "s", SDLK_s, Scan::S},
    {116, "t", SDLK_t, Scan::T},
    {117, "u", SDLK_u, Scan::U},
    {118, "v", SDLK_v, Scan::V},
    {119, "w", SDLK_w, Scan::W},
    {120, "x", SDLK_x, Scan::X},
    {121, "y", SDLK_y, Scan::Y},
    {122, "z", SDLK_z, Scan::Z},
    {127, "delete", SDLK_DELETE, Scan::Delete},
};

// Keys 160 to 255 are the "world" keys: on X11, SDL 1.2 gave a Latin-1 key its character code,
// and SDL2 reports such a key as the same character, so the numbers agree both ways.
constexpr std::uint32_t firstWorldKey = 160;
constexpr std::uint32_t lastWorldKey = 255;

// Maximum wheel notches one SDL2 event turns into; guards against a runaway driver value.
constexpr int maxWheelNotches = 16;

struct KeyTables {
    std::array<std::string, SdlTranslation::lastKeyCode + 1> names;
    std::array<SDL_Keycode, SdlTranslation::lastKeyCode + 1> sdlCodes{};
    std::array<Scan, SdlTranslation::lastKeyCode + 1> scans{};
    std::unordered_map<SDL_Keycode, std::uint32_t> legacyCodes;
    std::map<std::string, std::uint32_t> byName;

    KeyTables()
    {
        scans.fill(Scan::Unknown);
        for (const KeyEntry& entry : asciiKeys)
            add(entry.legacy, entry.name, entry.sdl, entry.scan);
        for (const KeyEntry& entry : specialKeys)
            add(entry.legacy, entry.name, entry.sdl, entry.scan);
        for (std::uint32_t code = firstWorldKey; code <= lastWorldKey; ++code)
            add(code, "world " + std::to_string(code - firstWorldKey), static_cast<SDL_Keycode>(code), Scan::Unknown);
        for (const auto& [sdl, legacy] : extraSdlKeys)
            legacyCodes.emplace(sdl, legacy);
        // SDL 1.2 called every other number "unknown key"; 0 is the lowest, so it owns the name.
        for (std::uint32_t code = 0; code <= SdlTranslation::lastKeyCode; ++code) {
            if (names[code].empty())
                names[code] = "unknown key";
            byName.emplace(names[code], code);
        }
    }

    void add(std::uint32_t legacy, std::string name, SDL_Keycode sdl, Scan scan)
    {
        names[legacy] = std::move(name);
        sdlCodes[legacy] = sdl;
        scans[legacy] = scan;
        if (sdl != 0)
            legacyCodes.emplace(sdl, legacy);
    }
};

const KeyTables& keyTables()
{
    static const KeyTables tables;
    return tables;
}

void translateWheel(const SDL_MouseWheelEvent& wheel, std::deque<SdlTranslation::Event>& out)
{
    int notches = wheel.y;
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
        notches = -notches;
    const std::uint32_t button = notches > 0 ? 4 : 5;
    notches = std::min(std::abs(notches), maxWheelNotches);
    for (int i = 0; i < notches; ++i) {
        SdlTranslation::Event press;
        press.type = SdlTranslation::Event::Type::MouseButtonDown;
        press.code = button;
        out.push_back(press);
        SdlTranslation::Event release = press;
        release.type = SdlTranslation::Event::Type::MouseButtonUp;
        out.push_back(release);
    }
}

} // namespace

void SdlTranslation::translate(const SDL_Event& event, std::deque<Event>& out)
{
    Event translated;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // SDL 1.2 did not repeat keys; a held "pause" must not toggle on and off.
        if (event.key.repeat != 0)
            return;
        const auto code = legacyKeyCode(event.key.keysym.sym);
        if (!code)
            return;
        translated.type = event.type == SDL_KEYDOWN ? Event::Type::KeyDown : Event::Type::KeyUp;
        translated.code = *code;
        break;
    }
    case SDL_MOUSEMOTION:
        translated.type = Event::Type::MouseMotion;
        translated.x = event.motion.xrel;
        translated.y = event.motion.yrel;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        translated.type = event.type == SDL_MOUSEBUTTONDOWN ? Event::Type::MouseButtonDown : Event::Type::MouseButtonUp;
        translated.code = legacyMouseButton(event.button.button);
        break;
    case SDL_MOUSEWHEEL:
        translateWheel(event.wheel, out);
        return;
    case SDL_JOYAXISMOTION:
        translated.type = Event::Type::JoystickAxis;
        translated.code = event.jaxis.axis;
        translated.axisValue = event.jaxis.value;
        translated.joystick = event.jaxis.which;
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        translated.type = event.type == SDL_JOYBUTTONDOWN ? Event::Type::JoystickButtonDown : Event::Type::JoystickButtonUp;
        translated.code = event.jbutton.button;
        translated.joystick = event.jbutton.which;
        break;
    case SDL_QUIT:
        // SDL turns the close request of its one window into this event.
        translated.type = Event::Type::CloseRequest;
        break;
    default:
        return;
    }
    out.push_back(translated);
}

std::optional<std::uint32_t> SdlTranslation::legacyKeyCode(std::int32_t sdlKeyCode)
{
    const auto& tables = keyTables();
    const auto found = tables.legacyCodes.find(sdlKeyCode);
    if (found != tables.legacyCodes.end())
        return found->second;
    // Unnamed printable keys (such as "%") keep their character code, as SDL 1.2 gave them.
    if (sdlKeyCode > 0 && sdlKeyCode < 128)
        return static_cast<std::uint32_t>(sdlKeyCode);
    return std::nullopt;
}

std::optional<std::int32_t> SdlTranslation::sdlKeyCode(std::uint32_t legacyKeyCode)
{
    if (legacyKeyCode > lastKeyCode)
        return std::nullopt;
    const SDL_Keycode code = keyTables().sdlCodes[legacyKeyCode];
    if (code == 0)
        return std::nullopt;
    return code;
}

std::string SdlTranslation::keyName(std::uint32_t legacyKeyCode)
{
    if (legacyKeyCode > lastKeyCode)
        return "unknown key";
    return keyTables().names[legacyKeyCode];
}

std::optional<std::uint32_t> SdlTranslation::keyCodeForName(const std::string& name)
{
    const auto& byName = keyTables().byName;
    const auto found = byName.find(name);
    if (found == byName.end())
        return std::nullopt;
    return found->second;
}

std::optional<unsigned> SdlTranslation::guiScanCode(std::uint32_t legacyKeyCode)
{
    if (legacyKeyCode > lastKeyCode)
        return std::nullopt;
    const Scan scan = keyTables().scans[legacyKeyCode];
    if (scan == Scan::Unknown)
        return std::nullopt;
    return static_cast<unsigned>(scan);
}

std::uint32_t SdlTranslation::legacyMouseButton(std::uint8_t sdlButton)
{
    // SDL2 numbers left, middle, right, X1, X2 as 1 to 5; SDL 1.2 put the wheel at 4 and 5.
    if (sdlButton <= SDL_BUTTON_RIGHT)
        return sdlButton;
    return std::uint32_t(sdlButton) + 2;
}

} // namespace Tolvarine

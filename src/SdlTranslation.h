#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

union SDL_Event;

namespace Tolvarine {

// The key map and the bindings speak the vocabulary of SDL 1.2: its key symbol numbers (0 to
// 322) and key names ("space", "left shift", "[+]"), its mouse button numbers (4 and 5 are the
// wheel, 6 and 7 the extra buttons) and joystick events without key repeat. SDL2 reports input
// differently; this class translates its events into that vocabulary, both ways for keys.
class SdlTranslation {
public:
    // One input event in the SDL 1.2 vocabulary.
    struct Event {
        enum class Type {
            KeyDown,
            KeyUp,
            MouseMotion,
            MouseButtonDown,
            MouseButtonUp,
            JoystickAxis,
            JoystickButtonDown,
            JoystickButtonUp,
            CloseRequest, // the window manager asks the game window to close
        };
        Type type = Type::KeyDown;
        std::uint32_t code = 0;    // key symbol, mouse or joystick button, or joystick axis number
        int x = 0;                 // relative mouse motion
        int y = 0;
        int axisValue = 0;         // raw joystick axis position, -32768 to 32767
        std::int32_t joystick = -1; // SDL instance id of the joystick that sent it
    };

    // Highest key symbol number of the vocabulary.
    static constexpr std::uint32_t lastKeyCode = 322;

    // Appends the events that one SDL2 event stands for: none for key repeats, keys without a
    // 1.2 symbol and events the game has no use for; a press and a release per wheel notch.
    static void translate(const SDL_Event& event, std::deque<Event>& out);

    // SDL2 key code to 1.2 key symbol, and back; nothing where the other side has no such key.
    static std::optional<std::uint32_t> legacyKeyCode(std::int32_t sdlKeyCode);
    static std::optional<std::int32_t> sdlKeyCode(std::uint32_t legacyKeyCode);

    // The 1.2 name of a key symbol: "unknown key" for a number without a name, as SDL 1.2 said.
    static std::string keyName(std::uint32_t legacyKeyCode);
    // The lowest key symbol with this name, so "unknown key" gives 0.
    static std::optional<std::uint32_t> keyCodeForName(const std::string& name);

    // The GUI library's keyboard scan code of a key symbol; nothing for keys it has no code for.
    static std::optional<unsigned> guiScanCode(std::uint32_t legacyKeyCode);

    // SDL2 mouse button number to 1.2 numbering: the extra buttons move up past the wheel.
    static std::uint32_t legacyMouseButton(std::uint8_t sdlButton);
};

} // namespace Tolvarine

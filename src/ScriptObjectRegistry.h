#pragma once

#include <cstdint>

namespace Tolvarine {

// The game objects a script may hold that can be deleted while the game runs: ships and what
// belongs to them alone (their behaviour, their scene link), which reading the ship types again
// deletes. Each such class enters its objects here at the end of its constructor and lets them
// leave at the start of its destructor, so a script's reference (ScriptReference) can tell whether
// its object still exists before the game touches it.
//
// An object is known by its address, under the class that entered it, and by a serial number given
// when it entered: a new object that the allocator places where a deleted one was gets a new
// serial, so it never passes for the old one. Objects enter at construction, not at activation,
// so a pooled object costs nothing as it comes and goes from play.
class ScriptObjectRegistry {
public:
    static void enter(const void* object);
    static void leave(const void* object);
    // The serial the object entered with; 0 when it is not here.
    static std::uint64_t serialOf(const void* object);
    // Whether the object that entered at this address with this serial is still here.
    static bool isLive(const void* object, std::uint64_t serial);
};

} // namespace Tolvarine

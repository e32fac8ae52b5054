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
//
// A pooled object also takes a new serial each time its pool hands it to a new user (beginLife):
// a script's reference is good for the life in which the script got it, so an old reference never
// commands the pool's next user of the same object. Serials only grow, so the serials of an
// object's earlier lives lie between the one it entered with and its current one.
class ScriptObjectRegistry {
public:
    static void enter(const void* object);
    static void leave(const void* object);
    // Gives an object that is here a new serial; an object that is not here stays away.
    static void beginLife(const void* object);
    // The object's current serial; 0 when it is not here.
    static std::uint64_t serialOf(const void* object);
    // Whether the object that had this serial at this address is here, in the same life.
    static bool isLive(const void* object, std::uint64_t serial);
    // Whether the object that had this serial at this address is here, but in a later life.
    static bool wasHandedOn(const void* object, std::uint64_t serial);
};

} // namespace Tolvarine

#pragma once

namespace Tolvarine {

// A fixed object of a scene as scripts know it. Scripts can hold one (by shared pointer) but
// neither create one nor call anything on it; the game itself makes none.
class StaticCollidable {
public:
    StaticCollidable() = default;
    virtual ~StaticCollidable();
    StaticCollidable(const StaticCollidable&) = delete;
    StaticCollidable& operator=(const StaticCollidable&) = delete;

    // Registers the script class "StaticCollidable": held by shared pointer, not creatable from
    // scripts, without operations.
    static void exportToPython();
};

} // namespace Tolvarine

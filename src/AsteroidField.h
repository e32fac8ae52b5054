#pragma once

namespace Tolvarine {

// A field of asteroids as scripts know it. Scripts can hold one (by shared pointer) but
// neither create one nor call anything on it; the game itself makes none.
class AsteroidField {
public:
    AsteroidField() = default;
    virtual ~AsteroidField();
    AsteroidField(const AsteroidField&) = delete;
    AsteroidField& operator=(const AsteroidField&) = delete;

    // Registers the script class "AsteroidField": held by shared pointer, not creatable from
    // scripts, without operations.
    static void exportToPython();
};

} // namespace Tolvarine

#pragma once

#include <string>

namespace Tolvarine {

// The one door through which the game writes to its log. Every line goes to the rendering engine's
// default log ("Tolvarine.log" once the engine has made it), which also echoes it to the terminal;
// a change of what a line carries or where it goes is made here and nowhere else.
// The log must exist: the engine creates it before anything else runs.
class GameLog {
public:
    // A line every run keeps.
    static void line(const std::string& text);

    // A line the terminal's echo writes to standard error: a reason the game cannot go on, which
    // a player must see whether the game was started from a terminal or from a launcher.
    static void error(const std::string& text);

    // A line of detail (a body added twice to the physics world, say), which the log keeps only
    // when it is made more verbose.
    static void detail(const std::string& text);

    // The last line or error this thread wrote since the last call, and forgets it; empty when
    // there is none. An error thrown after its reason was logged carries it (LoggedError).
    static std::string takeLastLine();
};

} // namespace Tolvarine

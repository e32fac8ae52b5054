#pragma once

#include <OgreLog.h>

#include <iosfwd>

namespace Tolvarine {

// Echoes the lines of a log to the terminal as plain text: the message and a line feed, with no
// terminal control codes, whether standard output is a terminal, a pipe or a file. The rendering
// engine's own echo would end every line with a colour code whenever TERM names an xterm.
// Warnings and errors go to standard error, the rest to standard output.
class ConsoleLogEcho : public Ogre::LogListener {
public:
    ConsoleLogEcho(std::ostream& out, std::ostream& err);

    // Turns the log's own echo off and echoes it through the program's one echo instead.
    static void attachTo(Ogre::Log& log);

    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool maskDebug,
                       const Ogre::String& logName, bool& skipThisMessage) override;

private:
    std::ostream& out;
    std::ostream& err;
};

} // namespace Tolvarine

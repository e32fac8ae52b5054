#include "ConsoleLogEcho.h"

#include <iostream>

namespace Tolvarine {

ConsoleLogEcho::ConsoleLogEcho(std::ostream& out, std::ostream& err)
    : out(out)
    , err(err)
{
}

void ConsoleLogEcho::attachTo(Ogre::Log& log)
{
    // One echo for the whole run; logs are never destroyed before the process ends.
    static ConsoleLogEcho echo(std::cout, std::cerr);
    log.setDebugOutputEnabled(false);
    log.removeListener(&echo);
    log.addListener(&echo);
}

void ConsoleLogEcho::messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool maskDebug,
                                   const Ogre::String&, bool& skipThisMessage)
{
    if (maskDebug || skipThisMessage)
        return;
    std::ostream& stream = level >= Ogre::LML_WARNING ? err : out;
    // Flushed line by line, so that the last lines before a crash reach a pipe as well.
    stream << message << std::endl;
}

} // namespace Tolvarine

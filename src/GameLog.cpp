#include "GameLog.h"

#include <OgreLogManager.h>

#include <utility>

namespace Tolvarine {

namespace {

// Per thread: a line logged by the sound thread must not become the reason of an error thrown by
// the game's.
thread_local std::string lastLine;

} // namespace

void GameLog::line(const std::string& text)
{
    lastLine = text;
    Ogre::LogManager::getSingleton().logMessage(text);
}

void GameLog::error(const std::string& text)
{
    lastLine = text;
    Ogre::LogManager::getSingleton().logMessage(text, Ogre::LML_CRITICAL);
}

void GameLog::detail(const std::string& text)
{
    Ogre::LogManager::getSingleton().logMessage(text, Ogre::LML_TRIVIAL);
}

std::string GameLog::takeLastLine()
{
    return std::exchange(lastLine, std::string());
}

} // namespace Tolvarine

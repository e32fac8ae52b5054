#include "GameLog.h"

#include <OgreLogManager.h>

namespace Tolvarine {

void GameLog::line(const std::string& text)
{
    Ogre::LogManager::getSingleton().logMessage(text);
}

void GameLog::error(const std::string& text)
{
    Ogre::LogManager::getSingleton().logMessage(text, Ogre::LML_CRITICAL);
}

void GameLog::detail(const std::string& text)
{
    Ogre::LogManager::getSingleton().logMessage(text, Ogre::LML_TRIVIAL);
}

} // namespace Tolvarine

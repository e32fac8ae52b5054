#include "LogCapture.h"

#include <OgreLogManager.h>

#include <algorithm>

namespace Tolvarine::Test {

LogCapture::LogCapture()
{
    Ogre::LogManager::getSingleton().getDefaultLog()->addListener(this);
}

LogCapture::~LogCapture()
{
    Ogre::LogManager::getSingleton().getDefaultLog()->removeListener(this);
}

bool LogCapture::contains(const std::string& line) const
{
    return std::find(captured.begin(), captured.end(), line) != captured.end();
}

void LogCapture::messageLogged(const Ogre::String& message, Ogre::LogMessageLevel, bool,
                               const Ogre::String&, bool&)
{
    captured.push_back(message);
}

} // namespace Tolvarine::Test

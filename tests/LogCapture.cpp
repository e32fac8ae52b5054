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

std::vector<std::string> LogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(guard);
    return captured;
}

bool LogCapture::contains(const std::string& line) const
{
    std::lock_guard<std::mutex> lock(guard);
    return std::find(captured.begin(), captured.end(), line) != captured.end();
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> lock(guard);
    captured.clear();
}

void LogCapture::messageLogged(const Ogre::String& message, Ogre::LogMessageLevel, bool,
                               const Ogre::String&, bool&)
{
    std::lock_guard<std::mutex> lock(guard);
    captured.push_back(message);
}

} // namespace Tolvarine::Test

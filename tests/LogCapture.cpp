#include "LogCapture.h"

#include <OgreLogManager.h>

#include <algorithm>

namespace Tolvarine::Test {

LogCapture::LogCapture(bool everyLevel) : everyLevel(everyLevel)
{
    if (everyLevel)
        Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_BOREME);
    Ogre::LogManager::getSingleton().getDefaultLog()->addListener(this);
}

LogCapture::~LogCapture()
{
    Ogre::LogManager::getSingleton().getDefaultLog()->removeListener(this);
    if (everyLevel)
        Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_NORMAL);
}

std::vector<std::string> LogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(guard);
    return captured;
}

std::vector<Ogre::LogMessageLevel> LogCapture::levels() const
{
    std::lock_guard<std::mutex> lock(guard);
    return capturedLevels;
}

bool LogCapture::contains(const std::string& line) const
{
    const std::vector<std::string> all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> lock(guard);
    captured.clear();
    capturedLevels.clear();
}

void LogCapture::messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool, const Ogre::String&,
                               bool&)
{
    std::lock_guard<std::mutex> lock(guard);
    captured.push_back(message);
    capturedLevels.push_back(level);
}

} // namespace Tolvarine::Test

#pragma once

#include <OgreLog.h>

#include <mutex>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// Collects every line written to the default log while it lives, so tests can assert exact texts.
class LogCapture : public Ogre::LogListener {
public:
    LogCapture();
    ~LogCapture() override;
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // A copy: the rendering engine may log from its worker threads while a test reads.
    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;
    void clear();

    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool maskDebug,
                       const Ogre::String& logName, bool& skipThisMessage) override;

private:
    mutable std::mutex guard;
    std::vector<std::string> captured;
};

} // namespace Tolvarine::Test

#pragma once

#include <OgreLog.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// Collects every line written to the default log while it lives, so tests can assert exact texts.
// With `everyLevel`, trivial lines come through as well, and every line's level is kept.
class LogCapture : public Ogre::LogListener {
public:
    explicit LogCapture(bool everyLevel = false);
    ~LogCapture() override;
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Copies: the rendering engine may log from its worker threads while a test reads.
    std::vector<std::string> lines() const;
    std::vector<Ogre::LogMessageLevel> levels() const;
    bool contains(const std::string& line) const;
    void clear();

    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool, const Ogre::String&,
                       bool&) override;

private:
    const bool everyLevel;
    mutable std::mutex guard;
    std::vector<std::string> captured;
    std::vector<Ogre::LogMessageLevel> capturedLevels;
};

inline bool logged(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Runs an action that must fail with exception E and returns the log lines written meanwhile.
template <typename E, typename Action>
std::vector<std::string> failsWith(Action action)
{
    LogCapture log;
    EXPECT_THROW(action(), E);
    return log.lines();
}

} // namespace Tolvarine::Test

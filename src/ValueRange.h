#pragma once

#include <string>

namespace Tolvarine {

class Config;

// Reads of numbers that must lie in a range the game needs: periods above 0, forces above 0,
// masses heavy enough for the physics. The type loaders check them for every type at start-up,
// whatever its pool size, so that a broken value stops the start and not a battle. A value
// outside its range is logged as "<key> must be above 0, not -1" followed by the file's line
// "Config: in <path>, section <section>, key <key>", and raises ConfigurationError; a missing key
// or a value that does not convert (NaN and infinities among them) fails as Config::get does.
class ValueRange {
public:
    static float above(const Config& config, const std::string& section, const std::string& key, float lowest);
    static float atLeast(const Config& config, const std::string& section, const std::string& key, float lowest);
    // The same for an optional key, `defaultValue` when it is missing.
    static float atLeast(const Config& config, const std::string& section, const std::string& key, float lowest,
                         float defaultValue);

    // Logs `reason` and the place of the key, and raises ConfigurationError: for values that a
    // reader checks against other values of the file.
    [[noreturn]] static void refuse(const Config& config, const std::string& section, const std::string& key,
                                    const std::string& reason);

    // The form a number takes in these lines: six significant digits, as the files are written.
    static std::string figure(float value);
};

} // namespace Tolvarine

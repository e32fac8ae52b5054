#include "ValueRange.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"

#include <sstream>

namespace Tolvarine {

float ValueRange::above(const Config& config, const std::string& section, const std::string& key, float lowest)
{
    const float value = config.get<float>(section, key);
    if (!(value > lowest))
        refuse(config, section, key, key + " must be above " + figure(lowest) + ", not " + figure(value));
    return value;
}

float ValueRange::atLeast(const Config& config, const std::string& section, const std::string& key, float lowest)
{
    const float value = config.get<float>(section, key);
    if (!(value >= lowest))
        refuse(config, section, key, key + " must be at least " + figure(lowest) + ", not " + figure(value));
    return value;
}

float ValueRange::atLeast(const Config& config, const std::string& section, const std::string& key, float lowest,
                          float defaultValue)
{
    const float value = config.get<float>(section, key, defaultValue);
    if (!(value >= lowest))
        refuse(config, section, key, key + " must be at least " + figure(lowest) + ", not " + figure(value));
    return value;
}

void ValueRange::refuse(const Config& config, const std::string& section, const std::string& key,
                        const std::string& reason)
{
    GameLog::line(reason);
    config.logPlace(section, key);
    throw ConfigurationError();
}

std::string ValueRange::figure(float value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace Tolvarine

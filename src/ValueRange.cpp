#include "ValueRange.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"

#include <sstream>

namespace Tolvarine {

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

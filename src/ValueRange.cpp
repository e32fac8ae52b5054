#include "ValueRange.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <system_error>

namespace Tolvarine {

void ValueRange::refuse(const Config& config, const std::string& section, const std::string& key,
                        const std::string& reason)
{
    GameLog::line(reason);
    config.logPlace(section, key);
    throw ConfigurationError();
}

float ValueRange::drawnLength(const Config& config, const std::string& section, const std::string& key)
{
    const float value = config.get<float>(section, key);
    if (std::abs(value) > MAX_DRAWN_LENGTH)
        refuse(config, section, key,
               key + " " + figure(value) + " lies beyond " + figure(MAX_DRAWN_LENGTH)
                   + " either way, the longest length the renderer can draw");
    return value;
}

Ogre::Vector3 ValueRange::drawnPlace(const Config& config, const std::string& section, const std::string& key)
{
    const Ogre::Vector3 value = config.get<Ogre::Vector3>(section, key);
    for (const float coordinate : {value.x, value.y, value.z}) {
        if (std::abs(coordinate) >= MAX_DRAWN_PLACE) {
            refuse(config, section, key,
                   key + " " + figure(value) + " reaches " + figure(MAX_DRAWN_PLACE)
                       + " on an axis, where a place the renderer drew ended the game");
        }
    }
    return value;
}

std::string ValueRange::figure(const Ogre::Vector3& value)
{
    return "(" + figure(value.x) + " " + figure(value.y) + " " + figure(value.z) + ")";
}

std::string ValueRange::figure(float value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string ValueRange::exactFigure(float value)
{
    const std::string six = figure(value);
    float readBack = 0.0f;
    const std::from_chars_result read = std::from_chars(six.data(), six.data() + six.size(), readBack);
    if (!std::isfinite(value) || (read.ec == std::errc() && readBack == value))
        return six;
    // The shortest text that reads back as the value.
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

} // namespace Tolvarine

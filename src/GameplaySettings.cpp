#include "GameplaySettings.h"

#include "GameLog.h"

#include <limits>
#include <sstream>

namespace Tolvarine {

GameplaySettings* GameplaySettings::singleton = nullptr;

namespace {

const char* const section = "Physics";
const char* const rollKey = "explosionRollProportion";

// A proportion: at or below 0, or not a number, gives 0; at or above 1 gives 1.
float clampProportion(float value)
{
    if (!(value > 0.0f))
        return 0.0f;
    return value < 1.0f ? value : 1.0f;
}

} // namespace

GameplaySettings::GameplaySettings(const std::string& path)
    : Config(path, true, false, false),
      explosionRollProportion(readExplosionRollProportion())
{
    // Set last, so a failed construction leaves no pointer to a dead object behind.
    singleton = this;
}

GameplaySettings::~GameplaySettings()
{
    if (singleton == this)
        singleton = nullptr;
}

GameplaySettings& GameplaySettings::getSingleton()
{
    return *singleton;
}

GameplaySettings* GameplaySettings::getSingletonPtr()
{
    return singleton;
}

// A hand-edited value outside [0, 1] would scale every explosion's roll beyond its push, so it
// is clamped as the options slider would clamp it, and the log says so.
float GameplaySettings::readExplosionRollProportion() const
{
    float value = std::numeric_limits<float>::quiet_NaN();
    try {
        value = get<float>(section, rollKey, 1.0f);
    } catch (const NotFiniteNumber&) {
        // Logged with its place by the reader; clamped below as the slider clamps a NaN.
    }
    const float clamped = clampProportion(value);
    if (clamped != value) {
        std::ostringstream message;
        message << "GameplaySettings: " << rollKey << " " << value << " is outside 0 to 1, using " << clamped;
        GameLog::line(message.str());
    }
    return clamped;
}

void GameplaySettings::setExplosionRollProportion(float value)
{
    explosionRollProportion = clampProportion(value);
    set<float>(section, rollKey, explosionRollProportion);
    save();
}

} // namespace Tolvarine

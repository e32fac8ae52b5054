#include "GraphicsSettings.h"

#include "GameLog.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <sstream>
#include <utility>

namespace Tolvarine {

namespace {

const char* const section = "Graphics";

// NaN is not a level: it would pass any clamp and reach the renderer.
float clampedToUnit(float value, float fallback)
{
    if (std::isnan(value))
        return fallback;
    return std::clamp(value, 0.0f, 1.0f);
}

} // namespace

GraphicsSettings* GraphicsSettings::singleton = nullptr;

GraphicsSettings::GraphicsSettings(const std::string& path)
    : config(path, true, false, false)
    , lodBias(config.get<float>(section, "lodBias", defaultLodBias))
    , particleSystemDetail(readUnitValue("particleSystemDetail", defaultParticleSystemDetail))
    , maxShipLodLevel(config.get<unsigned short>(section, "maxShipLodLevel", defaultMaxShipLodLevel))
    , glowLevel(readUnitValue("glowLevel", defaultGlowLevel))
{
    // Set only once the file has been read, so a failed start-up leaves no pointer to a dead object.
    singleton = this;
}

GraphicsSettings::~GraphicsSettings()
{
    if (singleton == this)
        singleton = nullptr;
}

GraphicsSettings& GraphicsSettings::getSingleton()
{
    assert(singleton);
    return *singleton;
}

GraphicsSettings* GraphicsSettings::getSingletonPtr()
{
    return singleton;
}

// A hand-edited level outside [0, 1] would scale colours and particle counts past their design;
// it is brought into range with a log line, and the file keeps what the player wrote.
float GraphicsSettings::readUnitValue(const std::string& key, float defaultValue) const
{
    const float value = config.get<float>(section, key, defaultValue);
    const float usable = clampedToUnit(value, defaultValue);
    if (!(usable == value)) {
        std::ostringstream message;
        message << "GraphicsSettings: " << key << " " << value << " is outside 0 to 1, using " << usable;
        GameLog::line(message.str());
    }
    return usable;
}

template <typename T>
void GraphicsSettings::store(const std::string& key, const T& value)
{
    config.set<T>(section, key, value);
    config.save();
}

void GraphicsSettings::setLodBias(float bias)
{
    lodBias = bias;
    store("lodBias", lodBias);
}

void GraphicsSettings::setParticleSystemDetail(float detail)
{
    particleSystemDetail = clampedToUnit(detail, particleSystemDetail);
    store("particleSystemDetail", particleSystemDetail);
}

void GraphicsSettings::setMaxShipLodLevel(unsigned short level)
{
    maxShipLodLevel = level;
    store("maxShipLodLevel", maxShipLodLevel);
    if (shipLodCallback)
        shipLodCallback();
}

void GraphicsSettings::setGlowLevel(float level)
{
    glowLevel = clampedToUnit(level, glowLevel);
    store("glowLevel", glowLevel);
}

void GraphicsSettings::setShipLodCallback(std::function<void()> callback)
{
    shipLodCallback = std::move(callback);
}

} // namespace Tolvarine

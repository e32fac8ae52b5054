#include "GraphicsSettings.h"

#include "GameLog.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
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

// The renderer's level-of-detail strategy divides by the bias and asserts that it is above 0: a
// bias of 0 or below ended the game at start-up (exit 134). The sheet's slider gives 0 for the
// least detail, which a bias just above 0 gives (the coarsest level at every distance): such a
// bias is held at the least normal float. Any bias above 0 plays as given, 1e-45 and 3.4e38 too.
float usableLodBias(float bias, float fallback)
{
    if (std::isnan(bias))
        return fallback;
    return bias > 0.0f ? bias : std::numeric_limits<float>::min();
}

} // namespace

GraphicsSettings* GraphicsSettings::singleton = nullptr;

GraphicsSettings::GraphicsSettings(const std::string& path)
    : config(path, true, false, false)
    , lodBias(readHeld("lodBias", defaultLodBias, usableLodBias, "is not above 0"))
    , particleSystemDetail(readHeld("particleSystemDetail", defaultParticleSystemDetail, clampedToUnit, "is outside 0 to 1"))
    , maxShipLodLevel(config.get<unsigned short>(section, "maxShipLodLevel", defaultMaxShipLodLevel))
    , glowLevel(readHeld("glowLevel", defaultGlowLevel, clampedToUnit, "is outside 0 to 1"))
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

// A hand-edited value the game cannot use as written is held at what it can, with a log line, and
// the file keeps what the player wrote: a level outside [0, 1] would scale colours and particle
// counts past their design, and a bias the renderer cannot take is held at the least it takes.
float GraphicsSettings::readHeld(const std::string& key, float defaultValue, float (*hold)(float, float),
                                 const char* fault) const
{
    const float value = config.get<float>(section, key, defaultValue);
    const float usable = hold(value, defaultValue);
    if (!(usable == value)) {
        std::ostringstream message;
        message << "GraphicsSettings: " << key << " " << value << " " << fault << ", using " << usable;
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
    lodBias = usableLodBias(bias, lodBias);
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

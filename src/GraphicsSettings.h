#pragma once

#include "Config.h"

#include <functional>
#include <string>

namespace Tolvarine {

// The player's graphics-detail choices, kept in "cfg/graphics.cfg" section "Graphics": the
// level-of-detail bias and highest level of detail of ship meshes, how detailed particle effects
// are, and how bright glow effects are. Every setter writes its key and saves the file at once, so
// the options menu never loses a change. Keys missing from the file take their defaults, which are
// not written until a setter saves.
class GraphicsSettings {
public:
    static constexpr float defaultLodBias = 1.0f;
    static constexpr float defaultParticleSystemDetail = 1.0f;
    static constexpr unsigned short defaultMaxShipLodLevel = 0;
    static constexpr float defaultGlowLevel = 1.0f;

    // Opens the file (created empty when missing) and reads the four keys. A value that does not
    // convert is logged by the configuration and its conversion error propagates; a level outside
    // 0 to 1 and a bias of 0 or below are brought into range with a line.
    explicit GraphicsSettings(const std::string& path = "cfg/graphics.cfg");
    ~GraphicsSettings();
    GraphicsSettings(const GraphicsSettings&) = delete;
    GraphicsSettings& operator=(const GraphicsSettings&) = delete;

    static GraphicsSettings& getSingleton();
    static GraphicsSettings* getSingletonPtr();

    float getLodBias() const { return lodBias; }
    float getParticleSystemDetail() const { return particleSystemDetail; }
    unsigned short getMaxShipLodLevel() const { return maxShipLodLevel; }
    float getGlowLevel() const { return glowLevel; }

    // A bias of 0 or below is held at the least normal float (the renderer takes only one above
    // 0); NaN keeps the bias as it was.
    void setLodBias(float bias);
    // Clamped to [0, 1].
    void setParticleSystemDetail(float detail);
    // Stores and saves the level, then re-applies the level-of-detail settings to every pooled ship
    // through the ship callback.
    void setMaxShipLodLevel(unsigned short level);
    // Clamped to [0, 1]; glow billboards take the new level at their next start.
    void setGlowLevel(float level);

    // The ships' operation that re-applies the bias and highest level to every pooled ship
    // (Ship::applyLodBiasToAll), run after each change of the highest level. Settings are made
    // before the ships exist, so the ships register it; until then a change reaches no ship.
    void setShipLodCallback(std::function<void()> callback);

private:
    // The key's value, or `defaultValue` without it, held by `hold` (value, default); a value
    // it changes is logged as "<key> <value> <fault>, using <held>".
    float readHeld(const std::string& key, float defaultValue, float (*hold)(float, float), const char* fault) const;
    template <typename T>
    void store(const std::string& key, const T& value);

    static GraphicsSettings* singleton;

    Config config;
    float lodBias;
    float particleSystemDetail;
    unsigned short maxShipLodLevel;
    float glowLevel;
    std::function<void()> shipLodCallback;
};

} // namespace Tolvarine

#pragma once

#include "Config.h"

#include <string>

namespace Tolvarine {

// The gameplay options of "cfg/gameplay.cfg". There is one: the share of an explosion's push
// that ships take as rolling, read by the ship damage model and the complex explosions.
// Every change is written to the file at once. One instance, created at start-up and kept for
// the life of the program.
class GameplaySettings : public Config {
public:
    // Opens (or creates) the settings file and reads the setting; the program's is
    // "cfg/gameplay.cfg".
    explicit GameplaySettings(const std::string& path = "cfg/gameplay.cfg");
    ~GameplaySettings();
    GameplaySettings(const GameplaySettings&) = delete;
    GameplaySettings& operator=(const GameplaySettings&) = delete;

    static GameplaySettings& getSingleton();
    static GameplaySettings* getSingletonPtr();

    // Between 0 and 1.
    float getExplosionRollProportion() const { return explosionRollProportion; }
    // Clamps the value to [0, 1] (not a number gives 0), stores it and saves the file.
    void setExplosionRollProportion(float value);

private:
    float readExplosionRollProportion() const;

    float explosionRollProportion;

    static GameplaySettings* singleton;
};

} // namespace Tolvarine

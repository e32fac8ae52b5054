#pragma once

#include "Config.h"
#include "ResponseCurve.h"

#include <string>

namespace Tolvarine {

class ResponseCurves;

// The player's chosen difficulty and the two intelligence factors, one for the AI ships on the
// player's side and one for everybody else, kept in "cfg/difficulty.cfg". Every AI ship takes
// its skill from here when it is activated. At the end of each scenario the factors move a step
// towards the player-to-enemy hit ratio that the curve "Difficulty Hit Ratio" asks for at the
// chosen difficulty, so the game adapts to the player from one scenario to the next.
// One instance, created at start-up and kept for the life of the program.
class Difficulty : public Config {
public:
    // Opens (or creates) "cfg/difficulty.cfg" and looks up the curve in "data/curves.cfg"; a
    // missing curve raises ConfigurationError. Values out of range (difficulty 0.1 to 1, factors
    // 0 to 10, adjustment rate 0 to 1) are brought into it with a log line.
    Difficulty();
    // The same over another settings file, with the curve taken from another set of curves
    // (tools and tests).
    Difficulty(const std::string& settingsPath, const ResponseCurves& curves);
    ~Difficulty();
    Difficulty(const Difficulty&) = delete;
    Difficulty& operator=(const Difficulty&) = delete;

    static Difficulty& getSingleton();
    static Difficulty* getSingletonPtr();

    float getDifficulty() const { return difficulty; }
    // Skills of the AI ships: factor times difficulty, never above 1.
    float getEnemyIntelligence() const;
    float getFriendlyIntelligence() const;

    // Stores the level, raised to 0.1 when it is not above that, in memory only; save writes it.
    void setDifficulty(float value);
    // Moves both factors towards the desired hit ratio from the statistics of the scenario that
    // ends; nothing changes when either side never hit.
    void recalculate();
    // Writes the settings to their own file; the exit sequence calls it.
    void save() const;

private:
    // Without curves, the program's own.
    Difficulty(const std::string& settingsPath, const ResponseCurves* curves);

    float readSetting(const char* key, float defaultValue, float lowest, float highest);

    float difficulty;
    float enemyIntelligenceFactor;
    float friendlyIntelligenceFactor;
    float intelligenceAdjustmentRate;
    ResponseCurve hitRatioCurve;

    static Difficulty* singleton;
};

} // namespace Tolvarine

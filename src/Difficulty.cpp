#include "Difficulty.h"

#include "CodeNames.h"
#include "GameLog.h"
#include "ResponseCurves.h"
#include "Statistics.h"

#include <algorithm>
#include <sstream>

namespace Tolvarine {

Difficulty* Difficulty::singleton = nullptr;

namespace {

const char* const section = "Difficulty";
const float lowestDifficulty = 0.1f;
const float highestDifficulty = 1.0f;
const float highestFactor = 10.0f;

// Log lines show single-precision numbers with seven significant digits.
std::string formatFigure(float value)
{
    std::ostringstream stream;
    stream.precision(7);
    stream << value;
    return stream.str();
}

// Keeps a factor within [0, 10]; a value that is not a number counts as 0.
float clampFactor(float value)
{
    if (!(value > 0.0f))
        return 0.0f;
    return std::min(value, highestFactor);
}

ResponseCurve lookUpHitRatioCurve(const ResponseCurves* curves)
{
    const CodeNames::Name& curve = CodeNames::DIFFICULTY_CURVE;
    if (curves)
        return curves->lookup(curve.name);
    // The game's own curve file, which the refusal names.
    ResponseCurve found;
    CodeNames::require(curve, [&found, &curve] { found = ResponseCurves::getCurve(curve.name); });
    return found;
}

} // namespace

Difficulty::Difficulty() : Difficulty("cfg/difficulty.cfg", nullptr)
{
}

Difficulty::Difficulty(const std::string& settingsPath, const ResponseCurves& curves)
    : Difficulty(settingsPath, &curves)
{
}

// The settings are read before the curve is looked up, so a missing curve is reported after the
// settings file has been opened (and created, when it was missing).
Difficulty::Difficulty(const std::string& settingsPath, const ResponseCurves* curves)
    : Config(settingsPath, true, false, false),
      difficulty(readSetting("difficulty", 0.5f, lowestDifficulty, highestDifficulty)),
      enemyIntelligenceFactor(readSetting("enemyIntelligenceFactor", 1.0f, 0.0f, highestFactor)),
      friendlyIntelligenceFactor(readSetting("friendlyIntelligenceFactor", 1.0f, 0.0f, highestFactor)),
      intelligenceAdjustmentRate(readSetting("intelligenceAdjustmentRate", 0.1f, 0.0f, 1.0f)),
      hitRatioCurve(lookUpHitRatioCurve(curves))
{
    // Set last, so a failed construction leaves no pointer to a dead object behind.
    singleton = this;
}

Difficulty::~Difficulty()
{
    if (singleton == this)
        singleton = nullptr;
}

Difficulty& Difficulty::getSingleton()
{
    return *singleton;
}

Difficulty* Difficulty::getSingletonPtr()
{
    return singleton;
}

// A number that is not finite would spread into every skill and adjustment, so it gives way to
// the default. A hand-edited level or factor outside what the play menu and the adjustment
// produce (a negative difficulty makes a negative skill) is brought into range; the usable
// value is what the exit sequence saves.
float Difficulty::readSetting(const char* key, float defaultValue, float lowest, float highest)
{
    float value = defaultValue;
    try {
        value = get<float>(section, key, defaultValue);
    } catch (const NotFiniteNumber&) {
        // The reader has logged the refusal and its place; a setting falls back instead of
        // stopping the game.
        GameLog::line(std::string("Difficulty: ") + key + " is not a finite number, using "
                      + formatFigure(defaultValue));
        return defaultValue;
    }
    const float usable = std::clamp(value, lowest, highest);
    if (usable != value) {
        GameLog::line(std::string("Difficulty: ") + key + " " + formatFigure(value) + " is outside "
                      + formatFigure(lowest) + " to " + formatFigure(highest) + ", using " + formatFigure(usable));
        set<float>(section, key, usable);
    }
    return usable;
}

float Difficulty::getEnemyIntelligence() const
{
    return std::min(enemyIntelligenceFactor * difficulty, 1.0f);
}

float Difficulty::getFriendlyIntelligence() const
{
    return std::min(friendlyIntelligenceFactor * difficulty, 1.0f);
}

void Difficulty::setDifficulty(float value)
{
    difficulty = value > lowestDifficulty ? value : lowestDifficulty;
    set<float>(section, "difficulty", difficulty);
}

void Difficulty::recalculate()
{
    const float desired = hitRatioCurve.evaluate(difficulty);

    const Statistics* statistics = Statistics::getSingletonPtr();
    if (!statistics)
        return;
    const double playerRatio = statistics->getFactionHitProportion("Player", "");
    const double enemyRatio = statistics->getFactionHitProportion("Enemy", "");
    if (playerRatio == 0.0 || enemyRatio == 0.0)
        return;

    const float current = static_cast<float>(playerRatio / enemyRatio);
    GameLog::line("Recalc difficulty: current ratio is " + formatFigure(current));
    GameLog::line("Recalc difficulty: desired ratio is " + formatFigure(desired));

    // A player doing better than desired gets a negative step: smarter enemies, duller friends.
    const float step = (desired - current) * intelligenceAdjustmentRate;
    enemyIntelligenceFactor = clampFactor(enemyIntelligenceFactor - step);
    friendlyIntelligenceFactor = clampFactor(friendlyIntelligenceFactor + step);
    GameLog::line("Recalc difficulty: adjusting enemy intelligence factor to " + formatFigure(enemyIntelligenceFactor));
    GameLog::line("Recalc difficulty: adjusting friendly intelligence factor to "
                  + formatFigure(friendlyIntelligenceFactor));

    set<float>(section, "enemyIntelligenceFactor", enemyIntelligenceFactor);
    set<float>(section, "friendlyIntelligenceFactor", friendlyIntelligenceFactor);
}

void Difficulty::save() const
{
    Config::save();
}

} // namespace Tolvarine

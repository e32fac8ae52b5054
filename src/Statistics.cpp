#include "Statistics.h"

#include "GameLog.h"

#include <sstream>

namespace Tolvarine {

Statistics* Statistics::singleton = nullptr;

namespace {

// The summary shows every figure as a single-precision number with seven significant digits.
std::string formatFigure(double value)
{
    std::ostringstream stream;
    stream.precision(7);
    stream << static_cast<float>(value);
    return stream.str();
}

// Sums in 64 bits: each counter wraps on its own, but a total over many types must not.
std::uint64_t sumOf(const Statistics::Table& table)
{
    std::uint64_t sum = 0;
    for (const auto& entry : table)
        sum += entry.second;
    return sum;
}

double divideByNonZero(double numerator, double denominator)
{
    return numerator / (denominator == 0.0 ? 1.0 : denominator);
}

} // namespace

Statistics::Statistics()
{
    singleton = this;
}

Statistics::~Statistics()
{
    if (singleton == this)
        singleton = nullptr;
}

Statistics& Statistics::getSingleton()
{
    return *singleton;
}

Statistics* Statistics::getSingletonPtr()
{
    return singleton;
}

void Statistics::recordShot(const std::string& factionName, bool byPlayer, const std::string& projectileType)
{
    ++(byPlayer ? playerShots : aiShots)[projectileType];
    ++factionShots[factionName][projectileType];
}

void Statistics::recordHit(const std::string& factionName, bool byPlayer, const std::string& projectileType,
                           unsigned damage)
{
    ++(byPlayer ? playerHits : aiHits)[projectileType];
    (byPlayer ? playerDamage : aiDamage)[projectileType] += damage;
    ++factionHits[factionName][projectileType];
    factionDamage[factionName][projectileType] += damage;
}

double Statistics::getHitProportion(const Table& hits, const Table& shots, const std::string& projectileType)
{
    if (projectileType.empty())
        return divideByNonZero(static_cast<double>(sumOf(hits)), static_cast<double>(sumOf(shots)));

    const auto shotEntry = shots.find(projectileType);
    if (shotEntry == shots.end()) {
        GameLog::line("Statistics::getHitProportion for unknown projectile " + projectileType);
        return 0.0;
    }
    const auto hitEntry = hits.find(projectileType);
    if (hitEntry == hits.end()) {
        GameLog::line("Statistics::getHitProportion(b) for unknown projectile " + projectileType);
        return 0.0;
    }
    return divideByNonZero(hitEntry->second, shotEntry->second);
}

double Statistics::getDamageInflicted(const Table& damage, const std::string& projectileType)
{
    if (projectileType.empty())
        return static_cast<double>(sumOf(damage));

    const auto entry = damage.find(projectileType);
    if (entry == damage.end()) {
        GameLog::line("Statistics::getDamageInflicted for unknown projectile " + projectileType);
        return 0.0;
    }
    return entry->second;
}

double Statistics::getPlayerHitProportion(const std::string& projectileType) const
{
    return getHitProportion(playerHits, playerShots, projectileType);
}

double Statistics::getPlayerDamageInflicted(const std::string& projectileType) const
{
    return getDamageInflicted(playerDamage, projectileType);
}

double Statistics::getFactionHitProportion(const std::string& factionName, const std::string& projectileType) const
{
    const auto hits = factionHits.find(factionName);
    if (hits == factionHits.end()) {
        GameLog::line("Statistics::getFactionHitProportion, unknown faction " + factionName);
        return 0.0;
    }
    const auto shots = factionShots.find(factionName);
    if (shots == factionShots.end()) {
        GameLog::line("Statistics::getFactionHitProportion(b), unknown faction " + factionName);
        return 0.0;
    }
    return getHitProportion(hits->second, shots->second, projectileType);
}

std::uint64_t Statistics::getFactionShots(const std::string& factionName) const
{
    const auto shots = factionShots.find(factionName);
    return shots == factionShots.end() ? 0 : sumOf(shots->second);
}

std::uint64_t Statistics::getFactionHits(const std::string& factionName) const
{
    const auto hits = factionHits.find(factionName);
    return hits == factionHits.end() ? 0 : sumOf(hits->second);
}

std::vector<std::string> Statistics::getProjectileNames() const
{
    std::vector<std::string> names;
    names.reserve(playerShots.size());
    for (const auto& entry : playerShots)
        names.push_back(entry.first);
    return names;
}

void Statistics::dump() const
{
    GameLog::line("Statistics dump:");
    GameLog::line("Player hit proportion:\t" + formatFigure(getHitProportion(playerHits, playerShots, "")));
    GameLog::line("Player damage:\t" + formatFigure(getDamageInflicted(playerDamage, "")));
    GameLog::line("AI hit proportion:\t" + formatFigure(getHitProportion(aiHits, aiShots, "")));
    GameLog::line("AI damage:\t" + formatFigure(getDamageInflicted(aiDamage, "")));
    for (const auto& faction : factionHits)
        GameLog::line(faction.first + " hit proportion:\t" + formatFigure(getFactionHitProportion(faction.first, "")));
}

void Statistics::clear()
{
    playerShots.clear();
    playerHits.clear();
    playerDamage.clear();
    aiShots.clear();
    aiHits.clear();
    aiDamage.clear();
    factionShots.clear();
    factionHits.clear();
    factionDamage.clear();
}

} // namespace Tolvarine

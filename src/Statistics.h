#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Tolvarine {

// Combat statistics of the running scenario: every shot fired and every hit scored, by
// projectile type, once for the player against everybody else and once per faction. The
// weapon-statistics sheet, the difficulty adjustment and the end-of-scenario log dump read it.
// One instance, created at start-up and kept for the life of the program.
class Statistics {
public:
    // Counters wrap like the 32-bit unsigned numbers they are; keys iterate in ascending order.
    using Table = std::map<std::string, std::uint32_t>;
    using FactionTable = std::map<std::string, Table>;

    Statistics();
    ~Statistics();
    Statistics(const Statistics&) = delete;
    Statistics& operator=(const Statistics&) = delete;

    static Statistics& getSingleton();
    static Statistics* getSingletonPtr();

    // Called by every launch of a projectile, guided projectile or beam.
    void recordShot(const std::string& factionName, bool byPlayer, const std::string& projectileType);
    // Called by every hit of those kinds; the damage is already rounded to whole units.
    void recordHit(const std::string& factionName, bool byPlayer, const std::string& projectileType,
                   unsigned damage);

    // Hits divided by shots for one projectile type, or over all types when the type is empty.
    // A shot count of 0 divides by 1. An unknown type logs a line and gives 0.
    static double getHitProportion(const Table& hits, const Table& shots, const std::string& projectileType);

    double getPlayerHitProportion(const std::string& projectileType) const;
    double getPlayerDamageInflicted(const std::string& projectileType) const;
    // The empty type gives the faction's proportion over all its projectile types.
    double getFactionHitProportion(const std::string& factionName, const std::string& projectileType) const;

    // Shots fired and hits scored by a faction over all projectile types; 0 for a faction that has
    // none.
    std::uint64_t getFactionShots(const std::string& factionName) const;
    std::uint64_t getFactionHits(const std::string& factionName) const;

    // The projectile types the player has fired since the last clear, in ascending order.
    std::vector<std::string> getProjectileNames() const;

    // Writes the summary of the scenario to the log; the scenario's unload calls it.
    void dump() const;
    // Forgets everything; the next scenario's load calls it.
    void clear();

private:
    static double getDamageInflicted(const Table& damage, const std::string& projectileType);

    Table playerShots;
    Table playerHits;
    Table playerDamage;
    Table aiShots;
    Table aiHits;
    Table aiDamage;
    FactionTable factionShots;
    FactionTable factionHits;
    FactionTable factionDamage;

    static Statistics* singleton;
};

} // namespace Tolvarine

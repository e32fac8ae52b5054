#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

// A named side of a battle. Every ship, station, guided projectile and formation in play belongs
// to one. Each faction carries one bit out of a small pool as its id, so that a set of factions fits
// in one word: the enemy mask is the OR of the ids of the factions this one fights, the AI filters
// targets with it and ships add their faction's bit to their scene query flags.
//
// Factions are made by scripts and by the scenario and are owned by the running scenario through
// shared pointers; a faction dies when its last holder lets go, and its id returns to the pool.
class Ship;

class Faction {
public:
    // How factions reach the running scenario, which owns them. The scenario side fills both in
    // when a scenario becomes current and clears them when none is: `addFaction` appends to the
    // scenario's faction list, `getFaction` searches it by name (empty pointer when absent).
    struct ScenarioLink {
        std::function<void(std::shared_ptr<Faction>)> addFaction;
        std::function<std::shared_ptr<Faction>(const std::string&)> getFaction;
    };

    // Makes a faction with the smallest free id, hands it to the running scenario and returns it;
    // the scenario keeps it alive. Without a running scenario, or when all five ids are taken, logs
    // a line and throws ConfigurationError, and no faction is left behind.
    static Faction* create(const std::string& name);

    // The running scenario's faction of that name. An unknown name, or no running scenario, gives
    // an empty pointer and a log line: names come from scripts and data, so a typo must not crash.
    static std::shared_ptr<Faction> find(const std::string& name);

    // The running scenario's own pointer to this very faction; empty, and nothing logged, when no
    // scenario runs or the one running does not hold it. A pointer that a script hands in may share
    // nothing with the scenario's (the script binding makes one for the call alone), so whoever
    // keeps a faction weakly must keep the scenario's.
    static std::shared_ptr<Faction> heldByScenario(const Faction& faction);

    static void setScenarioLink(ScenarioLink link);

    // An id of 0 takes the smallest free id (ConfigurationError with a log line when none is left);
    // any other id is used unchanged and taken out of the pool if it is there.
    Faction(const std::string& name, std::uint32_t id);
    ~Faction();
    Faction(const Faction&) = delete;
    Faction& operator=(const Faction&) = delete;

    const std::string& getName() const { return name; }
    std::uint32_t getId() const { return id; }
    std::uint32_t getEnemyMask() const { return enemyMask; }

    // One-way: for two sides to fight each other, each must add the other.
    void addEnemy(const Faction& other);

    // 0 for this very faction (even when its own bit is in its enemy mask), 2 for a faction whose
    // id is in the enemy mask, 1 for any other (neutral or friendly).
    int relationTo(const Faction& other) const;

    void incrementShipCount() { ++shipCount; }
    void decrementShipCount() { --shipCount; }
    std::int32_t getShipCount() const { return shipCount; }

    // The ships in play whose faction has this faction's name (factions are told apart by name
    // here), walking the ship pools in type-name order.
    std::vector<Ship*> getShips() const;

    // How many ids no live faction holds.
    static std::size_t freeIdCount();

    // Registers the script class "Faction" with the module being started.
    static void exportToPython();

private:
    // The body of create; the script face hands out the shared pointer itself, so that a script
    // holding a faction keeps it alive instead of holding a dangling reference.
    static std::shared_ptr<Faction> createShared(const std::string& name);

    std::string name;
    std::uint32_t id;
    std::uint32_t enemyMask = 0;
    std::int32_t shipCount = 0;
    // Whether the id came out of the pool, and so goes back into it when the faction dies. An id
    // given from outside and not in the pool may belong to another live faction.
    bool idFromPool = false;
};

} // namespace Tolvarine

#include "Faction.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "PhysicsBody.h"
#include "ScriptReference.h"
#include "Ship.h"

#include <boost/python/class.hpp>
#include <boost/python/def.hpp>
#include <boost/python/list.hpp>

#include <set>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

// The one-bit ids, filled once with 256, 512, ..., 4096 and never refilled: so at most five
// factions live at once. Ordered, so that the smallest free id is handed out first.
std::set<std::uint32_t>& freeIds()
{
    static std::set<std::uint32_t> pool = [] {
        std::set<std::uint32_t> ids;
        for (std::uint32_t id = 256; id <= 4096; id *= 2)
            ids.insert(id);
        return ids;
    }();
    return pool;
}

Faction::ScenarioLink& scenarioLink()
{
    static Faction::ScenarioLink link;
    return link;
}

bp::list shipList(const Faction& faction)
{
    return scriptList(faction.getShips());
}

} // namespace

Faction::Faction(const std::string& name, std::uint32_t id)
    : name(name)
    , id(id)
{
    std::set<std::uint32_t>& pool = freeIds();
    if (id == 0) {
        if (pool.empty()) {
            GameLog::line("Exceeded the allowable number of factions");
            throw ConfigurationError();
        }
        this->id = *pool.begin();
        pool.erase(pool.begin());
        idFromPool = true;
    } else {
        idFromPool = pool.erase(id) > 0;
    }
}

Faction::~Faction()
{
    if (idFromPool)
        freeIds().insert(id);
}

std::shared_ptr<Faction> Faction::createShared(const std::string& name)
{
    const ScenarioLink& link = scenarioLink();
    if (!link.addFaction) {
        GameLog::line("Faction::create, no running scenario to hold faction " + name);
        throw ConfigurationError();
    }
    auto faction = std::make_shared<Faction>(name, 0);
    link.addFaction(faction);
    return faction;
}

Faction* Faction::create(const std::string& name)
{
    return createShared(name).get();
}

std::shared_ptr<Faction> Faction::find(const std::string& name)
{
    const ScenarioLink& link = scenarioLink();
    if (!link.getFaction) {
        GameLog::line("Faction::find, no running scenario to look up faction " + name);
        return nullptr;
    }
    std::shared_ptr<Faction> faction = link.getFaction(name);
    if (!faction)
        GameLog::line("Faction::find, no faction named " + name);
    return faction;
}

std::shared_ptr<Faction> Faction::heldByScenario(const Faction& faction)
{
    const ScenarioLink& link = scenarioLink();
    std::shared_ptr<Faction> held = link.getFaction ? link.getFaction(faction.name) : nullptr;
    return held.get() == &faction ? held : nullptr;
}

void Faction::setScenarioLink(ScenarioLink link)
{
    scenarioLink() = std::move(link);
}

void Faction::addEnemy(const Faction& other)
{
    enemyMask |= other.id;
}

int Faction::relationTo(const Faction& other) const
{
    if (&other == this)
        return 0;
    return (enemyMask & other.id) != 0 ? 2 : 1;
}

std::size_t Faction::freeIdCount()
{
    return freeIds().size();
}

std::vector<Ship*> Faction::getShips() const
{
    std::vector<Ship*> ships;
    const Ship::Pools& pools = Ship::getPoolFactory();
    for (const std::string& typeName : pools.getTypeNames()) {
        for (Ship* ship : pools.getPool(typeName)->getLiveObjects()) {
            const Faction* shipFaction = ship->getFaction();
            if (ship->getPhysicsBody()->isActive() && shipFaction && shipFaction->getName() == name)
                ships.push_back(ship);
        }
    }
    return ships;
}

void Faction::exportToPython()
{
    bp::class_<Faction, std::shared_ptr<Faction>, boost::noncopyable>("Faction", bp::no_init)
        .def("create", &Faction::createShared)
        .staticmethod("create")
        .def("addEnemy", &Faction::addEnemy)
        .def("getShipList", &shipList);
}

} // namespace Tolvarine

#include "ShipExplosionSequence.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "DynamicCollidable.h"
#include "GameLog.h"
#include "PoolCensus.h"
#include "Scenario.h"
#include "Scheduler.h"
#include "ShipExplosionEvent.h"
#include "ShipType.h"
#include "TypeFiles.h"

#include <algorithm>
#include <map>
#include <set>

namespace Tolvarine {

namespace {

const char* const SECTION = "ShipExplosionSequence";

// Ships are collidables; a controllable that is none (a test's, say) lives one life.
unsigned activationsOf(const Controllable& ship)
{
    const auto* collidable = dynamic_cast<const DynamicCollidable*>(&ship);
    return collidable ? collidable->getActivationCount() : 0;
}

std::map<std::string, std::unique_ptr<Config>>& typeConfigs()
{
    static std::map<std::string, std::unique_ptr<Config>> configs;
    return configs;
}

// A section is an event when "Event_" stands anywhere in its name.
bool isEventSection(const std::string& section)
{
    return section.find("Event_") != std::string::npos;
}

// The events of the sections whose name holds "Event_", in file order. With `checkNames`, each
// event's names are checked as it is read, so a refusal names its own section.
ShipExplosionSequence::Events readEvents(Config& config, bool checkNames = false)
{
    ShipExplosionSequence::Events events;
    for (const std::string& section : config.getSectionNames()) {
        if (!isEventSection(section))
            continue;
        events.push_back(ShipExplosionEvent::createEvent(config, section));
        if (checkNames)
            events.back()->checkNames(config, section);
    }
    if (events.empty()) {
        GameLog::line("Cannot create empty ShipExplosionSequence");
        throw ConfigurationError();
    }
    return events;
}

// A Sequence event: the section that holds it and the sequence type it starts.
struct NestedStart {
    std::string section;
    std::string type;
};

// The sequence types that the Sequence events of a type start, in file order.
std::vector<NestedStart> nestedStarts(const Config& config)
{
    std::vector<NestedStart> starts;
    for (const std::string& section : config.getSectionNames()) {
        if (isEventSection(section) && config.get<std::string>(section, "type") == "Sequence")
            starts.push_back({section, config.get<std::string>(section, "name")});
    }
    return starts;
}

// Whether the Sequence events lead from type `from` to type `home`, depth first; `chain` gets the
// types passed on the way. A type in `explored` was followed to its ends already without coming
// home, so each type is walked once however many paths reach it.
bool leadsTo(const std::string& home, const std::string& from, std::vector<std::string>& chain,
             std::set<std::string>& explored)
{
    if (from == home)
        return true;
    const auto found = typeConfigs().find(from);
    if (found == typeConfigs().end() || !explored.insert(from).second)
        return false;
    chain.push_back(from);
    for (const NestedStart& next : nestedStarts(*found->second)) {
        if (leadsTo(home, next.type, chain, explored))
            return true;
    }
    chain.pop_back();
    return false;
}

std::string joined(const std::vector<std::string>& chain)
{
    std::string text;
    for (const std::string& type : chain)
        text += (text.empty() ? "" : " -> ") + type;
    return text;
}

// Refuses a type whose Sequence events start it again, directly or through other types: one ship's
// death would start sequences without end, each starting more, until the game stops answering.
void refuseLoops(const std::string& type, const Config& config)
{
    std::set<std::string> explored;
    for (const NestedStart& start : nestedStarts(config)) {
        std::vector<std::string> chain{type};
        if (!leadsTo(type, start.type, chain, explored))
            continue;
        chain.push_back(type);
        GameLog::line("SequenceEvent " + start.section + " of " + config.getPath()
                      + ": the sequence would start itself again and again: " + joined(chain));
        GameLog::line("ShipExplosionSequence: the type file " + config.getPath() + " is refused");
        throw ConfigurationError();
    }
}

} // namespace

const char* const ShipExplosionSequence::TYPE_FOLDER = "data/explosions";

ShipExplosionSequence::ShipExplosionSequence(Config& config, const std::string& typeName)
    : ShipExplosionSequence(typeName, config.get<float>(SECTION, "updatePeriod"),
                            config.get<float>(SECTION, "updateVariance"), readEvents(config))
{
}

ShipExplosionSequence::ShipExplosionSequence(const std::string& typeName, float updatePeriod,
                                             float updateVariance, Events sequenceEvents)
    : name(typeName)
    , updateTask([this](float elapsed) { return update(elapsed); }, "ShipExplosionSequence::update",
                 updatePeriod, updateVariance)
    , events(std::move(sequenceEvents))
{
    std::sort(events.begin(), events.end(), &ShipExplosionEvent::compareTime);
}

ShipExplosionSequence::~ShipExplosionSequence() = default;

MultiPoolFactory<ShipExplosionSequence>& ShipExplosionSequence::getPoolFactory()
{
    // Kept for the life of the program, like the objects it holds: nothing deletes them at exit.
    static auto* pools = new MultiPoolFactory<ShipExplosionSequence>();
    return *pools;
}

void ShipExplosionSequence::loadTypes(const std::string& folder)
{
    auto& configs = typeConfigs();
    if (!configs.empty())
        return;
    static bool releasedWithScenarios = false;
    if (!releasedWithScenarios) {
        Scenario::addPoolRelease(Scenario::PooledKind::SHIP_EXPLOSION_SEQUENCES, &ShipExplosionSequence::releaseAll);
        PoolCensus::addKind("ShipExplosionSequence", [] { return getPoolFactory().getLiveCount(); });
        releasedWithScenarios = true;
    }
    std::vector<std::filesystem::path> files;
    if (!TypeFiles::list(folder, ".explosion_sequence", files))
        GameLog::line("ShipExplosionSequence: cannot read the folder " + folder);
    try {
        for (const std::filesystem::path& path : files)
            configs.emplace(path.stem().string(), std::make_unique<Config>(path.generic_string(), false, true, false));
        // Every type is read before any is checked: a Sequence event may name a later file.
        for (const auto& entry : configs)
            checkType(*entry.second);
        for (const auto& entry : configs)
            refuseLoops(entry.first, *entry.second);
        for (const auto& entry : configs) {
            const std::string type = entry.first;
            const int poolSize = entry.second->get<int>("Factory", "poolSize", 0);
            getPoolFactory().registerType(type, [type] { return createFromConfig(type); }, poolSize,
                                         entry.second->getPath());
        }
    } catch (...) {
        unloadTypes();
        throw;
    }
}

bool ShipExplosionSequence::isType(const std::string& typeName)
{
    return typeConfigs().count(typeName) != 0;
}

void ShipExplosionSequence::checkType(Config& config)
{
    try {
        config.get<float>(SECTION, "updatePeriod");
        config.get<float>(SECTION, "updateVariance");
        readEvents(config, true);
    } catch (...) {
        GameLog::line("ShipExplosionSequence: the type file " + config.getPath() + " is refused");
        throw;
    }
}

void ShipExplosionSequence::unloadTypes()
{
    releaseAll();
    getPoolFactory().clear();
    typeConfigs().clear();
}

ShipExplosionSequence* ShipExplosionSequence::createFromConfig(const std::string& typeName)
{
    const auto found = typeConfigs().find(typeName);
    if (found == typeConfigs().end()) {
        GameLog::line("Could not create ShipExplosionSequence: no config file found for type: " + typeName);
        throw ConfigurationError();
    }
    return new ShipExplosionSequence(*found->second, typeName);
}

void ShipExplosionSequence::checkShipTypes()
{
    bool complete = true;
    for (const std::string& shipName : ShipType::getTypeNames()) {
        const ShipType& type = ShipType::getByName(shipName);
        const std::string& sequence = type.getExplosionGroup();
        if (!getPoolFactory().hasType(sequence)) {
            GameLog::line("Ship type " + shipName + " names the explosion sequence " + sequence
                          + ", which does not exist");
            type.logPlace("Ship", "explosionGroup");
            complete = false;
        }
    }
    if (!complete)
        throw ConfigurationError();
}

ShipExplosionSequence* ShipExplosionSequence::create(const std::string& typeName, Controllable* ship,
                                                     bool isFocused, const Ogre::Vector3& at)
{
    ShipExplosionSequence* sequence = getPoolFactory().create(typeName);
    sequence->start(ship, isFocused, at);
    return sequence;
}

void ShipExplosionSequence::releaseAll()
{
    getPoolFactory().releaseAll([](ShipExplosionSequence* sequence) { sequence->deactivate(); });
}

void ShipExplosionSequence::start(Controllable* ship, bool isFocused, const Ogre::Vector3& at)
{
    ++life;
    playing = true;
    startTime = static_cast<float>(Scheduler::getSingleton().getTime());
    target = ship;
    targetActivations = ship ? activationsOf(*ship) : 0;
    focused = isFocused || (ship && ship == Controllable::getFocused());
    offset = at;
    nextEvent = 0;
    updateTask.subscribe(true);
    // A pooled sequence's task still counts from its previous life.
    updateTask.reset();
}

bool ShipExplosionSequence::update(float)
{
    const float elapsed = static_cast<float>(Scheduler::getSingleton().getTime()) - startTime;
    while (nextEvent < events.size()) {
        ShipExplosionEvent& event = *events[nextEvent];
        if (!(event.getTime() < elapsed))
            return true;
        ++nextEvent;
        const unsigned thisLife = life;
        event.execute(shipOfThisLife(), focused, offset);
        // An event may end the game, and with it this sequence (or even start it anew): the
        // rest of this life must not run on a ship that is gone.
        if (life != thisLife || !playing)
            return life != thisLife && playing;
    }
    deactivate();
    return false;
}

Controllable* ShipExplosionSequence::shipOfThisLife()
{
    if (target && activationsOf(*target) != targetActivations)
        target = nullptr;
    return target;
}

void ShipExplosionSequence::letGoOf(const Targetable& gone)
{
    if (playing && target && static_cast<const Targetable*>(target) == &gone)
        target = nullptr;
}

void ShipExplosionSequence::deactivate()
{
    playing = false;
    target = nullptr;
    updateTask.subscribe(false);
    getPoolFactory().release(this, name);
}

} // namespace Tolvarine

#include "PoolCensus.h"

#include "GameLog.h"

#include <map>

namespace Tolvarine {

namespace {

// Registered at start-up and kept for the whole run; by name, so the lines come in the same
// order whatever order the owners registered in.
std::map<std::string, PoolCensus::LiveCount>& kinds()
{
    static std::map<std::string, PoolCensus::LiveCount> registered;
    return registered;
}

} // namespace

void PoolCensus::addKind(const std::string& kind, LiveCount count)
{
    kinds().emplace(kind, std::move(count));
}

std::vector<PoolCensus::Entry> PoolCensus::liveCounts()
{
    std::vector<Entry> counts;
    for (const auto& kind : kinds())
        counts.emplace_back(kind.first, kind.second());
    return counts;
}

std::string PoolCensus::line(const Entry& entry)
{
    return "Pool " + entry.first + ": " + std::to_string(entry.second) + " live";
}

void PoolCensus::logLiveCounts()
{
    for (const Entry& entry : liveCounts())
        GameLog::line(line(entry));
}

} // namespace Tolvarine

#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Tolvarine {

// The live counts of the game's pooled kinds (objects handed out and not yet given back), for
// the log: every pool owner registers, once at start-up, how to count its live objects. The end
// of the game logs one line per kind, "Pool <kind>: <n> live", after the scenario has unloaded,
// when every count must be 0; a count above 0 there is an object that never went back to its pool.
class PoolCensus {
public:
    using LiveCount = std::function<std::size_t()>;
    using Entry = std::pair<std::string, std::size_t>;

    // A kind registered a second time keeps its first count.
    static void addKind(const std::string& kind, LiveCount count);
    // Every kind with its live count, in the order of the kinds' names.
    static std::vector<Entry> liveCounts();
    static std::string line(const Entry& entry);
    // One line per kind in the game's log.
    static void logLiveCounts();
};

} // namespace Tolvarine

#include "FillWatch.h"

#include "GameLog.h"
#include "MemoryRoom.h"
#include "NormalExit.h"

#include <optional>

namespace Tolvarine {

namespace {

std::function<bool()>& endRequest()
{
    static std::function<bool()> asked;
    return asked;
}

// What the rest of a run would do to one room: what the first objects took of what grows against
// it, and what the others would take, each as much as those did on average.
struct Overrun {
    MemoryRoom::Limit limit;
    double took;
    double rest;

    double left() const { return double(limit.kilobytes) - rest; }
};

} // namespace

FillWatch::FillWatch()
    : residentAtStart(MemoryRoom::residentKilobytes())
    , addressSpaceAtStart(MemoryRoom::addressSpaceKilobytes())
{
}

void FillWatch::check(std::size_t made, std::size_t total) const
{
    if (endRequest() && endRequest()()) {
        GameLog::line("The start-up stops: the game was asked to end while it filled a pool (" + std::to_string(made)
                      + " of " + std::to_string(total) + " made)");
        throw NormalExit();
    }
    checkMemory(made, total);
}

void FillWatch::checkMemory(std::size_t made, std::size_t total) const
{
    if (made == 0 || made >= total)
        return;
    const long resident = MemoryRoom::residentKilobytes();
    const long addressSpace = MemoryRoom::addressSpaceKilobytes();
    // Of the rooms the rest would leave short, the one it leaves shortest.
    std::optional<Overrun> worst;
    for (const MemoryRoom::Limit& limit : MemoryRoom::limits()) {
        const long now = limit.growsWithAddressSpace() ? addressSpace : resident;
        const long atStart = limit.growsWithAddressSpace() ? addressSpaceAtStart : residentAtStart;
        const double took = now > atStart ? double(now - atStart) : 0.0;
        const Overrun overrun{limit, took, took / double(made) * double(total - made)};
        if (overrun.left() < double(RESERVE_KILOBYTES) && (!worst || overrun.left() < worst->left()))
            worst = overrun;
    }
    if (!worst)
        return;
    throw Shortage("the first " + std::to_string(made) + " took " + MemoryRoom::megabytes(worst->took)
                   + (worst->limit.growsWithAddressSpace() ? " of address space" : "") + ", so the other "
                   + std::to_string(total - made) + " would need about " + MemoryRoom::megabytes(worst->rest) + ", and "
                   + worst->limit.describe() + ", of which the game keeps "
                   + MemoryRoom::megabytes(double(RESERVE_KILOBYTES)) + " for itself");
}

void FillWatch::setEndRequest(std::function<bool()> asked)
{
    endRequest() = std::move(asked);
}

} // namespace Tolvarine

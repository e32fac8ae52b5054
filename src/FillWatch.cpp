#include "FillWatch.h"

#include "GameLog.h"
#include "NormalExit.h"
#include "ResourceReport.h"

#include <fstream>
#include <sstream>

namespace Tolvarine {

namespace {

std::function<bool()>& endRequest()
{
    static std::function<bool()> asked;
    return asked;
}

std::string megabytes(double kilobytes)
{
    std::ostringstream text;
    text.precision(0);
    text << std::fixed << kilobytes / 1024.0 << " MB";
    return text.str();
}

} // namespace

FillWatch::FillWatch()
    : residentAtStart(ResourceReport::residentKilobytes())
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
    const long available = availableKilobytes();
    if (available < 0 || made == 0 || made >= total)
        return;
    const long resident = ResourceReport::residentKilobytes();
    const double each = resident > residentAtStart ? double(resident - residentAtStart) / double(made) : 0.0;
    const double rest = each * double(total - made);
    if (double(available) - rest >= double(RESERVE_KILOBYTES))
        return;
    throw Shortage("the first " + std::to_string(made) + " took " + megabytes(double(resident - residentAtStart))
                   + ", so the other " + std::to_string(total - made) + " would need about " + megabytes(rest) + ", and "
                   + megabytes(double(available)) + " are free, of which the game keeps "
                   + megabytes(double(RESERVE_KILOBYTES)) + " for itself");
}

long FillWatch::availableKilobytes()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        long kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:")
            return kilobytes;
    }
    return -1;
}

void FillWatch::setEndRequest(std::function<bool()> asked)
{
    endRequest() = std::move(asked);
}

} // namespace Tolvarine

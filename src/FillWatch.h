#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace Tolvarine {

// Watches a long run of allocations (a pool filled at start-up), which a pool size of the data
// files makes as long as the file says: one that the memory cannot hold (the machine's, or the
// limits set on the process: MemoryRoom) stops with a line saying so, before the kernel kills the
// game for want of memory or an allocation fails, and one under way when the game is asked to end
// (SIGTERM, the window closed) stops the start-up instead of keeping the request waiting until it
// is done.
class FillWatch {
public:
    // What a run that would not fit throws: its text gives the figures.
    class Shortage : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The memory kept free for the rest of the game once a run has taken its share: of the
    // machine's, and under each limit set on the process.
    static constexpr long RESERVE_KILOBYTES = 512 * 1024;

    // Notes the process's resident memory and address space now, before the run.
    FillWatch();

    // After `made` of `total` objects: throws Shortage when the rest, each taking what the first
    // `made` took on average, would leave less than RESERVE_KILOBYTES of any room MemoryRoom
    // tells (the resident memory counts against the machine's and a memory group's, the address
    // space against the address-space limit; every run fits where the system tells none), and
    // NormalExit, after a line, when the game has been asked to end.
    void check(std::size_t made, std::size_t total) const;

    // How a run learns that the game has been asked to end: the input layer sets it once its
    // window exists; without it no run is stopped.
    static void setEndRequest(std::function<bool()> asked);

private:
    void checkMemory(std::size_t made, std::size_t total) const;

    long residentAtStart;
    long addressSpaceAtStart;
};

} // namespace Tolvarine

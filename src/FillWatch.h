#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace Tolvarine {

// Watches a long run of allocations (a pool filled at start-up), which a pool size of the data
// files makes as long as the file says: one that the machine's memory cannot hold stops with a
// line saying so, before the kernel kills the game for want of memory, and one under way when the
// game is asked to end (SIGTERM, the window closed) stops the start-up instead of keeping the
// request waiting until it is done.
class FillWatch {
public:
    // What a run that would not fit throws: its text gives the figures.
    class Shortage : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The memory the machine keeps free for the rest of the game once a run has taken its share.
    static constexpr long RESERVE_KILOBYTES = 512 * 1024;

    // Notes the process's resident memory now, before the run.
    FillWatch();

    // After `made` of `total` objects: throws Shortage when the rest, each taking what the first
    // `made` took on average, would leave the machine less than RESERVE_KILOBYTES free (every run
    // fits where the system does not tell its memory), and NormalExit, after a line, when the game
    // has been asked to end.
    void check(std::size_t made, std::size_t total) const;

    // The memory the machine has available for new allocations (MemAvailable), in kB; below 0
    // when the system does not tell.
    static long availableKilobytes();

    // How a run learns that the game has been asked to end: the input layer sets it once its
    // window exists; without it no run is stopped.
    static void setEndRequest(std::function<bool()> asked);

private:
    void checkMemory(std::size_t made, std::size_t total) const;

    long residentAtStart;
};

} // namespace Tolvarine

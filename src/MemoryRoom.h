#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Tolvarine {

// The memory left for new allocations, as the system tells it: the machine's available memory,
// and the limits set on the process itself, where there are any: its address-space limit
// (setrlimit, "ulimit -v") against the address space it uses, and the limit of its memory group
// (cgroup v2 memory.max against memory.current, v1 memory.limit_in_bytes against
// memory.usage_in_bytes), its own group's and those of the groups above it. A game under a limit
// is stopped by the limit long before the machine runs short: a pool that the machine held but
// the limit did not was filled for four minutes until a reservation failed.
class MemoryRoom {
public:
    // One figure of room. What grows against it as the process allocates: its resident memory
    // against the machine's and a memory group's, its address space against its address-space
    // limit.
    struct Limit {
        enum class Kind { MACHINE, ADDRESS_SPACE, GROUP };
        Kind kind;
        long kilobytes;

        bool growsWithAddressSpace() const { return kind == Kind::ADDRESS_SPACE; }
        // The room for a figures line: "<n> MB are free" for the machine, "the process's
        // address-space limit leaves <n> MB" or "its memory group's limit leaves <n> MB".
        std::string describe() const;
    };

    // Every figure the system shows, the machine's first; empty where it tells none.
    static std::vector<Limit> limits();
    // The least of them; the machine with no bound at all where the system tells none.
    static Limit tightest();

    // The process's address space in use (VmSize), in kB; 0 when the system does not tell.
    static long addressSpaceKilobytes();
    // The process's resident memory, in kB; 0 when the system does not tell.
    static long residentKilobytes();

    // The room the memory groups of a process leave, in kB, from its cgroup file (as
    // /proc/self/cgroup) and its mount table (as /proc/self/mountinfo): the least of its own
    // group's and those above it, each its limit less its use; none where no group has a limit.
    static std::optional<long> groupKilobytes(const std::string& cgroupFile, const std::string& mountInfoFile);

    // Megabytes, rounded, for the figures lines: "1234 MB".
    static std::string megabytes(double kilobytes);
};

} // namespace Tolvarine

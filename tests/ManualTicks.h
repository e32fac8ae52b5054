#pragma once

#include "Clock.h"

#include <cmath>
#include <cstdint>

namespace Tolvarine::Test {

// Drives every clock by hand while it lives: the counter only moves when a test advances it.
// The rate is a power of two, so binary fractions of a second are exact in float and double.
class ManualTicks {
public:
    static constexpr std::int64_t ticksPerSecond = std::int64_t(1) << 20;

    ManualTicks()
    {
        now = std::uint64_t(1) << 32;
        Clock::setTickSource(&read, ticksPerSecond);
    }
    ~ManualTicks() { Clock::restoreHardwareSources(); }
    ManualTicks(const ManualTicks&) = delete;
    ManualTicks& operator=(const ManualTicks&) = delete;

    static void advance(double seconds) { now += static_cast<std::uint64_t>(std::llround(seconds * ticksPerSecond)); }
    static std::uint64_t read() { return now; }

private:
    static inline std::uint64_t now = 0;
};

} // namespace Tolvarine::Test

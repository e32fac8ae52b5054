#include "Clock.h"

#include "GameLog.h"

#include <cmath>
#include <ctime>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace Tolvarine {

namespace {

std::uint64_t monotonicNanoseconds(clockid_t id)
{
    timespec now{};
    clock_gettime(id, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u
         + static_cast<std::uint64_t>(now.tv_nsec);
}

// The time-stamp counter. The fence keeps earlier instructions from being measured after the
// read; it costs far less than a serialising identification instruction, which traps to the
// hypervisor on virtual machines. Elsewhere the monotonic clock in nanoseconds stands in.
std::uint64_t hardwareTicks()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_lfence();
    return __rdtsc();
#else
    return monotonicNanoseconds(CLOCK_MONOTONIC);
#endif
}

// The high-resolution performance counter: the raw monotonic clock, in nanoseconds.
std::uint64_t hardwarePerformanceCounter()
{
    return monotonicNanoseconds(CLOCK_MONOTONIC_RAW);
}

// The system millisecond timer; it wraps like a 32-bit millisecond count.
std::uint32_t milliseconds()
{
    return static_cast<std::uint32_t>(monotonicNanoseconds(CLOCK_MONOTONIC) / 1000000u);
}

void sleepMilliseconds(unsigned duration)
{
    timespec request{static_cast<time_t>(duration / 1000),
                     static_cast<long>(duration % 1000) * 1000000L};
    while (nanosleep(&request, &request) != 0) {
        // interrupted by a signal: sleep the rest
    }
}

} // namespace

std::int64_t Clock::ticksPerSecond = 0;
std::int64_t Clock::calibratedTicksPerSecond = 0;
Clock::TickReader Clock::tickReader = &hardwareTicks;
Clock::TickReader Clock::performanceCounter = &hardwarePerformanceCounter;
std::uint64_t Clock::performanceFrequency = 1000000000u;

Clock::Clock()
{
    calibrate();
    startTicks = readTicks();
}

void Clock::reset()
{
    startTicks = readTicks();
    // A paused clock measures up to its pause mark, which must not lie before the new time 0.
    if (paused)
        pauseTicks = startTicks;
}

double Clock::getTime() const
{
    const std::uint64_t now = paused ? pauseTicks : readTicks();
    return static_cast<double>(static_cast<std::int64_t>(now - startTicks))
         / static_cast<double>(ticksPerSecond);
}

void Clock::setPaused(bool pause)
{
    if (pause && !paused) {
        pauseTicks = readTicks();
        paused = true;
    } else if (!pause && paused) {
        startTicks += readTicks() - pauseTicks;
        paused = false;
    }
}

std::uint64_t Clock::readTicks()
{
    return tickReader();
}

void Clock::calibrate()
{
    if (ticksPerSecond != 0)
        return;
    GameLog::line("Calibrating timer...");
    const std::uint64_t t0 = readTicks();
    const std::uint32_t m0 = milliseconds();
    sleepMilliseconds(500);
    const std::uint64_t t1 = readTicks();
    const std::uint32_t m1 = milliseconds();
    std::int32_t elapsed = static_cast<std::int32_t>(m1 - m0);
    if (elapsed <= 0)
        elapsed = 1; // a timer that did not advance must not divide by zero
    ticksPerSecond = static_cast<std::int64_t>(static_cast<std::int64_t>(t1 - t0) * 1000.0f
                                               / elapsed);
    if (ticksPerSecond <= 0)
        ticksPerSecond = 1; // a counter that did not advance must not divide by zero later
    calibratedTicksPerSecond = ticksPerSecond;
    GameLog::line(std::to_string(ticksPerSecond)
                  + " ticks per second");
}

bool Clock::measureCpuFrequency(double& frequency, double& deviation, unsigned duration,
                                unsigned maxRounds)
{
    if (performanceFrequency == 0 || duration == 0)
        return false;
    const std::uint64_t span = performanceFrequency * duration / 1000u;
    const auto measure = [span, duration]() {
        const std::uint64_t target = performanceCounter() + span;
        const std::uint64_t a = readTicks();
        while (performanceCounter() < target) {
            // busy-wait: sleeping would let the processor change its speed
        }
        const std::uint64_t b = readTicks();
        return static_cast<double>(b - a) * 1000.0 / duration;
    };

    double estimate = measure();
    double sum = 0.0;
    unsigned count = 0;
    double mean = 0.0;
    do {
        const double f = measure();
        estimate = (f + estimate) / 2.0;
        sum += std::fabs(f - estimate);
        ++count;
        mean = sum / count;
    } while (mean > deviation && count < maxRounds);

    deviation = mean;
    frequency = estimate;
    return true;
}

void Clock::setTickSource(TickReader reader, std::int64_t rate)
{
    tickReader = reader;
    ticksPerSecond = rate;
}

void Clock::setPerformanceCounter(TickReader reader, std::uint64_t frequency)
{
    performanceCounter = reader;
    performanceFrequency = frequency;
}

void Clock::restoreHardwareSources()
{
    tickReader = &hardwareTicks;
    ticksPerSecond = calibratedTicksPerSecond;
    performanceCounter = &hardwarePerformanceCounter;
    performanceFrequency = 1000000000u;
}

} // namespace Tolvarine

#pragma once

#include <cstdint>

namespace Tolvarine {

// A stopwatch over the processor's time-stamp counter. It can be paused and reset and reads
// seconds. The counter's rate is calibrated once per process, against the system millisecond
// timer, when the first clock is built.
class Clock {
public:
    // Where clocks read their counter. Tests install a source they drive by hand, so no test
    // has to wait for real time to pass.
    using TickReader = std::uint64_t (*)();

    Clock();

    // Time 0 becomes now; a paused clock stays paused and keeps reading 0 until it resumes.
    void reset();
    // Seconds since time 0, not counting the spans during which the clock was paused.
    double getTime() const;
    // Pausing twice keeps the first pause mark; resuming a running clock changes nothing.
    void setPaused(bool pause);
    bool isPaused() const { return paused; }

    // The current counter value.
    static std::uint64_t readTicks();
    // Measures the counter's rate against the millisecond timer; only the first call works.
    static void calibrate();
    static std::int64_t getTicksPerSecond() { return ticksPerSecond; }

    // Measures the processor's frequency against the high-resolution performance counter, once
    // and then up to maxRounds more times until successive measurements agree to within the
    // incoming deviation on average. Returns false, leaving the outputs alone, when there is no
    // performance counter; otherwise the frequency in ticks per second and the mean deviation.
    static bool measureCpuFrequency(double& frequency, double& deviation, unsigned milliseconds,
                                    unsigned maxRounds);

    // Replaces the time-stamp counter by a reader with a known rate, which counts as calibrated.
    static void setTickSource(TickReader reader, std::int64_t ticksPerSecond);
    // Replaces the performance counter used by measureCpuFrequency.
    static void setPerformanceCounter(TickReader reader, std::uint64_t frequency);
    // Goes back to the processor's counters (and the rate of an earlier calibration, if any).
    static void restoreHardwareSources();

private:
    std::uint64_t startTicks = 0;
    std::uint64_t pauseTicks = 0;
    bool paused = false;

    static std::int64_t ticksPerSecond;
    static std::int64_t calibratedTicksPerSecond;
    static TickReader tickReader;
    static TickReader performanceCounter;
    static std::uint64_t performanceFrequency;
};

} // namespace Tolvarine

#include "Clock.h"

#include "ManualTicks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace Tolvarine {
namespace {

using Test::ManualTicks;

TEST(Clock, PausedSpansDoNotCountAndResetKeepsThePauseState)
{
    ManualTicks ticks;
    Clock clock;
    ManualTicks::advance(1.5);
    clock.setPaused(true);
    ManualTicks::advance(1.0);
    clock.setPaused(true); // a second pause must keep the first mark
    ManualTicks::advance(2.0);
    clock.setPaused(false);
    ManualTicks::advance(0.25);
    EXPECT_DOUBLE_EQ(clock.getTime(), 1.75);
    // Reset while paused: the clock stays paused at 0 and counts only after it resumes.
    clock.setPaused(true);
    clock.reset();
    ManualTicks::advance(2.0);
    EXPECT_DOUBLE_EQ(clock.getTime(), 0.0);
    clock.setPaused(false);
    ManualTicks::advance(0.125);
    EXPECT_DOUBLE_EQ(clock.getTime(), 0.125);
}

// Each measurement reads the tick source twice, at 0 and at the prepared frequency; the performance
// counter jumps a whole 1000 ms span per read.
std::vector<std::uint64_t> tickReadings;
std::size_t tickReads = 0;
std::uint64_t counterValue = 0;
std::uint64_t scriptedTicks() { return tickReads < tickReadings.size() ? tickReadings[tickReads++] : 0; }
std::uint64_t steppingCounter() { return counterValue += 1000; }

TEST(FrequencyMeasurement, StopsWhenMeasurementsAgreeOrAtTheRoundLimitAndFailsWithoutACounter)
{
    Clock::setTickSource(&scriptedTicks, 1);
    Clock::setPerformanceCounter(&steppingCounter, 1000);
    struct Row {
        const char* rule;
        std::vector<std::uint64_t> frequencies;
        std::size_t reads;
        double frequency, deviation;
    };
    const Row rows[] = {
        {"the first measurement and three more", {1000, 1100, 1000, 1000, 7777}, 8, 1012.5, 87.5 / 3.0},
        {"agreed within 5 ticks per second after one more", {1000, 1004, 9999}, 4, 1002.0, 2.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        tickReadings.clear();
        for (const std::uint64_t f : row.frequencies)
            tickReadings.insert(tickReadings.end(), {0, f});
        tickReads = 0;
        double frequency = 0.0, deviation = 5.0;
        ASSERT_TRUE(Clock::measureCpuFrequency(frequency, deviation, 1000, 3));
        EXPECT_EQ(tickReads, row.reads);
        EXPECT_DOUBLE_EQ(frequency, row.frequency);
        EXPECT_DOUBLE_EQ(deviation, row.deviation);
    }
    // Without a performance counter: failure, the outputs left alone.
    Clock::setPerformanceCounter(&steppingCounter, 0);
    tickReads = 0;
    double frequency = 12.0, deviation = 5.0;
    EXPECT_FALSE(Clock::measureCpuFrequency(frequency, deviation, 500, 3));
    EXPECT_EQ(frequency, 12.0);
    EXPECT_EQ(tickReads, 0u);
    Clock::restoreHardwareSources();
}

} // namespace
} // namespace Tolvarine

#include "Clock.h"

#include "LogCapture.h"
#include "ManualTicks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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
    EXPECT_DOUBLE_EQ(clock.getTime(), 1.5);
    clock.setPaused(false);
    ManualTicks::advance(0.25);
    clock.setPaused(false); // resuming a running clock changes nothing
    EXPECT_DOUBLE_EQ(clock.getTime(), 1.75);

    // Reset while paused: the clock stays paused at 0 and counts only after it resumes.
    clock.setPaused(true);
    ManualTicks::advance(3.0);
    clock.reset();
    EXPECT_TRUE(clock.isPaused());
    ManualTicks::advance(2.0);
    EXPECT_DOUBLE_EQ(clock.getTime(), 0.0);
    clock.setPaused(false);
    ManualTicks::advance(0.125);
    EXPECT_DOUBLE_EQ(clock.getTime(), 0.125);
    // Reset while running moves time zero to now.
    clock.reset();
    ManualTicks::advance(0.5);
    EXPECT_DOUBLE_EQ(clock.getTime(), 0.5);
}

TEST(Clock, FirstClockOfTheProcessCalibratesOnceAgainstTheRealTimer)
{
    if (Clock::getTicksPerSecond() != 0)
        GTEST_SKIP() << "another test of this process calibrated already";
    Tolvarine::Test::LogCapture log;
    Clock first;
    ASSERT_GE(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[0], "Calibrating timer...");
    EXPECT_GT(Clock::getTicksPerSecond(), 0);
    EXPECT_EQ(log.lines()[1], std::to_string(Clock::getTicksPerSecond()) + " ticks per second");

    log.clear();
    Clock second;
    EXPECT_TRUE(log.lines().empty());
    EXPECT_GE(second.getTime(), 0.0);
}

// A time-stamp counter that answers a prepared list of readings, and a performance counter that
// jumps a whole measurement span per read, so each measurement yields exactly the prepared
// difference of two readings.
std::vector<std::uint64_t> tickReadings;
std::size_t tickReads = 0;
std::uint64_t counterValue = 0;

std::uint64_t scriptedTicks()
{
    return tickReads < tickReadings.size() ? tickReadings[tickReads++] : 0;
}

std::uint64_t steppingCounter()
{
    return counterValue += 1000;
}

class FrequencyMeasurement : public ::testing::Test {
protected:
    FrequencyMeasurement()
    {
        tickReads = 0;
        counterValue = 0;
        Clock::setTickSource(&scriptedTicks, 1);
        Clock::setPerformanceCounter(&steppingCounter, 1000);
    }
    ~FrequencyMeasurement() override { Clock::restoreHardwareSources(); }

    // Each measurement of 1000 ms reads the counter twice; their difference is the frequency.
    static void prepare(const std::vector<std::uint64_t>& frequencies)
    {
        tickReadings.clear();
        for (const std::uint64_t f : frequencies) {
            tickReadings.push_back(0);
            tickReadings.push_back(f);
        }
    }
};

TEST_F(FrequencyMeasurement, StopsWhenMeasurementsAgreeOrAtTheRoundLimitAndFailsWithoutACounter)
{
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
        prepare(row.frequencies);
        tickReads = 0;
        double frequency = 0.0;
        double deviation = 5.0;
        ASSERT_TRUE(Clock::measureCpuFrequency(frequency, deviation, 1000, 3));
        EXPECT_EQ(tickReads, row.reads);
        EXPECT_DOUBLE_EQ(frequency, row.frequency);
        EXPECT_DOUBLE_EQ(deviation, row.deviation);
    }
    // Without a performance counter: failure, the outputs left alone.
    Clock::setPerformanceCounter(&steppingCounter, 0);
    tickReads = 0;
    double frequency = 12.0;
    double deviation = 5.0;
    EXPECT_FALSE(Clock::measureCpuFrequency(frequency, deviation, 500, 3));
    EXPECT_EQ(frequency, 12.0);
    EXPECT_EQ(deviation, 5.0);
    EXPECT_EQ(tickReads, 0u);
}

} // namespace
} // namespace Tolvarine

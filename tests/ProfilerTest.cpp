#include "Profiler.h"

#include "FixedTask.h"
#include "FunctionTask.h"
#include "ConfigFiles.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "PlatformInfo.h"
#include "InputHandler.h"
#include "Scheduler.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace Tolvarine {
namespace {

using Test::ManualTicks;

const char* const systemInfo = "Vendor: GenuineIntel\n"
                               "Model: 14\n"
                               "Family: 6\n"
                               "Stepping: 3\n"
                               "Frequency: 2400 MHz\t(avg. dev 4)\n"
                               "\n\n"
                               "Rendering Device: n/a\n"
                               "Video Mode: 1280 x 1024\n"
                               "Anti aliasing: n/a\n\n";

class ProfilerTest : public ::testing::Test {
protected:
    ProfilerTest() { profiler.setSystemInfoSource([] { return std::string(systemInfo); }); }

    std::string report() const
    {
        std::ostringstream out;
        profiler.writeReport(out);
        return out.str();
    }

    Tolvarine::Test::TemporaryFolder folder;
    ManualTicks ticks;
    Profiler profiler;
};

TEST_F(ProfilerTest, ReportOfSchedulerPasses)
{
    InputHandler input;
    Scheduler scheduler;
    FixedTask physics(
        [this](float, float) {
            for (int i = 0; i < 3; ++i) {
                profiler.beginProfile("Collisions");
                ManualTicks::advance(1.0 / 32);
                profiler.endProfile("Collisions");
            }
            ManualTicks::advance(5.0 / 32);
        },
        "Physics", 10);
    FixedTask graphics([](float, float) { ManualTicks::advance(0.125); }, "Graphics", 60);
    FunctionTask fire([](float) { ManualTicks::advance(0.0625); return true; },
                      "Weapon::actuallyFire", 0.0f);
    fire.subscribe(true);
    scheduler.run();
    scheduler.run();
    EXPECT_EQ(profiler.getFrameCount(), 3u); // one plus the number of passes

    const std::string tree =
        "Root                                    : 100.00                  0.29167                 0.00\n"
        "    Fixed tasks                             : 85.71                   0.25000                 0.00\n"
        "        Graphics                                : 33.33                   0.08333                 0.00\n"
        "        Physics                                 : 66.67                   0.16667                 0.00\n"
        "            Collisions                              : 37.50                   0.06250                 2.00\n"
        "    Variable tasks                          : 14.29                   0.04167                 0.00\n"
        "        Weapon::actuallyFire                    : 100.00                  0.04167                 0.00\n";
    const std::string expected = std::string(systemInfo) + "\nNo scenario\n\n" + tree + "\n\n\n";

    // Reports are appended, one after the other.
    const std::string path = folder.file("Profile.log");
    profiler.writeReport(path);
    EXPECT_EQ(Tolvarine::Test::readFile(path), expected);
    profiler.writeReport(path);
    EXPECT_EQ(Tolvarine::Test::readFile(path), expected + expected);
}

TEST_F(ProfilerTest, ScenarioLineFollowsTheSystemInformation)
{
    profiler.setScenarioLineSource([] { return std::string("Skirmish\n"); });
    EXPECT_EQ(report().substr(0, std::string(systemInfo).size() + 12), std::string(systemInfo) + "\nSkirmish\n\n\n");
    profiler.setScenarioLineSource([] { return std::string(); });
    EXPECT_NE(report().find("\nNo scenario\n\nRoot "), std::string::npos);
}

TEST_F(ProfilerTest, ResetClearsCountersButKeepsBlocksAndARootInsideABlockIsNoFrame)
{
    profiler.beginProfile("Root");
    profiler.beginProfile("Fixed tasks");
    ManualTicks::advance(0.5);
    profiler.beginProfile("Root");
    profiler.endProfile();
    profiler.endProfile();
    profiler.endProfile();
    EXPECT_EQ(profiler.getFrameCount(), 2u);
    profiler.reset();
    EXPECT_EQ(profiler.getFrameCount(), 1u);
    EXPECT_NE(report().find(
                  "\nRoot                                    : 0.00                    0.00000                 0.00\n"
                  "    Fixed tasks                             : 0.00                    0.00000                 0.00\n"
                  "        Root                                    : 0.00                    0.00000                 0.00\n\n\n\n"),
              std::string::npos)
        << report();
}

TEST_F(ProfilerTest, ShareOfAParentWithoutTimeIsTakenAgainstAMicrosecond)
{
    profiler.beginProfile("Outer"); // stays open, so its total is still 0
    profiler.beginProfile("Inner");
    ManualTicks::advance(1.0 / ManualTicks::ticksPerSecond);
    profiler.endProfile();
    const std::string text = report();
    EXPECT_NE(text.find("\n    Outer                                   : 0.00                    0.00000                 1.00\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n        Inner                                   : 95.37                   0.00000                 1.00\n"),
              std::string::npos);
    profiler.endProfile();
}

TEST_F(ProfilerTest, UnwritableReportIsLoggedNotThrown)
{
    Tolvarine::Test::LogCapture log;
    const std::string path = folder.file("missing/Profile.log");
    EXPECT_NO_THROW(profiler.writeReport(path));
    EXPECT_TRUE(log.contains("Profiler: could not write " + path));
}

} // namespace
} // namespace Tolvarine

#include "Profiler.h"

#include "ConfigFiles.h"
#include "FixedTask.h"
#include "FunctionTask.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "Scheduler.h"

#include <gtest/gtest.h>

#include <sstream>

namespace Tolvarine {
namespace {

using Test::ManualTicks;

const std::string SYSTEM_INFO = "Vendor: GenuineIntel\nModel: 14\nFamily: 6\nStepping: 3\n"
                                "Frequency: 2400 MHz\t(avg. dev 4)\n\n\nRendering Device: n/a\n"
                                "Video Mode: 1280 x 1024\nAnti aliasing: n/a\n\n";

class ProfilerTest : public ::testing::Test {
protected:
    ProfilerTest() { profiler.setSystemInfoSource([] { return SYSTEM_INFO; }); }
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

TEST_F(ProfilerTest, ReportsOfSchedulerPassesAreAppendedToTheFile)
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
    FunctionTask fire([](float) { ManualTicks::advance(0.0625); return true; }, "Weapon::actuallyFire", 0.0f);
    fire.subscribe(true);
    scheduler.run();
    scheduler.run();
    EXPECT_EQ(profiler.getFrameCount(), 3u); // one plus the number of passes
    const std::string expected =
        SYSTEM_INFO + "\nNo scenario\n\n"
        "Root                                    : 100.00                  0.29167                 0.00\n"
        "    Fixed tasks                             : 85.71                   0.25000                 0.00\n"
        "        Graphics                                : 33.33                   0.08333                 0.00\n"
        "        Physics                                 : 66.67                   0.16667                 0.00\n"
        "            Collisions                              : 37.50                   0.06250                 2.00\n"
        "    Variable tasks                          : 14.29                   0.04167                 0.00\n"
        "        Weapon::actuallyFire                    : 100.00                  0.04167                 0.00\n\n\n\n";
    const std::string path = folder.file("Profile.log");
    profiler.writeReport(path);
    profiler.writeReport(path);
    EXPECT_EQ(Tolvarine::Test::readFile(path), expected + expected);
    Tolvarine::Test::LogCapture log;
    EXPECT_NO_THROW(profiler.writeReport(folder.file("missing/Profile.log")));
    EXPECT_TRUE(log.contains("Profiler: could not write " + folder.file("missing/Profile.log")));
}

TEST_F(ProfilerTest, ResetNestedRootsScenarioLinesAndParentsWithoutTime)
{
    profiler.setScenarioLineSource([] { return std::string("Skirmish\n"); });
    profiler.beginProfile("Root");
    profiler.beginProfile("Fixed tasks");
    ManualTicks::advance(0.5);
    profiler.beginProfile("Root"); // a root inside a block is no frame
    profiler.endProfile();
    profiler.endProfile();
    profiler.endProfile();
    EXPECT_EQ(profiler.getFrameCount(), 2u);
    profiler.reset();
    EXPECT_EQ(profiler.getFrameCount(), 1u);
    EXPECT_EQ(report(), SYSTEM_INFO + "\nSkirmish\n\n\n"
              "Root                                    : 0.00                    0.00000                 0.00\n"
              "    Fixed tasks                             : 0.00                    0.00000                 0.00\n"
              "        Root                                    : 0.00                    0.00000                 0.00\n\n\n\n")
        << "reset clears the counters but keeps the blocks";

    // The share of a parent without time yet is taken against a microsecond.
    profiler.setScenarioLineSource([] { return std::string(); });
    profiler.beginProfile("Outer");
    profiler.beginProfile("Inner");
    ManualTicks::advance(1.0 / ManualTicks::ticksPerSecond);
    profiler.endProfile();
    const std::string text = report();
    EXPECT_NE(text.find("\nNo scenario\n\nRoot "), std::string::npos);
    EXPECT_NE(text.find("\n        Inner                                   : 95.37                   0.00000                 1.00\n"),
              std::string::npos) << text;
    profiler.endProfile();
}

} // namespace
} // namespace Tolvarine

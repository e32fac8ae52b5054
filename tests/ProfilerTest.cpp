#include "ConfigFiles.h"
#include "FixedTask.h"
#include "FunctionTask.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "PlatformInfo.h"
#include "Profiler.h"
#include "Scheduler.h"

#include <OgreRoot.h>
#include <gtest/gtest.h>


namespace Tolvarine {
namespace {

using Test::ManualTicks;

const std::string SYSTEM_INFO = "Vendor: GenuineIntel\nModel: 14\nFamily: 6\nStepping: 3\n"
                                "Frequency: 2400 MHz\t(avg. dev 4)\n\n\nRendering Device: n/a\n"
                                "Video Mode: 1280 x 1024\nAnti aliasing: n/a\n\n";

class ProfilerTest : public ::testing::Test {
protected:
    ProfilerTest() { profiler.setSystemInfoSource([] { return SYSTEM_INFO; }); }

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

TEST(PlatformInfo, TheProcessorItsFamilyAndItsFrequencyLine)
{
    // The extended family only counts on top of base family 15.
    const std::pair<unsigned, unsigned> rows[] = {{0x000006e3, 6}, {0x00000f41, 15}, {0x00100f41, 16}, {0x00800f82, 23}, {0x00300611, 6}};
    for (const auto& [signature, family] : rows)
        EXPECT_EQ(PlatformInfo::familyOfSignature(signature), family) << std::hex << signature;
    EXPECT_EQ(PlatformInfo::frequencyLine(true, 2394567890.0, 12.6), "Frequency: 2395 MHz\t(avg. dev 13)\n");
    EXPECT_EQ(PlatformInfo::frequencyLine(false, 2394567890.0, 12.6), "Frequency: unknown\n");
    EXPECT_TRUE(PlatformInfo::getWindowsVersion()); // never mask interrupts
}

TEST(PlatformInfo, NoRenderOptionsWithoutARenderSystem)
{
    EXPECT_TRUE(PlatformInfo::readRenderOptions().empty()); // no rendering engine at all
    Ogre::Root root("", "", "");
    EXPECT_TRUE(PlatformInfo::readRenderOptions().empty()); // no render system
}

} // namespace
} // namespace Tolvarine

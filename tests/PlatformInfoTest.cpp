#include "PlatformInfo.h"

#include <OgreConfigOptionMap.h>
#include <OgreRenderSystem.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace Tolvarine {
namespace {

PlatformInfo::CpuRecord sampleCpu()
{
    PlatformInfo::CpuRecord cpu;
    std::memcpy(cpu.vendor, "GenuineIntel", 12);
    cpu.family = 6;
    cpu.model = 14;
    cpu.stepping = 3;
    return cpu;
}

TEST(PlatformInfo, TheProcessorItsFamilyAndItsFrequencyLine)
{
    // The extended family only counts on top of base family 15.
    const std::pair<unsigned, unsigned> rows[] = {{0x000006e3, 6}, {0x00000f41, 15}, {0x00100f41, 16},
                                                  {0x00800f82, 23}, {0x00300611, 6}};
    for (const auto& [signature, family] : rows)
        EXPECT_EQ(PlatformInfo::familyOfSignature(signature), family) << std::hex << signature;
    EXPECT_EQ(PlatformInfo::frequencyLine(true, 2394567890.0, 12.6), "Frequency: 2395 MHz\t(avg. dev 13)\n");
    EXPECT_EQ(PlatformInfo::frequencyLine(false, 2394567890.0, 12.6), "Frequency: unknown\n");
    EXPECT_TRUE(PlatformInfo::getWindowsVersion()); // never mask interrupts
#if defined(__x86_64__) || defined(__i386__)
    PlatformInfo::CpuRecord cpu;
    PlatformInfo::identifyCpu(&cpu);
    ASSERT_EQ(std::strlen(cpu.vendor), 12u);
    EXPECT_LT(cpu.model, 16u);
    EXPECT_LT(cpu.stepping, 16u);
    EXPECT_GT(cpu.family, 0u);
#endif
}

TEST(PlatformInfo, SystemInfoIsComposedOnceWithMissingOptionsShownAsNotAvailable)
{
    EXPECT_EQ(PlatformInfo::composeSystemInfo(sampleCpu(), "Frequency: unknown\n", {{"Video Mode", "1280 x 1024"}, {"FSAA", "0"}}),
              "Vendor: GenuineIntel\nModel: 14\nFamily: 6\nStepping: 3\nFrequency: unknown\n\n\n"
              "Rendering Device: n/a\nVideo Mode: 1280 x 1024\nAnti aliasing: n/a\n\n");
    // A processor that could not identify itself, and every option present.
    const std::string unknown = PlatformInfo::composeSystemInfo(
        PlatformInfo::CpuRecord(), "", {{"Rendering Device", "Mesa"}, {"Video Mode", "800 x 600"}, {"Anti aliasing", "4"}});
    EXPECT_EQ(unknown, "Vendor: unknown\nModel: 0\nFamily: 0\nStepping: 0\n\n\n"
                       "Rendering Device: Mesa\nVideo Mode: 800 x 600\nAnti aliasing: 4\n\n");

    // Frozen at its first use: later options, frequencies and processors change nothing.
    PlatformInfo::RenderOptions options{{"Video Mode", "800 x 600"}};
    int cpuQueries = 0;
    PlatformInfo info([&cpuQueries](PlatformInfo::CpuRecord* cpu) {
        *cpu = sampleCpu();
        ++cpuQueries;
    },
                      [&options] { return options; });
    info.setFrequencyText("Frequency: 2000 MHz\t(avg. dev 1)\n");
    const std::string first = info.writeSystemInfo();
    EXPECT_NE(first.find("Frequency: 2000 MHz\t(avg. dev 1)\n\n\nRendering Device: n/a\nVideo Mode: 800 x 600\n"),
              std::string::npos) << first;
    options["Video Mode"] = "1920 x 1080";
    info.setFrequencyText("Frequency: unknown\n");
    EXPECT_EQ(info.writeSystemInfo(), first);
    EXPECT_EQ(cpuQueries, 1);
}

TEST(PlatformInfo, RenderOptionsAreReadWithoutChangingTheRenderSystem)
{
    EXPECT_TRUE(PlatformInfo::readRenderOptions().empty()); // no rendering engine at all
    Ogre::Root root("", "", "");
    EXPECT_TRUE(PlatformInfo::readRenderOptions().empty()); // no render system
    // The GL render system needs an X display to list its options.
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display: run under tools/with-display.sh";
    root.loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
    ASSERT_FALSE(root.getAvailableRenderers().empty());
    Ogre::RenderSystem* renderSystem = root.getAvailableRenderers().front();
    root.setRenderSystem(renderSystem);
    const Ogre::ConfigOptionMap before = renderSystem->getConfigOptions();
    const PlatformInfo::RenderOptions options = PlatformInfo::readRenderOptions();
    for (const auto& [name, value] : options) {
        ASSERT_EQ(before.count(name), 1u) << name;
        EXPECT_EQ(value, before.at(name).currentValue);
    }
    EXPECT_EQ(options.count("Video Mode"), 1u);
    EXPECT_EQ(renderSystem->getConfigOptions().size(), before.size());
}

} // namespace
} // namespace Tolvarine

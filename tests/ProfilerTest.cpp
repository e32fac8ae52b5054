#include "PlatformInfo.h"

#include <OgreRoot.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

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

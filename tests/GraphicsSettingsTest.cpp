#include "GraphicsSettings.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>

namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::readFile;
using Test::TemporaryFolder;
using Test::writeFile;

class GraphicsSettingsTest : public ::testing::Test {
protected:
    std::string path() const { return folder.file("graphics.cfg"); }

    TemporaryFolder folder;
};

TEST_F(GraphicsSettingsTest, MissingFileIsCreatedEmptyAndTheShippedFileHoldsTheDefaults)
{
    {
        LogCapture log;
        const GraphicsSettings settings(path());
        EXPECT_TRUE(log.contains(std::filesystem::path(path()).make_preferred().string() + " does not exist"));
        // Defaults stay out of the file until a setter saves.
        EXPECT_EQ(readFile(path()), "");
        EXPECT_EQ(&GraphicsSettings::getSingleton(), &settings);
    }
    std::filesystem::remove(path());
    std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/graphics.cfg", path());
    const GraphicsSettings settings(path());
    EXPECT_FLOAT_EQ(settings.getLodBias(), GraphicsSettings::defaultLodBias);
    EXPECT_FLOAT_EQ(settings.getParticleSystemDetail(), GraphicsSettings::defaultParticleSystemDetail);
    EXPECT_EQ(settings.getMaxShipLodLevel(), GraphicsSettings::defaultMaxShipLodLevel);
    EXPECT_FLOAT_EQ(settings.getGlowLevel(), GraphicsSettings::defaultGlowLevel);
}

TEST_F(GraphicsSettingsTest, EverySetterSavesAtOnceClampingLevelsAndTheValuesReadBack)
{
    {
        GraphicsSettings settings(path());
        settings.setLodBias(3.0f);
        EXPECT_EQ(readFile(path()), "[Graphics]\nlodBias = 3\n\n");
        settings.setParticleSystemDetail(-0.2f);
        settings.setMaxShipLodLevel(2);
        // Levels are clamped to the unit range; the bias is not.
        settings.setGlowLevel(1.5f);
        EXPECT_EQ(readFile(path()), "[Graphics]\nglowLevel = 1\nlodBias = 3\nmaxShipLodLevel = 2\n"
                                    "particleSystemDetail = 0\n\n");
        settings.setLodBias(-4.0f);
        settings.setParticleSystemDetail(0.75f);
        // NaN is no level: the previous value stays.
        settings.setGlowLevel(0.3f);
        settings.setGlowLevel(std::numeric_limits<float>::quiet_NaN());
    }
    const GraphicsSettings reopened(path());
    EXPECT_FLOAT_EQ(reopened.getLodBias(), -4.0f);
    EXPECT_FLOAT_EQ(reopened.getParticleSystemDetail(), 0.75f);
    EXPECT_EQ(reopened.getMaxShipLodLevel(), 2);
    EXPECT_FLOAT_EQ(reopened.getGlowLevel(), 0.3f);
}

TEST_F(GraphicsSettingsTest, OnlyAChangeOfTheHighestLevelReachesTheShips)
{
    GraphicsSettings settings(path());
    settings.setMaxShipLodLevel(1); // no ships registered yet: nothing to call
    int applied = 0;
    unsigned short levelSeen = 99;
    settings.setShipLodCallback([&] {
        ++applied;
        levelSeen = GraphicsSettings::getSingleton().getMaxShipLodLevel();
    });
    settings.setLodBias(3.0f);
    settings.setGlowLevel(0.5f);
    settings.setParticleSystemDetail(0.5f);
    EXPECT_EQ(applied, 0);
    settings.setMaxShipLodLevel(4);
    EXPECT_EQ(applied, 1);
    // The ships read the new level, already saved.
    EXPECT_EQ(levelSeen, 4);
    EXPECT_NE(readFile(path()).find("maxShipLodLevel = 4\n"), std::string::npos);
}

TEST_F(GraphicsSettingsTest, HandEditedLevelsOutOfRangeAreBroughtIntoRangeWithALogLine)
{
    writeFile(path(), "[Graphics]\nglowLevel = 5\nparticleSystemDetail = -1\n");
    LogCapture log;
    const GraphicsSettings settings(path());
    EXPECT_FLOAT_EQ(settings.getGlowLevel(), 1.0f);
    EXPECT_FLOAT_EQ(settings.getParticleSystemDetail(), 0.0f);
    EXPECT_TRUE(log.contains("GraphicsSettings: glowLevel 5 is outside 0 to 1, using 1"));
    EXPECT_TRUE(log.contains("GraphicsSettings: particleSystemDetail -1 is outside 0 to 1, using 0"));
    // The file keeps what the player wrote until a setter saves.
    EXPECT_EQ(readFile(path()), "[Graphics]\nglowLevel = 5\nparticleSystemDetail = -1\n");
}

TEST_F(GraphicsSettingsTest, ValuesThatDoNotConvertFailConstructionAndLeaveNoSingleton)
{
    for (const std::string text : {"[Graphics]\nlodBias = fast\n", "[Graphics]\nmaxShipLodLevel = -1\n",
                                   "[Graphics]\nmaxShipLodLevel = 70000\n", "[Graphics]\nglowLevel = 0.5.5\n"}) {
        SCOPED_TRACE(text);
        writeFile(path(), text);
        LogCapture log;
        EXPECT_THROW(GraphicsSettings settings(path()), boost::bad_lexical_cast);
        EXPECT_FALSE(log.lines().empty());
        EXPECT_EQ(GraphicsSettings::getSingletonPtr(), nullptr);
    }
}

} // namespace
} // namespace Tolvarine

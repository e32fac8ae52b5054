#include "GameplaySettings.h"

#include "Config.h"
#include "ConfigFiles.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Tolvarine::Test::LogCapture;
using Tolvarine::Test::readFile;
using Tolvarine::Test::writeFile;

class GameplaySettingsTest : public ::testing::Test {
protected:
    std::string path() const { return folder.file("gameplay.cfg"); }
    void writeRoll(const std::string& value) const
    {
        writeFile(path(), "[Physics]\nexplosionRollProportion = " + value + "\n");
    }
    std::string rollOnDisk() const { return Config(path()).getValue("Physics", "explosionRollProportion"); }

    Tolvarine::Test::TemporaryFolder folder;
};

TEST_F(GameplaySettingsTest, DefaultWhenTheFileIsMissing)
{
    LogCapture log;
    {
        GameplaySettings settings(path());
        EXPECT_EQ(GameplaySettings::getSingletonPtr(), &settings);
        EXPECT_TRUE(std::filesystem::exists(path()));
        EXPECT_FLOAT_EQ(settings.getExplosionRollProportion(), 1.0f);
    }
    EXPECT_EQ(GameplaySettings::getSingletonPtr(), nullptr);
    EXPECT_EQ(log.lines(), (Lines{path() + " does not exist"}));
}

TEST_F(GameplaySettingsTest, FileValuesOutsideZeroToOneAreClampedWithALogLine)
{
    const std::pair<const char*, float> rows[] = {{"0.25", 0.25f}, {"3", 1.0f}, {"-1", 0.0f}, {"nan", 0.0f}};
    LogCapture log;
    for (const auto& [text, want] : rows) {
        SCOPED_TRACE(text);
        writeRoll(text);
        EXPECT_FLOAT_EQ(GameplaySettings(path()).getExplosionRollProportion(), want);
    }
    EXPECT_EQ(log.lines(), (Lines{"GameplaySettings: explosionRollProportion 3 is outside 0 to 1, using 1",
                                  "GameplaySettings: explosionRollProportion -1 is outside 0 to 1, using 0",
                                  "GameplaySettings: explosionRollProportion nan is outside 0 to 1, using 0"}));
    EXPECT_EQ(rollOnDisk(), "nan") << "reading never rewrites the file";
}

TEST_F(GameplaySettingsTest, EveryChangeIsClampedAndSavedAtOnce)
{
    GameplaySettings settings(path());
    const std::pair<float, const char*> rows[] = {
        {1.5f, "1"}, {-0.2f, "0"}, {0.35f, "0.35"}, {std::numeric_limits<float>::quiet_NaN(), "0"}};
    for (const auto& [value, saved] : rows) {
        SCOPED_TRACE(value);
        settings.setExplosionRollProportion(value);
        EXPECT_EQ(rollOnDisk(), saved);
        EXPECT_FLOAT_EQ(GameplaySettings(path()).getExplosionRollProportion(), std::stof(saved));
    }
}

TEST_F(GameplaySettingsTest, ShippedSettingsHoldTheDefault)
{
    const float fromNothing = GameplaySettings(path()).getExplosionRollProportion();

    const std::string copy = folder.file("shipped.cfg");
    writeFile(copy, readFile(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/gameplay.cfg"));
    EXPECT_EQ(Config(copy).getKeys("Physics"), (Lines{"explosionRollProportion"}));
    EXPECT_EQ(GameplaySettings(copy).getExplosionRollProportion(), fromNothing);
}

} // namespace
} // namespace Tolvarine

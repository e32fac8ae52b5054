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
    writeRoll("0.25");
    LogCapture log;
    EXPECT_FLOAT_EQ(GameplaySettings(path()).getExplosionRollProportion(), 0.25f);
    EXPECT_TRUE(log.lines().empty());

    writeRoll("3");
    EXPECT_FLOAT_EQ(GameplaySettings(path()).getExplosionRollProportion(), 1.0f);
    writeRoll("-1");
    EXPECT_FLOAT_EQ(GameplaySettings(path()).getExplosionRollProportion(), 0.0f);
    writeRoll("nan");
    EXPECT_FLOAT_EQ(GameplaySettings(path()).getExplosionRollProportion(), 0.0f);
    EXPECT_EQ(log.lines(), (Lines{"GameplaySettings: explosionRollProportion 3 is outside 0 to 1, using 1",
                                  "GameplaySettings: explosionRollProportion -1 is outside 0 to 1, using 0",
                                  "GameplaySettings: explosionRollProportion nan is outside 0 to 1, using 0"}));
    EXPECT_EQ(rollOnDisk(), "nan") << "reading never rewrites the file";
}

TEST_F(GameplaySettingsTest, EveryChangeIsClampedAndSavedAtOnce)
{
    GameplaySettings settings(path());

    settings.setExplosionRollProportion(1.5f);
    EXPECT_FLOAT_EQ(settings.getExplosionRollProportion(), 1.0f);
    EXPECT_EQ(rollOnDisk(), "1");

    settings.setExplosionRollProportion(-0.2f);
    EXPECT_FLOAT_EQ(settings.getExplosionRollProportion(), 0.0f);
    EXPECT_EQ(rollOnDisk(), "0");

    settings.setExplosionRollProportion(0.35f);
    EXPECT_FLOAT_EQ(settings.getExplosionRollProportion(), 0.35f);
    EXPECT_EQ(rollOnDisk(), "0.35");

    settings.setExplosionRollProportion(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(settings.getExplosionRollProportion(), 0.0f);
    EXPECT_EQ(rollOnDisk(), "0");

    settings.setExplosionRollProportion(0.6f);
    EXPECT_FLOAT_EQ(GameplaySettings(path()).getExplosionRollProportion(), 0.6f);
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

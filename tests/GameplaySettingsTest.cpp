#include "GameplaySettings.h"

#include "Config.h"
#include "ConfigFiles.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <limits>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;

TEST(GameplaySettings, TheRollProportionIsClampedWhenReadAndSavedAtOnceWhenChanged)
{
    Tolvarine::Test::TemporaryFolder folder;
    const std::string path = folder.file("gameplay.cfg");
    const auto onDisk = [&path] { return Config(path).getValue("Physics", "explosionRollProportion"); };
    Tolvarine::Test::LogCapture log;
    {
        GameplaySettings settings(path);
        // The changes are clamped to 0 to 1 without a word.
        for (const auto& [value, saved] : {std::pair{1.5f, "1"}, {-0.2f, "0"}, {0.35f, "0.35"}, {std::numeric_limits<float>::quiet_NaN(), "0"}}) {
            settings.setExplosionRollProportion(value);
            EXPECT_EQ(onDisk(), saved) << value;
        }
    }
    // The file's values are clamped with a line each, and reading never rewrites the file.
    for (const auto& [text, want] : {std::pair{"0.25", 0.25f}, {"3", 1.0f}, {"-1", 0.0f}, {"nan", 0.0f}}) {
        Tolvarine::Test::writeFile(path, std::string("[Physics]\nexplosionRollProportion = ") + text + "\n");
        EXPECT_FLOAT_EQ(GameplaySettings(path).getExplosionRollProportion(), want) << text;
        EXPECT_EQ(onDisk(), text);
    }
    EXPECT_EQ(log.lines(), (Lines{path + " does not exist", "GameplaySettings: explosionRollProportion 3 is outside 0 to 1, using 1",
                                  "GameplaySettings: explosionRollProportion -1 is outside 0 to 1, using 0",
                                  "nan failed lexical cast (not a finite number)",
                                  "Config: in " + path + ", section Physics, key explosionRollProportion",
                                  "GameplaySettings: explosionRollProportion nan is outside 0 to 1, using 0"}));
}

} // namespace
} // namespace Tolvarine

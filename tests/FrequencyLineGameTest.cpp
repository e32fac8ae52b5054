// The processor-frequency lines of the start-up: measured beside the start-up, they are still
// logged whole, once, between the GUI's start and the sound definitions, as they always were.
#include "GameProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

TEST(FrequencyLineGame, TheFrequencyLinesKeepTheirPlaceInTheStartUpLog)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    const std::vector<std::string> lines = game.logLines();
    const auto measuring = std::find(lines.begin(), lines.end(), "Measuring CPU frequency...");
    ASSERT_NE(measuring, lines.end());
    ASSERT_GT(measuring - lines.begin(), 0);
    ASSERT_GT(lines.end() - measuring, 3);
    EXPECT_EQ(measuring[-1].rfind("GUI started with scheme ", 0), 0u) << measuring[-1];
    // "Frequency: 2400 MHz\t(avg. dev 4)" or "Frequency: unknown", then the blank line its text ends with.
    const std::string& frequency = measuring[1];
    EXPECT_EQ(frequency.rfind("Frequency: ", 0), 0u) << frequency;
    EXPECT_TRUE(frequency == "Frequency: unknown" || frequency.find(" MHz\t(avg. dev ") != std::string::npos)
        << frequency;
    EXPECT_EQ(measuring[2], "");
    EXPECT_EQ(measuring[3], "SoundManager parsing .sound files");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("Frequency: ", 0) == 0; }),
              1);
}

} // namespace
} // namespace Tolvarine::Test

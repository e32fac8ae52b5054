#include "ComboTweak.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Tolvarine {
namespace {

// The number at the end of a tweak's window name.
unsigned windowNumber(const ScenarioTweak& tweak)
{
    const std::string& name = tweak.getWindowName();
    EXPECT_EQ(name.rfind("Tweak", 0), 0u) << name;
    return static_cast<unsigned>(std::stoul(name.substr(5)));
}

TEST(ComboTweakTest, TweaksMadeOneAfterTheOtherGetConsecutiveWindowNames)
{
    const ComboTweak first("Enemy fleet");
    const ComboTweak second("Area");
    EXPECT_EQ(windowNumber(second), windowNumber(first) + 1);
    EXPECT_EQ(first.getLabelName(), first.getWindowName() + "/Label");
    EXPECT_EQ(second.getComboName(), second.getWindowName() + "/Combo");
    EXPECT_EQ(first.getLabelText(), "Enemy fleet");
}

TEST(ComboTweakTest, TheFirstValueIsCurrentAndAnyTextMayBeMadeCurrent)
{
    ComboTweak tweak("Difficulty");
    EXPECT_EQ(tweak.getCurrentValue(), "");
    tweak.addValue("Easy");
    EXPECT_EQ(tweak.getCurrentValue(), "Easy");
    tweak.addValue("Hard");
    tweak.addValue("Easy");
    EXPECT_EQ(tweak.getCurrentValue(), "Easy");
    EXPECT_EQ(tweak.getValues(), (std::vector<std::string>{"Easy", "Hard", "Easy"}));

    tweak.setCurrentValue("Hard");
    EXPECT_EQ(tweak.getCurrentValue(), "Hard");
    tweak.setCurrentValue("Impossible");
    EXPECT_EQ(tweak.getCurrentValue(), "Impossible");
    EXPECT_EQ(tweak.getValues().size(), 3u);
}

} // namespace
} // namespace Tolvarine

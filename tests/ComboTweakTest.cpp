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

TEST(ComboTweakTest, TweaksGetConsecutiveWindowNamesAndTheFirstValueIsCurrentUntilAnotherIsChosen)
{
    ComboTweak first("Enemy fleet");
    const ComboTweak second("Area");
    EXPECT_EQ(windowNumber(second), windowNumber(first) + 1);
    EXPECT_EQ(second.getComboName(), second.getWindowName() + "/Combo");
    EXPECT_EQ(first.getCurrentValue(), "");
    first.addValue("Easy");
    first.addValue("Hard");
    first.addValue("Easy");
    EXPECT_EQ(first.getCurrentValue(), "Easy");
    EXPECT_EQ(first.getValues(), (std::vector<std::string>{"Easy", "Hard", "Easy"}));
    // Any text may be made current, without becoming a value.
    first.setCurrentValue("Impossible");
    EXPECT_EQ(first.getCurrentValue(), "Impossible");
    EXPECT_EQ(first.getValues().size(), 3u);
}

} // namespace
} // namespace Tolvarine

#include "Config.h"

#include <gtest/gtest.h>

#include <string>

namespace Tolvarine::Test {

// The menus' two settings files: the combo tweak's sizes, help switched on, the opening text, and
// one help text, short enough for the pane's five lines, for every widget that shows help.
TEST(MenuDataLint, MenuSettingsAndEveryHelpTextAreThere)
{
    const std::string source(TOLVARINE_SOURCE_DIR);
    const Config menus(source + "/cfg/menu_system.cfg");
    const Config help(source + "/cfg/demo_help.cfg");
    EXPECT_GE(menus.get<float>("ComboTweak", "heightLines"), 2.0f);
    EXPECT_GT(menus.get<float>("ComboTweak", "extraWidth"), 0.0f);
    EXPECT_TRUE(help.get<bool>("General", "enabled"));
    const char* const widgets[] = {
        "reset", "Play/SurvivalMode", "Play/SkirmishMode", "Play/EnvironmentLabel", "Play/TrifighterThumbnail",
        "Play/ThunderboltThumbnail", "Play/StarfireThumbnail", "Play/Difficulty", "AdvancedControl/Sensitivity",
        "AdvancedControl/Momentum", "AdvancedControl/JoystickDeadZone", "AdvancedControl/JoystickLogFactor",
        "Gameplay/Roll", "Graphics/Dust", "Graphics/Ps", "Graphics/Lod", "Graphics/Glow", "Graphics/MaxLodLabel"};
    for (const char* widget : widgets) {
        const std::string text = help.get<std::string>("Help", widget, std::string());
        EXPECT_TRUE(text.size() >= 10 && text.size() <= 350) << widget;
    }
    EXPECT_EQ(help.getKeys("Help").size(), std::size(widgets)) << "no text for a widget that does not exist";
}

} // namespace Tolvarine::Test

#include "Config.h"

#include <gtest/gtest.h>

#include <string>

namespace Tolvarine::Test {
namespace {

// The menus' two settings files: the combo tweak's sizes, help switched on, the opening text, and
// a help text for every widget of the play and settings sheets that shows help.
TEST(MenuDataLint, MenuSettingsAndEveryHelpTextAreThere)
{
    const std::string source(TOLVARINE_SOURCE_DIR);
    const Config menus(source + "/cfg/menu_system.cfg");
    const Config help(source + "/cfg/demo_help.cfg");
    EXPECT_GE(menus.get<float>("ComboTweak", "heightLines"), 2.0f);
    EXPECT_GT(menus.get<float>("ComboTweak", "extraWidth"), 0.0f);
    EXPECT_TRUE(help.get<bool>("General", "enabled"));
    const char* const widgets[] = {
        "reset",
        "Play/SurvivalMode",
        "Play/SkirmishMode",
        "Play/EnvironmentLabel",
        "Play/TrifighterThumbnail",
        "Play/ThunderboltThumbnail",
        "Play/StarfireThumbnail",
        "Play/Difficulty",
        "AdvancedControl/Sensitivity",
        "AdvancedControl/Momentum",
        "AdvancedControl/JoystickDeadZone",
        "AdvancedControl/JoystickLogFactor",
        "Gameplay/Roll",
        "Graphics/Dust",
        "Graphics/Ps",
        "Graphics/Lod",
        "Graphics/Glow",
        "Graphics/MaxLodLabel",
    };
    for (const char* widget : widgets) {
        SCOPED_TRACE(widget);
        // Five lines of the pane hold about 350 characters.
        const std::string text = help.get<std::string>("Help", widget, std::string());
        EXPECT_GE(text.size(), 10u);
        EXPECT_LE(text.size(), 350u);
    }
    EXPECT_EQ(help.getKeys("Help").size(), std::size(widgets)) << "no text for a widget that does not exist";
}

} // namespace
} // namespace Tolvarine::Test

#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "GuiWorld.h"
#include "MenuSystem.h"
#include "WidgetFactory.h"

#include <CEGUI/widgets/Slider.h>
#include <CEGUI/widgets/ToggleButton.h>

#include <filesystem>
#include <memory>

namespace Tolvarine::Test {
namespace {

class SettingsSheetTest : public GuiWorld {
protected:
    void SetUp() override
    {
        const std::filesystem::path source(TOLVARINE_SOURCE_DIR);
        for (const char* file : {"demo_help.cfg", "graphics.cfg", "gameplay.cfg", "active.keymap"})
            std::filesystem::copy_file(source / "cfg" / file, folder.file(std::string("cfg/") + file),
                                       std::filesystem::copy_options::overwrite_existing);
        input.loadKeymap("cfg/active.keymap");
        graphicsSettings = std::make_unique<GraphicsSettings>();
        gameplaySettings = std::make_unique<GameplaySettings>();
        start();
        menus = MenuSystem::getSingletonPtr();
        ASSERT_NE(menus, nullptr);
        interface->setMode(Interface::MENU, false);
    }

    static void setSlider(const char* name, float value)
    {
        static_cast<CEGUI::Slider*>(WidgetFactory::findWindow(name))->setCurrentValue(value);
    }

    std::unique_ptr<GraphicsSettings> graphicsSettings;
    std::unique_ptr<GameplaySettings> gameplaySettings;
    MenuSystem* menus = nullptr;
};

// Each Back writes the sliders through; unsigned settings take the whole part, and the key map is
// written again on every Back.
TEST_F(SettingsSheetTest, AdvancedControlBackAppliesTruncatedValuesAndRewritesTheKeyMap)
{
    const struct {
        const char* name;
        float sensitivity, momentum, deadZone;
        unsigned savedSensitivity, savedDeadZone;
    } rows[] = {
        {"37.9 is 37", 37.9f, 0.05f, 10.0f, 37, 10},
        {"unchanged sheet still saves", 37.0f, 0.05f, 10.0f, 37, 10},
        {"momentum 0 and a fractional dead zone", 99.99f, 0.0f, 24.6f, 99, 24},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove("cfg/active.keymap");
        menus->openAdvancedControlSheet(CEGUI::EventArgs());
        setSlider("AdvancedControl/Sensitivity", row.sensitivity);
        setSlider("AdvancedControl/Momentum", row.momentum);
        setSlider("AdvancedControl/JoystickDeadZone", row.deadZone);
        menus->closeAdvancedControlSheet(CEGUI::EventArgs());
        EXPECT_EQ(input.getMouseSensitivity(), row.savedSensitivity);
        const Config saved("cfg/active.keymap");
        EXPECT_EQ(saved.get<unsigned>("General", "mouse_sensitivity"), row.savedSensitivity);
        EXPECT_EQ(saved.get<unsigned>("General", "joystick_dead_zone"), row.savedDeadZone);
        EXPECT_FALSE(menus->getAdvancedControlSheet()->isVisible());
    }
}

// The combo shows 3 - level; reopening shows what the sheet last held, not the file.
TEST_F(SettingsSheetTest, GraphicsMaxDetailIsShownInvertedAndTheSheetKeepsItsValues)
{
    GraphicsSettings& graphics = *graphicsSettings;
    graphics.setMaxShipLodLevel(1);
    menus->openGraphicsSheet(CEGUI::EventArgs());
    CEGUI::Window* combo = WidgetFactory::findWindow("Graphics/MaxLod");
    EXPECT_EQ(std::string(combo->getText().c_str()), "2");
    const struct {
        const char* shown;
        unsigned short level;
    } rows[] = {{"3", 0}, {"0", 3}, {"7", 2}, {"x", 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shown);
        combo->setText(row.shown);
        menus->closeGraphicsSheet(CEGUI::EventArgs());
        EXPECT_EQ(graphics.getMaxShipLodLevel(), row.level);
        EXPECT_EQ(Config("cfg/graphics.cfg").get<unsigned short>("Graphics", "maxShipLodLevel"), row.level);
        graphics.setMaxShipLodLevel(2);
        menus->openGraphicsSheet(CEGUI::EventArgs());
        EXPECT_EQ(std::string(combo->getText().c_str()), row.shown) << "stale on reopen";
    }
}

// Any Help box flips help for all sheets, once, and the choice is saved as 1 or 0.
TEST_F(SettingsSheetTest, HelpToggleKeepsTheBoxesTogetherAndSavesTheChoice)
{
    const struct {
        const char* box;
        bool enabled;
        const char* saved;
    } rows[] = {{"Graphics/Help", false, "0"}, {"Gameplay/Help", true, "1"}, {"AdvancedControl/Help", false, "0"}};
    menus->onHelpToggled(CEGUI::EventArgs());
    menus->onHelpToggled(CEGUI::EventArgs());
    ASSERT_TRUE(menus->isHelpEnabled());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.box);
        auto* box = static_cast<CEGUI::ToggleButton*>(WidgetFactory::findWindow(row.box));
        box->setSelected(!box->isSelected());
        EXPECT_EQ(menus->isHelpEnabled(), row.enabled);
        for (const char* other : {"AdvancedControl/Help", "Gameplay/Help", "Graphics/Help"})
            EXPECT_EQ(static_cast<CEGUI::ToggleButton*>(WidgetFactory::findWindow(other))->isSelected(), row.enabled);
        EXPECT_EQ(Config("cfg/demo_help.cfg").get<std::string>("General", "enabled"), row.saved);
        EXPECT_EQ(menus->getHelpPane()->isVisible(), row.enabled);
        EXPECT_FALSE(std::filesystem::exists("cfg/demo_help.cfg.tmp"));
    }
}

} // namespace
} // namespace Tolvarine::Test

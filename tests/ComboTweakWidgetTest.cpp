#include "ComboTweak.h"
#include "GuiWorld.h"
#include "WidgetFactory.h"

#include <CEGUI/Font.h>
#include <CEGUI/widgets/Combobox.h>

#include <filesystem>
#include <optional>

namespace Tolvarine::Test {
namespace {

using ComboTweakWidgetTest = GuiWorld;

// The combo box widens only to a value wider than itself, to that value's extent plus
// "extraWidth", six lines high; the first value stays current until code sets another; the layout
// puts the label left and the combo right on one line; the tweak's windows go with it.
TEST_F(ComboTweakWidgetTest, ValuesWidenTheComboTheLayoutFitsBothAndTheWindowsGoWithTheTweak)
{
    std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/menu_system.cfg",
                               folder.file("cfg/menu_system.cfg"));
    start();
    std::optional<ComboTweak> tweak(std::in_place, "Enemy fleet");
    const std::string name = tweak->getWindowName();
    const ComboTweak next("Area");
    EXPECT_EQ(next.getWindowName(), "Tweak" + std::to_string(std::stoul(name.substr(5)) + 1));
    CEGUI::Combobox& combo = *tweak->getCombo();
    ASSERT_EQ(WidgetFactory::findWindow(tweak->getComboName()), &combo);
    EXPECT_EQ(tweak->getComboName(), name + "/Combo");
    EXPECT_EQ(tweak->getCurrentValue(), "");
    EXPECT_TRUE(combo.isReadOnly());
    const CEGUI::Font& font = *combo.getFont();
    const std::string wide = "A fleet of forty frigates and their carriers";
    const float wideWidth = font.getTextExtent(wide, 1.0f) + 40;
    const struct {
        const char* value;
        float width;
        float height;
    } rows[] = {
        {"2", font.getTextExtent("2", 1.0f) + 40, 6 * font.getLineSpacing(1.0f)},
        {wide.c_str(), wideWidth, 6 * font.getLineSpacing(1.0f)},
        {"Twelve frigates", wideWidth, 6 * font.getLineSpacing(1.0f)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        tweak->addValue(row.value);
        EXPECT_NEAR(combo.getPixelSize().d_width, row.width, 0.5f);
        EXPECT_NEAR(combo.getPixelSize().d_height, row.height, 0.5f);
        EXPECT_EQ(tweak->getCurrentValue(), "2");
    }
    tweak->setCurrentValue("Impossible");
    EXPECT_EQ(combo.getText(), "Impossible");
    EXPECT_EQ(combo.getItemCount(), 3u);

    tweak->layout();
    const CEGUI::Sizef label = tweak->getLabel()->getPixelSize();
    EXPECT_NEAR(label.d_width, font.getTextExtent("Enemy fleet", 1.0f) + 8, 0.5f);
    EXPECT_NEAR(tweak->getWindow()->getPixelSize().d_width, label.d_width + wideWidth, 1.0f);
    EXPECT_NEAR(tweak->getWindow()->getPixelSize().d_height, label.d_height, 0.5f);
    EXPECT_NEAR(combo.getPosition().d_x.d_offset, label.d_width, 1.0f);
    EXPECT_EQ(tweak->getLabel()->getPosition().d_x.d_offset, 0.0f);

    tweak.reset();
    for (const char* part : {"", "/Label", "/Combo"})
        EXPECT_EQ(WidgetFactory::findWindow(name + part), nullptr) << part;
}

} // namespace
} // namespace Tolvarine::Test

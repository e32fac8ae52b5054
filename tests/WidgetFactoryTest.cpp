#include "ComboTweak.h"
#include "FatalError.h"
#include "GuiWorld.h"
#include "LogCapture.h"
#include "WidgetFactory.h"

#include <CEGUI/Font.h>
#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/FrameWindow.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/Slider.h>

#include <filesystem>
#include <optional>

namespace Tolvarine::Test {
namespace {

using WidgetFactoryTest = GuiWorld;

TEST_F(WidgetFactoryTest, NamesArePathsADuplicateIsAClearErrorSlidersKeepTheirValueAndFramesFitTheirClientArea)
{
    start();
    LogCapture log;
    CEGUI::Window* sheet = WidgetFactory::createDefaultWindow("Play", interface->getDesktopWindow());
    CEGUI::Window* start = WidgetFactory::createButton("Play/Start", sheet, "Start");
    EXPECT_EQ(WidgetFactory::findWindow("Play/Start"), start);

    EXPECT_THROW(WidgetFactory::createButton("Play/Start", interface->getDesktopWindow(), "Again"), FatalError);
    EXPECT_TRUE(log.contains("WidgetFactory: a window named \"Play/Start\" already exists"));

    // Destroying the sheet takes its children, and their names, with it.
    WidgetFactory::destroyWindow(sheet);
    EXPECT_EQ(WidgetFactory::findWindow("Play"), nullptr);
    EXPECT_EQ(WidgetFactory::findWindow("Play/Start"), nullptr);
    EXPECT_NE(WidgetFactory::createButton("Play/Start", interface->getDesktopWindow(), "Start"), nullptr);

    // Sliders take their maximum before the value; frames are sized by their client area.
    CEGUI::Slider* slider = WidgetFactory::createSlider("Sound/Master", interface->getDesktopWindow(), 10.0f, 0.5f, 7.0f);
    EXPECT_FLOAT_EQ(slider->getCurrentValue(), 7.0f) << "a value above the old maximum is kept";

    CEGUI::FrameWindow* frame = WidgetFactory::createFrameWindow("Options", interface->getDesktopWindow(), "Options");
    WidgetFactory::setClientSize(*frame, 300, 200);
    const CEGUI::Rectf inner = frame->getUnclippedInnerRect().get();
    // The frame's borders are partly relative to its size: within a pixel.
    EXPECT_NEAR(inner.getWidth(), 300.0f, 1.0f);
    EXPECT_NEAR(inner.getHeight(), 200.0f, 1.0f);
    EXPECT_GT(frame->getPixelSize().d_height, 200.0f + 10.0f) << "grown by the title bar";
}

// Combo boxes, the factory's and a scenario tweak's, widen only for an item wider than themselves,
// to its extent plus "extraWidth", "heightLines" lines high, and show the first item; the tweak
// puts its label left of its combo on one line and takes its windows with it.
TEST_F(WidgetFactoryTest, CombosWidenForALongerItemOnlyShowTheFirstItemAndTweaksLayThemOut)
{
    std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/menu_system.cfg",
                               folder.file("cfg/menu_system.cfg"));
    start();
    CEGUI::Combobox* combo = WidgetFactory::createCombobox("Play/Area", interface->getDesktopWindow());
    EXPECT_FALSE(combo->isClippedByParent());
    EXPECT_EQ(combo->getPixelSize().d_width, 0.0f) << "the first item sizes a new combo box";
    std::optional<ComboTweak> tweak(std::in_place, "Enemy fleet");
    const std::string name = tweak->getWindowName();
    EXPECT_TRUE(tweak->getCombo()->isReadOnly());
    const CEGUI::Font& font = *combo->getFont();
    const auto fitted = [&font](const char* file, const char* section, const std::string& item) {
        const Config settings(file);
        const float lines = settings.get<float>(section, "heightLines");
        return CEGUI::Sizef(font.getTextExtent(item, 1.0f) + settings.get<float>(section, "extraWidth"),
                            font.getLineSpacing(1.0f) * lines);
    };
    const std::string longer = "Cinder Reach, the belt of ice beyond the second moon";
    const std::string longest = longer + " and the outer gate";
    const std::pair<std::string, std::string> rows[] = {
        {"Nebula", "Nebula"}, {longer, longer}, {"Ice", longer}, {longest, longest}};
    for (const auto& [item, widest] : rows) {
        SCOPED_TRACE(item);
        WidgetFactory::addComboItem(*combo, item);
        tweak->addValue(item);
        const std::pair<CEGUI::Combobox*, CEGUI::Sizef> boxes[] = {
            {combo, fitted("cfg/widget_factory.cfg", "Combo", widest)},
            {tweak->getCombo(), fitted("cfg/menu_system.cfg", "ComboTweak", widest)}};
        for (const auto& [box, size] : boxes) {
            EXPECT_NEAR(box->getPixelSize().d_width, size.d_width, 0.5f);
            EXPECT_NEAR(box->getPixelSize().d_height, size.d_height, 0.5f);
            EXPECT_EQ(std::string(box->getText().c_str()), "Nebula");
        }
    }
    tweak->layout();
    const CEGUI::Sizef label = tweak->getLabel()->getPixelSize();
    EXPECT_NEAR(label.d_width, font.getTextExtent("Enemy fleet", 1.0f) + 8, 0.5f);
    const float comboWidth = tweak->getCombo()->getPixelSize().d_width;
    EXPECT_NEAR(tweak->getWindow()->getPixelSize().d_width, label.d_width + comboWidth, 1.0f);
    EXPECT_NEAR(tweak->getWindow()->getPixelSize().d_height, label.d_height, 0.5f);
    EXPECT_NEAR(tweak->getCombo()->getPosition().d_x.d_offset, label.d_width, 1.0f);
    tweak.reset();
    for (const char* part : {"", "/Label", "/Combo"})
        EXPECT_EQ(WidgetFactory::findWindow(name + part), nullptr) << part;
}

} // namespace
} // namespace Tolvarine::Test

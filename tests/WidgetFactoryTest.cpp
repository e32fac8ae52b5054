#include "FatalError.h"
#include "GuiWorld.h"
#include "LogCapture.h"
#include "WidgetFactory.h"

#include <CEGUI/Font.h>
#include <CEGUI/System.h>
#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/FrameWindow.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/Slider.h>

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
    EXPECT_EQ(start->getParent(), sheet);

    EXPECT_THROW(WidgetFactory::createButton("Play/Start", interface->getDesktopWindow(), "Again"), FatalError);
    EXPECT_TRUE(log.contains("WidgetFactory: a window named \"Play/Start\" already exists"));

    // Destroying the sheet takes its children, and their names, with it.
    WidgetFactory::destroyWindow(sheet);
    EXPECT_EQ(WidgetFactory::findWindow("Play"), nullptr);
    EXPECT_EQ(WidgetFactory::findWindow("Play/Start"), nullptr);
    EXPECT_NE(WidgetFactory::createButton("Play/Start", interface->getDesktopWindow(), "Start"), nullptr);

    // Sliders take their maximum before the value; frames are sized by their client area.
    CEGUI::Slider* slider = WidgetFactory::createSlider("Sound/Master", interface->getDesktopWindow(), 10.0f, 0.5f, 7.0f);
    EXPECT_FLOAT_EQ(slider->getMaxValue(), 10.0f);
    EXPECT_FLOAT_EQ(slider->getClickStep(), 0.5f);
    EXPECT_FLOAT_EQ(slider->getCurrentValue(), 7.0f) << "a value above the old maximum is kept";

    CEGUI::FrameWindow* frame = WidgetFactory::createFrameWindow("Options", interface->getDesktopWindow(), "Options");
    EXPECT_EQ(std::string(frame->getText().c_str()), "Options");
    WidgetFactory::setClientSize(*frame, 300, 200);
    const CEGUI::Rectf inner = frame->getUnclippedInnerRect().get();
    // The frame's borders are partly relative to its size: within a pixel.
    EXPECT_NEAR(inner.getWidth(), 300.0f, 1.0f);
    EXPECT_NEAR(inner.getHeight(), 200.0f, 1.0f);
    EXPECT_GT(frame->getPixelSize().d_height, 200.0f + 10.0f) << "grown by the title bar";

    // The font keeps its pixel size when the window grows.
    const CEGUI::Font& font = *frame->getFont();
    const float lineSpacing = font.getLineSpacing(1.0f);
    CEGUI::System::getSingleton().notifyDisplaySizeChanged(CEGUI::Sizef(1600, 1200));
    EXPECT_FLOAT_EQ(font.getLineSpacing(1.0f), lineSpacing);
}

TEST_F(WidgetFactoryTest, ComboBoxesWidenForTheFirstLongerItemOnlyAndShowTheFirstItem)
{
    start();
    CEGUI::Combobox* combo = WidgetFactory::createCombobox("Play/Area", interface->getDesktopWindow());
    EXPECT_FALSE(combo->isClippedByParent());
    const CEGUI::Font& font = *combo->getFont();
    const Config settings("cfg/widget_factory.cfg");
    const float extra = settings.get<float>("Combo", "extraWidth");
    const float height = font.getLineSpacing(1.0f) * settings.get<float>("Combo", "heightLines");
    EXPECT_EQ(combo->getPixelSize().d_width, 0.0f) << "the first item sizes a new combo box";
    const CEGUI::Sizef fitted(font.getTextExtent("Nebula", 1.0f) + extra, height);
    const std::string longer = "Cinder Reach, the belt of ice beyond the second moon";
    const std::string longest = longer + " and the outer gate";
    const CEGUI::Sizef widened(font.getTextExtent(longer, 1.0f) + extra, height);
    const CEGUI::Sizef widest(font.getTextExtent(longest, 1.0f) + extra, height);

    const struct {
        std::string item;
        CEGUI::Sizef size;
    } rows[] = {{"Nebula", fitted}, {longer, widened}, {"Ice", widened}, {longest, widest}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.item);
        WidgetFactory::addComboItem(*combo, row.item);
        EXPECT_NEAR(combo->getPixelSize().d_width, row.size.d_width, 0.5f);
        EXPECT_NEAR(combo->getPixelSize().d_height, row.size.d_height, 0.5f);
        EXPECT_EQ(std::string(combo->getText().c_str()), "Nebula");
    }
    EXPECT_EQ(combo->getItemCount(), 4u);
}

} // namespace
} // namespace Tolvarine::Test

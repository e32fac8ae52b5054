#include "ComboTweak.h"

#include "Config.h"
#include "MenuSystem.h"
#include "WidgetFactory.h"

#include <CEGUI/Font.h>
#include <CEGUI/System.h>
#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/ListboxTextItem.h>

namespace Tolvarine {

namespace {

void setPixelSize(CEGUI::Window& window, const CEGUI::Sizef& size)
{
    window.setSize(CEGUI::USize(CEGUI::UDim(0, size.d_width), CEGUI::UDim(0, size.d_height)));
}

void setPixelPosition(CEGUI::Window& window, float x, float y)
{
    window.setPosition(CEGUI::UVector2(CEGUI::UDim(0, x), CEGUI::UDim(0, y)));
}

} // namespace

ComboTweak::ComboTweak(const std::string& labelTextIn) : labelText(labelTextIn)
{
    if (!CEGUI::System::getSingletonPtr())
        return;
    window = WidgetFactory::createDefaultWindow(getWindowName(), nullptr);
    label = WidgetFactory::createStaticText(getLabelName(), window, labelText);
    combo = WidgetFactory::createCombobox(getComboName(), window);
    combo->setReadOnly(true);
    combo->setClippedByParent(false);
}

// The label and the combo box (with its items) go with their container.
ComboTweak::~ComboTweak()
{
    if (window && CEGUI::System::getSingletonPtr())
        WidgetFactory::destroyWindow(window);
}

void ComboTweak::addValue(const std::string& value)
{
    values.push_back(value);
    if (!combo) {
        if (values.size() == 1)
            currentValue = value;
        return;
    }
    combo->addItem(new CEGUI::ListboxTextItem(value, 0, nullptr, false, true));
    const CEGUI::Font* font = combo->getFont();
    const float extent = font ? font->getTextExtent(value, 1.0f) : 0.0f;
    if (font && extent > combo->getPixelSize().d_width) {
        const Config& settings = MenuSystem::getConfig();
        setPixelSize(*combo, CEGUI::Sizef(extent + settings.get<float>("ComboTweak", "extraWidth"),
                                          settings.get<float>("ComboTweak", "heightLines") *
                                              font->getLineSpacing(1.0f)));
    }
    if (combo->getItemCount() == 1)
        combo->setText(value);
}

void ComboTweak::setCurrentValue(const std::string& value)
{
    if (combo)
        combo->setText(value);
    else
        currentValue = value;
}

std::string ComboTweak::getCurrentValue() const
{
    return combo ? std::string(combo->getText().c_str()) : currentValue;
}

void ComboTweak::layout()
{
    if (!window)
        return;
    WidgetFactory::fitToText(*label);
    const CEGUI::Sizef comboSize = combo->getPixelSize();
    const CEGUI::Sizef labelSize = label->getPixelSize();
    setPixelSize(*window, CEGUI::Sizef(labelSize.d_width + comboSize.d_width, labelSize.d_height));
    // Fitting again once the container has its size, which the label's may be relative to.
    WidgetFactory::fitToText(*label);
    setPixelSize(*combo, comboSize);
    setPixelPosition(*label, 0.0f, 0.0f);
    setPixelPosition(*combo, window->getPixelSize().d_width - comboSize.d_width,
                     label->getPosition().d_y.d_offset);
}

} // namespace Tolvarine

#include "WidgetFactory.h"

#include "CodeNames.h"
#include "Config.h"
#include "FatalError.h"
#include "GameLog.h"

#include <CEGUI/Exceptions.h>
#include <CEGUI/Font.h>
#include <CEGUI/WindowManager.h>
#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/FrameWindow.h>
#include <CEGUI/widgets/ListboxTextItem.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/RadioButton.h>
#include <CEGUI/widgets/Slider.h>
#include <CEGUI/widgets/ToggleButton.h>

#include <map>

namespace Tolvarine::WidgetFactory {

namespace {

// The window types of the scheme that the makers use: checkWindowTypes makes each of them.
const char* const FRAME_WINDOW = "TaharezLook/FrameWindow";
const char* const STATIC_IMAGE = "TaharezLook/StaticImage";
const char* const BUTTON = "TaharezLook/Button";
const char* const CHECKBOX = "TaharezLook/Checkbox";
const char* const RADIO_BUTTON = "TaharezLook/RadioButton";
const char* const COMBOBOX = "TaharezLook/Combobox";
const char* const SLIDER = "TaharezLook/Slider";
const char* const STATIC_TEXT = "TaharezLook/StaticText";
const char* const WINDOW_TYPES[] = {FRAME_WINDOW, STATIC_IMAGE, BUTTON, CHECKBOX,
                                    RADIO_BUTTON, COMBOBOX, SLIDER, STATIC_TEXT};

std::map<std::string, CEGUI::Window*>& registry()
{
    static std::map<std::string, CEGUI::Window*> windows;
    return windows;
}

bool forget(const CEGUI::EventArgs& args)
{
    const auto& window = static_cast<const CEGUI::WindowEventArgs&>(args).window;
    auto& windows = registry();
    const auto found = windows.find(window->getName().c_str());
    if (found != windows.end() && found->second == window)
        windows.erase(found);
    return false;
}

// Creates the window through the library's window manager under a name the register does not hold,
// registers it and attaches it to the parent.
CEGUI::Window* make(const char* type, const std::string& name, CEGUI::Window* parent)
{
    auto& windows = registry();
    if (windows.count(name) != 0) {
        GameLog::line("WidgetFactory: a window named \"" + name +
                      "\" already exists");
        throw FatalError();
    }
    CEGUI::Window* window = CEGUI::WindowManager::getSingleton().createWindow(type, name);
    windows[name] = window;
    window->subscribeEvent(CEGUI::Window::EventDestructionStarted, CEGUI::Event::Subscriber(&forget));
    if (parent)
        parent->addChild(window);
    return window;
}

void setPixelSize(CEGUI::Window& window, float width, float height)
{
    window.setSize(CEGUI::USize(CEGUI::UDim(0, width), CEGUI::UDim(0, height)));
}

void fitWithMargin(CEGUI::Window& window, float margin)
{
    const CEGUI::Font* font = window.getFont();
    if (!font) {
        GameLog::line("WidgetFactory: window \"" + std::string(window.getName().c_str()) +
                      "\" has no font to size it by");
        return;
    }
    setPixelSize(window, font->getTextExtent(window.getText(), 1.0f) + margin, font->getLineSpacing(1.0f));
}

// Button-like windows are sized before their text is set, from the text they will show.
template <class Button>
Button* makeLabelled(const char* type, const std::string& name, CEGUI::Window* parent, const std::string& text)
{
    auto* button = static_cast<Button*>(make(type, name, parent));
    button->setText(text);
    fitButtonToText(*button);
    return button;
}

} // namespace

CEGUI::FrameWindow* createFrameWindow(const std::string& name, CEGUI::Window* parent, const std::string& title)
{
    auto* frame = static_cast<CEGUI::FrameWindow*>(make(FRAME_WINDOW, name, parent));
    frame->setText(title);
    return frame;
}

CEGUI::Window* createDefaultWindow(const std::string& name, CEGUI::Window* parent)
{
    return make("DefaultWindow", name, parent);
}

CEGUI::Window* createStaticImage(const std::string& name, CEGUI::Window* parent, const std::string& imageset,
                                 const std::string& image)
{
    CEGUI::Window* window = make(STATIC_IMAGE, name, parent);
    window->setProperty("Image", imageset + "/" + image);
    return window;
}

CEGUI::PushButton* createButton(const std::string& name, CEGUI::Window* parent, const std::string& text)
{
    return makeLabelled<CEGUI::PushButton>(BUTTON, name, parent, text);
}

CEGUI::ToggleButton* createCheckbox(const std::string& name, CEGUI::Window* parent, const std::string& text)
{
    return makeLabelled<CEGUI::ToggleButton>(CHECKBOX, name, parent, text);
}

CEGUI::RadioButton* createRadioButton(const std::string& name, CEGUI::Window* parent, const std::string& text,
                                      unsigned group)
{
    auto* radio = makeLabelled<CEGUI::RadioButton>(RADIO_BUTTON, name, parent, text);
    radio->setGroupID(group);
    return radio;
}

CEGUI::Combobox* createCombobox(const std::string& name, CEGUI::Window* parent)
{
    auto* combo = static_cast<CEGUI::Combobox*>(make(COMBOBOX, name, parent));
    combo->setClippedByParent(false);
    // The look gives a new combo box 256 x 256 pixels; starting it empty lets its first item set
    // its width, so a short list does not run past the sheet.
    setPixelSize(*combo, 0.0f, 0.0f);
    return combo;
}

void addComboItem(CEGUI::Combobox& combo, const std::string& text)
{
    combo.addItem(new CEGUI::ListboxTextItem(text, 0, nullptr, false, true));
    const CEGUI::Font* font = combo.getFont();
    const float extent = font ? font->getTextExtent(text, 1.0f) : 0.0f;
    if (font && extent > combo.getPixelSize().d_width) {
        const Config& settings = getConfig();
        setPixelSize(combo, extent + settings.get<float>("Combo", "extraWidth"),
                     font->getLineSpacing(1.0f) * settings.get<float>("Combo", "heightLines"));
    }
    if (combo.getItemCount() == 1)
        combo.setText(text);
}

CEGUI::Slider* createSlider(const std::string& name, CEGUI::Window* parent, float maximum, float step, float value)
{
    auto* slider = static_cast<CEGUI::Slider*>(make(SLIDER, name, parent));
    slider->setMaxValue(maximum);
    slider->setClickStep(step);
    slider->setCurrentValue(value);
    return slider;
}

CEGUI::Window* createStaticText(const std::string& name, CEGUI::Window* parent, const std::string& text)
{
    CEGUI::Window* window = make(STATIC_TEXT, name, parent);
    window->setProperty("FrameEnabled", "false");
    window->setProperty("BackgroundEnabled", "true");
    window->setProperty("HorzFormatting", "Justified");
    window->setText(text);
    fitToText(*window);
    return window;
}

void checkWindowTypes(const std::string& schemeFile)
{
    CEGUI::WindowManager& windows = CEGUI::WindowManager::getSingleton();
    for (const char* type : WINDOW_TYPES) {
        try {
            windows.destroyWindow(windows.createWindow(type));
        } catch (const CEGUI::Exception& error) {
            GameLog::line(std::string("WidgetFactory: a window of the type ") + type + " cannot be made: "
                          + error.getMessage().c_str());
            CodeNames::refuse({"window type", type, schemeFile.c_str(), "The menu system"});
        }
    }
}

void fitToText(CEGUI::Window& window)
{
    fitWithMargin(window, TEXT_MARGIN);
}

void fitButtonToText(CEGUI::Window& window)
{
    fitWithMargin(window, BUTTON_MARGIN);
}

void setClientSize(CEGUI::FrameWindow& frame, float width, float height)
{
    setPixelSize(frame, width, height);
    const CEGUI::Rectf outer = frame.getUnclippedOuterRect().get();
    const CEGUI::Rectf inner = frame.getUnclippedInnerRect().get();
    setPixelSize(frame, width + outer.getWidth() - inner.getWidth(), height + outer.getHeight() - inner.getHeight());
}

void destroyWindow(CEGUI::Window* window)
{
    if (window)
        CEGUI::WindowManager::getSingleton().destroyWindow(window);
}

CEGUI::Window* findWindow(const std::string& name)
{
    const auto& windows = registry();
    const auto found = windows.find(name);
    return found == windows.end() ? nullptr : found->second;
}

const Config& getConfig()
{
    static const Config settings("cfg/widget_factory.cfg", false, false, false);
    return settings;
}

} // namespace Tolvarine::WidgetFactory

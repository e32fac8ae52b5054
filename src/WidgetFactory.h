#pragma once

#include <string>

namespace CEGUI {
class Combobox;
class FrameWindow;
class PushButton;
class RadioButton;
class Slider;
class ToggleButton;
class Window;
} // namespace CEGUI

namespace Tolvarine {

class Config;

// The functions through which every GUI window of the game is made, in the "TaharezLook" look.
// Each maker creates one window, attaches it to the parent when one is given and applies the
// game's standard sizing; sizes are absolute pixels, and the makers never place a window.
//
// The GUI library treats "/" in a name as a path through the children, and its names are unique
// only among siblings, while the game names its windows "Sheet/Widget" program-wide. So the
// factory keeps its own register of every window it made: creating a second window of a name that
// is still in use logs the name and throws FatalError before the library is asked, and a window
// leaves the register when the library destroys it (directly or with its parent).
namespace WidgetFactory {

// Width added to a label's text extent, and to a button's, check box's or radio button's.
constexpr float TEXT_MARGIN = 8.0f;
constexpr float BUTTON_MARGIN = 40.0f;

// The frame keeps its size; use setClientSize to size it from its client area.
CEGUI::FrameWindow* createFrameWindow(const std::string& name, CEGUI::Window* parent, const std::string& title);
// An invisible container.
CEGUI::Window* createDefaultWindow(const std::string& name, CEGUI::Window* parent);
CEGUI::Window* createStaticImage(const std::string& name, CEGUI::Window* parent, const std::string& imageset,
                                 const std::string& image);
// Buttons, check boxes and radio buttons are one line high and their text + BUTTON_MARGIN wide.
CEGUI::PushButton* createButton(const std::string& name, CEGUI::Window* parent, const std::string& text);
CEGUI::ToggleButton* createCheckbox(const std::string& name, CEGUI::Window* parent, const std::string& text);
CEGUI::RadioButton* createRadioButton(const std::string& name, CEGUI::Window* parent, const std::string& text,
                                      unsigned group);
// Not clipped by its parent, so that its list may reach past the sheet; no size until its first item.
CEGUI::Combobox* createCombobox(const std::string& name, CEGUI::Window* parent);
// Adds an item the combo box owns. An item wider than the box widens it to the item's extent plus
// "extraWidth" and makes it "heightLines" lines high (section "Combo" of the factory's settings);
// the first item becomes the box's text.
void addComboItem(CEGUI::Combobox& combo, const std::string& text);
// Sets the maximum, then the click step, then the value (the minimum is 0).
CEGUI::Slider* createSlider(const std::string& name, CEGUI::Window* parent, float maximum, float step, float value);
// Frameless, with a background, justified, sized to its text.
CEGUI::Window* createStaticText(const std::string& name, CEGUI::Window* parent, const std::string& text);

// Makes one window of every type the makers above use, and destroys it again. Most sheets are first
// made when the player opens them, so a type that the GUI scheme `schemeFile` cannot make is
// refused when the GUI starts instead: the library's reason, then the file, and ConfigurationError.
void checkWindowTypes(const std::string& schemeFile);

// One line of the window's own font high, and its current text + TEXT_MARGIN (or + BUTTON_MARGIN)
// wide.
void fitToText(CEGUI::Window& window);
void fitButtonToText(CEGUI::Window& window);
// Sizes a frame so that its client area, inside the title bar and the borders where its children
// are placed, is width x height pixels.
void setClientSize(CEGUI::FrameWindow& frame, float width, float height);
void destroyWindow(CEGUI::Window* window);

// The window the factory made under this name and has not seen destroyed, or null.
CEGUI::Window* findWindow(const std::string& name);
// "cfg/widget_factory.cfg", opened at the first call; missing, it throws ConfigurationError.
const Config& getConfig();

} // namespace WidgetFactory
} // namespace Tolvarine

#pragma once

#include "ScenarioTweak.h"

#include <string>
#include <vector>

namespace CEGUI {
class Combobox;
class Window;
} // namespace CEGUI

namespace Tolvarine {

// A tweak that offers a choice among fixed values: a label and, right-aligned beside it, a
// read-only drop-down list. The first value added is the current value until the player or a
// script picks another.
//
// While the GUI runs the tweak owns its widgets: the container "TweakN" with "TweakN/Label" and
// "TweakN/Combo", and the current value is the combo box's text. A combo box widens to a value
// wider than itself: the value's extent plus "extraWidth", "heightLines" lines of its font high
// (section "ComboTweak" of "cfg/menu_system.cfg"). Before the GUI starts (a script checked
// without a window) the tweak keeps only its data.
class ComboTweak : public ScenarioTweak {
public:
    explicit ComboTweak(const std::string& labelText);
    ~ComboTweak() override;

    // Appends a value; the first one becomes the current value.
    void addValue(const std::string& value);

    // Any text may be made current, also one that is not among the values: only typing into
    // the list is refused, code may set what it likes.
    void setCurrentValue(const std::string& value);
    std::string getCurrentValue() const;

    const std::string& getLabelText() const { return labelText; }
    const std::vector<std::string>& getValues() const { return values; }
    std::string getLabelName() const { return getWindowName() + "/Label"; }
    std::string getComboName() const { return getWindowName() + "/Combo"; }
    // Null before the GUI starts.
    CEGUI::Window* getWindow() const { return window; }
    CEGUI::Window* getLabel() const { return label; }
    CEGUI::Combobox* getCombo() const { return combo; }

    // The label fitted to its text on the left, the combo box right-aligned on the same line, and
    // the container just wide enough for both.
    void layout() override;

private:
    std::string labelText;
    std::vector<std::string> values;
    std::string currentValue;
    CEGUI::Window* window = nullptr;
    CEGUI::Window* label = nullptr;
    CEGUI::Combobox* combo = nullptr;
};

} // namespace Tolvarine

#pragma once

#include "ScenarioTweak.h"

#include <string>
#include <vector>

namespace Tolvarine {

// A tweak that offers a choice among fixed values: a label and, right-aligned beside it, a
// read-only drop-down list. The first value added is the current value until the player or a
// script picks another.
//
// This is the tweak's data: the label text, the values in the order added and the current
// value, under the window name its widgets will carry ("<window>/Label", "<window>/Combo").
// The widgets themselves are built through the GUI's widget factory.
class ComboTweak : public ScenarioTweak {
public:
    explicit ComboTweak(const std::string& labelText);
    ~ComboTweak() override;

    // Appends a value; the first one becomes the current value.
    void addValue(const std::string& value);

    // Any text may be made current, also one that is not among the values: only typing into
    // the list is refused, code may set what it likes.
    void setCurrentValue(const std::string& value) { currentValue = value; }
    const std::string& getCurrentValue() const { return currentValue; }

    const std::string& getLabelText() const { return labelText; }
    const std::vector<std::string>& getValues() const { return values; }
    std::string getLabelName() const { return getWindowName() + "/Label"; }
    std::string getComboName() const { return getWindowName() + "/Combo"; }

    // Nothing to arrange until the widgets exist.
    void layout() override;

private:
    std::string labelText;
    std::vector<std::string> values;
    std::string currentValue;
};

} // namespace Tolvarine

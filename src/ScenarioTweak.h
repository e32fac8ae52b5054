#pragma once

#include <string>

namespace Tolvarine {

// One option that a scenario offers the player, shown as a small group of GUI widgets. Each
// tweak has a container window of its own, named "Tweak" followed by a program-wide running
// number, under which its kind lays out its widgets.
//
// Scripts make tweaks in their scenario configuration and hand them out through its getTweak;
// Python holds them through shared pointers.
class ScenarioTweak {
public:
    ScenarioTweak();
    virtual ~ScenarioTweak();
    ScenarioTweak(const ScenarioTweak&) = delete;
    ScenarioTweak& operator=(const ScenarioTweak&) = delete;

    // Arranges the tweak's widgets inside its window.
    virtual void layout() = 0;

    // The name of the tweak's container window; its widgets' names start with it.
    const std::string& getWindowName() const { return windowName; }

    // Registers the classes "ScenarioTweak" and "ComboTweak" with the module being started.
    static void exportToPython();

private:
    std::string windowName;
};

} // namespace Tolvarine

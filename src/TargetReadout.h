#pragma once

#include <string>

namespace Ogre {
class Overlay;
class OverlayElement;
} // namespace Ogre

namespace Tolvarine {

// The small text panel beside the selected target's frame: the distance to the target and how
// fast that distance changes. The panel is the overlay "TargetReadout" of the overlay scripts
// ("TargetReadout/Panel" with the text areas "TargetReadout/Panel/Distance" and
// "TargetReadout/Panel/RateOfChange"); the program looks it up, colours its texts with the
// heads-up display's "colour", shows or hides it and writes the texts. One instance, made on
// first use (while the heads-up display exists) and kept for the life of the program.
class TargetReadout {
public:
    static TargetReadout& getSingleton();
    // Null until the first getSingleton.
    static TargetReadout* getSingletonPtr();

    TargetReadout(const TargetReadout&) = delete;
    TargetReadout& operator=(const TargetReadout&) = delete;

    // Frames tell the read-out when they become selected and when they stop being selected. It is
    // shown while at least one frame is selected, so that one frame letting go never hides the
    // read-out of another that is still selected, and only once a selected frame has measured
    // its figures since the selection began: never with figures of an earlier target or game.
    void addSelection();
    void removeSelection();
    // A selected frame reports each frame whether it could measure (a flown ship exists).
    void setMeasured(bool measured);
    unsigned getSelectionCount() const { return selections; }
    // Whether the player flies (the interface's normal mode): the menus, their dialogs and
    // command mode draw over the scene, and the read-out stays hidden under them.
    void setFlying(bool flying);
    bool isShown() const;

    // Whole metres, rounded down: "999 m".
    void setDistance(float metres);
    // Whole metres per second, rounded down, with "+" for 0 or more: "+12 m/s", "-1 m/s".
    void setRateOfChange(float metresPerSecond);
    // The panel's top-left corner in the overlay's relative coordinates (0 to 1, y down).
    void setPosition(float left, float top);

    static std::string distanceText(float metres);
    static std::string rateText(float metresPerSecond);

private:
    TargetReadout();
    ~TargetReadout() = default;
    void updateVisibility();

    Ogre::Overlay* overlay = nullptr;
    Ogre::OverlayElement* panel = nullptr;
    Ogre::OverlayElement* distance = nullptr;
    Ogre::OverlayElement* rate = nullptr;
    unsigned selections = 0;
    bool measured = false;
    bool flying = true;
    // The numbers on show: a caption is rewritten only when its whole number changes.
    double shownDistance = -1.0;
    double shownRate = 0.5;
};

} // namespace Tolvarine

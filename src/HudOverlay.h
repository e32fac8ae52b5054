#pragma once

namespace Tolvarine {

class Targetable;

// Ties the heads-up display together: the damage wireframes of the player's ship and of the
// selected target, the weapon display and the target frames, shown and hidden with the interface
// mode, and the command that selects the target ahead. Created once by the interface's GUI
// start-up and never destroyed.
//
// So far it keeps which objects the two wireframes show; the wireframes themselves come with the
// damage display.
class HudOverlay {
public:
    HudOverlay();
    ~HudOverlay();
    HudOverlay(const HudOverlay&) = delete;
    HudOverlay& operator=(const HudOverlay&) = delete;

    static HudOverlay& getSingleton();
    // Null before the interface has made the display.
    static HudOverlay* getSingletonPtr();

    // The selected target's wireframe.
    void setTargetWireframe(Targetable* ship);
    void clearTargetWireframe();
    Targetable* getTargetWireframe() const { return targetShip; }

    // The wireframe of the player's own ship.
    void setSelfWireframe(Targetable* ship);
    void clearSelfWireframe();
    Targetable* getSelfWireframe() const { return selfShip; }

private:
    static HudOverlay* singleton;

    Targetable* targetShip = nullptr;
    Targetable* selfShip = nullptr;
};

} // namespace Tolvarine

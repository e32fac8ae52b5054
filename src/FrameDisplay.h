#pragma once

#include <OgreVector.h>

#include <array>
#include <memory>
#include <string>

namespace Tolvarine {

class FixedTask;
class OverlayBillboard;
class Targetable;

// The on-screen frame of one targetable object: four corner marks around the object's projection,
// coloured by its side relative to the player, and, while the object is the selected target, a
// second set of marks and the target read-out beside it. Created and owned by the Targetable it
// frames; the object's activation and deactivation switch it on and off, selection marks it
// selected. The marks live in the shared FrameBillboardSet; without one (no heads-up display)
// the frame keeps its state but draws nothing.
class FrameDisplay {
public:
    // Index of the first of the four corner cells of each kind of frame.
    static constexpr int SHIP_FRAME = 0;
    static constexpr int MISSILE_FRAME = 8;
    static constexpr int NO_FRAME = 12;
    // The selection marks' first cell.
    static constexpr int SELECTION_MARKS = 4;
    // The least half size of a frame on screen, in normalised device units: far targets and
    // targets off screen keep a frame this big.
    static constexpr float MINIMUM_HALF_SIZE = 0.025f;

    // `frameType` is the index of the first corner cell; `offset` is the point in the target's
    // own frame around which the frame is drawn.
    FrameDisplay(int frameType, Targetable* target, const Ogre::Vector3& offset);
    ~FrameDisplay();
    FrameDisplay(const FrameDisplay&) = delete;
    FrameDisplay& operator=(const FrameDisplay&) = delete;

    // Switch the frame on when its object enters play and off when it leaves; repeated calls
    // change nothing. Switching on builds the marks, switching off returns them to the set and
    // lets go of the selection.
    void activate();
    void deactivate();
    // Marks the frame as the selected target's frame or not, and rebuilds its marks. The read-out
    // is shown while any frame is selected and a flown ship measures its figures.
    void setSelected(bool selected);
    // Places the marks over the target as the current camera sees it; with a focused ship, also
    // fills and places the read-out of a selected frame. Run every frame by the frame's own task.
    void positionUpdate();

    bool isActive() const { return active; }
    bool isSelected() const { return selected; }
    int getFrameType() const { return frameType; }
    Targetable* getTarget() const { return target; }
    const Ogre::Vector3& getOffset() const { return offset; }
    // "Frame_" and a number counted from 0 over the whole process.
    const std::string& getName() const { return name; }
    // The last projected centre and half size, in normalised device coordinates.
    float getScreenX() const { return screenX; }
    float getScreenY() const { return screenY; }
    float getHalfSize() const { return halfSize; }

private:
    void createBillboards();
    void removeBillboards();
    // The frame colour for the target's faction seen from the "Player" faction.
    int relationToPlayer() const;
    void updateReadout() const;

    bool active = false;
    bool selected = false;
    int frameType;
    Targetable* target;
    Ogre::Vector3 offset;
    float screenX = 0.0f;
    float screenY = 0.0f;
    float halfSize = 0.02f;
    std::string name;
    // Bottom-left, top-left, top-right, bottom-right: frame corners, then selection corners.
    std::array<OverlayBillboard*, 8> corners{};
    std::unique_ptr<FixedTask> task;
};

} // namespace Tolvarine

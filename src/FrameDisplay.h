#pragma once

#include <OgreVector.h>

#include <string>

namespace Tolvarine {

class Targetable;

// The on-screen frame of one targetable object: four corner marks around the object's projection,
// coloured by its side relative to the player, and, while the object is the selected target, a
// second set of marks and the target read-out. Created and owned by the Targetable it frames;
// the object's activation and deactivation switch it on and off, selection marks it selected.
//
// So far the frame keeps its state (name, kind, offset, active and selected flags); the corner
// billboards and the read-out that show that state come with the heads-up display.
class FrameDisplay {
public:
    // Index of the first of the four corner images of each kind of frame.
    static constexpr int SHIP_FRAME = 0;
    static constexpr int MISSILE_FRAME = 8;
    static constexpr int NO_FRAME = 12;

    // `frameType` is the index of the first corner image; `offset` is the point in the target's
    // own frame around which the frame is drawn.
    FrameDisplay(int frameType, Targetable* target, const Ogre::Vector3& offset);
    ~FrameDisplay();
    FrameDisplay(const FrameDisplay&) = delete;
    FrameDisplay& operator=(const FrameDisplay&) = delete;

    // Switch the frame on when its object enters play and off when it leaves; repeated calls
    // change nothing.
    void activate();
    void deactivate();
    // Marks the frame as the selected target's frame or not.
    void setSelected(bool selected);

    bool isActive() const { return active; }
    bool isSelected() const { return selected; }
    int getFrameType() const { return frameType; }
    Targetable* getTarget() const { return target; }
    const Ogre::Vector3& getOffset() const { return offset; }
    // "Frame_" and a number counted from 0 over the whole process.
    const std::string& getName() const { return name; }

private:
    bool active = false;
    bool selected = false;
    int frameType;
    Targetable* target;
    Ogre::Vector3 offset;
    std::string name;
};

} // namespace Tolvarine

#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Moves the player's view round their dying ship; nothing for any other ship. Keys: "camera"
// (required: "Free" flies the free camera from the current view to "offset" of the ship while it
// looks at the ship; "Drop" puts the fly-by camera at "offset"; "Chase" makes the chase camera
// follow the ship from "offset"), "offset" ((0 0 0), in the ship's frame) and "speed" (30: the
// free camera's movement or the chase camera's correction speed; either camera closes at most the
// whole way in a frame, so any size plays). Any other camera is logged as "Unknown camera type in
// CameraEvent: <section>" and refused with ConfigurationError, as is a speed below 0 for the free
// or the chase camera (CameraBase::readSpeed); the drop camera takes no speed. An offset that
// puts the view beyond MAX_VIEW_COORDINATE on an axis leaves the view as it is, with a line once
// for the event.
class CameraEvent : public ShipExplosionEvent {
public:
    enum class Kind { FREE, DROP, CHASE };

    CameraEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;

    Kind getKind() const { return kind; }

    // The farthest out on an axis a death's view may go. The star's flare looks from the view at
    // a point of the sky 5,000 units away, and where a float's spacing passes that the two points
    // fall together and the collision library aborts on the star's ray along no direction: a view
    // at (1e12 1e12 1e12) or (0 0 1e15) ended the game so, at 3e38 the sound library's exit on a
    // listener at no number ended it; (1e11 1e11 1e11) and (0 0 1e14) played. At 1e10 the
    // spacing is 1,024, and the sky point keeps its direction for a star in any direction.
    static constexpr float MAX_VIEW_COORDINATE = 1.0e10f;
    // Whether a view at `place` is within MAX_VIEW_COORDINATE on every axis; no number is not.
    static bool isViewable(const Ogre::Vector3& place);

private:
    // "CameraEvent <section> of <file>", for the log.
    std::string place;
    Kind kind;
    Ogre::Vector3 offset;
    float speed;
};

} // namespace Tolvarine

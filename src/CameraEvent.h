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
// puts the view beyond CameraBase::MAX_VIEW_COORDINATE on an axis leaves the view as it is, with a
// line once for the event.
class CameraEvent : public ShipExplosionEvent {
public:
    enum class Kind { FREE, DROP, CHASE };

    CameraEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;

    Kind getKind() const { return kind; }

private:
    // "CameraEvent <section> of <file>", for the log.
    std::string place;
    Kind kind;
    Ogre::Vector3 offset;
    float speed;
};

} // namespace Tolvarine

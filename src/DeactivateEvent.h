#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Takes the ship out of play, which gives it back to its pool. The sequence goes on with its
// later events, so the data puts this one last (apart from a command).
class DeactivateEvent : public ShipExplosionEvent {
public:
    explicit DeactivateEvent(float time) : ShipExplosionEvent(time) {}
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;
};

} // namespace Tolvarine

#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// When the player's ship is lost (Scenario::flownShipLost): with ships of the "Player" faction
// still in play the player picks another one in command mode, without any the game of the current
// scenario ends. Without a current scenario or a "Player" faction it logs a line and does nothing.
// Nothing for any other ship.
class CommandEvent : public ShipExplosionEvent {
public:
    explicit CommandEvent(float time) : ShipExplosionEvent(time) {}
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;
};

} // namespace Tolvarine

#pragma once

#include "ShipExplosionEvent.h"

namespace Tolvarine {

// Starts another sequence, type "name", on the same ship at this event's "offset" (both
// required), focused when this sequence is.
class SequenceEvent : public ShipExplosionEvent {
public:
    SequenceEvent(Config& config, const std::string& section);
    void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) override;
    // A sequence type that was not read is refused.
    void checkNames(const Config& config, const std::string& section) const override;

private:
    std::string name;
    Ogre::Vector3 offset;
};

} // namespace Tolvarine

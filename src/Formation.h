#pragma once

#include "PositionReporter.h"

namespace Tolvarine {

class FormationElement;

// The one formation of the program: the player's ship and ships of its side flying together, each
// member holding a slot, an offset in the formation's own frame from its centre. The formation is
// a game object of its own with a pose and a velocity, which follow the ship the player flies; a
// member steers towards the formation's position plus the formation's orientation times its slot
// and matches the formation's velocity.
//
// What members and steering read of it is its pose and velocity, through its PositionReporter face
// (a shared virtual base, as with every game object that reports a pose). The formation's body,
// its members and its commands build on this class.
class Formation : public virtual PositionReporter {
public:
    // A member joins or leaves: the formation lays its members out again.
    virtual void addElement(FormationElement* element) = 0;
    virtual void removeElement(FormationElement* element) = 0;

protected:
    Formation() = default;
    Formation(const Formation&) = delete;
    Formation& operator=(const Formation&) = delete;
    // The formation is never deleted through this face.
    ~Formation() = default;
};

} // namespace Tolvarine

#pragma once

#include "ShipType.h"

#include <OgreVector.h>

namespace Tolvarine {

class Controllable;
class Formation;
class Targetable;

// The face through which a Formation drives one of its members: the member's role and size for the
// layout, its slot (an offset in the formation's own frame), its target and guns while the
// formation flies it, and joining and leaving. A ship's AI implements it.
//
// Members are never deleted through this interface, so the destructor is protected and not virtual.
class FormationElement {
public:
    // Which ring of the layout the member goes to.
    virtual ShipType::Role getRole() const = 0;
    virtual void setFormationOffset(const Ogre::Vector3& offset) = 0;
    virtual const Ogre::Vector3& getFormationOffset() const = 0;
    // Squared distance from the member to the formation's centre; asked only while it has one.
    virtual float getSquaredDistanceToFormation() const = 0;
    virtual float getBoundingRadius() const = 0;
    virtual void setTarget(Targetable* target) = 0;
    virtual void clearTarget() = 0;
    // A slaved member holds its slot and fires when the formation fires.
    virtual void setSlaved(bool slaved) = 0;
    virtual void setFiringPrimary(bool firing) = 0;
    virtual void setFiringSecondary(bool firing) = 0;
    // Null while the member flies free.
    virtual Formation* getFormation() = 0;
    virtual void joinFormation(Formation* formation) = 0;
    virtual void leaveFormation() = 0;
    virtual Controllable* getOwner() = 0;

protected:
    FormationElement() = default;
    FormationElement(const FormationElement&) = default;
    FormationElement& operator=(const FormationElement&) = default;
    ~FormationElement() = default;
};

} // namespace Tolvarine

#pragma once

#include "Targetable.h"

#include <string>

namespace Ogre {
class Overlay;
} // namespace Ogre

namespace Tolvarine {

class ForceController;
class PhysicsBody;
class WeaponSystem;

// A Targetable that the player or the AI can fly and fight: it has a physics body, a force
// controller, up to two weapon systems, a name, self-destruction, a target of its own and fire
// controls.
//
// The program has one focused controllable, the object the player flies. Focusing an object wires
// the camera, the heads-up display, the weapon display, the movement controller, the instrument
// sounds and the "fire_primary" and "fire_secondary" inputs to it; focus moves only through
// setFocus, and taking it on one object releases it on the previous one first.
class Controllable : public Targetable {
public:
    explicit Controllable(const Config& config);
    // A focused object that is destroyed leaves nothing wired to it: the displays, the movement
    // controller, the sounds and the fire inputs are let go, without calling into the object.
    ~Controllable() override;

    // Concrete classes give the two forms of each one implementation.
    virtual PhysicsBody* getPhysicsBody() = 0;
    virtual const PhysicsBody* getPhysicsBody() const = 0;
    virtual ForceController* getForceController() = 0;
    virtual const ForceController* getForceController() const = 0;
    // Null when the object has no such system.
    virtual WeaponSystem* getPrimaryWeaponSystem();
    virtual WeaponSystem* getSecondaryWeaponSystem();
    // The display name; empty by default.
    virtual const std::string& getName() const;
    // Self-destruction.
    virtual void destroy();
    // The object's own current target.
    virtual void setTarget(Targetable* target);
    virtual void setFiringPrimary(bool firing) = 0;
    virtual void setFiringSecondary(bool firing) = 0;
    // The overlay drawn as the reticle while the object has the focus, or null.
    virtual Ogre::Overlay* getWeaponOverlay();
    // Gives the object the player's focus, or takes it away. Taking it while another object has it
    // releases that one first (through its own setFocus, so overrides run). A call with true on the
    // focused object, or with false on any other, changes nothing.
    virtual void setFocus(bool focus);

    // The one switch of the player's flying input: the movement controller's axes and the fire
    // inputs of the focused object. A fire input is on only while input is enabled and the focused
    // object has the matching weapon system.
    static void setInputEnabled(bool enabled);
    static bool isInputEnabled() { return inputEnabled; }

    // The focused controllable, or null.
    static Controllable* getFocused() { return focused; }

    // The targetable object within `radius` of this object that lies most nearly straight ahead
    // (along the body's negative z axis): the largest cosine between the forward axis and the
    // direction to it, which must be strictly greater than `minimumCosine`; on equal cosines the
    // one the scene query reports first. Never this object and never an object whose isTargetable
    // is false. Null when there is none, or when the scene does not exist yet.
    Targetable* querySphereAhead(float radius, float minimumCosine);

    // Registers the script class "Controllable" with the module being started.
    static void exportToPython();

private:
    void takeFocus();
    void releaseFocus();

    static Controllable* focused;
    static bool inputEnabled;
};

} // namespace Tolvarine

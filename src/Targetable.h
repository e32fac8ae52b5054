#pragma once

#include "PositionReporter.h"

#include <OgreVector.h>

#include <memory>

namespace Tolvarine {

class Config;
class Controllable;
class DamageModel;
class Faction;
class FrameDisplay;
class GuidedProjectile;

// Every game object that can be framed on the heads-up display, followed by a camera, aimed at by
// weapons and picked as a target: ships, capital ships, capital-ship stations, guided projectiles
// and formations. Its pose comes from the PositionReporter face that the concrete class supplies.
//
// The program has one selected target, the object the player has picked: selecting it highlights
// its frame, shows its damage wireframe and hands it to the focused object's weapon systems.
// Selection moves only through setSelected.
class Targetable : public virtual PositionReporter {
public:
    // Reads section "Targetable" of the object's type file: "frameOffset" (default zero),
    // "frameType" ("Ship", "Missile" or "None"; anything else is "Ship"), "chaseOffset" and
    // "fixedOffset" (both required) and "dropOffset" (default (50, 20, -300)); then makes the frame.
    explicit Targetable(const Config& config);
    // Reads section "Targetable" as the constructor does, without making a frame: the loaders of
    // types whose objects are first built mid-game call it at start-up. A missing key or a value
    // that does not convert fails as the Config read does.
    static void checkType(const Config& config);
    // Reads the three view offsets (a missing one is left to checkType), each refused from
    // CameraBase::MAX_VIEW_OFFSET on an axis (CameraBase::readViewOffset): the ship types call
    // it at start-up, their ships being what the views follow (the player's, a script's, a dying
    // one's). Stations, missiles and the formation are never followed, and take any offset.
    static void checkViewOffsets(const Config& config);
    // Switches the frame off and, when this object is the selected target, deselects it; missiles
    // guided onto it and every TargetableWatch (the cameras among them) let it go.
    virtual ~Targetable();
    Targetable(const Targetable&) = delete;
    Targetable& operator=(const Targetable&) = delete;

    virtual float getBoundingRadius() const = 0;
    // Null when the object has no damage model.
    virtual DamageModel* getDamageModel() = 0;
    virtual Faction* getFaction() = 0;
    // Whether the player may select the object at all (capital-ship stations may not).
    virtual bool isTargetable();
    // Squared distance inside which an approaching guided projectile announces itself.
    virtual float getThreatRangeSquared();
    virtual void addThreat(GuidedProjectile* missile);
    virtual void removeThreat(GuidedProjectile* missile);
    // Warnings from an attacker to the object's AI.
    virtual void setPendingVector(const Ogre::Vector3& vector);
    virtual void setPendingObject(Controllable* attacker);
    // Whether the object may be picked as a target right now.
    virtual bool isValidTarget();
    // Selects this object as the player's target, or deselects it. Selecting releases the
    // previous selection first (through its own setSelected, so overrides run); deselecting an
    // object that is not selected, or selecting the selected one, changes nothing.
    virtual void setSelected(bool select);

    // Called with true when the object leaves play and with false when it enters play; either
    // way the object stops being the selected target. The AI drops a target whose flag is set;
    // missiles guided onto an object chase it on after it leaves play, and let it go when it
    // enters play again (as another ship or missile) or is destroyed. Leaving play tells the
    // watches made to hear of it (TargetableWatch::tellLeavingPlay).
    void setInactive(bool inactive);
    bool isInactive() const { return inactive; }

    // Tells everything that may keep a pointer to this object that it goes away for good, its
    // pool being about to delete it: it stops being the selected target, missiles guided onto it
    // fly on and every TargetableWatch (the cameras among them) forgets it. Run while the object
    // is still whole, before it is deleted.
    void announceDeletion();
    // Tells the same holders that the pool is handing this object to a new user: what they kept
    // belongs to an earlier life of it (a camera's ship that left play, an AI's target, an
    // explosion sequence's ship), and acting on it now would reach whoever took it next. Run by
    // the pool's user as it takes the object out, before it is activated.
    void announceHandOut();

    FrameDisplay& getFrameDisplay() { return *frameDisplay; }
    // Camera positions in the object's own frame: chase camera, nose camera, fly-by camera.
    const Ogre::Vector3& getChaseOffset() const { return chaseOffset; }
    const Ogre::Vector3& getFixedOffset() const { return fixedOffset; }
    const Ogre::Vector3& getDropOffset() const { return dropOffset; }

    // The selected target, or null.
    static Targetable* getSelected() { return selected; }

    // Registers the script class "Targetable" with the module being started.
    static void exportToPython();

private:
    struct Frame;
    static Frame readFrame(const Config& config);
    // The deselection steps, shared by setSelected(false) and the destructor.
    void releaseSelection();

    static Targetable* selected;

    bool inactive = false;
    std::unique_ptr<FrameDisplay> frameDisplay;
    Ogre::Vector3 chaseOffset;
    Ogre::Vector3 fixedOffset;
    Ogre::Vector3 dropOffset;
};

} // namespace Tolvarine

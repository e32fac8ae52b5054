#pragma once

#include "FunctionTask.h"
#include "MultiPoolFactory.h"

#include <OgreVector.h>

#include <string>

namespace Tolvarine {

class Controllable;

// The timed effects that play on a destroyed ship: sprays, explosions, camera moves, the ship's
// removal and the hand-over to another ship, each at its time after the start. Sequences are
// pooled per type; the damage model starts one when its ship is broken through.
//
// So far a sequence can be taken from its pool and started on a ship; the events of the sequence
// files come with the sequence types, and until then a started sequence ends at its first update.
class ShipExplosionSequence {
public:
    // A sequence of the named type whose update task runs every `updatePeriod` seconds, plus or
    // minus `updateVariance`; free (no ship) until started.
    ShipExplosionSequence(const std::string& name, float updatePeriod, float updateVariance);
    ShipExplosionSequence(const ShipExplosionSequence&) = delete;
    ShipExplosionSequence& operator=(const ShipExplosionSequence&) = delete;

    // Takes a sequence of the named type from its pool and starts it on `target` at `offset`
    // (a point in the ship's own frame). A type without a pool is logged and raises FatalError.
    static ShipExplosionSequence* create(const std::string& name, Controllable* target,
                                         bool focused, const Ogre::Vector3& offset);

    // The pools of the sequence types, one per type name.
    static MultiPoolFactory<ShipExplosionSequence>& getPoolFactory();

    // Plays the sequence on the ship from now. The camera and command events act when `focused`
    // is true or the ship is the focused controllable (the player's ship).
    void start(Controllable* target, bool focused, const Ogre::Vector3& offset);

    // Stops the sequence and gives it back to its pool.
    void deactivate();

    const std::string& getName() const { return name; }
    // Null while the sequence is free.
    Controllable* getTarget() const { return target; }
    bool isFocused() const { return focused; }
    const Ogre::Vector3& getOffset() const { return offset; }
    float getStartTime() const { return startTime; }

private:
    // The update task: runs the events that are due; false once the sequence is over.
    bool update(float elapsed);

    std::string name;
    Controllable* target = nullptr;
    bool focused = false;
    Ogre::Vector3 offset = Ogre::Vector3::ZERO;
    float startTime = 0.0f;
    FunctionTask updateTask;
};

} // namespace Tolvarine

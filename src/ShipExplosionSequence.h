#pragma once

#include "FunctionTask.h"
#include "MultiPoolFactory.h"
#include "TargetableWatch.h"

#include <OgreVector.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class Config;
class Controllable;
class ShipExplosionEvent;

// The timed effects that play on a destroyed ship: sprays, explosions, camera moves, the ship's
// removal and the hand-over to another ship, each at its time after the start, on the game
// clock. Sequences are pooled per type; the damage model starts one when its ship is broken
// through, and every playing sequence ends with the game of its scenario.
//
// A type is a file "<type>.explosion_sequence" (or its enciphered twin "<type>.explosion_sequencex")
// of data/explosions:
//
//   [Factory]
//   poolSize = <sequences made at start-up, default 0>
//   [ShipExplosionSequence]
//   updatePeriod = <seconds between updates>
//   updateVariance = <seconds>
//   [Event_<anything>]          (every section with "Event_" in its name)
//   type = ParticleSpray | ComplexExplosion | Camera | Sequence | Command | Deactivate
//   time = <seconds after the start>
//   ... the keys of its type (see the event classes)
class ShipExplosionSequence {
public:
    using Events = std::vector<std::shared_ptr<ShipExplosionEvent>>;

    // The folder the game's sequence types are read from.
    static const char* const TYPE_FOLDER;

    // A sequence of the type described by `config`. Missing keys, unknown event or camera types
    // and a type without any event ("Cannot create empty ShipExplosionSequence") are logged and
    // throw ConfigurationError.
    ShipExplosionSequence(Config& config, const std::string& name);
    // A sequence of the named type with the given events (sorted here), whose update task runs
    // every `updatePeriod` seconds, plus or minus `updateVariance`. Without events it ends at
    // its first update.
    ShipExplosionSequence(const std::string& name, float updatePeriod, float updateVariance, Events events = {});
    ~ShipExplosionSequence();
    ShipExplosionSequence(const ShipExplosionSequence&) = delete;
    ShipExplosionSequence& operator=(const ShipExplosionSequence&) = delete;

    // Reads every sequence type of the folder once (names beginning with "." and other
    // extensions skipped; a plain file and its twin are one type, the first read counts),
    // checks each (checkType) and refuses a type whose Sequence events lead back to it, directly
    // or through other types, with a line naming the file, the event's section and the chain of
    // types; then fills one pool per type. A broken type is logged and throws
    // ConfigurationError (or the value reader's conversion error), and no type stays loaded. The
    // first load also has the end of every game return all sequences to their pools. Does
    // nothing once types are loaded.
    static void loadTypes(const std::string& folder = TYPE_FOLDER);
    // Builds every event of the type as its sequences will and checks the names they use
    // (ShipExplosionEvent::checkNames), whatever its pool size: a broken file stops the
    // start-up, not the battle in which its first ship is destroyed. A refusal is logged as its
    // reason, then "ShipExplosionSequence: the type file <path> is refused", and rethrown.
    static void checkType(Config& config);
    // Whether a sequence type of that name has been read.
    static bool isType(const std::string& name);
    // Returns every sequence to its pool, deletes them and forgets every type.
    static void unloadTypes();
    // The pools' creator: a new sequence of a loaded type. A type without a file is logged as
    // "Could not create ShipExplosionSequence: no config file found for type: <type>" and throws
    // ConfigurationError.
    static ShipExplosionSequence* createFromConfig(const std::string& name);
    // Refuses, at start-up, ship types whose sequence type is not loaded: each is logged, then
    // ConfigurationError is thrown.
    static void checkShipTypes();

    // Takes a sequence of the named type from its pool and starts it on `target` at `offset`
    // (a point in the ship's own frame). A type without a pool is logged and raises FatalError.
    static ShipExplosionSequence* create(const std::string& name, Controllable* target,
                                         bool focused, const Ogre::Vector3& offset);
    // Ends every playing sequence (the end of a game).
    static void releaseAll();

    // The pools of the sequence types, one per type name.
    static MultiPoolFactory<ShipExplosionSequence>& getPoolFactory();

    // Plays the sequence on the ship from now. The camera and command events act when `focused`
    // is true or the ship is the focused controllable (the player's ship). Every event plays, to
    // the last, also after the ship leaves play; but the sequence acts on the ship only in the life
    // it started in. Once the ship begins another life (its pool hands it to a new user, or it is
    // put into play again, by the same script say), the later events play without it: nothing is
    // placed on it, no camera is sent to it and it is not taken out of play, while the command
    // event still opens command mode or ends the game as the death of a ship of `focused` asks.
    // So a dying ship never reaches the next ship made of the same object, and never loses the
    // hand-over to another ship of the player's.
    void start(Controllable* target, bool focused, const Ogre::Vector3& offset);

    // Stops the sequence and gives it back to its pool.
    void deactivate();

    const std::string& getName() const { return name; }
    // Null while the sequence is free.
    Controllable* getTarget() const { return target; }
    bool isFocused() const { return focused; }
    const Ogre::Vector3& getOffset() const { return offset; }
    float getStartTime() const { return startTime; }
    const Events& getEvents() const { return events; }

private:
    // The update task: runs every event that is due, in time order; false once the sequence is
    // over, also when one of its events ended it (the end of the game).
    bool update(float elapsed);
    // The ship, while it lives the life the sequence started in; null once it began another.
    Controllable* shipOfThisLife();
    // Lets go of the ship when it is `gone` (its pool hands it out, or deletes it): the watch is
    // told in the middle of another's work, where the sequence leaves its task and its pool alone.
    void letGoOf(const Targetable& gone);

    std::string name;
    Controllable* target = nullptr;
    bool focused = false;
    Ogre::Vector3 offset = Ogre::Vector3::ZERO;
    float startTime = 0.0f;
    FunctionTask updateTask;
    Events events;
    std::size_t nextEvent = 0;
    bool playing = false;
    // The ship's activation count at the start: another one means another life of the ship.
    unsigned targetActivations = 0;
    // Counts the starts, so that an update knows whether an event restarted the sequence.
    unsigned life = 0;
    TargetableWatch targetWatch{[this](const Targetable& gone) { letGoOf(gone); }};
};

} // namespace Tolvarine

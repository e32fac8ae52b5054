#pragma once

#include <OgreVector.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Tolvarine {

class Config;
class Controllable;

// One timed step of a ship explosion sequence: something that happens to, at or because of the
// dying ship a number of seconds after its sequence started. The kinds are named by the "type"
// key of an event section of a ".explosion_sequence" file; every kind reads "time" first.
class ShipExplosionEvent {
public:
    explicit ShipExplosionEvent(float time) : time(time) {}
    virtual ~ShipExplosionEvent() = default;
    ShipExplosionEvent(const ShipExplosionEvent&) = delete;
    ShipExplosionEvent& operator=(const ShipExplosionEvent&) = delete;

    // Seconds after the start of the sequence.
    float getTime() const { return time; }
    // Plays the event on `target`. `offset` is the point of the ship, in its own frame, where
    // the sequence plays; camera and command events act only when `focused`. Without a ship
    // (a sequence started on none) the effects placed on it are skipped.
    virtual void execute(Controllable* target, bool focused, const Ogre::Vector3& offset) = 0;
    // Refuses, at start-up, a spray type, explosion group or sequence type that the event of
    // `section` of `config` names but the game has not loaded, which would otherwise end the game
    // when the event plays: logged with the key's place, then ConfigurationError. Events that name
    // nothing accept.
    virtual void checkNames(const Config& config, const std::string& section) const;

    // Builds the event of one section from its "type": "ParticleSpray", "ComplexExplosion",
    // "Camera", "Sequence", "Command" or "Deactivate". Any other type is logged as "Unknown
    // ShipExplosionEvent type: <type>" with the key's place and throws ConfigurationError, as does
    // a missing key.
    static std::shared_ptr<ShipExplosionEvent> createEvent(Config& config, const std::string& section);
    // Sort order of a sequence's events: strictly earlier first.
    static bool compareTime(const std::shared_ptr<ShipExplosionEvent>& a,
                            const std::shared_ptr<ShipExplosionEvent>& b);

    // The most explosions and sprays in play together, of every type and wherever they are, that
    // the explosion and spray events of dying ships fill up to; every one is a body the physics
    // steps and a scene node drawn. 1,000 Trifighters destroyed together 60 units apart kept the
    // frames 6 to 9 s apart with 7,000 in play (20 frames in 12 s); with this bound, 4.9 s (52
    // frames in 10 s); 500 stay below it (5,900 in play, frames 4.7 s apart).
    // Explosions and sprays count together, so that the hits of a battle of capital ships, which
    // kept over a thousand explosions in play, leave the deaths among them room, as a bound of
    // explosions alone did not. (ExplosionManager::MAX_NEAR and ParticleSpray::MAX_NEAR thin
    // the piles.)
    static constexpr std::size_t MAX_EFFECTS_IN_PLAY = 6000;
    // How many more effects those events may start now: 0 once the explosions and sprays in play
    // reach MAX_EFFECTS_IN_PLAY.
    static std::size_t effectsRoom();

    // What the events of every sequence have left out under the bounds since the program started,
    // every time, for the resource reports (the log lines say it only the first time per event).
    struct LeftOut {
        std::uint64_t explosions = 0;
        std::uint64_t sprays = 0;
    };
    static const LeftOut& getLeftOut() { return leftOut; }

protected:
    // A point of the ship (in its own frame) in the world, from the ship's physics body.
    static Ogre::Vector3 worldPoint(const Controllable& target, const Ogre::Vector3& local);
    static Ogre::Vector3 velocityOf(const Controllable& target);
    // Logs "<place>: <text> (said once for the event)" the first time for `place`: every sequence
    // of a type plays the same events, and a battle that keeps a bound full would write the line
    // at every death.
    static void reportOnce(const std::string& place, const std::string& text);
    static LeftOut leftOut;

private:
    float time;
};

} // namespace Tolvarine

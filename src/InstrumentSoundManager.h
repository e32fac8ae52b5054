#pragma once

namespace Tolvarine {

class Controllable;

// Plays the cockpit alarms of the object the player controls: the incoming-missile alarm and the
// critical-damage alarm. The focus code tells it which object is controlled. Created once at
// start-up and never destroyed.
//
// So far it keeps the controlled object; the alarm sounds come with the sound work.
class InstrumentSoundManager {
public:
    InstrumentSoundManager();
    ~InstrumentSoundManager();
    InstrumentSoundManager(const InstrumentSoundManager&) = delete;
    InstrumentSoundManager& operator=(const InstrumentSoundManager&) = delete;

    static InstrumentSoundManager& getSingleton();
    // Null before start-up has made the manager.
    static InstrumentSoundManager* getSingletonPtr();

    void setControllable(Controllable* controllable);
    // Forgets the controlled object; its alarms stop.
    void clearControllable();
    Controllable* getControllable() const { return controllable; }

private:
    static InstrumentSoundManager* singleton;

    Controllable* controllable = nullptr;
};

} // namespace Tolvarine

#pragma once

#include <memory>

namespace Tolvarine {

class Controllable;
class FixedTask;
class PositionReporter;
class SoundSource;

// Plays the cockpit alarms of the object the player controls: "incoming_alarm" once for each
// missile that closes in, from the missile's direction, and "critical_alarm" for as long as the
// object is badly damaged. The focus code tells it which object is controlled; the controlled
// ship starts the alarms. Both alarms sound around the listener, whatever the camera does.
// Created once at start-up, after the sound manager, and never destroyed.
class InstrumentSoundManager {
public:
    // Needs the sound manager and the definitions "incoming_alarm" and "critical_alarm"; a
    // missing definition is logged and throws ConfigurationError.
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

    // Sounds the incoming alarm from the direction of `missile` as seen from the controlled
    // object, unless it is still sounding for an earlier missile. Without a controlled object
    // there is no one to warn, and nothing happens.
    void playIncomingAlarm(const PositionReporter& missile);
    // Starts or stops the critical alarm; asking for the state it is in changes nothing.
    void setCriticalAlarm(bool on);

    const SoundSource& getIncomingAlarm() const { return *incomingAlarm; }
    const SoundSource& getCriticalAlarm() const { return *criticalAlarm; }

private:
    static InstrumentSoundManager* singleton;

    Controllable* controllable = nullptr;
    std::unique_ptr<SoundSource> incomingAlarm;
    std::unique_ptr<SoundSource> criticalAlarm;
    std::unique_ptr<FixedTask> updateTask;
};

} // namespace Tolvarine

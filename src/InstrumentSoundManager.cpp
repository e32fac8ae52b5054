#include "InstrumentSoundManager.h"

#include "CodeNames.h"
#include "Controllable.h"
#include "FatalError.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "SoundManager.h"
#include "SoundSource.h"


namespace Tolvarine {

namespace {

// The alarms sound inside the cockpit: no reporter, at the listener, placed relative to it.
std::unique_ptr<SoundSource> makeAlarm(const char* name)
{
    return SoundSource::create(name, SoundCategory::INSTRUMENT, nullptr, Ogre::Vector3::ZERO, true);
}

} // namespace

InstrumentSoundManager* InstrumentSoundManager::singleton = nullptr;

InstrumentSoundManager::InstrumentSoundManager()
{
    singleton = this;
    try {
        incomingAlarm = makeAlarm(CodeNames::INCOMING_ALARM.name);
        criticalAlarm = makeAlarm(CodeNames::CRITICAL_ALARM.name);
        // Nothing to do each frame yet; the task keeps the manager's place in the frame and
        // in the profile.
        updateTask = std::make_unique<FixedTask>([](float, float) {}, "InstrumentSoundManager::update", 35);
    } catch (...) {
        // The destructor does not run for a constructor that throws.
        singleton = nullptr;
        throw;
    }
}

InstrumentSoundManager::~InstrumentSoundManager()
{
    if (singleton == this)
        singleton = nullptr;
}

InstrumentSoundManager& InstrumentSoundManager::getSingleton()
{
    if (!singleton) {
        GameLog::line("InstrumentSoundManager used before it was created");
        throw FatalError();
    }
    return *singleton;
}

InstrumentSoundManager* InstrumentSoundManager::getSingletonPtr()
{
    return singleton;
}

void InstrumentSoundManager::setControllable(Controllable* newControllable)
{
    controllable = newControllable;
}

void InstrumentSoundManager::clearControllable()
{
    controllable = nullptr;
    incomingAlarm->stop();
    if (criticalAlarm->isPlaying())
        criticalAlarm->stop();
}

void InstrumentSoundManager::playIncomingAlarm(const PositionReporter& missile)
{
    if (incomingAlarm->isPlaying() || !controllable)
        return;
    const Ogre::Vector3 worldDirection = (missile.getPosition() - controllable->getPosition()).normalisedCopy();
    // A head-relative sound is placed in the listener's own frame, so the world direction is
    // turned into the frame of the camera the listener sits on.
    const Ogre::Quaternion& listener = SoundManager::getSingleton().getListenerOrientation();
    incomingAlarm->setPosition(listener.Inverse() * worldDirection);
    incomingAlarm->play();
}

void InstrumentSoundManager::setCriticalAlarm(bool on)
{
    const bool playing = criticalAlarm->isPlaying();
    if (on && !playing)
        criticalAlarm->play();
    else if (!on && playing)
        criticalAlarm->stop();
}

} // namespace Tolvarine

#include "InstrumentSoundManager.h"

#include "FatalError.h"

#include <OgreLogManager.h>

namespace Tolvarine {

InstrumentSoundManager* InstrumentSoundManager::singleton = nullptr;

InstrumentSoundManager::InstrumentSoundManager()
{
    singleton = this;
}

InstrumentSoundManager::~InstrumentSoundManager()
{
    if (singleton == this)
        singleton = nullptr;
}

InstrumentSoundManager& InstrumentSoundManager::getSingleton()
{
    if (!singleton) {
        Ogre::LogManager::getSingleton().logMessage("InstrumentSoundManager used before it was created");
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
}

} // namespace Tolvarine

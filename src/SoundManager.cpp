#include "SoundManager.h"

namespace Tolvarine {

SoundManager* SoundManager::singleton = nullptr;

SoundManager::SoundManager(Ogre::RenderWindow*)
{
    singleton = this;
}

SoundManager::~SoundManager()
{
    if (singleton == this)
        singleton = nullptr;
}

void SoundManager::setDopplerSuspended(bool suspended)
{
    dopplerSuspended = suspended;
}

} // namespace Tolvarine

#include "SoundChannel.h"

#include "SoundChannelPool.h"

#include <utility>

namespace Tolvarine {

SoundChannel::SoundChannel(const std::weak_ptr<SoundChannelPool>& pool, unsigned index, unsigned generation)
    : pool(pool), index(index), generation(generation)
{
}

SoundResult SoundChannel::stop()
{
    const auto voices = pool.lock();
    return voices ? voices->stop(index, generation) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::isPlaying(bool& playing) const
{
    playing = false;
    const auto voices = pool.lock();
    return voices ? voices->isPlaying(index, generation, playing) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::setPaused(bool paused)
{
    const auto voices = pool.lock();
    return voices ? voices->setPaused(index, generation, paused) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::getPaused(bool& paused) const
{
    const auto voices = pool.lock();
    return voices ? voices->getPaused(index, generation, paused) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::setVolume(float volume)
{
    const auto voices = pool.lock();
    return voices ? voices->setVolume(index, generation, volume) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::getVolume(float& volume) const
{
    const auto voices = pool.lock();
    return voices ? voices->getVolume(index, generation, volume) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::set3DAttributes(const Ogre::Vector3& position, const Ogre::Vector3& velocity)
{
    const auto voices = pool.lock();
    return voices ? voices->set3DAttributes(index, generation, position, velocity) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::get3DAttributes(Ogre::Vector3& position, Ogre::Vector3& velocity) const
{
    const auto voices = pool.lock();
    return voices ? voices->get3DAttributes(index, generation, position, velocity) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::set3DMinMaxDistance(float minDistance, float maxDistance)
{
    const auto voices = pool.lock();
    return voices ? voices->set3DMinMaxDistance(index, generation, minDistance, maxDistance)
                  : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::get3DMinMaxDistance(float& minDistance, float& maxDistance) const
{
    const auto voices = pool.lock();
    return voices ? voices->get3DMinMaxDistance(index, generation, minDistance, maxDistance)
                  : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::setMode(unsigned mode)
{
    const auto voices = pool.lock();
    return voices ? voices->setMode(index, generation, mode) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::getMode(unsigned& mode) const
{
    const auto voices = pool.lock();
    return voices ? voices->getMode(index, generation, mode) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::setUserData(void* data)
{
    const auto voices = pool.lock();
    return voices ? voices->setUserData(index, generation, data) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::getUserData(void*& data) const
{
    const auto voices = pool.lock();
    return voices ? voices->getUserData(index, generation, data) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::setCallback(CallbackType type, Callback callback)
{
    const auto voices = pool.lock();
    return voices ? voices->setCallback(index, generation, type, std::move(callback)) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::setChannelGroup(SoundChannelGroup* group)
{
    const auto voices = pool.lock();
    return voices ? voices->setChannelGroup(index, generation, group) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::getChannelGroup(SoundChannelGroup*& group) const
{
    const auto voices = pool.lock();
    return voices ? voices->getChannelGroup(index, generation, group) : SoundResult::INVALID_HANDLE;
}

SoundResult SoundChannel::getCurrentSound(SoundSample*& sound) const
{
    const auto voices = pool.lock();
    return voices ? voices->getCurrentSound(index, generation, sound) : SoundResult::INVALID_HANDLE;
}

bool SoundChannel::operator==(const SoundChannel& other) const
{
    const bool samePool = !pool.owner_before(other.pool) && !other.pool.owner_before(pool);
    return samePool && index == other.index && generation == other.generation;
}

} // namespace Tolvarine

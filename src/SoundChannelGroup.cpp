#include "SoundChannelGroup.h"

#include "SoundChannelPool.h"

#include <algorithm>
#include <cmath>

namespace Tolvarine {

SoundChannelGroup::SoundChannelGroup(SoundChannelPool& pool, const std::string& name) : pool(pool), name(name)
{
}

SoundResult SoundChannelGroup::setVolume(float newVolume)
{
    if (!std::isfinite(newVolume))
        return SoundResult::INVALID_FLOAT;
    volume = std::clamp(newVolume, 0.0f, 1.0f);
    pool.refreshGroup(*this);
    return SoundResult::OK;
}

SoundResult SoundChannelGroup::getVolume(float& result) const
{
    result = volume;
    return SoundResult::OK;
}

SoundResult SoundChannelGroup::setPaused(bool newPaused)
{
    paused = newPaused;
    pool.refreshGroup(*this);
    return SoundResult::OK;
}

SoundResult SoundChannelGroup::getPaused(bool& result) const
{
    result = paused;
    return SoundResult::OK;
}

SoundResult SoundChannelGroup::stop()
{
    pool.stopGroup(*this);
    return SoundResult::OK;
}

SoundResult SoundChannelGroup::getNumChannels(int& count) const
{
    count = pool.countChannels(*this);
    return SoundResult::OK;
}

} // namespace Tolvarine

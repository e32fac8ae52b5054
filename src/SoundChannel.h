#pragma once

#include "SoundResult.h"

#include <OgreVector.h>

#include <functional>
#include <memory>

namespace Tolvarine {

class SoundChannelGroup;
class SoundChannelPool;
class SoundSample;

// A handle to one playing voice, returned by SoundSystem::playSound. It is a small value that
// may be copied freely. Once its sound has ended, been stolen or been stopped, or once the
// system is gone, every operation on it answers INVALID_HANDLE and does nothing, even when the
// voice has since been given to another sound. A default-constructed handle refers to nothing.
class SoundChannel {
public:
    // 3D placement modes for setMode.
    enum Mode : unsigned {
        HEAD_RELATIVE_3D = 0x40000, // positions are relative to the listener
        WORLD_RELATIVE_3D = 0x80000 // positions are in the world (the default)
    };

    enum class CallbackType { END = 0 };

    // Called from SoundSystem::update (or from playSound when it takes this voice for another
    // sound) when the sound ends by itself; never for an explicit stop. The handle stays valid
    // until the callback returns; stopping it from inside the callback is harmless. The result
    // is ignored.
    using Callback = std::function<SoundResult(SoundChannel& channel, CallbackType type)>;

    SoundChannel() = default;

    SoundResult stop();
    // True from playSound until the sound ends or is stopped, paused or not; a stale handle
    // answers INVALID_HANDLE with `playing` false.
    SoundResult isPlaying(bool& playing) const;

    SoundResult setPaused(bool paused);
    SoundResult getPaused(bool& paused) const;
    // Volume from 0 to 1; values outside are clamped.
    SoundResult setVolume(float volume);
    SoundResult getVolume(float& volume) const;

    // 3D operations answer NEEDS_3D on a channel playing a 2D sound.
    SoundResult set3DAttributes(const Ogre::Vector3& position, const Ogre::Vector3& velocity);
    SoundResult get3DAttributes(Ogre::Vector3& position, Ogre::Vector3& velocity) const;
    // Full volume up to `minDistance`, then fading with distance, constant beyond `maxDistance`.
    SoundResult set3DMinMaxDistance(float minDistance, float maxDistance);
    SoundResult get3DMinMaxDistance(float& minDistance, float& maxDistance) const;
    // HEAD_RELATIVE_3D or WORLD_RELATIVE_3D; other bits are ignored.
    SoundResult setMode(unsigned mode);
    SoundResult getMode(unsigned& mode) const;

    SoundResult setUserData(void* data);
    SoundResult getUserData(void*& data) const;
    SoundResult setCallback(CallbackType type, Callback callback);

    // A null group puts the channel back into the master group.
    SoundResult setChannelGroup(SoundChannelGroup* group);
    SoundResult getChannelGroup(SoundChannelGroup*& group) const;
    SoundResult getCurrentSound(SoundSample*& sound) const;

    // Same voice of the same system in the same use.
    bool operator==(const SoundChannel& other) const;
    bool operator!=(const SoundChannel& other) const { return !(*this == other); }

private:
    friend class SoundChannelPool;
    SoundChannel(const std::weak_ptr<SoundChannelPool>& pool, unsigned index, unsigned generation);

    std::weak_ptr<SoundChannelPool> pool;
    unsigned index = 0;
    unsigned generation = 0;
};

} // namespace Tolvarine

#pragma once

#include "SoundResult.h"

#include <string>

namespace Tolvarine {

class SoundChannelPool;

// A set of channels whose volume and pause are set together. Every channel belongs to exactly
// one group, the system's master group unless it was moved; the master group's volume and pause
// act on every channel. Groups are made and owned by the SoundSystem and live as long as it.
class SoundChannelGroup {
public:
    SoundChannelGroup(SoundChannelPool& pool, const std::string& name);
    SoundChannelGroup(const SoundChannelGroup&) = delete;
    SoundChannelGroup& operator=(const SoundChannelGroup&) = delete;

    // Volume from 0 to 1, multiplied into each member's own volume; values outside are clamped.
    SoundResult setVolume(float volume);
    SoundResult getVolume(float& volume) const;
    // Holds every member still; resuming leaves channels paused on their own still paused.
    SoundResult setPaused(bool paused);
    SoundResult getPaused(bool& paused) const;
    // Stops every member without end callbacks.
    SoundResult stop();
    SoundResult getNumChannels(int& count) const;

    const std::string& getName() const { return name; }
    float getVolume() const { return volume; }
    bool isPaused() const { return paused; }
    const SoundChannelPool& getPool() const { return pool; }

private:
    SoundChannelPool& pool;
    std::string name;
    float volume = 1.0f;
    bool paused = false;
};

} // namespace Tolvarine

#pragma once

#include "SoundChannel.h"
#include "SoundChannelGroup.h"
#include "SoundResult.h"

#include <OgreVector.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class SoundSample;

// The voices of one SoundSystem and the bookkeeping behind SoundChannel handles: which voice
// plays what, its generation (so old handles go stale instead of reaching a reused voice), end
// detection and end callbacks, stealing when every voice is busy, and the channel groups.
// A voice normally owns a source of the audio device; a voice without one (the system runs
// silent, or the device gave fewer sources than asked) plays inaudibly and ends by the clock
// after its sound's length, so the game behaves the same with and without a device.
// Part of the sound layer: the game talks to SoundSystem, SoundChannel and SoundChannelGroup.
class SoundChannelPool : public std::enable_shared_from_this<SoundChannelPool> {
public:
    using Clock = std::function<double()>;

    SoundChannelPool();
    ~SoundChannelPool();
    SoundChannelPool(const SoundChannelPool&) = delete;
    SoundChannelPool& operator=(const SoundChannelPool&) = delete;

    // Makes `count` voices; with `useDevice` each gets a source of the current audio context,
    // as many as the device gives (voices without sources only when it gives none).
    void start(int count, bool useDevice);
    // Releases every device source; the pool is empty afterwards. Called before the context goes.
    void shutDown();
    // Seconds on a steadily increasing clock; times the voices that have no device source.
    void setClock(Clock clock);
    // Without right-handed coordinates, z is mirrored on the way to and from the device.
    void setRightHanded(bool rightHanded);
    void setRolloff(float rolloff);

    SoundChannelGroup& getMasterGroup() { return *groups.front(); }
    SoundChannelGroup& createGroup(const std::string& name);

    // Never fails for lack of voices: takes a free one, else steals one (delivering its end
    // callback first), else adds an inaudible one.
    SoundResult play(SoundSample& sample, bool paused, SoundChannel& channel);
    // Delivers the end callbacks of sounds that ended by themselves, then frees their voices.
    void update();
    int countPlaying() const;
    std::size_t countVoices() const { return voices.size(); }

    // Operations behind SoundChannel; a stale (index, generation) answers INVALID_HANDLE.
    SoundResult stop(unsigned index, unsigned generation);
    SoundResult isPlaying(unsigned index, unsigned generation, bool& playing) const;
    SoundResult setPaused(unsigned index, unsigned generation, bool paused);
    SoundResult getPaused(unsigned index, unsigned generation, bool& paused) const;
    SoundResult setVolume(unsigned index, unsigned generation, float volume);
    SoundResult getVolume(unsigned index, unsigned generation, float& volume) const;
    SoundResult set3DAttributes(unsigned index, unsigned generation, const Ogre::Vector3& position,
                                const Ogre::Vector3& velocity);
    SoundResult get3DAttributes(unsigned index, unsigned generation, Ogre::Vector3& position,
                                Ogre::Vector3& velocity) const;
    SoundResult set3DMinMaxDistance(unsigned index, unsigned generation, float minDistance, float maxDistance);
    SoundResult get3DMinMaxDistance(unsigned index, unsigned generation, float& minDistance,
                                    float& maxDistance) const;
    SoundResult setMode(unsigned index, unsigned generation, unsigned mode);
    SoundResult getMode(unsigned index, unsigned generation, unsigned& mode) const;
    SoundResult setUserData(unsigned index, unsigned generation, void* data);
    SoundResult getUserData(unsigned index, unsigned generation, void*& data) const;
    SoundResult setCallback(unsigned index, unsigned generation, SoundChannel::CallbackType type,
                            SoundChannel::Callback callback);
    SoundResult setChannelGroup(unsigned index, unsigned generation, SoundChannelGroup* group);
    SoundResult getChannelGroup(unsigned index, unsigned generation, SoundChannelGroup*& group) const;
    SoundResult getCurrentSound(unsigned index, unsigned generation, SoundSample*& sound) const;

    // Operations behind SoundChannelGroup.
    void refreshGroup(const SoundChannelGroup& group);
    void stopGroup(const SoundChannelGroup& group);
    int countChannels(const SoundChannelGroup& group) const;

private:
    struct Voice {
        unsigned source = 0;       // device source, 0 for a voice timed by the clock
        unsigned generation = 0;   // advanced whenever the voice is freed
        bool active = false;
        bool inCallback = false;   // its end callback is running; the voice is freed afterwards
        bool stopped = false;      // stopped from inside its own end callback
        SoundSample* sample = nullptr;
        SoundChannelGroup* group = nullptr;
        float volume = 1.0f;
        bool paused = false;
        bool headRelative = false;
        Ogre::Vector3 position = Ogre::Vector3::ZERO;
        Ogre::Vector3 velocity = Ogre::Vector3::ZERO;
        float minDistance = 1.0f;
        float maxDistance = 10000.0f;
        void* userData = nullptr;
        SoundChannel::Callback endCallback;
        std::uint64_t startOrder = 0;
        // Play time of a voice without a source.
        double playedBefore = 0.0;
        double runningSince = 0.0;
        bool running = false;
    };

    Voice* find(unsigned index, unsigned generation);
    const Voice* find(unsigned index, unsigned generation) const;
    bool belongsTo(const Voice& voice, const SoundChannelGroup& group) const;
    bool shouldRun(const Voice& voice) const;
    float effectiveGain(const Voice& voice) const;
    double playedSeconds(const Voice& voice) const;
    bool hasEnded(const Voice& voice) const;

    unsigned takeVoice();
    int chooseVictim() const;
    unsigned addVoice();
    void setUp(unsigned index, SoundSample& sample, bool paused);
    void applyState(Voice& voice);
    void apply3D(const Voice& voice);
    void finish(unsigned index);
    void release(unsigned index);
    Ogre::Vector3 toDevice(const Ogre::Vector3& v) const;

    std::vector<Voice> voices;
    std::vector<std::unique_ptr<SoundChannelGroup>> groups; // the master group first
    Clock clock;
    bool useDevice = false;
    bool rightHanded = true;
    float rolloff = 1.0f;
    std::uint64_t nextStartOrder = 0;
};

} // namespace Tolvarine

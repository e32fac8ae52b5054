#include "SoundChannelPool.h"

#include "SoundSample.h"

#include <AL/al.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace Tolvarine {

namespace {

bool isFinite(const Ogre::Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

SoundChannelPool::SoundChannelPool() : clock(steadySeconds)
{
    groups.push_back(std::make_unique<SoundChannelGroup>(*this, "master"));
}

SoundChannelPool::~SoundChannelPool()
{
    shutDown();
}

void SoundChannelPool::start(int count, bool withDevice)
{
    useDevice = withDevice;
    if (useDevice) {
        alGetError();
        for (int made = 0; made < count; ++made) {
            ALuint source = 0;
            alGenSources(1, &source);
            if (alGetError() != AL_NO_ERROR)
                break;
            voices.emplace_back();
            voices.back().source = source;
        }
    }
    // No source at all: keep the voices anyway, timed by the clock, so the game's sounds still
    // start, end and call back.
    if (voices.empty())
        voices.resize(static_cast<std::size_t>(std::max(1, count)));
}

void SoundChannelPool::shutDown()
{
    for (Voice& voice : voices) {
        if (voice.source == 0)
            continue;
        alSourceStop(voice.source);
        alSourcei(voice.source, AL_BUFFER, 0);
        alDeleteSources(1, &voice.source);
    }
    voices.clear();
}

void SoundChannelPool::setClock(Clock newClock)
{
    clock = std::move(newClock);
}

void SoundChannelPool::setRightHanded(bool value)
{
    rightHanded = value;
}

void SoundChannelPool::setRolloff(float value)
{
    rolloff = value;
    for (const Voice& voice : voices) {
        if (voice.active && voice.source != 0 && voice.sample->is3D())
            alSourcef(voice.source, AL_ROLLOFF_FACTOR, rolloff);
    }
}

SoundChannelGroup& SoundChannelPool::createGroup(const std::string& name)
{
    groups.push_back(std::make_unique<SoundChannelGroup>(*this, name));
    return *groups.back();
}

SoundResult SoundChannelPool::play(SoundSample& sample, bool paused, SoundChannel& channel)
{
    const unsigned index = takeVoice();
    setUp(index, sample, paused);
    channel = SoundChannel(weak_from_this(), index, voices[index].generation);
    return SoundResult::OK;
}

void SoundChannelPool::update()
{
    const auto keepAlive = shared_from_this();
    // Collect first: callbacks may stop and start channels, which changes the voices.
    std::vector<std::pair<unsigned, unsigned>> ended;
    for (unsigned index = 0; index < voices.size(); ++index) {
        const Voice& voice = voices[index];
        if (voice.active && !voice.inCallback && !voice.stopped && hasEnded(voice))
            ended.emplace_back(index, voice.generation);
    }
    for (const auto& [index, generation] : ended) {
        const Voice* voice = find(index, generation);
        if (voice && !voice->inCallback)
            finish(index);
    }
}

int SoundChannelPool::countPlaying() const
{
    return static_cast<int>(
        std::count_if(voices.begin(), voices.end(), [](const Voice& v) { return v.active && !v.stopped; }));
}

SoundChannelPool::Voice* SoundChannelPool::find(unsigned index, unsigned generation)
{
    if (index >= voices.size())
        return nullptr;
    Voice& voice = voices[index];
    return voice.active && voice.generation == generation ? &voice : nullptr;
}

const SoundChannelPool::Voice* SoundChannelPool::find(unsigned index, unsigned generation) const
{
    return const_cast<SoundChannelPool*>(this)->find(index, generation);
}

bool SoundChannelPool::belongsTo(const Voice& voice, const SoundChannelGroup& group) const
{
    return &group == groups.front().get() || voice.group == &group;
}

bool SoundChannelPool::shouldRun(const Voice& voice) const
{
    return !voice.paused && !voice.stopped && !voice.group->isPaused() && !groups.front()->isPaused();
}

float SoundChannelPool::effectiveGain(const Voice& voice) const
{
    const SoundChannelGroup& master = *groups.front();
    const float groupVolume = voice.group == &master ? 1.0f : voice.group->getVolume();
    return voice.volume * groupVolume * master.getVolume();
}

double SoundChannelPool::playedSeconds(const Voice& voice) const
{
    return voice.playedBefore + (voice.running ? clock() - voice.runningSince : 0.0);
}

bool SoundChannelPool::hasEnded(const Voice& voice) const
{
    if (voice.sample->isLooping())
        return false;
    if (voice.source == 0)
        return playedSeconds(voice) >= voice.sample->getLength();
    // A source is rewound when a sound is put on it, so only a played-out source is stopped.
    ALint state = AL_INITIAL;
    alGetSourcei(voice.source, AL_SOURCE_STATE, &state);
    return state == AL_STOPPED;
}

unsigned SoundChannelPool::takeVoice()
{
    for (unsigned index = 0; index < voices.size(); ++index) {
        if (!voices[index].active)
            return index;
    }
    const auto keepAlive = shared_from_this();
    const int victim = chooseVictim();
    if (victim >= 0) {
        finish(static_cast<unsigned>(victim));
        if (static_cast<unsigned>(victim) < voices.size() && !voices[victim].active)
            return static_cast<unsigned>(victim);
    }
    // Every voice is inside its own end callback: rather than refuse, add one.
    return addVoice();
}

int SoundChannelPool::chooseVictim() const
{
    // The oldest sound that will end anyway; failing that, the least audible loop.
    int oldest = -1;
    int quietest = -1;
    float quietestGain = 0.0f;
    for (unsigned index = 0; index < voices.size(); ++index) {
        const Voice& voice = voices[index];
        if (!voice.active || voice.inCallback)
            continue;
        if (!voice.sample->isLooping()) {
            if (oldest < 0 || voice.startOrder < voices[oldest].startOrder)
                oldest = static_cast<int>(index);
            continue;
        }
        const float gain = shouldRun(voice) ? effectiveGain(voice) : 0.0f;
        if (quietest < 0 || gain < quietestGain ||
            (gain == quietestGain && voice.startOrder < voices[quietest].startOrder)) {
            quietest = static_cast<int>(index);
            quietestGain = gain;
        }
    }
    return oldest >= 0 ? oldest : quietest;
}

unsigned SoundChannelPool::addVoice()
{
    Voice voice;
    if (useDevice) {
        alGetError();
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() == AL_NO_ERROR)
            voice.source = source;
    }
    voices.push_back(voice);
    return static_cast<unsigned>(voices.size() - 1);
}

void SoundChannelPool::setUp(unsigned index, SoundSample& sample, bool paused)
{
    Voice& voice = voices[index];
    const unsigned source = voice.source;
    const unsigned generation = voice.generation;
    voice = Voice();
    voice.source = source;
    voice.generation = generation;
    voice.active = true;
    voice.sample = &sample;
    voice.group = groups.front().get();
    voice.paused = paused;
    voice.startOrder = nextStartOrder++;
    if (source != 0) {
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, static_cast<ALint>(sample.getBuffer()));
        alSourcei(source, AL_LOOPING, sample.isLooping() ? AL_TRUE : AL_FALSE);
        alSourcef(source, AL_PITCH, 1.0f);
        alSourceRewind(source);
        apply3D(voice);
    }
    applyState(voice);
}

void SoundChannelPool::applyState(Voice& voice)
{
    const bool run = shouldRun(voice);
    if (voice.source == 0) {
        if (run && !voice.running) {
            voice.runningSince = clock();
            voice.running = true;
        } else if (!run && voice.running) {
            voice.playedBefore += clock() - voice.runningSince;
            voice.running = false;
        }
        return;
    }
    alSourcef(voice.source, AL_GAIN, effectiveGain(voice));
    ALint state = AL_INITIAL;
    alGetSourcei(voice.source, AL_SOURCE_STATE, &state);
    if (run && (state == AL_INITIAL || state == AL_PAUSED))
        alSourcePlay(voice.source);
    else if (!run && state == AL_PLAYING)
        alSourcePause(voice.source);
}

void SoundChannelPool::apply3D(const Voice& voice)
{
    if (!voice.sample->is3D()) {
        // 2D sounds play at the listener, unattenuated.
        alSourcei(voice.source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(voice.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSource3f(voice.source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
        alSourcef(voice.source, AL_ROLLOFF_FACTOR, 0.0f);
        return;
    }
    const Ogre::Vector3 position = toDevice(voice.position);
    const Ogre::Vector3 velocity = toDevice(voice.velocity);
    alSourcei(voice.source, AL_SOURCE_RELATIVE, voice.headRelative ? AL_TRUE : AL_FALSE);
    alSource3f(voice.source, AL_POSITION, position.x, position.y, position.z);
    alSource3f(voice.source, AL_VELOCITY, velocity.x, velocity.y, velocity.z);
    alSourcef(voice.source, AL_REFERENCE_DISTANCE, voice.minDistance);
    alSourcef(voice.source, AL_MAX_DISTANCE, voice.maxDistance);
    alSourcef(voice.source, AL_ROLLOFF_FACTOR, rolloff);
}

void SoundChannelPool::finish(unsigned index)
{
    const unsigned generation = voices[index].generation;
    const SoundChannel::Callback callback = voices[index].endCallback;
    if (callback) {
        // The handle stays valid while the callback runs; the voice is freed only afterwards.
        voices[index].inCallback = true;
        SoundChannel channel(weak_from_this(), index, generation);
        callback(channel, SoundChannel::CallbackType::END);
        if (index >= voices.size())
            return; // the system was shut down from inside the callback
    }
    release(index);
}

void SoundChannelPool::release(unsigned index)
{
    Voice& voice = voices[index];
    if (voice.source != 0) {
        alSourceStop(voice.source);
        alSourcei(voice.source, AL_BUFFER, 0);
    }
    const unsigned source = voice.source;
    const unsigned generation = voice.generation + 1;
    voice = Voice();
    voice.source = source;
    voice.generation = generation;
}

Ogre::Vector3 SoundChannelPool::toDevice(const Ogre::Vector3& v) const
{
    // The device is right-handed; mirroring z converts either way.
    return rightHanded ? v : Ogre::Vector3(v.x, v.y, -v.z);
}

SoundResult SoundChannelPool::stop(unsigned index, unsigned generation)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (voice->inCallback) {
        voice->stopped = true;
        applyState(*voice);
        if (voice->source != 0)
            alSourceStop(voice->source);
        return SoundResult::OK;
    }
    release(index);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::isPlaying(unsigned index, unsigned generation, bool& playing) const
{
    playing = false;
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    playing = !voice->stopped && !hasEnded(*voice);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::setPaused(unsigned index, unsigned generation, bool paused)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    voice->paused = paused;
    applyState(*voice);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::getPaused(unsigned index, unsigned generation, bool& paused) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    paused = voice->paused;
    return SoundResult::OK;
}

SoundResult SoundChannelPool::setVolume(unsigned index, unsigned generation, float volume)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (!std::isfinite(volume))
        return SoundResult::INVALID_FLOAT;
    voice->volume = std::clamp(volume, 0.0f, 1.0f);
    applyState(*voice);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::getVolume(unsigned index, unsigned generation, float& volume) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    volume = voice->volume;
    return SoundResult::OK;
}

SoundResult SoundChannelPool::set3DAttributes(unsigned index, unsigned generation, const Ogre::Vector3& position,
                                              const Ogre::Vector3& velocity)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (!voice->sample->is3D())
        return SoundResult::NEEDS_3D;
    if (!isFinite(position) || !isFinite(velocity))
        return SoundResult::INVALID_FLOAT;
    voice->position = position;
    voice->velocity = velocity;
    if (voice->source != 0) {
        const Ogre::Vector3 p = toDevice(position);
        const Ogre::Vector3 v = toDevice(velocity);
        alSource3f(voice->source, AL_POSITION, p.x, p.y, p.z);
        alSource3f(voice->source, AL_VELOCITY, v.x, v.y, v.z);
    }
    return SoundResult::OK;
}

SoundResult SoundChannelPool::get3DAttributes(unsigned index, unsigned generation, Ogre::Vector3& position,
                                              Ogre::Vector3& velocity) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (!voice->sample->is3D())
        return SoundResult::NEEDS_3D;
    if (voice->source == 0) {
        position = voice->position;
        velocity = voice->velocity;
        return SoundResult::OK;
    }
    // Read back what the device holds, so callers see where the sound really is.
    Ogre::Vector3 p;
    Ogre::Vector3 v;
    alGetSource3f(voice->source, AL_POSITION, &p.x, &p.y, &p.z);
    alGetSource3f(voice->source, AL_VELOCITY, &v.x, &v.y, &v.z);
    position = toDevice(p);
    velocity = toDevice(v);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::set3DMinMaxDistance(unsigned index, unsigned generation, float minDistance,
                                                  float maxDistance)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (!voice->sample->is3D())
        return SoundResult::NEEDS_3D;
    if (!std::isfinite(minDistance) || !std::isfinite(maxDistance))
        return SoundResult::INVALID_FLOAT;
    if (minDistance < 0.0f || maxDistance < minDistance)
        return SoundResult::INVALID_PARAM;
    voice->minDistance = minDistance;
    voice->maxDistance = maxDistance;
    if (voice->source != 0) {
        alSourcef(voice->source, AL_REFERENCE_DISTANCE, minDistance);
        alSourcef(voice->source, AL_MAX_DISTANCE, maxDistance);
    }
    return SoundResult::OK;
}

SoundResult SoundChannelPool::get3DMinMaxDistance(unsigned index, unsigned generation, float& minDistance,
                                                  float& maxDistance) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (!voice->sample->is3D())
        return SoundResult::NEEDS_3D;
    minDistance = voice->minDistance;
    maxDistance = voice->maxDistance;
    return SoundResult::OK;
}

SoundResult SoundChannelPool::setMode(unsigned index, unsigned generation, unsigned mode)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    const bool head = (mode & SoundChannel::HEAD_RELATIVE_3D) != 0;
    const bool world = (mode & SoundChannel::WORLD_RELATIVE_3D) != 0;
    if (head && world)
        return SoundResult::INVALID_PARAM;
    if (!head && !world)
        return SoundResult::OK;
    voice->headRelative = head;
    // 2D sounds stay at the listener whatever the mode.
    if (voice->source != 0 && voice->sample->is3D())
        alSourcei(voice->source, AL_SOURCE_RELATIVE, head ? AL_TRUE : AL_FALSE);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::getMode(unsigned index, unsigned generation, unsigned& mode) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    mode = voice->sample->getMode() |
           (voice->headRelative ? SoundChannel::HEAD_RELATIVE_3D : SoundChannel::WORLD_RELATIVE_3D);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::setUserData(unsigned index, unsigned generation, void* data)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    voice->userData = data;
    return SoundResult::OK;
}

SoundResult SoundChannelPool::getUserData(unsigned index, unsigned generation, void*& data) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    data = voice->userData;
    return SoundResult::OK;
}

SoundResult SoundChannelPool::setCallback(unsigned index, unsigned generation, SoundChannel::CallbackType type,
                                          SoundChannel::Callback callback)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (type != SoundChannel::CallbackType::END)
        return SoundResult::INVALID_PARAM;
    voice->endCallback = std::move(callback);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::setChannelGroup(unsigned index, unsigned generation, SoundChannelGroup* group)
{
    Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    if (!group)
        group = groups.front().get();
    if (&group->getPool() != this)
        return SoundResult::INVALID_PARAM;
    voice->group = group;
    applyState(*voice);
    return SoundResult::OK;
}

SoundResult SoundChannelPool::getChannelGroup(unsigned index, unsigned generation, SoundChannelGroup*& group) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    group = voice->group;
    return SoundResult::OK;
}

SoundResult SoundChannelPool::getCurrentSound(unsigned index, unsigned generation, SoundSample*& sound) const
{
    const Voice* voice = find(index, generation);
    if (!voice)
        return SoundResult::INVALID_HANDLE;
    sound = voice->sample;
    return SoundResult::OK;
}

void SoundChannelPool::refreshGroup(const SoundChannelGroup& group)
{
    for (Voice& voice : voices) {
        if (voice.active && belongsTo(voice, group))
            applyState(voice);
    }
}

void SoundChannelPool::stopGroup(const SoundChannelGroup& group)
{
    for (unsigned index = 0; index < voices.size(); ++index) {
        Voice& voice = voices[index];
        if (voice.active && belongsTo(voice, group))
            stop(index, voice.generation);
    }
}

int SoundChannelPool::countChannels(const SoundChannelGroup& group) const
{
    return static_cast<int>(std::count_if(voices.begin(), voices.end(), [&](const Voice& voice) {
        return voice.active && !voice.stopped && belongsTo(voice, group);
    }));
}

} // namespace Tolvarine

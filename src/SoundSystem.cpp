#include "SoundSystem.h"

#include "GameLog.h"
#include "SoundChannel.h"
#include "SoundChannelGroup.h"
#include "SoundChannelPool.h"
#include "SoundSample.h"

#include <AL/al.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace Tolvarine {

namespace {

bool isFinite(const Ogre::Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

SoundSystem::SoundSystem(Output output, const std::string& deviceName)
    : output(output), pool(std::make_shared<SoundChannelPool>())
{
    openOutput(deviceName);
}

SoundSystem::~SoundSystem()
{
    // Sources before the buffers they play, both before the context that owns them.
    pool->shutDown();
    pool.reset();
    samples.clear();
    if (context) {
        if (alcGetCurrentContext() == context)
            alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
    if (device)
        alcCloseDevice(device);
}

void SoundSystem::openOutput(const std::string& deviceName)
{
    if (output == Output::DEVICE) {
        device = alcOpenDevice(deviceName.empty() ? nullptr : deviceName.c_str());
    } else if (output == Output::LOOPBACK) {
        const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        if (openLoopback)
            device = openLoopback(nullptr);
    }
}

bool SoundSystem::createContext(int voices)
{
    std::vector<ALCint> attributes = {ALC_MONO_SOURCES, voices, ALC_STEREO_SOURCES, voices};
    if (output == Output::LOOPBACK) {
        const ALCint format[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY, LOOPBACK_FREQUENCY};
        attributes.insert(attributes.end(), std::begin(format), std::end(format));
    }
    attributes.push_back(0);
    context = alcCreateContext(device, attributes.data());
    if (context && alcMakeContextCurrent(context))
        return true;
    if (context)
        alcDestroyContext(context);
    context = nullptr;
    return false;
}

SoundResult SoundSystem::setSoftwareChannels(int count)
{
    if (initialised)
        return SoundResult::ALREADY_INITIALISED;
    if (count < 0)
        return SoundResult::INVALID_PARAM;
    softwareChannels = count;
    return SoundResult::OK;
}

SoundResult SoundSystem::getDriverName(int driver, std::string& name) const
{
    if (driver != 0)
        return SoundResult::INVALID_PARAM;
    const ALCchar* deviceName = device ? alcGetString(device, ALC_DEVICE_SPECIFIER) : nullptr;
    name = deviceName && *deviceName ? deviceName : "Silent";
    return SoundResult::OK;
}

SoundResult SoundSystem::getDriverCaps(int driver, unsigned& caps) const
{
    if (driver != 0)
        return SoundResult::INVALID_PARAM;
    caps = 0;
    return SoundResult::OK;
}

SoundResult SoundSystem::setHardwareChannels(int min2d, int max2d, int min3d, int max3d)
{
    if (initialised)
        return SoundResult::ALREADY_INITIALISED;
    if (min2d < 0 || max2d < min2d || min3d < 0 || max3d < min3d)
        return SoundResult::INVALID_PARAM;
    hardwareChannels[0] = min2d;
    hardwareChannels[1] = max2d;
    hardwareChannels[2] = min3d;
    hardwareChannels[3] = max3d;
    return SoundResult::OK;
}

SoundResult SoundSystem::init(int maxChannels, unsigned flags, void* /*extraDriverData*/)
{
    if (initialised)
        return SoundResult::ALREADY_INITIALISED;
    if (maxChannels < 1)
        return SoundResult::INVALID_PARAM;
    const int voices = softwareChannels > 0 ? std::min(maxChannels, softwareChannels) : maxChannels;
    rightHanded = (flags & INIT_3D_RIGHT_HANDED) != 0;
    // The defaults face down the device's -z; in a left-handed frame that is +z.
    listenerForward = toDevice(Ogre::Vector3::NEGATIVE_UNIT_Z);

    if (device && !createContext(voices)) {
        alcCloseDevice(device);
        device = nullptr;
    }
    if (!context)
        GameLog::line("Sound System: no audio device, running silent");
    else {
        alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
        apply3DSettings();
        applyListener();
    }
    pool->setRightHanded(rightHanded);
    pool->setRolloff(rolloffScale);
    pool->start(voices, context != nullptr);
    initialised = true;
    return SoundResult::OK;
}

SoundResult SoundSystem::getHardwareChannels(int& hardware2d, int& hardware3d, int& total) const
{
    // Everything is mixed in software.
    hardware2d = 0;
    hardware3d = 0;
    total = 0;
    return SoundResult::OK;
}

SoundResult SoundSystem::set3DSettings(float doppler, float distance, float rolloff)
{
    if (!std::isfinite(doppler) || !std::isfinite(distance) || !std::isfinite(rolloff))
        return SoundResult::INVALID_FLOAT;
    if (doppler < 0.0f || distance <= 0.0f || rolloff < 0.0f)
        return SoundResult::INVALID_PARAM;
    dopplerScale = doppler;
    distanceFactor = distance;
    rolloffScale = rolloff;
    if (context)
        apply3DSettings();
    pool->setRolloff(rolloffScale);
    return SoundResult::OK;
}

SoundResult SoundSystem::get3DSettings(float& doppler, float& distance, float& rolloff) const
{
    doppler = dopplerScale;
    distance = distanceFactor;
    rolloff = rolloffScale;
    return SoundResult::OK;
}

void SoundSystem::apply3DSettings()
{
    alDopplerFactor(dopplerScale);
    alSpeedOfSound(SPEED_OF_SOUND * distanceFactor);
}

SoundResult SoundSystem::set3DListenerAttributes(int listener, const Ogre::Vector3& position,
                                                 const Ogre::Vector3& velocity, const Ogre::Vector3& forward,
                                                 const Ogre::Vector3& up)
{
    if (listener != 0)
        return SoundResult::INVALID_PARAM;
    if (!isFinite(position) || !isFinite(velocity) || !isFinite(forward) || !isFinite(up))
        return SoundResult::INVALID_FLOAT;
    listenerPosition = position;
    listenerVelocity = velocity;
    listenerForward = forward;
    listenerUp = up;
    if (context)
        applyListener();
    return SoundResult::OK;
}

SoundResult SoundSystem::get3DListenerAttributes(int listener, Ogre::Vector3& position, Ogre::Vector3& velocity,
                                                 Ogre::Vector3& forward, Ogre::Vector3& up) const
{
    if (listener != 0)
        return SoundResult::INVALID_PARAM;
    if (!context) {
        position = listenerPosition;
        velocity = listenerVelocity;
        forward = listenerForward;
        up = listenerUp;
        return SoundResult::OK;
    }
    // Read back what the device holds, so callers see where the listener really is.
    Ogre::Vector3 p;
    Ogre::Vector3 v;
    ALfloat orientation[6] = {};
    alGetListener3f(AL_POSITION, &p.x, &p.y, &p.z);
    alGetListener3f(AL_VELOCITY, &v.x, &v.y, &v.z);
    alGetListenerfv(AL_ORIENTATION, orientation);
    position = toDevice(p);
    velocity = toDevice(v);
    forward = toDevice(Ogre::Vector3(orientation[0], orientation[1], orientation[2]));
    up = toDevice(Ogre::Vector3(orientation[3], orientation[4], orientation[5]));
    return SoundResult::OK;
}

void SoundSystem::applyListener()
{
    const Ogre::Vector3 p = toDevice(listenerPosition);
    const Ogre::Vector3 v = toDevice(listenerVelocity);
    const Ogre::Vector3 f = toDevice(listenerForward);
    const Ogre::Vector3 u = toDevice(listenerUp);
    const ALfloat orientation[6] = {f.x, f.y, f.z, u.x, u.y, u.z};
    alListener3f(AL_POSITION, p.x, p.y, p.z);
    alListener3f(AL_VELOCITY, v.x, v.y, v.z);
    alListenerfv(AL_ORIENTATION, orientation);
}

Ogre::Vector3 SoundSystem::toDevice(const Ogre::Vector3& v) const
{
    // The device is right-handed; mirroring z converts either way.
    return rightHanded ? v : Ogre::Vector3(v.x, v.y, -v.z);
}

SoundResult SoundSystem::getMasterChannelGroup(SoundChannelGroup*& group)
{
    group = &pool->getMasterGroup();
    return SoundResult::OK;
}

SoundResult SoundSystem::createChannelGroup(const std::string& name, SoundChannelGroup*& group)
{
    group = &pool->createGroup(name);
    return SoundResult::OK;
}

SoundResult SoundSystem::createSound(const std::string& path, unsigned mode, SoundSample*& sound)
{
    sound = nullptr;
    if (!initialised)
        return SoundResult::NOT_INITIALISED;
    std::unique_ptr<SoundSample> sample;
    const SoundResult result = SoundSample::load(path, mode, context != nullptr, pool.get(), sample);
    if (result != SoundResult::OK)
        return result;
    samples.push_back(std::move(sample));
    sound = samples.back().get();
    return SoundResult::OK;
}

SoundResult SoundSystem::playSound(SoundSample* sound, bool paused, SoundChannel& channel)
{
    channel = SoundChannel();
    if (!initialised)
        return SoundResult::NOT_INITIALISED;
    if (!sound || sound->getOwner() != pool.get())
        return SoundResult::INVALID_PARAM;
    return pool->play(*sound, paused, channel);
}

SoundResult SoundSystem::getChannelsPlaying(int& count) const
{
    count = pool->countPlaying();
    return SoundResult::OK;
}

SoundResult SoundSystem::update()
{
    if (!initialised)
        return SoundResult::NOT_INITIALISED;
    pool->update();
    return SoundResult::OK;
}

SoundResult SoundSystem::renderSamples(std::vector<float>& interleavedStereo, int frames)
{
    if (output != Output::LOOPBACK || !context)
        return SoundResult::UNSUPPORTED;
    if (frames < 0)
        return SoundResult::INVALID_PARAM;
    const auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(device, "alcRenderSamplesSOFT"));
    if (!render)
        return SoundResult::UNSUPPORTED;
    interleavedStereo.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
    render(device, interleavedStereo.data(), frames);
    return SoundResult::OK;
}

void SoundSystem::setClock(std::function<double()> secondsNow)
{
    pool->setClock(std::move(secondsNow));
}

} // namespace Tolvarine

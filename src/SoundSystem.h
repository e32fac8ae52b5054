#pragma once

#include "SoundResult.h"

#include <AL/alc.h>
#include <OgreVector.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class SoundChannel;
class SoundChannelGroup;
class SoundChannelPool;
class SoundSample;

// The game's sound system over OpenAL Soft: the audio device and its context, the 3D listener,
// the Doppler and distance settings, the sounds loaded from WAV files, the channels that play
// them and the channel groups. Every operation returns a SoundResult (OK or the reason it
// failed); nothing throws.
//
// When no audio device opens (machines without sound, test machines), init logs one line and
// the system runs silent: sounds still load (their length is known), channels still start,
// pause, end after their sound's length and call back, so the game behaves as with a device.
//
// Only one system with an audio context should exist at a time: OpenAL has one current context
// per process.
class SoundSystem {
public:
    enum class Output {
        DEVICE,   // the named device, or the default one; silent when it does not open
        LOOPBACK, // no device: the mix is pulled with renderSamples (stereo float, 44.1 kHz)
        SILENT    // no output at all
    };

    // Flags of init.
    enum InitFlag : unsigned {
        INIT_NORMAL = 0x0,
        INIT_3D_RIGHT_HANDED = 0x2, // positions come in a right-handed frame (else z is mirrored)
        INIT_3D_QUALITY_NONE = 0x200, // quality hints, accepted and ignored
        INIT_3D_QUALITY_LIGHT = 0x400,
        INIT_3D_QUALITY_FULL = 0x800
    };

    // Capability bits of getDriverCaps (OpenAL Soft mixes in software, so none is ever set).
    enum Capability : unsigned {
        CAPS_HARDWARE = 0x1,
        CAPS_HARDWARE_EMULATED = 0x2,
        CAPS_REVERB_EAX2 = 0x100,
        CAPS_REVERB_EAX3 = 0x200,
        CAPS_REVERB_EAX4 = 0x400,
        CAPS_REVERB_I3DL2 = 0x800,
        CAPS_REVERB_LIMITED = 0x1000
    };

    static constexpr int LOOPBACK_FREQUENCY = 44100;
    // Metres per second; scaled by the distance factor into game units.
    static constexpr float SPEED_OF_SOUND = 343.3f;
    // Voices when setSoftwareChannels was never called.
    static constexpr int DEFAULT_SOFTWARE_CHANNELS = 32;

    // Opens the output; the context is made by init.
    explicit SoundSystem(Output output = Output::DEVICE, const std::string& deviceName = std::string());
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // Before init: the number of voices that really mix (0 leaves it to init's count).
    SoundResult setSoftwareChannels(int count);
    // Only driver 0 exists: the device's name, "Silent" when there is no device.
    SoundResult getDriverName(int driver, std::string& name) const;
    SoundResult getDriverCaps(int driver, unsigned& caps) const;
    // Before init: accepted and kept for the record; the device has no hardware voices.
    SoundResult setHardwareChannels(int min2d, int max2d, int min3d, int max3d);
    // Makes the context with min(maxChannels, software channels) voices; `extraDriverData` is
    // not used on this platform.
    SoundResult init(int maxChannels, unsigned flags, void* extraDriverData = nullptr);
    SoundResult getHardwareChannels(int& hardware2d, int& hardware3d, int& total) const;
    bool isInitialised() const { return initialised; }
    // True after init when nothing is heard: no device opened.
    bool isSilent() const { return context == nullptr; }

    // Doppler scale (0 turns the effect off), game units per metre, distance rolloff scale.
    SoundResult set3DSettings(float dopplerScale, float distanceFactor, float rolloffScale);
    SoundResult get3DSettings(float& dopplerScale, float& distanceFactor, float& rolloffScale) const;
    // Only listener 0 exists.
    SoundResult set3DListenerAttributes(int listener, const Ogre::Vector3& position, const Ogre::Vector3& velocity,
                                        const Ogre::Vector3& forward, const Ogre::Vector3& up);
    SoundResult get3DListenerAttributes(int listener, Ogre::Vector3& position, Ogre::Vector3& velocity,
                                        Ogre::Vector3& forward, Ogre::Vector3& up) const;

    // Groups are owned by the system; the master group holds every channel not moved elsewhere.
    SoundResult getMasterChannelGroup(SoundChannelGroup*& group);
    SoundResult createChannelGroup(const std::string& name, SoundChannelGroup*& group);

    // Loads a WAV file (see SoundSample::Mode for `mode`); the sample belongs to the system.
    SoundResult createSound(const std::string& path, unsigned mode, SoundSample*& sound);
    // Puts the sound on a voice, set up but held while `paused`. Never fails for lack of voices:
    // when all are busy the oldest non-looping sound (else the least audible loop) is ended,
    // with its end callback, and its voice reused.
    SoundResult playSound(SoundSample* sound, bool paused, SoundChannel& channel);
    SoundResult getChannelsPlaying(int& count) const;

    // Once per frame: delivers the end callbacks of sounds that ended by themselves and frees
    // their channels.
    SoundResult update();

    // LOOPBACK output only: mixes the next `frames` frames into interleaved stereo samples.
    SoundResult renderSamples(std::vector<float>& interleavedStereo, int frames);
    // Replaces the clock (seconds, steadily increasing) that times channels heard by no device.
    void setClock(std::function<double()> secondsNow);

private:
    void openOutput(const std::string& deviceName);
    bool createContext(int voices);
    void applyListener();
    void apply3DSettings();
    Ogre::Vector3 toDevice(const Ogre::Vector3& v) const;

    Output output;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool initialised = false;
    int softwareChannels = DEFAULT_SOFTWARE_CHANNELS;
    int hardwareChannels[4] = {0, 0, 0, 0};
    bool rightHanded = true;
    float dopplerScale = 1.0f;
    float distanceFactor = 1.0f;
    float rolloffScale = 1.0f;
    Ogre::Vector3 listenerPosition = Ogre::Vector3::ZERO;
    Ogre::Vector3 listenerVelocity = Ogre::Vector3::ZERO;
    Ogre::Vector3 listenerForward = Ogre::Vector3::NEGATIVE_UNIT_Z;
    Ogre::Vector3 listenerUp = Ogre::Vector3::UNIT_Y;
    std::shared_ptr<SoundChannelPool> pool;
    std::vector<std::unique_ptr<SoundSample>> samples;
};

} // namespace Tolvarine

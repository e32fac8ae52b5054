#pragma once

#include "Config.h"
#include "SoundSystem.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

namespace Ogre {
class RenderWindow;
}

namespace Tolvarine {

class FixedTask;
class SoundSample;
class SoundSource;

// Selects the gain from cfg/sound.cfg that a sound source plays at.
enum class SoundCategory {
    ENVIRONMENT = 0,
    EFFECTS = 1,    // weapons, explosions, warp arrivals
    INSTRUMENT = 2, // cockpit alarms
    THRUST = 3,     // engine sounds
    AMBIENT = 4     // the ambient loops
};

// The owner of the sound system and everything played through it: the settings of
// cfg/sound.cfg, the gain of each sound category, the sounds loaded so far (each file once per
// creation mode), the sound definitions of data/sound and the sources that are playing. Every
// frame it moves the listener to the current camera and lets the sound system deliver the ends
// of finished sounds. The scheduler suspends the Doppler effect while the game is paused, so
// paused sounds do not shift in pitch.
//
// Failures of the sound calls the game cannot do without log "FMOD error: " and end the
// process with exit code 10 (see checkSoundResult). With no audio device the game runs silent.
// A sound file is not such a call: every definition's file is checked at start-up, and one that
// fails to load later plays nothing. Gains are kept within 0 to 1.
class SoundManager {
public:
    // Reads cfg/sound.cfg from the working directory and starts the sound system. `output`
    // chooses where the sound goes; the game uses the audio device. A missing setting, a sound
    // folder ("soundPath") that does not exist, or a setting the sound system refuses (section
    // Environment: dopplerFactor or rolloffFactor below 0, distanceFactor not above 0; section
    // General: a channel count below 0, a max...HardwareChannels below its min..., virtualChannels
    // below 1) is logged with its place in the file and throws ConfigurationError.
    explicit SoundManager(Ogre::RenderWindow* window, SoundSystem::Output output = SoundSystem::Output::DEVICE);
    // Stops every playing source first, so sources that outlive the manager stay harmless.
    ~SoundManager();
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    static SoundManager& getSingleton() { return *singleton; }
    static SoundManager* getSingletonPtr() { return singleton; }

    // The settings of cfg/sound.cfg, as read at start-up and changed since.
    const Config& getConfig() const { return config; }

    // A category outside the enumeration is logged and throws ConfigurationError.
    float getCategoryGain(SoundCategory category) const;
    float getInstrumentGain() const { return instrumentGain; }
    float getEffectsGain() const { return effectsGain; }
    float getThrustGain() const { return thrustGain; }
    float getAmbientGain() const { return ambientGain; }

    // Each setter stores its gain, brought into 0 to 1, and saves cfg/sound.cfg at once. Playing
    // sources keep their volume until refreshVolumes.
    void setInstrumentGain(float gain);
    void setEffectsGain(float gain);
    void setThrustGain(float gain);
    void setAmbientGain(float gain);
    // The volume of everything; applied at once, and saved.
    void setMasterGain(float gain);
    // Sets every playing source to its category's gain times its own.
    void refreshVolumes();

    // True suspends the Doppler effect, false restores the configured factor; repeating the
    // current state does nothing.
    void setDopplerSuspended(bool suspended);
    bool isDopplerSuspended() const { return dopplerSuspended; }

    // Once per frame (fixed task "SoundManager::update"); delivers the ends of finished sounds.
    void update(float lastFrameTime, float smoothedFrameTime);
    // Puts the listener at a camera's pose: it faces the camera's -z with the camera's y up.
    void updateListener(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                        const Ogre::Vector3& velocity);
    // The orientation last given to updateListener (identity before), so sounds placed around
    // the listener can be turned into its frame.
    const Ogre::Quaternion& getListenerOrientation() const { return listenerOrientation; }

    // The sound definition (a ".sound" file of data/sound) called `name`. The folder is read at
    // the first call, and again on each later call as long as it held no definition. A name
    // without a definition logs "Could not get sound config <name>" and throws
    // ConfigurationError.
    static Config& getSoundConfig(const std::string& name);
    // Drops every definition read so far, so the next lookup reads the folder again.
    static void forgetSoundConfigs();

    // The sound of a definition, loaded at the first request for its file and mode and shared
    // afterwards. A file that does not load is logged once and gives null: the sound plays nothing.
    SoundSample* createSound(const Config& definition, bool hardware);
    // Decodes the file of every definition in data/sound; the first that does not load is logged
    // with its definition (or, when the sound folder holds none of the definitions' files, with
    // "soundPath" of cfg/sound.cfg) and throws ConfigurationError, so a broken sound stops the
    // start-up instead of the game that first plays it.
    void checkSoundFiles() const;

    // Kept by the sources: those that hold a channel.
    void addPlaying(SoundSource* source);
    void removePlaying(SoundSource* source);
    const std::set<SoundSource*>& getPlaying() const { return playing; }

    SoundSystem& getSystem() { return *system; }
    const SoundSystem& getSystem() const { return *system; }

private:
    void start(SoundSystem::Output output);
    unsigned readQualityFlag();
    void logDriver();
    void setGain(float& field, const char* key, float gain);
    float readGain(const char* key);
    float readFactor(const char* key, bool zeroPlays, const char* meaning);
    int readChannelCount(const char* key, int least, const char* leastKey, const char* meaning);
    std::string soundFile(const std::string& filename) const;

    static SoundManager* singleton;

    Config config;
    bool dopplerSuspended = false;
    std::unique_ptr<SoundSystem> system;
    float dopplerFactor = 1.0f;
    float distanceFactor = 1.0f;
    float rolloffFactor = 1.0f;
    float environmentGain = 1.0f;
    float instrumentGain = 1.0f;
    float effectsGain = 1.0f;
    float thrustGain = 1.0f;
    float ambientGain = 1.0f;
    // Keyed by the file name and the creation mode; the samples belong to the system.
    std::map<std::pair<std::string, unsigned>, SoundSample*> sounds;
    std::set<SoundSource*> playing;
    std::unique_ptr<FixedTask> updateTask;
    std::string soundPath;
    Ogre::Quaternion listenerOrientation = Ogre::Quaternion::IDENTITY;
};

} // namespace Tolvarine

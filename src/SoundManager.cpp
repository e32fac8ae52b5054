#include "SoundManager.h"

#include "CameraBase.h"
#include "CameraController.h"
#include "ConfigurationError.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "SoundChannelGroup.h"
#include "SoundResult.h"
#include "SoundSample.h"
#include "SoundSource.h"
#include "ValueRange.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <sstream>
#include <vector>

namespace Tolvarine {

namespace {

const char* const CONFIG_PATH = "cfg/sound.cfg";
const char* const DEFINITION_FOLDER = "data/sound";

// Definitions by name; each one a whole ".sound" file.
std::map<std::string, std::shared_ptr<Config>>& soundConfigs()
{
    static std::map<std::string, std::shared_ptr<Config>> registry;
    return registry;
}

bool isDefinitionFile(const std::filesystem::path& path)
{
    const std::string extension = path.extension().string();
    return extension == ".sound" || extension == ".soundx";
}

// The definition files of the folder by name, so that a plain file is met before its
// enciphered twin whatever order the file system lists them in. A missing folder holds none.
std::vector<std::filesystem::path> listDefinitionFiles()
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(DEFINITION_FOLDER, error), end; !error && entry != end;
         entry.increment(error)) {
        if (isDefinitionFile(entry->path()))
            files.push_back(entry->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void parseDefinitionFiles()
{
    GameLog::line("SoundManager parsing .sound files");
    auto& registry = soundConfigs();
    for (const std::filesystem::path& file : listDefinitionFiles()) {
        const std::string name = file.stem().string();
        // A twin beside its plain file is the same definition: the first one stays.
        if (registry.find(name) == registry.end())
            registry.emplace(name, std::make_shared<Config>(file.generic_string(), false, false, false));
        GameLog::line(file.filename().string() + ".");
    }
}

// A gain outside what the sound sheet's sliders give, 0 to 1, would deafen the player or turn the
// sound upside down: it is clamped. NaN would pass any clamp, so it plays at the full level.
float usableGain(float gain)
{
    if (std::isnan(gain))
        return 1.0f;
    return std::clamp(gain, 0.0f, 1.0f);
}

unsigned creationMode(const Config& definition, bool hardware)
{
    unsigned mode = hardware ? SoundSample::HARDWARE : SoundSample::SOFTWARE;
    mode |= definition.get<bool>("Sound", "2d", false) ? SoundSample::MODE_2D : SoundSample::MODE_3D;
    if (definition.get<bool>("Sound", "looping", false))
        mode |= SoundSample::LOOP_NORMAL;
    if (definition.get<bool>("Sound", "stream", false))
        mode |= SoundSample::CREATE_STREAM;
    return mode;
}

std::string handleText(const SoundSample* sample)
{
    std::ostringstream text;
    text << static_cast<const void*>(sample);
    return text.str();
}

} // namespace

SoundManager* SoundManager::singleton = nullptr;

SoundManager::SoundManager(Ogre::RenderWindow*, SoundSystem::Output output) : config(CONFIG_PATH, false, false)
{
    singleton = this;
    try {
        start(output);
    } catch (...) {
        // The destructor does not run for a constructor that throws.
        singleton = nullptr;
        throw;
    }
}

SoundManager::~SoundManager()
{
    const std::set<SoundSource*> stillPlaying = playing;
    for (SoundSource* source : stillPlaying)
        source->stop();
    if (singleton == this)
        singleton = nullptr;
}

void SoundManager::start(SoundSystem::Output output)
{
    dopplerFactor = readFactor("dopplerFactor", true, "0 turns the Doppler effect off");
    distanceFactor = readFactor("distanceFactor", false, "game units per metre");
    rolloffFactor = readFactor("rolloffFactor", true, "0 turns the fading with distance off");
    environmentGain = readGain("environment");
    instrumentGain = readGain("instrument");
    effectsGain = readGain("effects");
    thrustGain = readGain("thrust");
    ambientGain = readGain("ambient");

    updateTask = std::make_unique<FixedTask>(
        [this](float lastFrameTime, float smoothedFrameTime) { update(lastFrameTime, smoothedFrameTime); },
        "SoundManager::update", 35);

    soundPath = config.get<std::string>("General", "soundPath");
    // Without its folder no sound file of any definition loads; the folder, not each file, is at fault.
    if (!std::filesystem::is_directory(soundPath))
        ValueRange::refuse(config, "General", "soundPath", "SoundManager: there is no sound folder " + soundPath);
    GameLog::line("Sound Manager:");

    system = std::make_unique<SoundSystem>(output);
    const unsigned qualityFlag = readQualityFlag();

    const std::string softwareChannels = config.get<std::string>("General", "maxSoftwareChannels");
    GameLog::line("Software audio channels: " + softwareChannels);
    checkSoundResult(system->setSoftwareChannels(
        readChannelCount("maxSoftwareChannels", 0, nullptr, "0 leaves the count to virtualChannels")));

    logDriver();

    const int min3d = readChannelCount("min3dHardwareChannels", 0, nullptr, nullptr);
    const int max3d = readChannelCount("max3dHardwareChannels", min3d, "min3dHardwareChannels", nullptr);
    const int min2d = readChannelCount("min2dHardwareChannels", 0, nullptr, nullptr);
    const int max2d = readChannelCount("max2dHardwareChannels", min2d, "min2dHardwareChannels", nullptr);
    checkSoundResult(system->setHardwareChannels(min2d, max2d, min3d, max3d));

    GameLog::line("Sound Manager: initialising");
    // Positions come in the rendering engine's right-handed frame. The window handle some
    // drivers take has no use on this platform.
    checkSoundResult(system->init(readChannelCount("virtualChannels", 1, nullptr, "the sounds that play at once"),
                                  qualityFlag | SoundSystem::INIT_3D_RIGHT_HANDED, nullptr));

    int hardware2d = 0;
    int hardware3d = 0;
    int hardwareTotal = 0;
    checkSoundResult(system->getHardwareChannels(hardware2d, hardware3d, hardwareTotal));
    GameLog::line("HW 2D channels: " + std::to_string(hardware2d));
    GameLog::line("HW 3D channels: " + std::to_string(hardware3d));
    GameLog::line("HW Total channels: " + std::to_string(hardwareTotal));

    GameLog::line("Sound Manager: 3D settings");
    checkSoundResult(system->set3DSettings(dopplerFactor, distanceFactor, rolloffFactor));

    setMasterGain(readGain("master"));
}

// The sound system refuses a Doppler or rolloff scale below 0 and a distance factor of 0 or below,
// and treats such a call as fatal: the game would end with its error, which names no setting. A
// hand-edited value it refuses has no nearest sound meaning (no sheet writes these keys), so it
// is refused here at start-up naming the file, section and key.
float SoundManager::readFactor(const char* key, bool zeroPlays, const char* meaning)
{
    const float factor = config.get<float>("Environment", key);
    if (zeroPlays ? factor < 0.0f : !(factor > 0.0f))
        ValueRange::refuse(config, "Environment", key,
                           std::string("SoundManager: ") + key + " " + ValueRange::figure(factor)
                               + (zeroPlays ? " is below 0" : " is not above 0")
                               + ", which the sound system refuses (" + meaning + ")");
    return factor;
}

// The same for the channel counts: the sound system refuses a count below 0, a most below its
// least and fewer than one sound at once. `leastKey` names the key that gave `least`, where one
// did; `meaning`, where given, closes the line.
int SoundManager::readChannelCount(const char* key, int least, const char* leastKey, const char* meaning)
{
    const int count = config.get<int>("General", key);
    if (count < least)
        ValueRange::refuse(config, "General", key,
                           std::string("SoundManager: ") + key + " " + std::to_string(count) + " is below "
                               + (leastKey ? std::string(leastKey) + " " : std::string()) + std::to_string(least)
                               + ", which the sound system refuses"
                               + (meaning ? std::string(" (") + meaning + ")" : std::string()));
    return count;
}

// A hand-edited gain is brought into range with a log line, and the usable value is what the
// next save writes back.
float SoundManager::readGain(const char* key)
{
    float gain = std::numeric_limits<float>::quiet_NaN();
    try {
        gain = config.get<float>("Gain", key);
    } catch (const Config::NotFiniteNumber&) {
        // Logged with its place by the reader; a gain that is no number is replaced below.
    }
    const float usable = usableGain(gain);
    if (!(usable == gain)) {
        std::ostringstream message;
        message << "SoundManager: gain " << key << " " << gain << " is outside 0 to 1, using " << usable;
        GameLog::line(message.str());
        config.set<float>("Gain", key, usable);
    }
    return usable;
}

unsigned SoundManager::readQualityFlag()
{
    switch (config.get<int>("General", "software3dQuality")) {
    case 0:
        GameLog::line("Software audio quality: None");
        return SoundSystem::INIT_3D_QUALITY_NONE;
    case 1:
        GameLog::line("Software audio quality: Light");
        return SoundSystem::INIT_3D_QUALITY_LIGHT;
    default:
        GameLog::line("Software audio quality: Full");
        return SoundSystem::INIT_3D_QUALITY_FULL;
    }
}

void SoundManager::logDriver()
{
    std::string name;
    checkSoundResult(system->getDriverName(0, name));
    GameLog::line("Sound Manager: Driver: " + name);

    unsigned caps = 0;
    checkSoundResult(system->getDriverCaps(0, caps));
    GameLog::line("Sound Manager: Hardware capabilities:");
    static const std::pair<unsigned, const char*> capabilityLines[] = {
        {SoundSystem::CAPS_HARDWARE, "-Hardware mixing"}, {SoundSystem::CAPS_HARDWARE_EMULATED, "-Hardware emulated"},
        {SoundSystem::CAPS_REVERB_EAX2, "-EAX2"},         {SoundSystem::CAPS_REVERB_EAX3, "-EAX3"},
        {SoundSystem::CAPS_REVERB_EAX4, "-EAX4"},         {SoundSystem::CAPS_REVERB_I3DL2, "-I3DL2"},
        {SoundSystem::CAPS_REVERB_LIMITED, "-Reverb limited"}};
    for (const auto& [bit, line] : capabilityLines) {
        if (caps & bit)
            GameLog::line(line);
    }
}

float SoundManager::getCategoryGain(SoundCategory category) const
{
    switch (category) {
    case SoundCategory::ENVIRONMENT:
        return environmentGain;
    case SoundCategory::EFFECTS:
        return effectsGain;
    case SoundCategory::INSTRUMENT:
        return instrumentGain;
    case SoundCategory::THRUST:
        return thrustGain;
    case SoundCategory::AMBIENT:
        return ambientGain;
    }
    GameLog::line("SoundManager encountered unknown SoundCategory");
    throw ConfigurationError();
}

void SoundManager::setGain(float& field, const char* key, float gain)
{
    field = usableGain(gain);
    config.set<float>("Gain", key, field);
    config.save();
}

void SoundManager::setInstrumentGain(float gain)
{
    setGain(instrumentGain, "instrument", gain);
}

void SoundManager::setEffectsGain(float gain)
{
    setGain(effectsGain, "effects", gain);
}

void SoundManager::setThrustGain(float gain)
{
    setGain(thrustGain, "thrust", gain);
}

void SoundManager::setAmbientGain(float gain)
{
    setGain(ambientGain, "ambient", gain);
}

void SoundManager::setMasterGain(float requested)
{
    const float gain = usableGain(requested);
    SoundChannelGroup* master = nullptr;
    checkSoundResult(system->getMasterChannelGroup(master));
    checkSoundResult(master->setVolume(gain));
    config.set<float>("Gain", "master", gain);
    config.save();
}

void SoundManager::refreshVolumes()
{
    for (SoundSource* source : playing)
        source->applyVolume();
}

void SoundManager::setDopplerSuspended(bool suspended)
{
    // Either result only affects pitch, never whether the game can go on.
    if (suspended && !dopplerSuspended) {
        system->set3DSettings(0.0f, distanceFactor, rolloffFactor);
        dopplerSuspended = true;
    } else if (!suspended && dopplerSuspended) {
        dopplerSuspended = false;
        system->set3DSettings(dopplerFactor, distanceFactor, rolloffFactor);
    }
}

void SoundManager::update(float, float)
{
    // The listener is wherever the player's view is: the current camera.
    if (CameraController* cameras = CameraController::getSingletonPtr()) {
        if (const CameraBase* camera = cameras->getCurrentCamera())
            updateListener(camera->getPosition(), camera->getOrientation(), camera->getVelocity());
    }
    checkSoundResult(system->update());
}

void SoundManager::updateListener(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                                  const Ogre::Vector3& velocity)
{
    listenerOrientation = orientation;
    checkSoundResult(
        system->set3DListenerAttributes(0, position, velocity, -orientation.zAxis(), orientation.yAxis()));
}

Config& SoundManager::getSoundConfig(const std::string& name)
{
    auto& registry = soundConfigs();
    if (registry.empty())
        parseDefinitionFiles();
    const auto found = registry.find(name);
    if (found == registry.end()) {
        GameLog::line("Could not get sound config " + name);
        throw ConfigurationError();
    }
    return *found->second;
}

void SoundManager::forgetSoundConfigs()
{
    soundConfigs().clear();
}

SoundSample* SoundManager::createSound(const Config& definition, bool hardware)
{
    const std::string filename = definition.get<std::string>("Sound", "filename");
    const unsigned mode = creationMode(definition, hardware);
    const auto key = std::make_pair(filename, mode);
    const auto cached = sounds.find(key);
    if (cached != sounds.end())
        return cached->second;

    // Every file was checked at start-up; one that fails now (deleted or damaged since, or no
    // room left on the device) costs its sound, not the game. The failure is kept, so it is
    // logged once.
    SoundSample* sample = nullptr;
    if (system->createSound(soundFile(filename), mode, sample) != SoundResult::OK) {
        GameLog::line("SoundManager: " + soundFile(filename) + " cannot be loaded, its sounds play nothing");
        sample = nullptr;
    } else {
        GameLog::line("Sound allocated: " + handleText(sample));
    }
    sounds.emplace(key, sample);
    return sample;
}

void SoundManager::checkSoundFiles() const
{
    auto& registry = soundConfigs();
    if (registry.empty())
        parseDefinitionFiles();
    // A folder that holds none of the files of several definitions is at fault itself, not the
    // definition met first.
    const auto folderHoldsAny = [this, &registry] {
        return registry.size() < 2 || std::any_of(registry.begin(), registry.end(), [this](const auto& entry) {
            return std::filesystem::is_regular_file(soundFile(entry.second->get("Sound", "filename", "")));
        });
    };
    for (const auto& [name, definition] : registry) {
        const std::string path = soundFile(definition->get<std::string>("Sound", "filename"));
        std::unique_ptr<SoundSample> decoded;
        if (SoundSample::load(path, creationMode(*definition, true), false, nullptr, decoded) != SoundResult::OK) {
            if (!folderHoldsAny())
                ValueRange::refuse(config, "General", "soundPath",
                                   "SoundManager: the sound folder " + soundPath
                                       + " holds none of the files the sound definitions name");
            GameLog::line("Sound definition " + name + ": its sound " + path + " cannot be loaded");
            definition->logPlace("Sound", "filename");
            throw ConfigurationError();
        }
    }
}

std::string SoundManager::soundFile(const std::string& filename) const
{
    return (std::filesystem::path(soundPath) / filename).generic_string();
}

void SoundManager::addPlaying(SoundSource* source)
{
    playing.insert(source);
}

void SoundManager::removePlaying(SoundSource* source)
{
    playing.erase(source);
}

} // namespace Tolvarine

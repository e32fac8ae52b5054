#include "SoundSource.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "GameLog.h"
#include "ProfileBlock.h"
#include "Profiler.h"
#include "SoundSample.h"


namespace Tolvarine {

namespace {

// Channels are as loud as at their minimum distance up to here; no sound of the game carries
// farther.
constexpr float MAX_DISTANCE = 10000.0f;

SoundManager& requireManager()
{
    SoundManager* manager = SoundManager::getSingletonPtr();
    if (!manager) {
        GameLog::line("SoundSource: no sound manager");
        throw FatalError();
    }
    return *manager;
}

} // namespace

std::unique_ptr<SoundSource> SoundSource::create(const std::string& name, SoundCategory category,
                                                 PositionReporter* reporter, const Ogre::Vector3& offset,
                                                 bool headRelative)
{
    return std::make_unique<SoundSource>(SoundManager::getSoundConfig(name), category, reporter, offset,
                                         headRelative);
}

std::unique_ptr<SoundSource> SoundSource::create(const Config& file, const std::string& section,
                                                 const std::string& key, SoundCategory category,
                                                 PositionReporter* reporter, const Ogre::Vector3& offset,
                                                 bool headRelative)
{
    return std::make_unique<SoundSource>(requireDefinition(file, section, key), category, reporter, offset,
                                         headRelative);
}

const Config& SoundSource::requireDefinition(const Config& file, const std::string& section, const std::string& key)
{
    const std::string name = file.get<std::string>(section, key);
    const Config* definition = nullptr;
    try {
        definition = &SoundManager::getSoundConfig(name);
    } catch (const ConfigurationError&) {
        file.logPlace(section, key);
        throw;
    }
    readLevels(*definition);
    return *definition;
}

const Config& SoundSource::requireDefinition(const std::string& name)
{
    const Config& definition = SoundManager::getSoundConfig(name);
    readLevels(definition);
    return definition;
}

SoundSource::Levels SoundSource::readLevels(const Config& definition)
{
    Levels levels;
    levels.gain = definition.get<float>("Sound", "gain", 1.0f);
    levels.minDistance = definition.get<float>("Sound", "minDistance", 1.0f);
    return levels;
}

SoundSource::SoundSource(const Config& definition, SoundCategory category, PositionReporter* reporter,
                         const Ogre::Vector3& offset, bool headRelative)
    : SoundSource(definition, readLevels(definition), category, reporter, offset, headRelative)
{
}

SoundSource::SoundSource(const Config& definition, const Levels& levels, SoundCategory category,
                         PositionReporter* reporter, const Ogre::Vector3& offset, bool headRelative)
    : category(category),
      reporter(reporter),
      offset(offset),
      headRelative(headRelative),
      baseGain(levels.gain),
      gain(baseGain),
      minDistance(levels.minDistance),
      positionCallback([this](const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                              const Ogre::Vector3& velocity) { update(position, orientation, velocity); })
{
    sound = requireManager().createSound(definition, true);
}

SoundSource::~SoundSource()
{
    stopSequence();
}

void SoundSource::stop()
{
    stopSequence();
}

void SoundSource::stopSequence()
{
    if (!channel)
        return;
    // Stopping a channel whose sound has already ended is harmless.
    channel->stop();
    channel.reset();
    if (followsReporter())
        reporter->removePositionListener(&positionCallback);
    if (SoundManager* manager = SoundManager::getSingletonPtr())
        manager->removePlaying(this);
}

void SoundSource::play()
{
    stopSequence();
    // A sound whose file did not load (logged when it was made) plays nothing.
    if (!sound)
        return;
    SoundManager& manager = requireManager();
    // Asked before a channel is taken, so an unknown category cannot leave one held.
    const float volume = manager.getCategoryGain(category) * gain;

    SoundChannel newChannel;
    checkSoundResult(manager.getSystem().playSound(sound, true, newChannel));
    channel = newChannel;

    // A 2D sound refuses the 3D settings; that is expected and harmless.
    channel->set3DMinMaxDistance(minDistance, MAX_DISTANCE);
    channel->setMode(headRelative ? SoundChannel::HEAD_RELATIVE_3D : SoundChannel::WORLD_RELATIVE_3D);
    if (followsReporter())
        reporter->addPositionListener(&positionCallback);
    placeAtCurrentPose();

    checkSoundResult(channel->setVolume(volume));
    checkSoundResult(channel->setUserData(this));
    checkSoundResult(channel->setCallback(SoundChannel::CallbackType::END, &SoundSource::channelEnded));
    checkSoundResult(channel->setPaused(false));
    manager.addPlaying(this);
}

bool SoundSource::isPlaying() const
{
    if (!channel)
        return false;
    bool playing = false;
    return channel->isPlaying(playing) == SoundResult::OK && playing;
}

void SoundSource::setGain(float newLevel)
{
    level = newLevel;
    gain = newLevel * baseGain;
    applyVolume();
}

void SoundSource::applyVolume()
{
    // A channel that ended meanwhile refuses the volume; nothing is lost.
    if (channel)
        channel->setVolume(requireManager().getCategoryGain(category) * gain);
}

void SoundSource::setPosition(const Ogre::Vector3& newOffset)
{
    offset = newOffset;
    if (channel)
        placeAtCurrentPose();
}

void SoundSource::placeAtCurrentPose()
{
    if (followsReporter())
        update(reporter->getPosition(), reporter->getOrientation(), reporter->getVelocity());
    else
        update(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY, Ogre::Vector3::ZERO);
}

void SoundSource::update(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                         const Ogre::Vector3& velocity)
{
    ProfileBlock block("SoundSource::update");
    if (channel)
        channel->set3DAttributes(position + orientation * offset, velocity);
}

SoundResult SoundSource::channelEnded(SoundChannel& endedChannel, SoundChannel::CallbackType)
{
    void* data = nullptr;
    checkSoundResult(endedChannel.getUserData(data));
    if (data)
        static_cast<SoundSource*>(data)->stopSequence();
    return SoundResult::OK;
}

} // namespace Tolvarine

#pragma once

#include "PositionReporter.h"
#include "SoundChannel.h"
#include "SoundManager.h"
#include "SoundResult.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <memory>
#include <optional>
#include <string>

namespace Tolvarine {

class Config;
class SoundSample;

// One playable sound of a named sound definition, in a gain category, placed in one of three
// ways: following a PositionReporter at an offset in the reporter's own frame, fixed in the
// world at the offset (no reporter), or fixed relative to the listener at the offset
// (head-relative; any reporter is then ignored). A source can be played any number of times and
// holds at most one channel; a sound that is not looping stops its source by itself when it
// ends.
//
// While it holds a channel the source is in the sound manager's playing set and, when it
// follows a reporter, registered as that reporter's position listener; it must therefore stay
// at one address, and the reporter must outlive its playing.
class SoundSource {
public:
    // A source of the definition called `name`. A name without a definition is logged and
    // throws ConfigurationError.
    static std::unique_ptr<SoundSource> create(const std::string& name, SoundCategory category,
                                               PositionReporter* reporter, const Ogre::Vector3& offset,
                                               bool headRelative);
    // The same for the definition that key `key` of `section` in a type file names (see
    // requireDefinition).
    static std::unique_ptr<SoundSource> create(const Config& file, const std::string& section, const std::string& key,
                                               SoundCategory category, PositionReporter* reporter,
                                               const Ogre::Vector3& offset, bool headRelative);
    // The definition that key `key` of `section` in `file` names, with the values a source reads
    // from it read as well. Every part that makes sources from a type file finds its definitions
    // here, and the type loaders check the names at start-up through it, so that an unknown sound
    // stops the start and not the battle in which its first object is built. A missing key or a
    // name without a definition is logged, followed by the file's line "Config: in <path>,
    // section <section>, key <key>", and throws ConfigurationError.
    static const Config& requireDefinition(const Config& file, const std::string& section, const std::string& key);
    // The definition called `name`, read as create(name, ...) reads it: for the names the code
    // itself gives, looked up at start-up.
    static const Config& requireDefinition(const std::string& name);

    // Needs the sound manager: `definition` gives the sound, its base gain (Sound/gain, 1 by
    // default) and its minimum distance (Sound/minDistance, 1 by default).
    SoundSource(const Config& definition, SoundCategory category, PositionReporter* reporter,
                const Ogre::Vector3& offset, bool headRelative);
    ~SoundSource();
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;

    // Starts the sound from the beginning, also when it is already playing; a sound whose file
    // did not load plays nothing.
    void play();
    // Stops it; nothing happens when it is not playing. No end notification follows.
    void stop();
    bool isPlaying() const;

    // The level from 0 (silent) to 1 (the definition's gain); the volume heard is the
    // category's gain times the definition's gain times the level.
    void setGain(float level);
    // Sets the channel to the gain in force, after a category gain changed.
    void applyVolume();
    float getLevel() const { return level; }
    float getGain() const { return gain; }
    float getBaseGain() const { return baseGain; }

    // Moves the sound to a new offset (its meaning depends on the placement, see above).
    void setPosition(const Ogre::Vector3& offset);
    const Ogre::Vector3& getOffset() const { return offset; }

    // Places the channel at position + orientation * offset, moving with `velocity`; also the
    // position listener given to the reporter.
    void update(const Ogre::Vector3& position, const Ogre::Quaternion& orientation, const Ogre::Vector3& velocity);

    SoundCategory getCategory() const { return category; }
    bool isHeadRelative() const { return headRelative; }
    // The channel while the source holds one, otherwise a handle to nothing.
    SoundChannel getChannel() const { return channel.value_or(SoundChannel()); }

    // The end notification of the sound system for a channel of a source.
    static SoundResult channelEnded(SoundChannel& channel, SoundChannel::CallbackType type);

private:
    struct Levels {
        float gain = 1.0f;
        float minDistance = 1.0f;
    };
    // What a source takes from its definition besides the sound.
    static Levels readLevels(const Config& definition);

    SoundSource(const Config& definition, const Levels& levels, SoundCategory category, PositionReporter* reporter,
                const Ogre::Vector3& offset, bool headRelative);
    bool followsReporter() const { return reporter != nullptr && !headRelative; }
    void stopSequence();
    void placeAtCurrentPose();

    SoundCategory category;
    std::optional<SoundChannel> channel;
    SoundSample* sound = nullptr;
    PositionReporter* reporter;
    Ogre::Vector3 offset;
    bool headRelative;
    float baseGain;
    float gain;
    // The last level set, kept apart from gain / baseGain, which is undefined for a base gain of 0.
    float level = 1.0f;
    float minDistance;
    PositionListener positionCallback;
};

} // namespace Tolvarine

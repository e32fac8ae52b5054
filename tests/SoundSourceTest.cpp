#include "SoundSource.h"

#include "ConfigurationError.h"
#include "LogCapture.h"
#include "SoundFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::FakeReporter;

class SoundSourceTest : public Test::SoundFixture {
protected:
    void SetUp() override { startManager(); }

    static std::unique_ptr<SoundSource> make(const std::string& name, SoundCategory category = SoundCategory::EFFECTS,
                                             PositionReporter* reporter = nullptr,
                                             const Ogre::Vector3& offset = Ogre::Vector3::ZERO,
                                             bool headRelative = false)
    {
        return SoundSource::create(name, category, reporter, offset, headRelative);
    }

    static Ogre::Vector3 positionOf(const SoundSource& source)
    {
        Ogre::Vector3 position(-99, -99, -99);
        Ogre::Vector3 velocity;
        EXPECT_EQ(source.getChannel().get3DAttributes(position, velocity), SoundResult::OK);
        return position;
    }

    static float volumeOf(const SoundSource& source)
    {
        float volume = -1.0f;
        EXPECT_EQ(source.getChannel().getVolume(volume), SoundResult::OK);
        return volume;
    }

    bool inPlayingSet(const SoundSource& source) const
    {
        return manager->getPlaying().count(const_cast<SoundSource*>(&source)) == 1;
    }
};

TEST_F(SoundSourceTest, PlayStopRestartAndGain)
{
    const auto shot = make("beep", SoundCategory::EFFECTS, nullptr, Ogre::Vector3(1, 2, 3));
    shot->stop(); // nothing to stop
    shot->play();
    EXPECT_TRUE(inPlayingSet(*shot));
    EXPECT_EQ(volumeOf(*shot), 0.5f * 0.5f);
    EXPECT_EQ(positionOf(*shot), Ogre::Vector3(1, 2, 3)); // no reporter: fixed in the world
    float minDistance = 0.0f, maxDistance = 0.0f;
    shot->getChannel().get3DMinMaxDistance(minDistance, maxDistance);
    EXPECT_EQ(minDistance, 3.0f);
    // Playing again restarts on a new channel; the old one is let go.
    const SoundChannel first = shot->getChannel();
    soundClock = 0.375;
    shot->play();
    bool playing = true;
    EXPECT_EQ(first.isPlaying(playing), SoundResult::INVALID_HANDLE);
    EXPECT_EQ(channelsPlaying(), 1);
    soundClock = 0.75; // past the first start's end, not the restart's
    manager->update(0, 0);
    EXPECT_TRUE(shot->isPlaying());
    shot->stop();
    shot->stop();
    EXPECT_FALSE(inPlayingSet(*shot));
    EXPECT_EQ(channelsPlaying(), 0);

    // Gain is a level of the definition's gain in its category.
    const auto alarm = make("beep", SoundCategory::INSTRUMENT);
    alarm->setGain(0.0f);
    alarm->play();
    EXPECT_EQ(volumeOf(*alarm), 0.0f);
    alarm->setGain(0.5f);
    EXPECT_EQ(volumeOf(*alarm), 0.625f * 0.5f * 0.5f);
    const auto mute = make("mute", SoundCategory::AMBIENT);
    mute->setGain(0.25f);
    EXPECT_EQ(mute->getLevel(), 0.25f); // remembered though the definition's gain is 0
    EXPECT_EQ(mute->getGain(), 0.0f);
    const auto flat = make("beep2d", SoundCategory::AMBIENT, nullptr, Ogre::Vector3(5, 0, 0), true);
    flat->play(); // a 2D sound plays although it has no place in space
    EXPECT_EQ(volumeOf(*flat), 0.375f);
    // An unknown name fails at once; an unknown category fails at play and holds no channel.
    EXPECT_THROW(make("no_such_sound"), ConfigurationError);
    const auto odd = make("hum", static_cast<SoundCategory>(9));
    EXPECT_THROW(odd->play(), ConfigurationError);
    EXPECT_EQ(channelsPlaying(), 2);
}

TEST_F(SoundSourceTest, FollowsItsReporterUnlessHeadRelative)
{
    FakeReporter ship;
    ship.position = Ogre::Vector3(10, 0, 0);
    ship.orientation = Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y);
    const auto engine = make("hum", SoundCategory::THRUST, &ship, Ogre::Vector3(0, 0, 2));
    EXPECT_TRUE(ship.listeners.empty());
    engine->play();
    engine->play(); // registers once, never twice
    ASSERT_EQ(ship.listeners.size(), 1u);
    // The offset turned a quarter about y points along +x.
    EXPECT_TRUE(positionOf(*engine).positionEquals(Ogre::Vector3(12, 0, 0), 1e-5f)) << positionOf(*engine);
    ship.moveTo(Ogre::Vector3(0, 5, 0), Ogre::Quaternion::IDENTITY, Ogre::Vector3(1, 0, 0));
    Ogre::Vector3 position, velocity;
    engine->getChannel().get3DAttributes(position, velocity);
    EXPECT_EQ(position, Ogre::Vector3(0, 5, 2));
    EXPECT_EQ(velocity, Ogre::Vector3(1, 0, 0));
    engine->setPosition(Ogre::Vector3(-1, 0, 0));
    EXPECT_EQ(positionOf(*engine), Ogre::Vector3(-1, 5, 0));
    engine->stop();
    EXPECT_TRUE(ship.listeners.empty());

    // A head-relative source stays around the listener and never follows a reporter.
    const auto cockpit = make("hum", SoundCategory::INSTRUMENT, &ship, Ogre::Vector3(0, 1, 0), true);
    cockpit->play();
    unsigned mode = 0;
    cockpit->getChannel().getMode(mode);
    EXPECT_TRUE(mode & SoundChannel::HEAD_RELATIVE_3D);
    EXPECT_TRUE(ship.listeners.empty());
    manager->updateListener(Ogre::Vector3(100, 0, 0), Ogre::Quaternion(Ogre::Degree(45), Ogre::Vector3::UNIT_Z),
                            Ogre::Vector3::ZERO);
    scheduler.run();
    EXPECT_EQ(positionOf(*cockpit), Ogre::Vector3(0, 1, 0));
    cockpit->setPosition(Ogre::Vector3(0, 0, -1));
    EXPECT_EQ(positionOf(*cockpit), Ogre::Vector3(0, 0, -1));
}

TEST_F(SoundSourceTest, OneShotsStopTheirSourceWhenTheyEndOrTheirChannelIsStolen)
{
    FakeReporter missile;
    const auto shot = make("beep", SoundCategory::EFFECTS, &missile);
    const auto loop = make("hum", SoundCategory::THRUST, &missile);
    shot->play();
    loop->play();
    // The sound manager's task delivers the end on the pass after it.
    soundClock = 0.4;
    scheduler.run();
    EXPECT_TRUE(shot->isPlaying());
    soundClock = 100.0;
    scheduler.run();
    EXPECT_FALSE(inPlayingSet(*shot));
    EXPECT_EQ(shot->getChannel(), SoundChannel());
    EXPECT_EQ(missile.listeners.size(), 1u);
    EXPECT_TRUE(loop->isPlaying()) << "a loop never ends by itself";
    shot->play();
    // A deleted source hears nothing more; the others go on.
    auto doomed = make("beep");
    doomed->play();
    doomed.reset();
    EXPECT_EQ(manager->getPlaying().size(), 2u);
    EXPECT_EQ(channelsPlaying(), 2);
    soundClock = 200.0;
    scheduler.run();
    EXPECT_FALSE(shot->isPlaying());
    EXPECT_TRUE(loop->isPlaying());

    // Four channels: a fifth sound steals the oldest one-shot's, whose source stops.
    std::vector<std::unique_ptr<SoundSource>> sources;
    for (int i = 0; i < 4; ++i)
        sources.push_back(make("beep"));
    for (const auto& source : sources)
        source->play();
    EXPECT_TRUE(loop->isPlaying()) << "the loop is kept while one-shots can go";
    EXPECT_FALSE(inPlayingSet(*sources[0]));
    EXPECT_TRUE(sources[3]->isPlaying());
    EXPECT_EQ(manager->getPlaying().size(), 4u);
}

} // namespace
} // namespace Tolvarine

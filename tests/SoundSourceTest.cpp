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

TEST_F(SoundSourceTest, PlayStopAndRestart)
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
    EXPECT_EQ(manager->getPlaying().size(), 1u);
    EXPECT_EQ(channelsPlaying(), 1);
    soundClock = 0.75; // past the first start's end, not the restart's
    manager->update(0, 0);
    EXPECT_TRUE(shot->isPlaying());

    shot->stop();
    shot->stop();
    EXPECT_FALSE(inPlayingSet(*shot));
    EXPECT_EQ(channelsPlaying(), 0);
}

TEST_F(SoundSourceTest, GainIsALevelOfTheDefinitionsGainInItsCategory)
{
    const auto alarm = make("beep", SoundCategory::INSTRUMENT);
    alarm->setGain(0.0f);
    alarm->play();
    EXPECT_EQ(volumeOf(*alarm), 0.0f);
    alarm->setGain(0.5f);
    EXPECT_EQ(alarm->getGain(), 0.25f);
    EXPECT_EQ(volumeOf(*alarm), 0.625f * 0.5f * 0.5f);

    // A definition with gain 0 still remembers the level it was set to.
    const auto mute = make("mute", SoundCategory::AMBIENT);
    mute->setGain(0.25f);
    EXPECT_EQ(mute->getLevel(), 0.25f);
    EXPECT_EQ(mute->getGain(), 0.0f);

    // A 2D sound plays although it has no place in space.
    const auto flat = make("beep2d", SoundCategory::AMBIENT, nullptr, Ogre::Vector3(5, 0, 0), true);
    flat->play();
    EXPECT_EQ(volumeOf(*flat), 0.375f);
}

TEST_F(SoundSourceTest, FollowsItsReporterAtAnOffsetInTheReportersFrame)
{
    FakeReporter ship;
    ship.position = Ogre::Vector3(10, 0, 0);
    ship.orientation = Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y);
    ship.velocity = Ogre::Vector3(0, 0, -5);
    const auto engine = make("hum", SoundCategory::THRUST, &ship, Ogre::Vector3(0, 0, 2));
    EXPECT_TRUE(ship.listeners.empty());

    engine->play();
    ASSERT_EQ(ship.listeners.size(), 1u);
    // The offset (0, 0, 2) turned a quarter about y points along +x.
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
    // Restarting registers once again, never twice.
    engine->play();
    engine->play();
    EXPECT_EQ(ship.listeners.size(), 1u);
}

TEST_F(SoundSourceTest, HeadRelativeSourcesStayAroundTheListener)
{
    const auto alarm = make("critical_alarm", SoundCategory::INSTRUMENT, nullptr, Ogre::Vector3(1, 0, 0), true);
    alarm->play();
    unsigned mode = 0;
    alarm->getChannel().getMode(mode);
    EXPECT_TRUE(mode & SoundChannel::HEAD_RELATIVE_3D);
    manager->updateListener(Ogre::Vector3(100, 0, 0), Ogre::Quaternion(Ogre::Degree(45), Ogre::Vector3::UNIT_Z),
                            Ogre::Vector3::ZERO);
    scheduler.run();
    EXPECT_EQ(positionOf(*alarm), Ogre::Vector3(1, 0, 0));

    // A head-relative source never follows a reporter, neither on play nor on a move.
    FakeReporter ship;
    ship.position = Ogre::Vector3(50, 50, 50);
    const auto cockpit = make("hum", SoundCategory::INSTRUMENT, &ship, Ogre::Vector3(0, 1, 0), true);
    cockpit->play();
    EXPECT_TRUE(ship.listeners.empty());
    EXPECT_EQ(positionOf(*cockpit), Ogre::Vector3(0, 1, 0));
    cockpit->setPosition(Ogre::Vector3(0, 0, -1));
    EXPECT_EQ(positionOf(*cockpit), Ogre::Vector3(0, 0, -1));
}

TEST_F(SoundSourceTest, AOneShotSoundStopsItsSourceWhenItEnds)
{
    FakeReporter missile;
    const auto shot = make("beep", SoundCategory::EFFECTS, &missile);
    const auto loop = make("hum", SoundCategory::THRUST, &missile);
    shot->play();
    loop->play();
    ASSERT_EQ(missile.listeners.size(), 2u);

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

    // It can sound again afterwards.
    shot->play();
    EXPECT_TRUE(shot->isPlaying());

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
}

// Channel stealing: the source whose channel is taken stops and leaves the playing set.
TEST_F(SoundSourceTest, RunningOutOfChannelsStopsTheOldestOneShot)
{
    // The test settings give four channels.
    std::vector<std::unique_ptr<SoundSource>> sources;
    sources.push_back(make("hum"));
    for (int i = 0; i < 4; ++i)
        sources.push_back(make("beep"));
    for (const auto& source : sources)
        source->play();

    EXPECT_TRUE(sources[0]->isPlaying()) << "the loop is kept while one-shots can go";
    EXPECT_FALSE(inPlayingSet(*sources[1]));
    EXPECT_TRUE(sources[4]->isPlaying());
    EXPECT_EQ(manager->getPlaying().size(), 4u);
}

// An unknown name fails at once; an unknown category fails at play and holds no channel.
TEST_F(SoundSourceTest, UnknownNamesAndCategoriesHoldNoChannel)
{
    EXPECT_THROW(make("no_such_sound"), ConfigurationError);
    const auto odd = make("hum", static_cast<SoundCategory>(9));
    EXPECT_THROW(odd->play(), ConfigurationError);
    EXPECT_TRUE(manager->getPlaying().empty());
    EXPECT_EQ(channelsPlaying(), 0);
}

} // namespace
} // namespace Tolvarine

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

    bool inPlayingSet(const SoundSource& source) const
    {
        return manager->getPlaying().count(const_cast<SoundSource*>(&source)) == 1;
    }
};

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

#include "AmbientSoundManager.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "ScenarioWorld.h"
#include "SoundFixture.h"
#include "SoundSource.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

// The sound test settings (foreground fade 1 s, background fade 4 s, holds of 2 to 6 s) with a
// foreground of its own for each mode, and holds that always draw the minimum.
class AmbientSound : public SoundFixture {
protected:
    AmbientSound()
    {
        std::string settings = TEST_SOUND_CONFIG;
        settings.replace(settings.find("commandForeground = hum"), 23, "commandForeground = command_loop");
        writeFile(files.file("cfg/sound.cfg"), settings);
        files.define("command_loop", "filename = hum.wav\nlooping = 1\n");
        files.define("mute_loop", "filename = hum.wav\nlooping = 1\ngain = 0\n");
        startManager();
        owned = std::make_unique<AmbientSoundManager>();
        ambient = owned.get();
        ambient->setRandom([](float low, float) { return low; });
    }

    // One blend step after `seconds` of real time; the level of `source` wherever the manager
    // holds it, -1 once it has let go of it.
    float stepAndLevel(double seconds, const SoundSource* source)
    {
        ManualTicks::advance(seconds);
        ambient->blend(0.0f, 0.0f);
        for (const auto& fading : ambient->getFadingOut())
            if (fading.get() == source)
                return source->getLevel();
        const bool held = source == ambient->getForeground() || source == ambient->getBackground(true) || source == ambient->getBackground(false);
        return held ? source->getLevel() : -1.0f;
    }

    std::unique_ptr<AmbientSoundManager> owned;
    AmbientSoundManager* ambient = nullptr;
};

TEST_F(AmbientSound, TheForegroundFadesBetweenTheModes)
{
    scriptHost().runString("from Tolvarine import *\nAmbientSoundManager.getSingleton().setMode(AmbientMode.SPACE, 0)\n");
    const SoundSource* space = ambient->getForeground();
    ASSERT_TRUE(space && space->isPlaying());
    EXPECT_FLOAT_EQ(stepAndLevel(0.25, space), 0.25f) << "0 takes the default second";
    ambient->setAmbientMode(AmbientSoundManager::SPACE, 5.0f);
    EXPECT_EQ(ambient->getForeground(), space) << "the same mode changes nothing";
    EXPECT_FLOAT_EQ(stepAndLevel(0.25, space), 0.5f);

    ambient->setAmbientMode(AmbientSoundManager::COMMAND, 2.0f);
    const SoundSource* command = ambient->getForeground();
    EXPECT_FLOAT_EQ(stepAndLevel(0.5, space), 0.25f);
    EXPECT_FLOAT_EQ(command->getLevel(), 0.25f);
    EXPECT_FLOAT_EQ(stepAndLevel(1.5, space), -1.0f) << "dropped at the step that reaches 0";
    EXPECT_FLOAT_EQ(command->getLevel(), 1.0f);

    ambient->setAmbientMode(AmbientSoundManager::NONE, 0.0f);
    EXPECT_EQ(ambient->getForeground(), nullptr);
    EXPECT_FLOAT_EQ(stepAndLevel(0.5, command), 0.5f);

    EXPECT_TRUE(logged(failsWith<FatalError>([&] { ambient->setAmbientMode(static_cast<AmbientSoundManager::AmbientMode>(7), 1.0f); }),
                       "AmbientSoundManager::setAmbientMode, invalid mode"));
    EXPECT_EQ(ambient->getAmbientMode(), AmbientSoundManager::NONE);
}

// The layers take turns after blend + a hold drawn between the minimum and the maximum. A layer
// whose definition has a gain of 0 still fades: its level used to be 0 / 0, never arriving.
TEST_F(AmbientSound, BackgroundLayersTakeTurnsAfterARandomHold)
{
    ambient->setBackground("hum", "mute_loop");
    const SoundSource* a = ambient->getBackground(true);
    const SoundSource* mute = ambient->getBackground(false);
    const struct { double seconds; bool firstActive; float a, b; } steps[] = {
        {1.0, true, 0.25f, 0.0f}, {3.0, true, 1.0f, 0.0f}, {2.0, true, 1.0f, 0.0f},
        {0.5, false, 0.875f, 0.125f}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.seconds);
        EXPECT_FLOAT_EQ(stepAndLevel(step.seconds, a), step.a);
        EXPECT_EQ(mute->getLevel(), step.b);
        EXPECT_EQ(ambient->isFirstActive(), step.firstActive);
    }
}

} // namespace
} // namespace Tolvarine::Test

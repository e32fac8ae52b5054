#include "AmbientSoundManager.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "ScenarioWorld.h"
#include "SoundFixture.h"
#include "SoundSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

// The sound test settings with a foreground of its own for each mode.
class AmbientSound : public SoundFixture {
protected:
    AmbientSound()
    {
        std::string settings = TEST_SOUND_CONFIG;
        settings.replace(settings.find("commandForeground = hum"), 23, "commandForeground = command_loop");
        settings.replace(settings.find("spaceForeground = hum"), 21, "spaceForeground = space_loop");
        writeFile(files.file("cfg/sound.cfg"), settings);
        for (const char* loop : {"space_loop", "command_loop", "layer_a", "layer_b"})
            files.define(loop, "filename = hum.wav\nlooping = 1\n");
        files.define("mute_loop", "filename = hum.wav\nlooping = 1\ngain = 0\n");
        startManager();
        ambient = std::make_unique<AmbientSoundManager>();
        ambient->setRandom([this](float low, float high) {
            draws.push_back(high);
            return low;
        });
    }

    // One blend step after `seconds` of real time.
    void step(double seconds)
    {
        ManualTicks::advance(seconds);
        ambient->blend(0.0f, 0.0f);
    }

    std::unique_ptr<AmbientSoundManager> ambient;
    std::vector<float> draws;
};

TEST_F(AmbientSound, TheForegroundFadesBetweenTheModes)
{
    scriptHost().runString("from Tolvarine import *\n"
                           "AmbientSoundManager.getSingleton().setMode(AmbientMode.SPACE, 0)\n");
    ASSERT_EQ(ambient->getAmbientMode(), AmbientSoundManager::SPACE);
    const SoundSource* space = ambient->getForeground();
    ASSERT_NE(space, nullptr);
    EXPECT_TRUE(space->isPlaying());

    const SoundSource* command = nullptr;
    const struct {
        const char* step;
        int mode; // -1: no change
        float blend;
        double seconds;
        float spaceLevel;  // -1: no longer held
        float commandLevel;
        std::size_t fading;
    } steps[] = {
        {"0 takes the default second", -1, 0.0f, 0.25, 0.25f, -1.0f, 0},
        {"rising", -1, 0.0f, 0.5, 0.75f, -1.0f, 0},
        {"the same mode changes nothing", AmbientSoundManager::SPACE, 5.0f, 0.25, 1.0f, -1.0f, 0},
        {"command over two seconds", AmbientSoundManager::COMMAND, 2.0f, 0.5, 0.75f, 0.25f, 1},
        {"the faded source is dropped", -1, 0.0f, 1.5, -1.0f, 1.0f, 0},
        {"none fades the foreground out", AmbientSoundManager::NONE, 0.0f, 0.5, -1.0f, 0.5f, 1},
    };
    for (const auto& row : steps) {
        SCOPED_TRACE(row.step);
        if (row.mode >= 0)
            ambient->setAmbientMode(static_cast<AmbientSoundManager::AmbientMode>(row.mode), row.blend);
        if (row.mode == AmbientSoundManager::COMMAND)
            command = ambient->getForeground();
        step(row.seconds);
        EXPECT_EQ(ambient->getFadingOut().size(), row.fading);
        const auto levelOf = [&](const SoundSource* source) {
            if (source == ambient->getForeground())
                return source->getLevel();
            for (const auto& fading : ambient->getFadingOut()) {
                if (fading.get() == source)
                    return fading->getLevel();
            }
            return -1.0f;
        };
        EXPECT_FLOAT_EQ(levelOf(space), row.spaceLevel);
        if (command)
            EXPECT_FLOAT_EQ(levelOf(command), row.commandLevel);
    }
    EXPECT_EQ(ambient->getForeground(), nullptr);

    LogCapture log;
    EXPECT_THROW(ambient->setAmbientMode(static_cast<AmbientSoundManager::AmbientMode>(7), 1.0f), FatalError);
    EXPECT_TRUE(log.contains("AmbientSoundManager::setAmbientMode, invalid mode"));
    EXPECT_EQ(ambient->getAmbientMode(), AmbientSoundManager::NONE);
}

// The two layers take turns after a random hold; a layer whose definition has a gain of 0 still
// fades (its level used to be 0 / 0, so it never arrived and was never dropped).
TEST_F(AmbientSound, BackgroundLayersTakeTurnsAfterARandomHold)
{
    ambient->setBackground("layer_a", "layer_b");
    const SoundSource* a = ambient->getBackground(true);
    const SoundSource* b = ambient->getBackground(false);
    ASSERT_EQ(draws, std::vector<float>{6.0f}) << "drawn between the minimum and the maximum hold";

    const struct {
        const char* step;
        double seconds;
        bool firstActive;
        float a;
        float b;
    } steps[] = {
        {"the first layer fades in over four seconds", 1.0, true, 0.25f, 0.0f},
        {"and holds", 3.0, true, 1.0f, 0.0f},
        {"no swap before blend + minimum hold", 2.0, true, 1.0f, 0.0f},
        {"the swap just after", 0.5, false, 0.875f, 0.125f},
    };
    for (const auto& row : steps) {
        SCOPED_TRACE(row.step);
        step(row.seconds);
        EXPECT_EQ(ambient->isFirstActive(), row.firstActive);
        EXPECT_FLOAT_EQ(a->getLevel(), row.a);
        EXPECT_FLOAT_EQ(b->getLevel(), row.b);
    }

    ambient->setBackground("layer_b", "mute_loop");
    EXPECT_EQ(ambient->getFadingOut().size(), 2u);
    step(1.0);
    const SoundSource* mute = ambient->getBackground(false);
    EXPECT_FALSE(ambient->isFirstActive()) << "the turn is kept";
    EXPECT_FLOAT_EQ(mute->getLevel(), 0.25f);
    EXPECT_TRUE(ambient->getFadingOut().empty());
    step(3.0);
    EXPECT_FLOAT_EQ(mute->getLevel(), 1.0f);
}

} // namespace
} // namespace Tolvarine::Test

#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "LogCapture.h"
#include "SoundChannelGroup.h"
#include "SoundFixture.h"
#include "SoundSample.h"
#include "SoundSource.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Test::FakeReporter;
using Test::LogCapture;
using Test::writeFile;
using Test::writeToneWav;
using Strings = std::vector<std::string>;
using V = Ogre::Vector3;

// A hand run of the test program uses OpenAL's null output, as ctest does.
const bool nullDriverChosen = [] { return setenv("ALSOFT_DRIVERS", "null", 0) == 0; }();

class SoundManagerTest : public Test::SoundFixture {
protected:
    static void changeSetting(const std::string& key, const std::string& value, const char* section = "General")
    {
        Config config("cfg/sound.cfg");
        config.setValue(section, key, value);
        config.save();
    }
    static std::unique_ptr<SoundSource> make(const std::string& name, SoundCategory category = SoundCategory::EFFECTS,
                                             PositionReporter* reporter = nullptr)
    {
        return SoundSource::create(name, category, reporter, V::ZERO, false);
    }
};

TEST_F(SoundManagerTest, StartUpWritesItsLinesInOrderNamingTheQualityAndTheDevice)
{
    changeSetting("maxSoftwareChannels", "004"); // logged as written, not as the number it reads as
    LogCapture log;
    startManager();
    EXPECT_EQ(log.lines(), (Strings{"Sound Manager:", "Software audio quality: Light", "Software audio channels: 004",
                                    "Sound Manager: Driver: Silent", "Sound Manager: Hardware capabilities:",
                                    "Sound Manager: initialising", "Sound System: no audio device, running silent",
                                    "HW 2D channels: 0", "HW 3D channels: 0", "HW Total channels: 0", "Sound Manager: 3D settings"}));
    for (const auto& [value, line] : {std::pair{"0", "Software audio quality: None"}, {"2", "Software audio quality: Full"},
                                      {"-3", "Software audio quality: Full"}}) {
        manager.reset();
        changeSetting("software3dQuality", value);
        LogCapture quality;
        startManager();
        EXPECT_TRUE(quality.contains(line)) << value;
    }
    manager.reset();
    // Every key is required: a file without one fails after the singleton was set.
    writeFile("cfg/sound.cfg", "[Environment]\ndopplerFactor = 1\ndistanceFactor = 1\nrolloffFactor = 1\n");
    EXPECT_THROW(startManager(), ConfigurationError);
    EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
}

// A setting the sound system refuses ended the start-up through its fatal error (exit 10), which
// names no setting: it is refused naming its key, and the edge values the system takes start.
TEST_F(SoundManagerTest, SettingsTheSoundSystemRefusesStopTheStartUpNamingTheirKey)
{
    // `named` is the key whose place the refusal gives; none for the values that start.
    const std::string refused = ", which the sound system refuses";
    const struct { const char* section; const char* key; const char* value; const char* named; std::string line; } rows[] = {
        {"Environment", "distanceFactor", "0", "distanceFactor",
         "SoundManager: distanceFactor 0 is not above 0" + refused + " (game units per metre)"},
        {"Environment", "distanceFactor", "-3.4e38", "distanceFactor",
         "SoundManager: distanceFactor -3.4e+38 is not above 0" + refused + " (game units per metre)"},
        {"Environment", "dopplerFactor", "-1", "dopplerFactor",
         "SoundManager: dopplerFactor -1 is below 0" + refused + " (0 turns the Doppler effect off)"},
        {"Environment", "rolloffFactor", "-3.4e38", "rolloffFactor",
         "SoundManager: rolloffFactor -3.4e+38 is below 0" + refused + " (0 turns the fading with distance off)"},
        {"General", "maxSoftwareChannels", "-1", "maxSoftwareChannels",
         "SoundManager: maxSoftwareChannels -1 is below 0" + refused + " (0 leaves the count to virtualChannels)"},
        {"General", "min2dHardwareChannels", "-1", "min2dHardwareChannels",
         "SoundManager: min2dHardwareChannels -1 is below 0" + refused},
        {"General", "max3dHardwareChannels", "-1", "max3dHardwareChannels",
         "SoundManager: max3dHardwareChannels -1 is below min3dHardwareChannels 0" + refused},
        // The most keeps the 0 of the file: a least above it is named in the most's refusal.
        {"General", "min2dHardwareChannels", "1", "max2dHardwareChannels",
         "SoundManager: max2dHardwareChannels 0 is below min2dHardwareChannels 1" + refused},
        {"General", "virtualChannels", "0", "virtualChannels",
         "SoundManager: virtualChannels 0 is below 1" + refused + " (the sounds that play at once)"},
        {"Environment", "dopplerFactor", "0", nullptr, ""},
        {"Environment", "rolloffFactor", "0", nullptr, ""},
        {"Environment", "distanceFactor", "3.4e38", nullptr, ""},
        {"General", "maxSoftwareChannels", "0", nullptr, ""},
        {"General", "virtualChannels", "1", nullptr, ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " = " + row.value);
        writeFile("cfg/sound.cfg", Tolvarine::Test::TEST_SOUND_CONFIG);
        changeSetting(row.key, row.value, row.section);
        LogCapture log;
        if (!row.named) {
            EXPECT_NO_THROW(startManager());
            manager.reset();
            continue;
        }
        EXPECT_THROW(startManager(), ConfigurationError);
        EXPECT_TRUE(log.contains(row.line));
        EXPECT_TRUE(log.contains("Config: in cfg/sound.cfg, section " + std::string(row.section) + ", key " + row.named));
        EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
    }
}

TEST_F(SoundManagerTest, GainsAndDopplerFollowSettingsAndPause)
{
    SoundManager& sound = startManager();
    const std::pair<SoundCategory, float> rows[] = {{SoundCategory::ENVIRONMENT, 0.25f}, {SoundCategory::EFFECTS, 0.5f},
                                                    {SoundCategory::INSTRUMENT, 0.625f}, {SoundCategory::THRUST, 0.125f},
                                                    {SoundCategory::AMBIENT, 0.375f}};
    for (const auto& [category, gain] : rows)
        EXPECT_EQ(sound.getCategoryGain(category), gain) << static_cast<int>(category);
    SoundChannelGroup* master = nullptr;
    ASSERT_EQ(sound.getSystem().getMasterChannelGroup(master), SoundResult::OK);
    EXPECT_EQ(master->getVolume(), 0.75f);
    EXPECT_THROW(sound.getCategoryGain(static_cast<SoundCategory>(5)), ConfigurationError);
    sound.setMasterGain(0.5f);
    EXPECT_EQ(master->getVolume(), 0.5f);
    EXPECT_EQ(Config("cfg/sound.cfg").getValue("Gain", "master"), "0.5") << "a setter saves at once";

    // Pause suspends the Doppler effect once; resume restores it.
    SoundSystem& system = sound.getSystem();
    float doppler = 0.0f, distance = 0.0f, rolloff = 0.0f;
    const auto dopplerNow = [&] { return system.get3DSettings(doppler, distance, rolloff), doppler; };
    system.set3DSettings(0.25f, 2.0f, 0.5f);
    sound.setDopplerSuspended(false); // resuming what is not suspended changes nothing
    EXPECT_EQ(dopplerNow(), 0.25f);
    scheduler.setPaused(true);
    EXPECT_TRUE(sound.isDopplerSuspended());
    EXPECT_EQ(dopplerNow(), 0.0f);
    system.set3DSettings(0.25f, 2.0f, 0.5f);
    scheduler.setPaused(true); // a second pause does not reach the sound system again
    EXPECT_EQ(dopplerNow(), 0.25f);
    scheduler.togglePause();
    EXPECT_EQ(dopplerNow(), 0.75f);
    // The listener faces along its orientation's minus z, read back from a silent system.
    V position, velocity, forward, up;
    sound.updateListener(V(1, 2, 3), Ogre::Quaternion(Ogre::Degree(90), V::UNIT_Y), V(0, 0, -4));
    EXPECT_EQ(system.get3DListenerAttributes(0, position, velocity, forward, up), SoundResult::OK);
    EXPECT_TRUE(velocity == V(0, 0, -4) && forward.positionEquals(V(-1, 0, 0), 1e-6f)) << forward;
    // Gains outside 0 to 1 are brought into range with a line when read, and saved so.
    manager.reset();
    changeSetting("master", "1e20", "Gain");
    changeSetting("effects", "-5", "Gain");
    LogCapture log;
    EXPECT_EQ(startManager().getEffectsGain(), 0.0f);
    EXPECT_TRUE(log.contains("SoundManager: gain effects -5 is outside 0 to 1, using 0"));
    EXPECT_TRUE(log.contains("SoundManager: gain master 1e+20 is outside 0 to 1, using 1"));
    EXPECT_EQ(Config("cfg/sound.cfg").getValue("Gain", "effects"), "0");
}

TEST_F(SoundManagerTest, APlainDefinitionBeatsItsTwinAndSourcesOutlivingTheManagerStop)
{
    // A plain file and its enciphered twin are one definition, the plain one; a twin alone is read.
    ASSERT_TRUE(encipherToFile("[Sound]\nfilename = beep.wav\ngain = 0.125\n", files.file("data/sound/beep.soundx")));
    ASSERT_TRUE(encipherToFile("[Sound]\nfilename = hum.wav\ngain = 0.25\n", files.file("data/sound/twin.soundx")));
    EXPECT_EQ(SoundManager::getSoundConfig("beep").getValue("Sound", "gain"), "0.5");
    EXPECT_EQ(SoundManager::getSoundConfig("twin").getValue("Sound", "gain"), "0.25");
    // Sources outliving the manager are stopped and harmless.
    startManager();
    FakeReporter ship;
    const auto engine = make("hum", SoundCategory::THRUST, &ship);
    engine->play();
    manager.reset();
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_TRUE(ship.listeners.empty());
    engine->stop();
}

TEST_F(SoundManagerTest, AnAudioFileThatDoesNotLoadStopsTheStartUpCheckAndLaterPlaysNothing)
{
    startManager();
    LogCapture log;
    EXPECT_THROW(manager->checkSoundFiles(), ConfigurationError);
    EXPECT_TRUE(log.contains("Sound definition broken: its sound sounds/missing.wav cannot be loaded"));
    const auto broken = make("broken");
    broken->play();
    EXPECT_FALSE(broken->isPlaying());
    EXPECT_TRUE(log.contains("SoundManager: sounds/missing.wav cannot be loaded, its sounds play nothing"));
    writeToneWav("sounds/missing.wav", 0.5);
    EXPECT_NO_THROW(manager->checkSoundFiles());
}

} // namespace
} // namespace Tolvarine

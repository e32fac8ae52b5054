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
using Strings = std::vector<std::string>;
using V = Ogre::Vector3;

// A hand run of the test program uses OpenAL's null output, as ctest does.
const bool nullDriverChosen = [] { return setenv("ALSOFT_DRIVERS", "null", 0) == 0; }();

class SoundManagerTest : public Test::SoundFixture {
protected:
    static void changeSetting(const std::string& key, const std::string& value)
    {
        Config config("cfg/sound.cfg");
        config.setValue("General", key, value);
        config.save();
    }
    static std::unique_ptr<SoundSource> make(const std::string& name, SoundCategory category = SoundCategory::EFFECTS,
                                             PositionReporter* reporter = nullptr)
    {
        return SoundSource::create(name, category, reporter, V::ZERO, false);
    }
    bool inPlayingSet(const SoundSource& source) const { return manager->getPlaying().count(const_cast<SoundSource*>(&source)) == 1; }
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
}

TEST_F(SoundManagerTest, DefinitionsAreReadOnceAndSoundsAreSharedByFileAndMode)
{
    // A plain file and its enciphered twin are one definition, the plain one; a twin alone is read.
    ASSERT_TRUE(encipherToFile("[Sound]\nfilename = beep.wav\ngain = 0.125\n", files.file("data/sound/beep.soundx")));
    ASSERT_TRUE(encipherToFile("[Sound]\nfilename = hum.wav\ngain = 0.25\n", files.file("data/sound/twin.soundx")));
    writeFile(files.file("data/sound/notes.txt"), "not a definition");
    LogCapture log;
    EXPECT_EQ(SoundManager::getSoundConfig("beep").getValue("Sound", "gain"), "0.5");
    EXPECT_EQ(SoundManager::getSoundConfig("twin").getValue("Sound", "gain"), "0.25");
    EXPECT_EQ(&SoundManager::getSoundConfig("hum"), &SoundManager::getSoundConfig("hum"));
    EXPECT_TRUE(log.contains("twin.soundx."));
    EXPECT_FALSE(log.contains("notes.txt."));
    // An empty folder is read again at the next call, so definitions added later are found.
    SoundManager::forgetSoundConfigs();
    std::filesystem::rename(files.file("data/sound"), files.file("elsewhere"));
    log.clear();
    EXPECT_THROW(SoundManager::getSoundConfig("beep"), ConfigurationError);
    EXPECT_EQ(log.lines(), (Strings{"SoundManager parsing .sound files", "Could not get sound config beep"}));
    std::filesystem::rename(files.file("elsewhere"), files.file("data/sound"));

    SoundManager& sound = startManager();
    log.clear();
    const auto create = [&sound](const char* name, bool hardware = true) { return sound.createSound(SoundManager::getSoundConfig(name), hardware); };
    SoundSample* beep = create("beep");
    ASSERT_NE(beep, nullptr);
    EXPECT_EQ(create("beep_again"), beep);
    EXPECT_EQ(beep->getPath(), "sounds/beep.wav");
    EXPECT_EQ((std::vector<unsigned>{beep->getMode(), create("beep2d")->getMode(), create("hum")->getMode(), create("beep", false)->getMode()}),
              (std::vector<unsigned>{SoundSample::HARDWARE | SoundSample::MODE_3D, SoundSample::HARDWARE | SoundSample::MODE_2D,
                                     SoundSample::HARDWARE | SoundSample::MODE_3D | SoundSample::LOOP_NORMAL,
                                     SoundSample::SOFTWARE | SoundSample::MODE_3D}));
    const Strings lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Sound allocated: ", 0) == 0; }), 4);
    // Sources outliving the manager are stopped and harmless.
    FakeReporter ship;
    const auto engine = make("hum", SoundCategory::THRUST, &ship);
    engine->play();
    manager.reset();
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_TRUE(ship.listeners.empty());
    engine->stop();
}

TEST_F(SoundManagerTest, OneShotsStopTheirSourceWhenTheyEndOrTheirChannelIsStolen)
{
    startManager();
    FakeReporter missile;
    const auto shot = make("beep", SoundCategory::EFFECTS, &missile), loop = make("hum", SoundCategory::THRUST, &missile);
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
    auto doomed = make("beep"); // a deleted source hears nothing more; the others go on
    doomed->play();
    doomed.reset();
    EXPECT_EQ(manager->getPlaying().size(), 2u);
    EXPECT_EQ(channelsPlaying(), 2);
    soundClock = 200.0;
    scheduler.run();
    EXPECT_FALSE(shot->isPlaying());
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

// Every sound the game asks for is defined, and starting leaves the settings file untouched.
TEST(ShippedSounds, LoadPlayAndLeaveTheSettingsFileUntouched)
{
    namespace fs = std::filesystem;
    Tolvarine::Test::SoundFiles workFolder;
    const fs::path source = TOLVARINE_SOURCE_DIR;
    fs::remove_all("cfg");
    fs::remove_all("data");
    fs::create_directories("data");
    fs::create_directories("cfg");
    fs::copy_file(source / "cfg/sound.cfg", "cfg/sound.cfg");
    fs::copy(source / "data/sound", "data/sound");
    const std::string before = Tolvarine::Test::readFile("cfg/sound.cfg");
    Tolvarine::Test::ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    SoundManager::forgetSoundConfigs();
    {
        SoundManager manager(nullptr, SoundSystem::Output::SILENT);
        const Config settings("cfg/sound.cfg");
        for (const std::string& name : {std::string("critical_alarm"), std::string("incoming_alarm"), std::string("ambient_nl"),
                                        std::string("ambient_da"), std::string("ambient_tc"), settings.getValue("Ambient", "spaceForeground"),
                                        settings.getValue("Ambient", "commandForeground")}) {
            const auto sound = SoundSource::create(name, SoundCategory::AMBIENT, nullptr, V::ZERO, true);
            sound->play();
            EXPECT_TRUE(sound->isPlaying()) << name;
        }
        EXPECT_FALSE(manager.createSound(SoundManager::getSoundConfig("incoming_alarm"), true)->isLooping());
        EXPECT_TRUE(manager.createSound(SoundManager::getSoundConfig("critical_alarm"), true)->isLooping());
    }
    SoundManager::forgetSoundConfigs();
    EXPECT_EQ(Tolvarine::Test::readFile("cfg/sound.cfg"), before);
}

TEST_F(SoundManagerTest, AMissingAudioFileIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    startManager();
    EXPECT_EXIT(
        {
            Tolvarine::Test::StderrLog echo;
            manager->createSound(SoundManager::getSoundConfig("broken"), true);
        },
        testing::ExitedWithCode(10), "FMOD error: The sound file was not found\\.");
}

} // namespace
} // namespace Tolvarine

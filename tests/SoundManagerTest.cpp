#include "SoundManager.h"

#include "CameraBase.h"
#include "CameraController.h"
#include "CameraDoubles.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "LogCapture.h"
#include "SoundChannelGroup.h"
#include "SoundFixture.h"
#include "SoundSample.h"
#include "SoundSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::FakeReporter;
using Test::LogCapture;
using Test::ManualTicks;
using Test::readFile;
using Test::SoundFiles;
using Test::StderrLog;
using Test::writeFile;

// A hand run of the test program uses OpenAL's null output, as ctest does.
const bool nullDriverChosen = [] {
    setenv("ALSOFT_DRIVERS", "null", 0);
    return true;
}();

using SoundManagerTest = Test::SoundFixture;

std::vector<std::string> linesStartingWith(const LogCapture& log, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : log.lines())
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    return found;
}

void changeSetting(const std::string& section, const std::string& key, const std::string& value)
{
    Config config("cfg/sound.cfg");
    config.setValue(section, key, value);
    config.save();
}

TEST_F(SoundManagerTest, StartUpWritesItsLinesInOrderNamingTheQualityAndTheDevice)
{
    // The channel count is logged as written, not as the number it reads as.
    changeSetting("General", "maxSoftwareChannels", "004");
    LogCapture log;
    startManager();
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Sound Manager:",
                               "Software audio quality: Light",
                               "Software audio channels: 004",
                               "Sound Manager: Driver: Silent",
                               "Sound Manager: Hardware capabilities:",
                               "Sound Manager: initialising",
                               "Sound System: no audio device, running silent",
                               "HW 2D channels: 0",
                               "HW 3D channels: 0",
                               "HW Total channels: 0",
                               "Sound Manager: 3D settings",
                           }));
    manager.reset();
    const std::pair<const char*, const char*> levels[] = {
        {"0", "Software audio quality: None"}, {"2", "Software audio quality: Full"}, {"-3", "Software audio quality: Full"}};
    for (const auto& [value, line] : levels) {
        changeSetting("General", "software3dQuality", value);
        LogCapture log;
        startManager();
        EXPECT_EQ(linesStartingWith(log, "Software audio quality: "), std::vector<std::string>{line}) << value;
        manager.reset();
    }

    // With a device (OpenAL's null output here) the sound is not silent and says nothing of it.
    LogCapture withDevice;
    startManager(SoundSystem::Output::DEVICE);
    EXPECT_FALSE(withDevice.contains("Sound Manager: Driver: Silent"));
    manager.reset();
    // Every key is required: a file without one fails after the singleton was set.
    writeFile("cfg/sound.cfg", "[Environment]\ndopplerFactor = 1\ndistanceFactor = 1\nrolloffFactor = 1\n");
    EXPECT_THROW(startManager(), ConfigurationError);
    EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
}

TEST_F(SoundManagerTest, GainsDopplerAndListenerFollowSettingsPauseAndCamera)
{
    SoundManager& sound = startManager();
    // Gains come from the settings; setters save at once but reach channels on refresh.
    const std::pair<SoundCategory, float> rows[] = {
        {SoundCategory::ENVIRONMENT, 0.25f}, {SoundCategory::EFFECTS, 0.5f}, {SoundCategory::INSTRUMENT, 0.625f},
        {SoundCategory::THRUST, 0.125f},     {SoundCategory::AMBIENT, 0.375f}};
    for (const auto& [category, gain] : rows)
        EXPECT_EQ(sound.getCategoryGain(category), gain) << static_cast<int>(category);
    SoundChannelGroup* master = nullptr;
    ASSERT_EQ(sound.getSystem().getMasterChannelGroup(master), SoundResult::OK);
    EXPECT_EQ(master->getVolume(), 0.75f);
    EXPECT_THROW(sound.getCategoryGain(static_cast<SoundCategory>(5)), ConfigurationError);
    std::unique_ptr<SoundSource> shot =
        SoundSource::create("beep_again", SoundCategory::EFFECTS, nullptr, Ogre::Vector3::ZERO, false);
    std::unique_ptr<SoundSource> engine =
        SoundSource::create("hum", SoundCategory::THRUST, nullptr, Ogre::Vector3::ZERO, false);
    shot->play();
    engine->play();
    sound.setEffectsGain(0.25f);
    sound.setThrustGain(1.0f);
    sound.setInstrumentGain(0.0625f);
    sound.setAmbientGain(0.5f);
    sound.setMasterGain(0.5f);
    const Config saved("cfg/sound.cfg");
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"effects", "0.25"}, {"thrust", "1"}, {"instrument", "0.0625"}, {"ambient", "0.5"}, {"master", "0.5"}})
        EXPECT_EQ(saved.getValue("Gain", key), value) << key;
    EXPECT_EQ(master->getVolume(), 0.5f);
    float volume = 0.0f;
    shot->getChannel().getVolume(volume);
    EXPECT_EQ(volume, 0.5f);
    sound.refreshVolumes();
    shot->getChannel().getVolume(volume);
    EXPECT_EQ(volume, 0.25f);
    engine->getChannel().getVolume(volume);
    EXPECT_EQ(volume, 1.0f);

    // Pause suspends the Doppler effect once; resume restores it.
    SoundSystem& system = sound.getSystem();
    float doppler = 0.0f, distance = 0.0f, rolloff = 0.0f;
    system.set3DSettings(0.25f, 2.0f, 0.5f);
    sound.setDopplerSuspended(false); // resuming what is not suspended changes nothing
    system.get3DSettings(doppler, distance, rolloff);
    EXPECT_EQ(doppler, 0.25f);
    scheduler.setPaused(true);
    system.get3DSettings(doppler, distance, rolloff);
    EXPECT_EQ(doppler, 0.0f);
    system.set3DSettings(0.25f, 2.0f, 0.5f);
    scheduler.setPaused(true); // a second pause does not reach the sound system again
    system.get3DSettings(doppler, distance, rolloff);
    EXPECT_EQ(doppler, 0.25f);
    scheduler.togglePause();
    system.get3DSettings(doppler, distance, rolloff);
    EXPECT_EQ(doppler, 0.75f);

    // The listener faces along the current camera's minus z.
    const Ogre::Quaternion turned(Ogre::Degree(90), Ogre::Vector3::UNIT_Y);
    Ogre::Vector3 position, velocity, forward, up;
    sound.updateListener(Ogre::Vector3(1, 2, 3), turned, Ogre::Vector3(0, 0, -4));
    sound.getSystem().get3DListenerAttributes(0, position, velocity, forward, up);
    EXPECT_EQ(velocity, Ogre::Vector3(0, 0, -4));
    EXPECT_TRUE(forward.positionEquals(Ogre::Vector3(-1, 0, 0), 1e-6f)) << forward;
    // Each update puts it at the current camera.
    Tolvarine::Test::RenderingRoot rendering(Tolvarine::Test::RenderingRoot::Kind::Headless);
    Config cameraSettings(Tolvarine::Test::written("camera.cfg", Tolvarine::Test::cameraSettingsText));
    CameraController cameras(rendering.sceneManager(), cameraSettings);
    cameras.getCurrentCamera()->setPosition(Ogre::Vector3(7, 8, 9));
    cameras.getCurrentCamera()->setOrientation(turned.Inverse());
    sound.update(0.0f, 0.0f);
    sound.getSystem().get3DListenerAttributes(0, position, velocity, forward, up);
    EXPECT_EQ(position, Ogre::Vector3(7, 8, 9));
    EXPECT_TRUE(forward.positionEquals(Ogre::Vector3(1, 0, 0), 1e-6f)) << forward;
    EXPECT_TRUE(sound.getListenerOrientation().equals(turned.Inverse(), Ogre::Radian(1e-5f)));
}

TEST_F(SoundManagerTest, DefinitionsAreReadOnceAndUnknownNamesFailCleanly)
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
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"SoundManager parsing .sound files",
                                                     "Could not get sound config beep"}));
    std::filesystem::rename(files.file("elsewhere"), files.file("data/sound"));
    EXPECT_NO_THROW(SoundManager::getSoundConfig("beep"));
}

TEST_F(SoundManagerTest, SoundsAreSharedByFileAndMode)
{
    SoundManager& sound = startManager();
    LogCapture log;
    SoundSample* beep = sound.createSound(SoundManager::getSoundConfig("beep"), true);
    SoundSample* again = sound.createSound(SoundManager::getSoundConfig("beep_again"), true);
    SoundSample* flat = sound.createSound(SoundManager::getSoundConfig("beep2d"), true);
    SoundSample* loop = sound.createSound(SoundManager::getSoundConfig("hum"), true);
    SoundSample* software = sound.createSound(SoundManager::getSoundConfig("beep"), false);
    ASSERT_NE(beep, nullptr);
    EXPECT_EQ(again, beep);
    EXPECT_EQ(beep->getPath(), "sounds/beep.wav");
    EXPECT_EQ(beep->getMode(), SoundSample::HARDWARE | SoundSample::MODE_3D);
    EXPECT_EQ(flat->getMode(), SoundSample::HARDWARE | SoundSample::MODE_2D);
    EXPECT_EQ(loop->getMode(), SoundSample::HARDWARE | SoundSample::MODE_3D | SoundSample::LOOP_NORMAL);
    EXPECT_EQ(software->getMode(), SoundSample::SOFTWARE | SoundSample::MODE_3D);
    EXPECT_EQ(linesStartingWith(log, "Sound allocated: ").size(), 4u);
    // Sources outliving the manager are stopped and harmless.
    FakeReporter ship;
    std::unique_ptr<SoundSource> engine = SoundSource::create("hum", SoundCategory::THRUST, &ship, Ogre::Vector3::ZERO, false);
    engine->play();
    manager.reset();
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_TRUE(ship.listeners.empty());
    engine->stop();
}

// Every sound the game asks for is defined, and starting leaves the settings file untouched.
TEST(ShippedSounds, LoadPlayAndLeaveTheSettingsFileUntouched)
{
    namespace fs = std::filesystem;
    SoundFiles workFolder;
    const fs::path source = TOLVARINE_SOURCE_DIR;
    fs::remove_all("cfg");
    fs::remove_all("data");
    fs::create_directories("cfg");
    fs::create_directories("data");
    fs::copy_file(source / "cfg/sound.cfg", "cfg/sound.cfg");
    fs::copy(source / "data/sound", "data/sound");
    const std::string before = readFile("cfg/sound.cfg");

    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    SoundManager::forgetSoundConfigs();
    {
        SoundManager manager(nullptr, SoundSystem::Output::SILENT);
        const Config settings("cfg/sound.cfg");
        std::vector<std::string> names = {"critical_alarm", "incoming_alarm", "ambient_nl", "ambient_da",
                                          "ambient_tc"};
        names.push_back(settings.getValue("Ambient", "spaceForeground"));
        names.push_back(settings.getValue("Ambient", "commandForeground"));
        for (const std::string& name : names) {
            const auto sound = SoundSource::create(name, SoundCategory::AMBIENT, nullptr, Ogre::Vector3::ZERO, true);
            sound->play();
            EXPECT_TRUE(sound->isPlaying()) << name;
        }
        EXPECT_FALSE(manager.createSound(SoundManager::getSoundConfig("incoming_alarm"), true)->isLooping());
        EXPECT_TRUE(manager.createSound(SoundManager::getSoundConfig("critical_alarm"), true)->isLooping());
    }
    SoundManager::forgetSoundConfigs();
    EXPECT_EQ(readFile("cfg/sound.cfg"), before);
}

TEST_F(SoundManagerTest, AMissingAudioFileIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    startManager();
    EXPECT_EXIT(
        {
            StderrLog echo;
            manager->createSound(SoundManager::getSoundConfig("broken"), true);
        },
        testing::ExitedWithCode(10), "FMOD error: The sound file was not found\\.");
}

} // namespace
} // namespace Tolvarine

#include "ConfigFiles.h"
#include "LogCapture.h"
#include "SoundChannel.h"
#include "SoundChannelGroup.h"
#include "SoundFiles.h"
#include "SoundResult.h"
#include "SoundSample.h"
#include "SoundSystem.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::StderrLog;
using Test::TemporaryFolder;
using Test::writeToneWav;

// The device tests want OpenAL's null output, as ctest gives them; this makes a hand run of
// the test program behave the same (OpenAL reads the variable at its first call).
const bool nullDriverChosen = [] {
    setenv("ALSOFT_DRIVERS", "null", 0);
    return true;
}();

const std::string SILENT_LINE = "Sound System: no audio device, running silent";

// A sound system on a clock the test sets, with a folder for its tone files and a record of
// every end callback, in order.
struct Voices {
    explicit Voices(SoundSystem::Output output = SoundSystem::Output::SILENT, int channels = 8, int software = 0)
        : system(output)
    {
        system.setClock([this] { return now; });
        if (software)
            EXPECT_EQ(system.setSoftwareChannels(software), SoundResult::OK);
        EXPECT_EQ(system.init(channels, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    }

    // A 440 Hz tone of `seconds` at 22.05 kHz.
    SoundSample* tone(const std::string& name, double seconds, unsigned mode)
    {
        writeToneWav(folder.file(name), seconds, 1, 22050);
        SoundSample* sample = nullptr;
        EXPECT_EQ(system.createSound(folder.file(name), mode, sample), SoundResult::OK) << name;
        return sample;
    }

    SoundChannel start(SoundSample* sample, bool paused = false, const std::string& name = "")
    {
        SoundChannel channel;
        EXPECT_EQ(system.playSound(sample, paused, channel), SoundResult::OK);
        if (!name.empty())
            channel.setCallback(SoundChannel::CallbackType::END, [this, name](SoundChannel&, SoundChannel::CallbackType) {
                events.push_back(name + " ended");
                return SoundResult::OK;
            });
        return channel;
    }

    int playingCount()
    {
        int count = -1;
        system.getChannelsPlaying(count);
        return count;
    }

    TemporaryFolder folder;
    double now = 0.0;
    SoundSystem system;
    std::vector<std::string> events;
};

bool playing(const SoundChannel& channel)
{
    bool answer = true;
    channel.isPlaying(answer);
    return answer;
}

// Root-mean-square level of a tenth of a second, mixed after the device's short gain ramps.
double level(SoundSystem& system)
{
    std::vector<float> out;
    EXPECT_EQ(system.renderSamples(out, 2048), SoundResult::OK);
    EXPECT_EQ(system.renderSamples(out, SoundSystem::LOOPBACK_FREQUENCY / 10), SoundResult::OK);
    double sum = 0.0;
    for (const float sample : out)
        sum += static_cast<double>(sample) * sample;
    return std::sqrt(sum / std::max<double>(1.0, static_cast<double>(out.size())));
}

TEST(SoundResult, EveryResultHasItsOwnTextAndACheckedFailureExitsWithTen)
{
    std::vector<std::string> texts;
    for (int code = 0; code <= static_cast<int>(SoundResult::UNSUPPORTED); ++code) {
        const std::string text = soundErrorString(static_cast<SoundResult>(code));
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 0) << text;
        texts.push_back(text);
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    checkSoundResult(SoundResult::OK); // must return
    EXPECT_EXIT(
        {
            StderrLog echo;
            checkSoundResult(SoundResult::FILE_NOT_FOUND);
        },
        testing::ExitedWithCode(10), "FMOD error: The sound file was not found\\.");
}

TEST(SoundSample, LoadsWavFilesOfEveryShapeAndRefusesBrokenOnes)
{
    TemporaryFolder folder;
    SoundSystem early;
    SoundSample* sample = nullptr;
    EXPECT_EQ(early.createSound(folder.file("none.wav"), SoundSample::MODE_2D, sample), SoundResult::NOT_INITIALISED);

    Voices voices(SoundSystem::Output::DEVICE);
    ASSERT_FALSE(voices.system.isSilent());
    SoundSample* mono = voices.tone("mono.wav", 0.1, SoundSample::MODE_3D | SoundSample::LOOP_NORMAL);
    ASSERT_TRUE(mono);
    EXPECT_NEAR(mono->getLength(), 0.1, 1e-9);

    // Stereo 8-bit becomes 16-bit; both channels are kept for a 2D sound and mixed down to one
    // for a positional sound, which the device can only place in mono.
    const std::string stereo = folder.file("stereo8.wav");
    writeToneWav(stereo, 1000.0 / 11025, 2, 11025, 8);
    for (const auto& [mode, channels] : {std::pair<unsigned, int>{SoundSample::MODE_2D, 2}, {SoundSample::MODE_3D, 1}}) {
        SCOPED_TRACE(channels);
        ASSERT_EQ(voices.system.createSound(stereo, mode, sample), SoundResult::OK);
        ALint bits = 0, alChannels = 0, size = 0;
        alGetBufferi(sample->getBuffer(), AL_BITS, &bits);
        alGetBufferi(sample->getBuffer(), AL_CHANNELS, &alChannels);
        alGetBufferi(sample->getBuffer(), AL_SIZE, &size);
        EXPECT_EQ(sample->getChannels(), channels);
        EXPECT_EQ(bits, 16);
        EXPECT_EQ(alChannels, channels);
        EXPECT_EQ(size, 1000 * 2 * channels);
    }

    std::ofstream(folder.file("garbage.wav")) << "this is not a sound at all";
    writeToneWav(folder.file("empty.wav"), 0.0);
    struct Row { const char* file; unsigned mode; SoundResult want; std::string line; };
    const Row rows[] = {
        {"missing.wav", SoundSample::MODE_3D, SoundResult::FILE_NOT_FOUND, ": no such file"},
        {"garbage.wav", SoundSample::MODE_3D, SoundResult::FORMAT, ": "},
        {"empty.wav", SoundSample::MODE_2D, SoundResult::FORMAT, ": the file holds no sound"},
        {"mono.wav", SoundSample::MODE_2D | SoundSample::MODE_3D, SoundResult::INVALID_PARAM, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        LogCapture log;
        sample = mono;
        EXPECT_EQ(voices.system.createSound(folder.file(row.file), row.mode, sample), row.want);
        EXPECT_EQ(sample, nullptr);
        if (!row.line.empty()) {
            ASSERT_EQ(log.lines().size(), 1u);
            EXPECT_EQ(log.lines()[0].rfind("Sound System: could not load " + folder.file(row.file) + row.line, 0), 0u)
                << log.lines()[0];
        }
    }
}

TEST(SoundSystem, NullDeviceDeliversOneNaturalEndWhileTheHandleIsStillValid)
{
    Voices voices(SoundSystem::Output::DEVICE);
    ASSERT_FALSE(voices.system.isSilent());
    std::string driver;
    EXPECT_EQ(voices.system.getDriverName(0, driver), SoundResult::OK);
    EXPECT_NE(driver, "Silent");
    EXPECT_EQ(voices.system.getDriverName(1, driver), SoundResult::INVALID_PARAM);

    SoundChannel channel = voices.start(voices.tone("blip.wav", 0.03, SoundSample::MODE_2D));
    int marker = 0;
    ASSERT_EQ(channel.setUserData(&marker), SoundResult::OK);
    int ends = 0;
    void* seenData = nullptr;
    bool sameHandle = false;
    channel.setCallback(SoundChannel::CallbackType::END, [&](SoundChannel& ended, SoundChannel::CallbackType) {
        ++ends;
        EXPECT_EQ(ended.getUserData(seenData), SoundResult::OK);
        sameHandle = ended == channel;
        return SoundResult::OK;
    });
    EXPECT_TRUE(playing(channel));

    // The null device plays in real time; the bound only keeps a broken build from hanging.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ends == 0 && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_EQ(voices.system.update(), SoundResult::OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(ends, 1);
    EXPECT_EQ(seenData, &marker);
    EXPECT_TRUE(sameHandle);

    // Afterwards the handle is stale and harmless.
    EXPECT_FALSE(playing(channel));
    EXPECT_EQ(channel.setVolume(0.5f), SoundResult::INVALID_HANDLE);
    EXPECT_EQ(channel.setUserData(nullptr), SoundResult::INVALID_HANDLE);
    voices.system.update();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(voices.playingCount(), 0);
}

// Guards handle generations: a handle kept after its sound stopped must not reach whichever sound
// gets the voice next; and stop() never calls the end callback.
TEST(SoundSystem, StopNeverCallsBackAndAStaleHandleCannotReachTheNextSound)
{
    for (const SoundSystem::Output output : {SoundSystem::Output::DEVICE, SoundSystem::Output::SILENT}) {
        SCOPED_TRACE(output == SoundSystem::Output::DEVICE ? "null device" : "silent");
        Voices voices(output, 4);
        SoundSample* sample = voices.tone("short.wav", 0.02, SoundSample::MODE_2D);
        SoundChannel first = voices.start(sample, false, "first");
        EXPECT_EQ(first.stop(), SoundResult::OK);
        EXPECT_EQ(first.stop(), SoundResult::INVALID_HANDLE);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        voices.now = 1.0;
        voices.system.update();
        EXPECT_TRUE(voices.events.empty());

        SoundChannel second = voices.start(sample, true, "second");
        EXPECT_NE(first, second);
        EXPECT_EQ(first.stop(), SoundResult::INVALID_HANDLE);
        EXPECT_EQ(first.setPaused(false), SoundResult::INVALID_HANDLE);
        EXPECT_EQ(first.setCallback(SoundChannel::CallbackType::END, nullptr), SoundResult::INVALID_HANDLE);
        bool paused = false;
        EXPECT_EQ(second.getPaused(paused), SoundResult::OK);
        EXPECT_TRUE(paused);
        EXPECT_TRUE(playing(second));
        EXPECT_FALSE(playing(SoundChannel())); // a default handle refers to nothing
    }
}

TEST(SoundSystem, SilentChannelsEndAfterTheirLengthOfUnpausedTimeAndLoopsNever)
{
    LogCapture log;
    Voices voices(SoundSystem::Output::SILENT, 4);
    EXPECT_TRUE(voices.system.isSilent());
    EXPECT_EQ(log.lines(), std::vector<std::string>{SILENT_LINE});
    voices.now = 100.0;
    SoundChannel shot = voices.start(voices.tone("once.wav", 0.1, SoundSample::MODE_3D), true, "shot");
    SoundChannel looping =
        voices.start(voices.tone("loop.wav", 0.1, SoundSample::MODE_3D | SoundSample::LOOP_NORMAL), false, "loop");

    voices.now += 10.0; // paused time does not count
    shot.setPaused(false);
    voices.now += 0.06;
    voices.system.update();
    shot.setPaused(true);
    voices.now += 5.0;
    shot.setPaused(false);
    voices.now += 0.03;
    voices.system.update();
    EXPECT_TRUE(playing(shot));
    voices.now += 0.02; // 0.11 s played in all
    EXPECT_FALSE(playing(shot)); // ended, though not yet reported
    EXPECT_TRUE(voices.events.empty());
    voices.system.update();
    voices.now += 1000.0;
    voices.system.update();
    EXPECT_TRUE(playing(looping));
    EXPECT_EQ(voices.events, std::vector<std::string>{"shot ended"});
}

// Guards: an end callback may stop its own channel and start another sound (what a sound source
// does) while it is still inside the voice it ends.
TEST(SoundSystem, EndCallbackMayStopItsOwnChannelAndStartAnother)
{
    Voices voices(SoundSystem::Output::SILENT, 1);
    SoundSample* sample = voices.tone("a.wav", 0.1, SoundSample::MODE_2D);
    SoundChannel first = voices.start(sample);
    SoundChannel next;
    std::vector<SoundResult> results;
    first.setCallback(SoundChannel::CallbackType::END, [&](SoundChannel& ended, SoundChannel::CallbackType) {
        void* data = nullptr;
        results.push_back(ended.getUserData(data));
        results.push_back(ended.stop());
        results.push_back(ended.stop());
        results.push_back(voices.system.playSound(sample, false, next));
        return SoundResult::OK;
    });
    voices.now = 1.0;
    voices.system.update();
    EXPECT_EQ(results, std::vector<SoundResult>(4, SoundResult::OK));
    EXPECT_EQ(first.stop(), SoundResult::INVALID_HANDLE);
    EXPECT_NE(next, first);
    EXPECT_TRUE(playing(next));
    EXPECT_EQ(voices.playingCount(), 1);
}

// Guards channel stealing: with every voice busy a new sound is never refused; the oldest one-shot,
// or else the least audible loop, is stolen and its end callback runs before the new sound starts.
TEST(SoundSystem, FullVoicesAreStolenWithTheirEndCallbackFirstNeverRefused)
{
    Voices voices(SoundSystem::Output::SILENT, 16, 2);
    EXPECT_EQ(voices.system.setSoftwareChannels(8), SoundResult::ALREADY_INITIALISED);
    SoundSample* shot = voices.tone("shot.wav", 1.0, SoundSample::MODE_2D);
    SoundSample* loop = voices.tone("loop.wav", 1.0, SoundSample::MODE_2D | SoundSample::LOOP_NORMAL);

    SoundChannel older = voices.start(shot, false, "older");
    SoundChannel quiet = voices.start(loop, false, "quiet");
    quiet.setVolume(0.1f);
    voices.events.push_back("play loud");
    SoundChannel loud = voices.start(loop, false, "loud");
    voices.events.push_back("loud playing");
    EXPECT_EQ(voices.events, (std::vector<std::string>{"play loud", "older ended", "loud playing"}));
    EXPECT_FALSE(playing(older));

    voices.events.clear();
    SoundChannel last = voices.start(loop);
    EXPECT_EQ(voices.events, std::vector<std::string>{"quiet ended"});
    EXPECT_TRUE(playing(loud) && playing(last));

    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(voices.start(shot).setVolume(0.5f), SoundResult::OK);
    EXPECT_EQ(voices.playingCount(), 2);
}

TEST(SoundSystem, ListenerSourceAndDopplerSettingsReachTheDeviceMirroredForALeftHandedCaller)
{
    const Ogre::Vector3 position(1, 2, 3), velocity(-4, 5, 6), forward(0, 0, 1), up(0, 1, 0);
    {
        Voices voices(SoundSystem::Output::DEVICE, 4);
        SoundSystem& system = voices.system;
        ASSERT_EQ(system.set3DListenerAttributes(0, position, velocity, forward, up), SoundResult::OK);
        EXPECT_EQ(system.set3DListenerAttributes(1, position, velocity, forward, up), SoundResult::INVALID_PARAM);
        EXPECT_EQ(system.set3DListenerAttributes(0, Ogre::Vector3(NAN, 0, 0), velocity, forward, up),
                  SoundResult::INVALID_FLOAT);
        Ogre::Vector3 read;
        alGetListener3f(AL_POSITION, &read.x, &read.y, &read.z);
        EXPECT_EQ(read, position);
        alGetListener3f(AL_VELOCITY, &read.x, &read.y, &read.z);
        EXPECT_EQ(read, velocity);
        ALfloat orientation[6] = {};
        alGetListenerfv(AL_ORIENTATION, orientation);
        EXPECT_EQ(Ogre::Vector3(orientation[0], orientation[1], orientation[2]), forward);
        EXPECT_EQ(Ogre::Vector3(orientation[3], orientation[4], orientation[5]), up);

        SoundChannel placed = voices.start(voices.tone("p.wav", 1.0, SoundSample::MODE_3D), true);
        EXPECT_EQ(placed.set3DAttributes(Ogre::Vector3(10, -20, 30), Ogre::Vector3(1, 0, 0)), SoundResult::OK);
        EXPECT_EQ(placed.set3DAttributes(Ogre::Vector3(INFINITY, 0, 0), Ogre::Vector3::ZERO), SoundResult::INVALID_FLOAT);
        Ogre::Vector3 at, moving;
        placed.get3DAttributes(at, moving);
        EXPECT_EQ(at, Ogre::Vector3(10, -20, 30));
        EXPECT_EQ(placed.set3DMinMaxDistance(5.0f, 10000.0f), SoundResult::OK);
        EXPECT_EQ(placed.set3DMinMaxDistance(5.0f, 1.0f), SoundResult::INVALID_PARAM);
        float minDistance = 0.0f, maxDistance = 0.0f;
        placed.get3DMinMaxDistance(minDistance, maxDistance);
        EXPECT_EQ(maxDistance, 10000.0f);
        EXPECT_EQ(placed.setMode(SoundChannel::HEAD_RELATIVE_3D | SoundChannel::WORLD_RELATIVE_3D),
                  SoundResult::INVALID_PARAM);

        SoundChannel flat = voices.start(voices.tone("f.wav", 1.0, SoundSample::MODE_2D), true);
        EXPECT_EQ(flat.set3DAttributes(Ogre::Vector3(1, 1, 1), Ogre::Vector3::ZERO), SoundResult::NEEDS_3D);
        EXPECT_EQ(flat.set3DMinMaxDistance(1.0f, 2.0f), SoundResult::NEEDS_3D);
    }
    SoundSystem system;
    ASSERT_EQ(system.init(4, SoundSystem::INIT_NORMAL), SoundResult::OK);
    // Doppler scale 0 turns the effect off; bad settings change nothing.
    ASSERT_EQ(system.set3DSettings(2.0f, 10.0f, 0.5f), SoundResult::OK);
    EXPECT_FLOAT_EQ(alGetFloat(AL_SPEED_OF_SOUND), SoundSystem::SPEED_OF_SOUND * 10.0f);
    ASSERT_EQ(system.set3DSettings(0.0f, 10.0f, 0.5f), SoundResult::OK);
    EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 0.0f);
    EXPECT_EQ(system.set3DSettings(-1.0f, 10.0f, 0.5f), SoundResult::INVALID_PARAM);
    EXPECT_EQ(system.set3DSettings(1.0f, 0.0f, 0.5f), SoundResult::INVALID_PARAM);
    EXPECT_EQ(system.set3DSettings(NAN, 10.0f, 0.5f), SoundResult::INVALID_FLOAT);
    EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 0.0f);
    ASSERT_EQ(system.set3DListenerAttributes(0, position, velocity, forward, up), SoundResult::OK);
    Ogre::Vector3 read;
    alGetListener3f(AL_POSITION, &read.x, &read.y, &read.z);
    EXPECT_EQ(read, Ogre::Vector3(1, 2, -3));
    Ogre::Vector3 p, v, f, u;
    system.get3DListenerAttributes(0, p, v, f, u);
    EXPECT_EQ(p, position); // the caller reads back its own frame
}

// A device that cannot be opened falls back to silence with one log line; the silent calls
// themselves run under every sound test that uses the silent output.
TEST(SoundSystem, WithoutADeviceTheSystemRunsSilent)
{
    LogCapture log;
    SoundSystem system(SoundSystem::Output::DEVICE, "no such audio device");
    ASSERT_EQ(system.setSoftwareChannels(4), SoundResult::OK);
    ASSERT_EQ(system.init(64, SoundSystem::INIT_3D_RIGHT_HANDED | SoundSystem::INIT_3D_QUALITY_FULL), SoundResult::OK);
    EXPECT_EQ(log.lines(), std::vector<std::string>{SILENT_LINE});
    std::string driver;
    system.getDriverName(0, driver);
    EXPECT_EQ(driver, "Silent");
    std::vector<float> out;
    EXPECT_EQ(system.renderSamples(out, 16), SoundResult::UNSUPPORTED);
}

TEST(SoundSystemLoopback, PauseStopVolumeAndGroupsScaleWhatIsHeard)
{
    Voices voices(SoundSystem::Output::LOOPBACK);
    SoundSystem& system = voices.system;
    SoundSample* tone = voices.tone("tone.wav", 1.0, SoundSample::MODE_2D | SoundSample::LOOP_NORMAL);
    SoundChannelGroup* master = nullptr;
    SoundChannelGroup* effects = nullptr;
    ASSERT_EQ(system.getMasterChannelGroup(master), SoundResult::OK);
    ASSERT_EQ(system.createChannelGroup("effects", effects), SoundResult::OK);

    SoundChannel channel = voices.start(tone, true);
    EXPECT_LT(level(system), 1e-6); // set up but held
    channel.setPaused(false);
    const double full = level(system);
    ASSERT_GT(full, 0.05);
    channel.setVolume(0.5f);
    EXPECT_NEAR(level(system) / full, 0.5, 0.03);
    channel.setVolume(1.0f);

    ASSERT_EQ(channel.setChannelGroup(effects), SoundResult::OK);
    int members = 0;
    effects->getNumChannels(members);
    EXPECT_EQ(members, 1);
    effects->setVolume(0.5f);
    master->setVolume(0.5f);
    EXPECT_NEAR(level(system) / full, 0.25, 0.03);
    // Pausing the group holds the channel without changing its own state.
    effects->setPaused(true);
    EXPECT_LT(level(system), 1e-6);
    bool paused = true;
    channel.getPaused(paused);
    EXPECT_FALSE(paused);
    effects->setPaused(false);
    master->setPaused(true);
    EXPECT_LT(level(system), 1e-6);
    master->setPaused(false);
    EXPECT_NEAR(level(system) / full, 0.25, 0.03);

    // Volumes stay within 0 and 1.
    float volume = 0.0f;
    master->setVolume(2.0f);
    EXPECT_EQ(master->setVolume(NAN), SoundResult::INVALID_FLOAT);
    master->getVolume(volume);
    EXPECT_EQ(volume, 1.0f);
    channel.setVolume(-3.0f);
    EXPECT_LT(level(system), 1e-6);

    // Stopping a group ends its members without callbacks; null puts a channel back in master.
    channel.setCallback(SoundChannel::CallbackType::END, [&](SoundChannel&, SoundChannel::CallbackType) {
        voices.events.push_back("member ended");
        return SoundResult::OK;
    });
    SoundChannel outsider = voices.start(tone);
    EXPECT_EQ(effects->stop(), SoundResult::OK);
    system.update();
    EXPECT_TRUE(voices.events.empty());
    EXPECT_FALSE(playing(channel));
    EXPECT_TRUE(playing(outsider));
    EXPECT_EQ(outsider.setChannelGroup(nullptr), SoundResult::OK);
    SoundChannelGroup* group = nullptr;
    outsider.getChannelGroup(group);
    EXPECT_EQ(group, master);
    outsider.stop();
    EXPECT_LT(level(system), 1e-6);

    // A one-shot played out by the mixer is reported by the next update.
    voices.start(voices.tone("blip.wav", 0.05, SoundSample::MODE_2D), false, "blip");
    system.update();
    EXPECT_TRUE(voices.events.empty());
    level(system);
    system.update();
    EXPECT_EQ(voices.events, std::vector<std::string>{"blip ended"});
}

} // namespace
} // namespace Tolvarine

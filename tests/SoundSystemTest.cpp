#include "LogCapture.h"
#include "SoundChannel.h"
#include "SoundChannelGroup.h"
#include "SoundResult.h"
#include "SoundSample.h"
#include "SoundSystem.h"

#include <AL/al.h>
#include <OgreLogManager.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Tolvarine {
namespace {

// The device tests want OpenAL's null output, as ctest gives them; this makes a hand run of
// the test program behave the same (OpenAL reads the variable at its first call).
const bool nullDriverChosen = [] {
    setenv("ALSOFT_DRIVERS", "null", 0);
    return true;
}();

const std::string SILENT_LINE = "Sound System: no audio device, running silent";

class TempDir {
public:
    TempDir()
    {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("tolvarine-sound-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }

private:
    std::filesystem::path path;
};

void putLittleEndian(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

// Writes a PCM WAV file; `value(frame, channel)` gives each sample in [-1, 1].
void writeWav(const std::string& path, int channels, int rate, int bits, int frames,
              const std::function<double(int, int)>& value)
{
    const std::uint32_t bytesPerSample = static_cast<std::uint32_t>(bits / 8);
    const std::uint32_t dataSize = static_cast<std::uint32_t>(frames * channels) * bytesPerSample;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    putLittleEndian(out, 36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    putLittleEndian(out, 16, 4);
    putLittleEndian(out, 1, 2);
    putLittleEndian(out, static_cast<std::uint32_t>(channels), 2);
    putLittleEndian(out, static_cast<std::uint32_t>(rate), 4);
    putLittleEndian(out, static_cast<std::uint32_t>(rate * channels) * bytesPerSample, 4);
    putLittleEndian(out, static_cast<std::uint32_t>(channels) * bytesPerSample, 2);
    putLittleEndian(out, static_cast<std::uint32_t>(bits), 2);
    out.write("data", 4);
    putLittleEndian(out, dataSize, 4);
    for (int frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < channels; ++channel) {
            const double v = std::clamp(value(frame, channel), -1.0, 1.0);
            if (bits == 8)
                putLittleEndian(out, static_cast<std::uint32_t>(std::lround(128 + v * 127)), 1);
            else
                putLittleEndian(out, static_cast<std::uint32_t>(static_cast<std::int16_t>(std::lround(v * 32767))), 2);
        }
    }
}

// A mono tone of `seconds` at 22.05 kHz.
std::string writeTone(const TempDir& dir, const std::string& name, double seconds, double amplitude = 0.25)
{
    const std::string path = dir.file(name);
    writeWav(path, 1, 22050, 16, static_cast<int>(seconds * 22050), [amplitude](int frame, int) {
        return amplitude * std::sin(2.0 * M_PI * 440.0 * frame / 22050.0);
    });
    return path;
}

// Channels of one system, with a record of every end callback, in order.
struct EndLog {
    std::vector<std::string> events;

    SoundChannel::Callback recorder(const std::string& name)
    {
        return [this, name](SoundChannel&, SoundChannel::CallbackType type) {
            events.push_back(name + (type == SoundChannel::CallbackType::END ? " ended" : " other"));
            return SoundResult::OK;
        };
    }
};

SoundSample* load(SoundSystem& system, const std::string& path, unsigned mode)
{
    SoundSample* sample = nullptr;
    EXPECT_EQ(system.createSound(path, mode, sample), SoundResult::OK) << path;
    return sample;
}

SoundChannel start(SoundSystem& system, SoundSample* sample, bool paused = false)
{
    SoundChannel channel;
    EXPECT_EQ(system.playSound(sample, paused, channel), SoundResult::OK);
    return channel;
}

bool playing(const SoundChannel& channel)
{
    bool answer = true;
    channel.isPlaying(answer);
    return answer;
}

// Root-mean-square level of one channel (0 left, 1 right) of interleaved stereo.
double rms(const std::vector<float>& stereo, int side)
{
    double sum = 0.0;
    const std::size_t frames = stereo.size() / 2;
    for (std::size_t frame = 0; frame < frames; ++frame)
        sum += static_cast<double>(stereo[2 * frame + side]) * stereo[2 * frame + side];
    return frames ? std::sqrt(sum / frames) : 0.0;
}

// Mixes past the device's short gain ramps, then measures a tenth of a second.
std::vector<float> settleAndRender(SoundSystem& system)
{
    std::vector<float> out;
    EXPECT_EQ(system.renderSamples(out, 2048), SoundResult::OK);
    EXPECT_EQ(system.renderSamples(out, SoundSystem::LOOPBACK_FREQUENCY / 10), SoundResult::OK);
    return out;
}

double level(SoundSystem& system)
{
    const std::vector<float> out = settleAndRender(system);
    return (rms(out, 0) + rms(out, 1)) / 2.0;
}

// Writes log lines to standard error, where a death test can see them.
class StderrLog : public Ogre::LogListener {
public:
    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel, bool, const Ogre::String&, bool&) override
    {
        std::cerr << message << std::endl;
    }
};

TEST(SoundResult, EveryResultHasItsOwnTextAndOnlyOkIsZero)
{
    EXPECT_EQ(static_cast<int>(SoundResult::OK), 0);
    std::vector<std::string> texts;
    for (int code = 0; code <= static_cast<int>(SoundResult::UNSUPPORTED); ++code) {
        const std::string text = soundErrorString(static_cast<SoundResult>(code));
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 0) << text;
        texts.push_back(text);
    }
}

TEST(SoundResultDeathTest, CheckedFailureLogsAndExitsWithTen)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    checkSoundResult(SoundResult::OK); // must return
    EXPECT_EXIT(
        {
            StderrLog echo;
            Ogre::LogManager::getSingleton().getDefaultLog()->addListener(&echo);
            checkSoundResult(SoundResult::FILE_NOT_FOUND);
        },
        testing::ExitedWithCode(10), "FMOD error: The sound file was not found\\.");
}

TEST(SoundSample, LoadsWavFilesOfEveryShapeAndRefusesBrokenOnes)
{
    TempDir dir;
    SoundSystem system;
    SoundSample* sample = nullptr;
    EXPECT_EQ(system.createSound(writeTone(dir, "early.wav", 0.1), SoundSample::MODE_2D, sample),
              SoundResult::NOT_INITIALISED);
    ASSERT_EQ(system.init(8, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    ASSERT_FALSE(system.isSilent());

    SoundSample* mono = load(system, writeTone(dir, "mono.wav", 0.1), SoundSample::MODE_3D | SoundSample::LOOP_NORMAL);
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->getChannels(), 1);
    EXPECT_EQ(mono->getFrequency(), 22050);
    EXPECT_EQ(mono->getFrames(), 2205u);
    EXPECT_NEAR(mono->getLength(), 0.1, 1e-9);
    EXPECT_TRUE(mono->isLooping());
    EXPECT_TRUE(mono->is3D());

    // Stereo 8-bit: converted to 16-bit, both channels kept for a 2D sound...
    const std::string stereo = dir.file("stereo8.wav");
    writeWav(stereo, 2, 11025, 8, 1000, [](int, int channel) { return channel == 0 ? 0.5 : -0.5; });
    SoundSample* flat = load(system, stereo, SoundSample::MODE_2D);
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->getChannels(), 2);
    EXPECT_EQ(flat->getFrames(), 1000u);
    ALint bits = 0;
    ALint channels = 0;
    ALint size = 0;
    alGetBufferi(flat->getBuffer(), AL_BITS, &bits);
    alGetBufferi(flat->getBuffer(), AL_CHANNELS, &channels);
    alGetBufferi(flat->getBuffer(), AL_SIZE, &size);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(size, 1000 * 2 * 2);
    // ...and mixed down to one for a positional sound, which the device can only place in mono.
    SoundSample* placed = load(system, stereo, SoundSample::MODE_3D);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->getChannels(), 1);
    alGetBufferi(placed->getBuffer(), AL_CHANNELS, &channels);
    alGetBufferi(placed->getBuffer(), AL_SIZE, &size);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(size, 1000 * 2);

    Tolvarine::Test::LogCapture log;
    const std::string missing = dir.file("missing.wav");
    EXPECT_EQ(system.createSound(missing, SoundSample::MODE_3D, sample), SoundResult::FILE_NOT_FOUND);
    EXPECT_EQ(sample, nullptr);
    EXPECT_TRUE(log.contains("Sound System: could not load " + missing + ": no such file"));

    const std::string garbage = dir.file("garbage.wav");
    std::ofstream(garbage) << "this is not a sound at all";
    EXPECT_EQ(system.createSound(garbage, SoundSample::MODE_3D, sample), SoundResult::FORMAT);
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[1].rfind("Sound System: could not load " + garbage + ": ", 0), 0u) << log.lines()[1];

    const std::string empty = dir.file("empty.wav");
    writeWav(empty, 1, 22050, 16, 0, [](int, int) { return 0.0; });
    EXPECT_EQ(system.createSound(empty, SoundSample::MODE_2D, sample), SoundResult::FORMAT);
    EXPECT_TRUE(log.contains("Sound System: could not load " + empty + ": the file holds no sound"));

    EXPECT_EQ(system.createSound(writeTone(dir, "both.wav", 0.1), SoundSample::MODE_2D | SoundSample::MODE_3D, sample),
              SoundResult::INVALID_PARAM);
    EXPECT_EQ(sample, nullptr);
}

TEST(SoundSystem, NullDeviceDeliversOneNaturalEndWhileTheHandleIsStillValid)
{
    TempDir dir;
    SoundSystem system;
    ASSERT_EQ(system.init(8, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    ASSERT_FALSE(system.isSilent());
    std::string driver;
    EXPECT_EQ(system.getDriverName(0, driver), SoundResult::OK);
    EXPECT_NE(driver, "Silent");
    EXPECT_EQ(system.getDriverName(1, driver), SoundResult::INVALID_PARAM);

    SoundSample* blip = load(system, writeTone(dir, "blip.wav", 0.03), SoundSample::MODE_2D);
    SoundChannel channel = start(system, blip);
    int marker = 0;
    ASSERT_EQ(channel.setUserData(&marker), SoundResult::OK);
    int ends = 0;
    void* seenData = nullptr;
    SoundResult seenResult = SoundResult::INVALID_PARAM;
    bool sameHandle = false;
    ASSERT_EQ(channel.setCallback(SoundChannel::CallbackType::END,
                                  [&](SoundChannel& ended, SoundChannel::CallbackType) {
                                      ++ends;
                                      seenResult = ended.getUserData(seenData);
                                      sameHandle = ended == channel;
                                      return SoundResult::OK;
                                  }),
              SoundResult::OK);
    EXPECT_TRUE(playing(channel));

    // The null device plays in real time; the bound only keeps a broken build from hanging.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ends == 0 && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_EQ(system.update(), SoundResult::OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(ends, 1);
    EXPECT_EQ(seenResult, SoundResult::OK);
    EXPECT_EQ(seenData, &marker);
    EXPECT_TRUE(sameHandle);

    // Afterwards the handle is stale and harmless.
    bool stillPlaying = true;
    EXPECT_EQ(channel.isPlaying(stillPlaying), SoundResult::INVALID_HANDLE);
    EXPECT_FALSE(stillPlaying);
    EXPECT_EQ(channel.setVolume(0.5f), SoundResult::INVALID_HANDLE);
    EXPECT_EQ(channel.setUserData(nullptr), SoundResult::INVALID_HANDLE);
    EXPECT_EQ(channel.stop(), SoundResult::INVALID_HANDLE);
    ASSERT_EQ(system.update(), SoundResult::OK);
    EXPECT_EQ(ends, 1);
    int count = -1;
    system.getChannelsPlaying(count);
    EXPECT_EQ(count, 0);
}

TEST(SoundSystem, StopNeverCallsBackAndAStaleHandleCannotReachTheNextSound)
{
    TempDir dir;
    const std::string path = writeTone(dir, "short.wav", 0.02);
    for (const SoundSystem::Output output : {SoundSystem::Output::DEVICE, SoundSystem::Output::SILENT}) {
        SCOPED_TRACE(output == SoundSystem::Output::DEVICE ? "null device" : "silent");
        SoundSystem system(output);
        double now = 0.0;
        system.setClock([&now] { return now; });
        ASSERT_EQ(system.init(4, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
        SoundSample* sample = load(system, path, SoundSample::MODE_2D);
        EndLog ends;

        SoundChannel first = start(system, sample);
        first.setCallback(SoundChannel::CallbackType::END, ends.recorder("first"));
        EXPECT_EQ(first.stop(), SoundResult::OK);
        EXPECT_EQ(first.stop(), SoundResult::INVALID_HANDLE);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        now = 1.0;
        system.update();
        EXPECT_TRUE(ends.events.empty());

        // The freed voice goes to the next sound; the old handle must not touch it.
        SoundChannel second = start(system, sample, true);
        second.setCallback(SoundChannel::CallbackType::END, ends.recorder("second"));
        EXPECT_NE(first, second);
        EXPECT_EQ(first.stop(), SoundResult::INVALID_HANDLE);
        EXPECT_EQ(first.setPaused(false), SoundResult::INVALID_HANDLE);
        EXPECT_EQ(first.setCallback(SoundChannel::CallbackType::END, ends.recorder("first")),
                  SoundResult::INVALID_HANDLE);
        bool paused = false;
        EXPECT_EQ(second.getPaused(paused), SoundResult::OK);
        EXPECT_TRUE(paused);
        EXPECT_TRUE(playing(second));

        // A default handle refers to nothing.
        SoundChannel none;
        EXPECT_EQ(none.stop(), SoundResult::INVALID_HANDLE);
        EXPECT_FALSE(playing(none));
    }
}

TEST(SoundSystem, SilentChannelsEndAfterTheirLengthOfUnpausedTimeAndLoopsNever)
{
    TempDir dir;
    Tolvarine::Test::LogCapture log;
    SoundSystem system(SoundSystem::Output::SILENT);
    double now = 100.0;
    system.setClock([&now] { return now; });
    ASSERT_EQ(system.init(4, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    EXPECT_TRUE(system.isSilent());
    EXPECT_EQ(log.lines(), std::vector<std::string>{SILENT_LINE});

    SoundSample* once = load(system, writeTone(dir, "once.wav", 0.1), SoundSample::MODE_3D);
    SoundSample* loop = load(system, writeTone(dir, "loop.wav", 0.1), SoundSample::MODE_3D | SoundSample::LOOP_NORMAL);
    EndLog ends;
    SoundChannel shot = start(system, once, true);
    shot.setCallback(SoundChannel::CallbackType::END, ends.recorder("shot"));
    SoundChannel looping = start(system, loop);
    looping.setCallback(SoundChannel::CallbackType::END, ends.recorder("loop"));

    now += 10.0; // paused time does not count
    system.update();
    EXPECT_TRUE(playing(shot));
    shot.setPaused(false);
    now += 0.06;
    system.update();
    EXPECT_TRUE(ends.events.empty());
    shot.setPaused(true);
    now += 5.0;
    shot.setPaused(false);
    now += 0.03;
    system.update();
    EXPECT_TRUE(playing(shot));
    now += 0.02; // 0.11 s played in all
    EXPECT_FALSE(playing(shot)); // ended, though not yet reported
    system.update();
    EXPECT_EQ(ends.events, std::vector<std::string>{"shot ended"});
    now += 1000.0;
    system.update();
    EXPECT_TRUE(playing(looping));
    EXPECT_EQ(ends.events.size(), 1u);
}

TEST(SoundSystem, EndCallbackMayStopItsOwnChannelAndStartAnother)
{
    TempDir dir;
    SoundSystem system(SoundSystem::Output::SILENT);
    double now = 0.0;
    system.setClock([&now] { return now; });
    ASSERT_EQ(system.init(1, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    SoundSample* sample = load(system, writeTone(dir, "a.wav", 0.1), SoundSample::MODE_2D);

    SoundChannel first = start(system, sample);
    SoundChannel next;
    std::vector<SoundResult> results;
    first.setCallback(SoundChannel::CallbackType::END, [&](SoundChannel& ended, SoundChannel::CallbackType) {
        void* data = nullptr;
        results.push_back(ended.getUserData(data));
        results.push_back(ended.stop()); // what a sound source does when its sound ends
        results.push_back(ended.stop());
        results.push_back(system.playSound(sample, false, next));
        return SoundResult::OK;
    });
    now = 1.0;
    system.update();
    EXPECT_EQ(results, std::vector<SoundResult>(4, SoundResult::OK));
    EXPECT_EQ(first.stop(), SoundResult::INVALID_HANDLE);
    EXPECT_NE(next, first);
    EXPECT_TRUE(playing(next));
    // Only one voice was asked for and the first was still inside its callback: the new sound
    // got a voice of its own instead of a failure.
    int count = 0;
    system.getChannelsPlaying(count);
    EXPECT_EQ(count, 1);
}

TEST(SoundSystem, FullVoicesAreStolenWithTheirEndCallbackFirstNeverRefused)
{
    TempDir dir;
    SoundSystem system(SoundSystem::Output::SILENT);
    double now = 0.0;
    system.setClock([&now] { return now; });
    ASSERT_EQ(system.setSoftwareChannels(2), SoundResult::OK);
    ASSERT_EQ(system.init(16, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    EXPECT_EQ(system.setSoftwareChannels(8), SoundResult::ALREADY_INITIALISED);
    SoundSample* shot = load(system, writeTone(dir, "shot.wav", 1.0), SoundSample::MODE_2D);
    SoundSample* loop = load(system, writeTone(dir, "loop.wav", 1.0), SoundSample::MODE_2D | SoundSample::LOOP_NORMAL);
    EndLog ends;

    // The oldest one-shot goes first, even before a quieter loop.
    SoundChannel older = start(system, shot);
    older.setCallback(SoundChannel::CallbackType::END, ends.recorder("older"));
    SoundChannel quiet = start(system, loop);
    quiet.setVolume(0.1f);
    quiet.setCallback(SoundChannel::CallbackType::END, ends.recorder("quiet"));
    SoundChannel loud;
    ends.events.push_back("play loud");
    ASSERT_EQ(system.playSound(loop, false, loud), SoundResult::OK);
    ends.events.push_back("loud playing");
    loud.setCallback(SoundChannel::CallbackType::END, ends.recorder("loud"));
    EXPECT_EQ(ends.events, (std::vector<std::string>{"play loud", "older ended", "loud playing"}));
    EXPECT_FALSE(playing(older));
    EXPECT_TRUE(playing(quiet));

    // Only loops left: the least audible one goes.
    ends.events.clear();
    SoundChannel last = start(system, loop);
    EXPECT_EQ(ends.events, std::vector<std::string>{"quiet ended"});
    EXPECT_TRUE(playing(loud));
    EXPECT_TRUE(playing(last));

    // However many are asked for, each gets a working channel.
    for (int i = 0; i < 20; ++i) {
        SoundChannel extra = start(system, shot);
        EXPECT_EQ(extra.setVolume(0.5f), SoundResult::OK);
    }
    int count = 0;
    system.getChannelsPlaying(count);
    EXPECT_EQ(count, 2);
}

TEST(SoundSystem, ListenerAndSourcePositionsReachTheDevice)
{
    TempDir dir;
    const Ogre::Vector3 position(1, 2, 3);
    const Ogre::Vector3 velocity(-4, 5, 6);
    const Ogre::Vector3 forward(0, 0, 1);
    const Ogre::Vector3 up(0, 1, 0);
    {
        SoundSystem system;
        ASSERT_EQ(system.init(4, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
        ASSERT_FALSE(system.isSilent());
        ASSERT_EQ(system.set3DListenerAttributes(0, position, velocity, forward, up), SoundResult::OK);
        Ogre::Vector3 read;
        alGetListener3f(AL_POSITION, &read.x, &read.y, &read.z);
        EXPECT_EQ(read, position);
        alGetListener3f(AL_VELOCITY, &read.x, &read.y, &read.z);
        EXPECT_EQ(read, velocity);
        ALfloat orientation[6] = {};
        alGetListenerfv(AL_ORIENTATION, orientation);
        EXPECT_EQ(Ogre::Vector3(orientation[0], orientation[1], orientation[2]), forward);
        EXPECT_EQ(Ogre::Vector3(orientation[3], orientation[4], orientation[5]), up);
        EXPECT_EQ(system.set3DListenerAttributes(1, position, velocity, forward, up), SoundResult::INVALID_PARAM);
        EXPECT_EQ(system.set3DListenerAttributes(0, Ogre::Vector3(NAN, 0, 0), velocity, forward, up),
                  SoundResult::INVALID_FLOAT);
        alGetListener3f(AL_POSITION, &read.x, &read.y, &read.z);
        EXPECT_EQ(read, position);

        SoundChannel placed = start(system, load(system, writeTone(dir, "p.wav", 1.0), SoundSample::MODE_3D), true);
        EXPECT_EQ(placed.set3DAttributes(Ogre::Vector3(10, -20, 30), Ogre::Vector3(1, 0, 0)), SoundResult::OK);
        Ogre::Vector3 at;
        Ogre::Vector3 moving;
        EXPECT_EQ(placed.get3DAttributes(at, moving), SoundResult::OK);
        EXPECT_EQ(at, Ogre::Vector3(10, -20, 30));
        EXPECT_EQ(moving, Ogre::Vector3(1, 0, 0));
        EXPECT_EQ(placed.set3DAttributes(Ogre::Vector3(INFINITY, 0, 0), Ogre::Vector3::ZERO),
                  SoundResult::INVALID_FLOAT);
        EXPECT_EQ(placed.set3DMinMaxDistance(5.0f, 10000.0f), SoundResult::OK);
        EXPECT_EQ(placed.set3DMinMaxDistance(5.0f, 1.0f), SoundResult::INVALID_PARAM);
        float minDistance = 0.0f;
        float maxDistance = 0.0f;
        placed.get3DMinMaxDistance(minDistance, maxDistance);
        EXPECT_EQ(minDistance, 5.0f);
        EXPECT_EQ(maxDistance, 10000.0f);
        EXPECT_EQ(placed.setMode(SoundChannel::HEAD_RELATIVE_3D), SoundResult::OK);
        unsigned mode = 0;
        placed.getMode(mode);
        EXPECT_TRUE(mode & SoundChannel::HEAD_RELATIVE_3D);
        EXPECT_EQ(placed.setMode(SoundChannel::HEAD_RELATIVE_3D | SoundChannel::WORLD_RELATIVE_3D),
                  SoundResult::INVALID_PARAM);

        SoundChannel flat = start(system, load(system, dir.file("p.wav"), SoundSample::MODE_2D), true);
        EXPECT_EQ(flat.set3DAttributes(Ogre::Vector3(1, 1, 1), Ogre::Vector3::ZERO), SoundResult::NEEDS_3D);
        EXPECT_EQ(flat.set3DMinMaxDistance(1.0f, 2.0f), SoundResult::NEEDS_3D);
    }
    {
        // Without the right-handed flag the caller's frame is mirrored in z on the device.
        SoundSystem system;
        ASSERT_EQ(system.init(4, SoundSystem::INIT_NORMAL), SoundResult::OK);
        ASSERT_EQ(system.set3DListenerAttributes(0, position, velocity, forward, up), SoundResult::OK);
        Ogre::Vector3 read;
        alGetListener3f(AL_POSITION, &read.x, &read.y, &read.z);
        EXPECT_EQ(read, Ogre::Vector3(1, 2, -3));
        Ogre::Vector3 p, v, f, u;
        system.get3DListenerAttributes(0, p, v, f, u);
        EXPECT_EQ(p, position);
        EXPECT_EQ(v, velocity);
        EXPECT_EQ(f, forward);
        EXPECT_EQ(u, up);
    }
}

TEST(SoundSystem, DopplerScaleTurnsOffAndBackWithTheSameDistances)
{
    SoundSystem system;
    ASSERT_EQ(system.init(4, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    ASSERT_FALSE(system.isSilent());
    ASSERT_EQ(system.set3DSettings(2.0f, 10.0f, 0.5f), SoundResult::OK);
    EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 2.0f);
    EXPECT_FLOAT_EQ(alGetFloat(AL_SPEED_OF_SOUND), SoundSystem::SPEED_OF_SOUND * 10.0f);

    ASSERT_EQ(system.set3DSettings(0.0f, 10.0f, 0.5f), SoundResult::OK);
    EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 0.0f);
    ASSERT_EQ(system.set3DSettings(2.0f, 10.0f, 0.5f), SoundResult::OK);
    EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 2.0f);

    EXPECT_EQ(system.set3DSettings(-1.0f, 10.0f, 0.5f), SoundResult::INVALID_PARAM);
    EXPECT_EQ(system.set3DSettings(1.0f, 0.0f, 0.5f), SoundResult::INVALID_PARAM);
    EXPECT_EQ(system.set3DSettings(NAN, 10.0f, 0.5f), SoundResult::INVALID_FLOAT);
    float doppler = 0.0f;
    float distance = 0.0f;
    float rolloff = 0.0f;
    system.get3DSettings(doppler, distance, rolloff);
    EXPECT_EQ(doppler, 2.0f);
    EXPECT_EQ(distance, 10.0f);
    EXPECT_EQ(rolloff, 0.5f);
    EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 2.0f);
}

TEST(SoundSystem, WithoutADeviceEveryCallStillWorksSilently)
{
    TempDir dir;
    Tolvarine::Test::LogCapture log;
    SoundSystem system(SoundSystem::Output::DEVICE, "no such audio device");
    ASSERT_EQ(system.setSoftwareChannels(4), SoundResult::OK);
    ASSERT_EQ(system.init(64, SoundSystem::INIT_3D_RIGHT_HANDED | SoundSystem::INIT_3D_QUALITY_FULL), SoundResult::OK);
    EXPECT_EQ(log.lines(), std::vector<std::string>{SILENT_LINE});
    EXPECT_TRUE(system.isSilent());
    std::string driver;
    system.getDriverName(0, driver);
    EXPECT_EQ(driver, "Silent");

    SoundSample* sample = nullptr;
    EXPECT_EQ(system.createSound(dir.file("none.wav"), SoundSample::MODE_3D, sample), SoundResult::FILE_NOT_FOUND);
    sample = load(system, writeTone(dir, "s.wav", 0.5), SoundSample::MODE_3D);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->getBuffer(), 0u);
    SoundChannel channel = start(system, sample, true);
    EXPECT_EQ(channel.set3DMinMaxDistance(2.0f, 10000.0f), SoundResult::OK);
    EXPECT_EQ(channel.setMode(SoundChannel::WORLD_RELATIVE_3D), SoundResult::OK);
    EXPECT_EQ(channel.set3DAttributes(Ogre::Vector3(1, 2, 3), Ogre::Vector3::UNIT_X), SoundResult::OK);
    EXPECT_EQ(channel.setVolume(0.3f), SoundResult::OK);
    EXPECT_EQ(channel.setPaused(false), SoundResult::OK);
    Ogre::Vector3 at;
    Ogre::Vector3 moving;
    channel.get3DAttributes(at, moving);
    EXPECT_EQ(at, Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(system.set3DListenerAttributes(0, Ogre::Vector3(7, 8, 9), Ogre::Vector3::ZERO,
                                             Ogre::Vector3::NEGATIVE_UNIT_Z, Ogre::Vector3::UNIT_Y),
              SoundResult::OK);
    Ogre::Vector3 p, v, f, u;
    system.get3DListenerAttributes(0, p, v, f, u);
    EXPECT_EQ(p, Ogre::Vector3(7, 8, 9));
    EXPECT_EQ(system.set3DSettings(0.0f, 1.0f, 1.0f), SoundResult::OK);
    SoundChannelGroup* master = nullptr;
    system.getMasterChannelGroup(master);
    EXPECT_EQ(master->setVolume(0.5f), SoundResult::OK);
    EXPECT_EQ(system.update(), SoundResult::OK);
    std::vector<float> out;
    EXPECT_EQ(system.renderSamples(out, 16), SoundResult::UNSUPPORTED);
    EXPECT_EQ(log.lines().size(), 2u); // the silent line and the missing file, nothing else
}

TEST(SoundSystemLoopback, PlayingIsHeardStoppedIsSilentAndVolumeScalesTheLevel)
{
    TempDir dir;
    SoundSystem system(SoundSystem::Output::LOOPBACK);
    ASSERT_EQ(system.init(8, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    ASSERT_FALSE(system.isSilent());
    SoundSample* tone = load(system, writeTone(dir, "tone.wav", 1.0), SoundSample::MODE_2D | SoundSample::LOOP_NORMAL);

    SoundChannel channel = start(system, tone, true);
    EXPECT_LT(level(system), 1e-6); // set up but held
    channel.setPaused(false);
    const double full = level(system);
    EXPECT_GT(full, 0.05);
    channel.setVolume(0.5f);
    EXPECT_NEAR(level(system) / full, 0.5, 0.03);
    channel.setPaused(true);
    EXPECT_LT(level(system), 1e-6);
    channel.setPaused(false);
    EXPECT_GT(level(system), 0.02);
    channel.stop();
    EXPECT_LT(level(system), 1e-6);

    // A one-shot played out by the mixer is reported by the next update.
    SoundSample* blip = load(system, writeTone(dir, "blip.wav", 0.05), SoundSample::MODE_2D);
    EndLog ends;
    SoundChannel shot = start(system, blip);
    shot.setCallback(SoundChannel::CallbackType::END, ends.recorder("blip"));
    system.update();
    EXPECT_TRUE(ends.events.empty());
    settleAndRender(system);
    system.update();
    EXPECT_EQ(ends.events, std::vector<std::string>{"blip ended"});
}

TEST(SoundSystemLoopback, ChannelGroupsScaleAndHoldTheirMembers)
{
    TempDir dir;
    SoundSystem system(SoundSystem::Output::LOOPBACK);
    ASSERT_EQ(system.init(8, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    SoundSample* tone = load(system, writeTone(dir, "tone.wav", 1.0), SoundSample::MODE_2D | SoundSample::LOOP_NORMAL);
    SoundChannelGroup* master = nullptr;
    SoundChannelGroup* effects = nullptr;
    ASSERT_EQ(system.getMasterChannelGroup(master), SoundResult::OK);
    ASSERT_EQ(system.createChannelGroup("effects", effects), SoundResult::OK);
    EXPECT_EQ(effects->getName(), "effects");

    SoundChannel channel = start(system, tone);
    const double full = level(system);
    ASSERT_GT(full, 0.05);
    ASSERT_EQ(channel.setChannelGroup(effects), SoundResult::OK);
    int members = 0;
    effects->getNumChannels(members);
    EXPECT_EQ(members, 1);
    effects->setVolume(0.5f);
    EXPECT_NEAR(level(system) / full, 0.5, 0.03);
    master->setVolume(0.5f);
    EXPECT_NEAR(level(system) / full, 0.25, 0.03);

    // Pausing the group holds the channel without changing its own state.
    effects->setPaused(true);
    EXPECT_LT(level(system), 1e-6);
    bool paused = true;
    channel.getPaused(paused);
    EXPECT_FALSE(paused);
    EXPECT_TRUE(playing(channel));
    effects->setPaused(false);
    EXPECT_NEAR(level(system) / full, 0.25, 0.03);
    master->setPaused(true);
    EXPECT_LT(level(system), 1e-6);
    master->setPaused(false);

    // Volumes stay within 0 and 1.
    master->setVolume(2.0f);
    float volume = 0.0f;
    master->getVolume(volume);
    EXPECT_EQ(volume, 1.0f);
    EXPECT_EQ(master->setVolume(NAN), SoundResult::INVALID_FLOAT);
    master->getVolume(volume);
    EXPECT_EQ(volume, 1.0f);
    channel.setVolume(-3.0f);
    channel.getVolume(volume);
    EXPECT_EQ(volume, 0.0f);
    EXPECT_LT(level(system), 1e-6);
    channel.setVolume(1.0f);

    // Stopping a group ends its members without callbacks.
    EndLog ends;
    channel.setCallback(SoundChannel::CallbackType::END, ends.recorder("member"));
    SoundChannel outsider = start(system, tone);
    EXPECT_EQ(effects->stop(), SoundResult::OK);
    system.update();
    EXPECT_TRUE(ends.events.empty());
    EXPECT_FALSE(playing(channel));
    EXPECT_TRUE(playing(outsider));
    // The channel back in the master group (null means master) when asked for.
    EXPECT_EQ(outsider.setChannelGroup(nullptr), SoundResult::OK);
    SoundChannelGroup* group = nullptr;
    outsider.getChannelGroup(group);
    EXPECT_EQ(group, master);
}

TEST(SoundSystemLoopback, PositionsAreHeardFromTheirSideOfTheListener)
{
    TempDir dir;
    SoundSystem system(SoundSystem::Output::LOOPBACK);
    ASSERT_EQ(system.init(8, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    SoundSample* tone = load(system, writeTone(dir, "tone.wav", 1.0), SoundSample::MODE_3D | SoundSample::LOOP_NORMAL);
    const auto side = [&system] {
        const std::vector<float> out = settleAndRender(system);
        return rms(out, 1) - rms(out, 0); // positive: more on the right
    };
    const auto face = [&system](const Ogre::Vector3& forward) {
        system.set3DListenerAttributes(0, Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, forward, Ogre::Vector3::UNIT_Y);
    };

    SoundChannel world = start(system, tone);
    world.set3DMinMaxDistance(10.0f, 10000.0f);
    world.set3DAttributes(Ogre::Vector3(5, 0, 0), Ogre::Vector3::ZERO);
    face(Ogre::Vector3::NEGATIVE_UNIT_Z);
    EXPECT_GT(side(), 0.02);
    face(Ogre::Vector3::UNIT_Z); // turned round: the sound is now on the left
    EXPECT_LT(side(), -0.02);

    // Head-relative: stays on the listener's right however the listener turns.
    world.setMode(SoundChannel::HEAD_RELATIVE_3D);
    world.set3DAttributes(Ogre::Vector3(1, 0, 0), Ogre::Vector3::ZERO);
    EXPECT_GT(side(), 0.02);
    face(Ogre::Vector3::NEGATIVE_UNIT_Z);
    EXPECT_GT(side(), 0.02);
}

} // namespace
} // namespace Tolvarine

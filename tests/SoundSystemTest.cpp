#include "LogCapture.h"
#include "SoundChannel.h"
#include "SoundChannelGroup.h"
#include "SoundFiles.h"
#include "SoundSample.h"
#include "SoundSystem.h"

#include <AL/al.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::writeToneWav;
using Lines = std::vector<std::string>;
using Out = SoundSystem::Output;
using V = Ogre::Vector3;

// A hand run of the test program gets OpenAL's null output too, as ctest gives it.
const bool nullDriverChosen = [] { return setenv("ALSOFT_DRIVERS", "null", 0) == 0; }();

// A sound system on a clock the test sets, recording every end callback in order.
struct Voices {
    explicit Voices(Out output = Out::SILENT, int channels = 8, int software = 0) : system(output)
    {
        system.setClock([this] { return now; });
        if (software) {
            EXPECT_EQ(system.setSoftwareChannels(software), SoundResult::OK);
        }
        EXPECT_EQ(system.init(channels, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
    }
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
    void at(double time) { now = time, system.update(); }
    int playingCount()
    {
        int count = -1;
        system.getChannelsPlaying(count);
        return count;
    }
    Tolvarine::Test::TemporaryFolder folder;
    double now = 0.0;
    SoundSystem system;
    Lines events;
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

TEST(SoundSample, LoadsWavFilesOfEveryShapeAndRefusesBrokenOnes)
{
    std::set<std::string> texts;
    for (int code = 0; code <= static_cast<int>(SoundResult::UNSUPPORTED); ++code)
        EXPECT_TRUE(texts.insert(soundErrorString(static_cast<SoundResult>(code))).second) << code;
    EXPECT_EQ(texts.count(""), 0u);
    SoundSample* sample = nullptr;
    EXPECT_EQ(SoundSystem().createSound("none.wav", SoundSample::MODE_2D, sample), SoundResult::NOT_INITIALISED);
    {
        LogCapture log;
        SoundSystem deaf(Out::DEVICE, "no such audio device"); // falls back to silence
        ASSERT_EQ(deaf.init(64, SoundSystem::INIT_3D_RIGHT_HANDED), SoundResult::OK);
        EXPECT_EQ(log.lines(), Lines{"Sound System: no audio device, running silent"});
        std::vector<float> out;
        EXPECT_EQ(deaf.renderSamples(out, 16), SoundResult::UNSUPPORTED);
    }
    Voices voices(Out::DEVICE);
    std::string driver;
    ASSERT_FALSE(voices.system.isSilent());
    EXPECT_EQ(voices.system.getDriverName(1, driver), SoundResult::INVALID_PARAM);
    SoundSample* mono = voices.tone("mono.wav", 0.1, SoundSample::MODE_3D | SoundSample::LOOP_NORMAL);
    ASSERT_TRUE(mono);
    EXPECT_NEAR(mono->getLength(), 0.1, 1e-9);
    // Stereo 8-bit becomes 16-bit, mixed down to mono for a positional sound.
    const std::string stereo = voices.folder.file("stereo8.wav");
    writeToneWav(stereo, 1000.0 / 11025, 2, 11025, 8);
    for (const auto& [mode, channels] : {std::pair<unsigned, int>{SoundSample::MODE_2D, 2}, {SoundSample::MODE_3D, 1}}) {
        ASSERT_EQ(voices.system.createSound(stereo, mode, sample), SoundResult::OK);
        ALint bits = 0, size = 0;
        alGetBufferi(sample->getBuffer(), AL_BITS, &bits);
        alGetBufferi(sample->getBuffer(), AL_SIZE, &size);
        EXPECT_EQ(sample->getChannels(), channels);
        EXPECT_EQ(bits * 100000 + size, 16 * 100000 + 1000 * 2 * channels) << channels;
    }
    std::ofstream(voices.folder.file("garbage.wav")) << "this is not a sound at all";
    writeToneWav(voices.folder.file("empty.wav"), 0.0);
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
        EXPECT_EQ(voices.system.createSound(voices.folder.file(row.file), row.mode, sample), row.want);
        EXPECT_EQ(sample, nullptr);
        if (!row.line.empty()) {
            ASSERT_EQ(log.lines().size(), 1u);
            EXPECT_EQ(log.lines()[0].rfind("Sound System: could not load " + voices.folder.file(row.file) + row.line, 0), 0u);
        }
    }
}

// Guards handle generations: a kept handle must not reach the voice's next sound; stop() never
// calls the end callback.
TEST(SoundSystem, StopNeverCallsBackAndAStaleHandleCannotReachTheNextSound)
{
    for (const Out output : {Out::DEVICE, Out::SILENT}) {
        SCOPED_TRACE(output == Out::DEVICE ? "null device" : "silent");
        Voices voices(output, 4);
        SoundSample* sample = voices.tone("short.wav", 0.02, SoundSample::MODE_2D);
        SoundChannel first = voices.start(sample, false, "first");
        EXPECT_EQ(first.stop(), SoundResult::OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        voices.at(1.0);
        EXPECT_TRUE(voices.events.empty());
        SoundChannel second = voices.start(sample, true, "second");
        EXPECT_NE(first, second);
        EXPECT_EQ(first.stop(), SoundResult::INVALID_HANDLE);
        EXPECT_EQ(first.setVolume(0.5f), SoundResult::INVALID_HANDLE);
        EXPECT_EQ(first.setPaused(false), SoundResult::INVALID_HANDLE);
        EXPECT_EQ(first.setCallback(SoundChannel::CallbackType::END, nullptr), SoundResult::INVALID_HANDLE);
        EXPECT_TRUE(playing(second));
        EXPECT_FALSE(playing(SoundChannel()));
    }
}

TEST(SoundSystem, EndCallbacksAndStealing)
{
    {
        SCOPED_TRACE("an end callback may stop its own channel and start another sound");
        Voices voices(Out::SILENT, 1);
        SoundSample* sample = voices.tone("a.wav", 0.1, SoundSample::MODE_2D);
        SoundChannel first = voices.start(sample), next;
        int marker = 0;
        void* seen = nullptr;
        ASSERT_EQ(first.setUserData(&marker), SoundResult::OK);
        std::vector<SoundResult> results;
        first.setCallback(SoundChannel::CallbackType::END, [&](SoundChannel& ended, SoundChannel::CallbackType) {
            results = {ended.getUserData(seen), ended.stop(), ended.stop(), voices.system.playSound(sample, false, next)};
            return SoundResult::OK;
        });
        voices.at(1.0);
        EXPECT_EQ(results, std::vector<SoundResult>(4, SoundResult::OK));
        EXPECT_EQ(seen, &marker);
        EXPECT_EQ(first.setUserData(nullptr), SoundResult::INVALID_HANDLE);
        EXPECT_TRUE(playing(next));
        EXPECT_EQ(voices.playingCount(), 1);
    }
    // With every voice busy a new sound is never refused: the oldest one-shot, else the least
    // audible loop, is stolen, its end callback running first.
    Voices voices(Out::SILENT, 16, 2);
    EXPECT_EQ(voices.system.setSoftwareChannels(8), SoundResult::ALREADY_INITIALISED);
    SoundSample* shot = voices.tone("shot.wav", 1.0, SoundSample::MODE_2D);
    SoundSample* loop = voices.tone("loop.wav", 1.0, SoundSample::MODE_2D | SoundSample::LOOP_NORMAL);
    SoundChannel older = voices.start(shot, false, "older");
    SoundChannel quiet = voices.start(loop, false, "quiet");
    quiet.setVolume(0.1f);
    voices.events.push_back("play loud");
    SoundChannel loud = voices.start(loop, false, "loud");
    voices.events.push_back("loud playing");
    SoundChannel last = voices.start(loop);
    EXPECT_EQ(voices.events, (Lines{"play loud", "older ended", "loud playing", "quiet ended"}));
    EXPECT_TRUE(playing(loud) && playing(last));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(voices.start(shot).setVolume(0.5f), SoundResult::OK);
    EXPECT_EQ(voices.playingCount(), 2);
}

TEST(SoundSystem, ListenerSourceAndDopplerSettingsReachTheDeviceMirroredForALeftHandedCaller)
{
    const V position(1, 2, 3), velocity(-4, 5, 6), forward(0, 0, 1), up(0, 1, 0);
    V read, moving;
    float low = 0.0f, high = 0.0f;
    unsigned mode = 0;
    {
        Voices voices(Out::DEVICE, 4);
        SoundSystem& system = voices.system;
        SoundChannel placed = voices.start(voices.tone("p.wav", 1.0, SoundSample::MODE_3D), true);
        SoundChannel flat = voices.start(voices.tone("f.wav", 1.0, SoundSample::MODE_2D), true);
        const std::pair<SoundResult, SoundResult> rows[] = {
            {system.set3DListenerAttributes(0, position, velocity, forward, up), SoundResult::OK},
            {system.set3DListenerAttributes(1, position, velocity, forward, up), SoundResult::INVALID_PARAM},
            {system.set3DListenerAttributes(0, V(NAN, 0, 0), velocity, forward, up), SoundResult::INVALID_FLOAT},
            {placed.set3DAttributes(V(10, -20, 30), V(1, 0, 0)), SoundResult::OK},
            {placed.set3DAttributes(V(INFINITY, 0, 0), V::ZERO), SoundResult::INVALID_FLOAT},
            {placed.set3DMinMaxDistance(5.0f, 10000.0f), SoundResult::OK},
            {placed.set3DMinMaxDistance(5.0f, 1.0f), SoundResult::INVALID_PARAM},
            {placed.setMode(SoundChannel::HEAD_RELATIVE_3D), SoundResult::OK},
            {placed.setMode(SoundChannel::HEAD_RELATIVE_3D | SoundChannel::WORLD_RELATIVE_3D), SoundResult::INVALID_PARAM},
            {flat.set3DAttributes(V(1, 1, 1), V::ZERO), SoundResult::NEEDS_3D}};
        for (std::size_t row = 0; row < std::size(rows); ++row)
            EXPECT_EQ(rows[row].first, rows[row].second) << "row " << row;
        alGetListener3f(AL_POSITION, &read.x, &read.y, &read.z);
        EXPECT_EQ(read, position);
        placed.get3DAttributes(read, moving); // read back from the device
        placed.get3DMinMaxDistance(low, high);
        placed.getMode(mode);
        EXPECT_EQ(read, V(10, -20, 30));
        EXPECT_EQ(high, 10000.0f);
        EXPECT_EQ(mode, SoundSample::MODE_3D | SoundChannel::HEAD_RELATIVE_3D);
    }
    SoundSystem system;
    ASSERT_EQ(system.init(4, SoundSystem::INIT_NORMAL), SoundResult::OK);
    ASSERT_EQ(system.set3DSettings(2.0f, 10.0f, 0.5f), SoundResult::OK);
    EXPECT_FLOAT_EQ(alGetFloat(AL_SPEED_OF_SOUND), SoundSystem::SPEED_OF_SOUND * 10.0f);
    ASSERT_EQ(system.set3DSettings(0.0f, 10.0f, 0.5f), SoundResult::OK); // scale 0 turns Doppler off
    EXPECT_EQ(system.set3DSettings(1.0f, 0.0f, 0.5f), SoundResult::INVALID_PARAM);
    EXPECT_EQ(system.set3DSettings(NAN, 10.0f, 0.5f), SoundResult::INVALID_FLOAT);
    EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 0.0f);
    ASSERT_EQ(system.set3DListenerAttributes(0, position, velocity, forward, up), SoundResult::OK);
    alGetListener3f(AL_POSITION, &read.x, &read.y, &read.z);
    EXPECT_EQ(read, V(1, 2, -3));
    V p, v, f, u;
    system.get3DListenerAttributes(0, p, v, f, u);
    EXPECT_EQ(p, position); // the caller reads back its own frame
}

TEST(SoundSystemLoopback, PauseStopVolumeAndGroupsScaleWhatIsHeard)
{
    Voices voices(Out::LOOPBACK);
    SoundSystem& system = voices.system;
    SoundSample* tone = voices.tone("tone.wav", 1.0, SoundSample::MODE_2D | SoundSample::LOOP_NORMAL);
    SoundChannelGroup *master = nullptr, *effects = nullptr;
    ASSERT_EQ(system.getMasterChannelGroup(master), SoundResult::OK);
    ASSERT_EQ(system.createChannelGroup("effects", effects), SoundResult::OK);
    SoundChannel channel = voices.start(tone, true, "member");
    EXPECT_LT(level(system), 1e-6);
    channel.setPaused(false);
    const double full = level(system);
    ASSERT_GT(full, 0.05);
    ASSERT_EQ(channel.setChannelGroup(effects), SoundResult::OK);
    int members = 0;
    effects->getNumChannels(members);
    EXPECT_EQ(members, 1);
    effects->setVolume(0.5f);
    master->setVolume(0.5f);
    EXPECT_NEAR(level(system) / full, 0.25, 0.03);
    // Pausing a group holds its channels without changing their own state.
    for (SoundChannelGroup* group : {effects, master}) {
        group->setPaused(true);
        EXPECT_LT(level(system), 1e-6);
        group->setPaused(false);
    }
    bool paused = true;
    channel.getPaused(paused);
    EXPECT_FALSE(paused);
    float volume = 0.0f; // volumes stay within 0 and 1
    master->setVolume(2.0f);
    EXPECT_EQ(master->setVolume(NAN), SoundResult::INVALID_FLOAT);
    master->getVolume(volume);
    EXPECT_EQ(volume, 1.0f);
    channel.setVolume(-3.0f);
    EXPECT_LT(level(system), 1e-6);
    // Stopping a group ends its members without callbacks; null puts a channel back in master.
    SoundChannel outsider = voices.start(tone);
    EXPECT_EQ(effects->stop(), SoundResult::OK);
    system.update();
    EXPECT_FALSE(playing(channel));
    EXPECT_TRUE(playing(outsider));
    EXPECT_EQ(outsider.setChannelGroup(nullptr), SoundResult::OK);
    SoundChannelGroup* group = nullptr;
    outsider.getChannelGroup(group);
    EXPECT_EQ(group, master);
    outsider.stop();
    // A one-shot played out by the mixer is reported by the next update.
    voices.start(voices.tone("blip.wav", 0.05, SoundSample::MODE_2D), false, "blip");
    system.update();
    EXPECT_TRUE(voices.events.empty());
    level(system);
    system.update();
    EXPECT_EQ(voices.events, Lines{"blip ended"});
}

} // namespace
} // namespace Tolvarine

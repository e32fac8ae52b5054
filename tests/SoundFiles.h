#pragma once

#include "ConfigFiles.h"

#include <OgreLog.h>
#include <OgreLogManager.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace Tolvarine::Test {

// Writes a PCM WAV file (16-bit, or 8-bit unsigned) of a quiet sine tone.
inline void writeToneWav(const std::string& path, double seconds, int channels = 1, int rate = 8000, int bits = 16)
{
    const auto put = [](std::ofstream& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>((value >> (8 * i)) & 0xff));
    };
    const int frames = static_cast<int>(std::lround(seconds * rate));
    const int bytes = bits / 8;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(frames * channels * bytes);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put(out, 36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, static_cast<std::uint32_t>(channels), 2);
    put(out, static_cast<std::uint32_t>(rate), 4);
    put(out, static_cast<std::uint32_t>(rate * channels * bytes), 4);
    put(out, static_cast<std::uint32_t>(channels * bytes), 2);
    put(out, static_cast<std::uint32_t>(bits), 2);
    out.write("data", 4);
    put(out, dataSize, 4);
    for (int frame = 0; frame < frames; ++frame) {
        const double value = 0.25 * std::sin(2.0 * M_PI * 440.0 * frame / rate);
        for (int channel = 0; channel < channels; ++channel)
            put(out, bits == 8 ? static_cast<std::uint32_t>(std::lround(128 + value * 127))
                               : static_cast<std::uint32_t>(static_cast<std::int16_t>(value * 32767)),
                bytes);
    }
}

// The settings the sound tests start from; every gain is exact in binary.
inline const char* const TEST_SOUND_CONFIG = R"([Ambient]
backgroundBlendDuration = 4
backgroundMaximumDuration = 6
backgroundMinimumDuration = 2
commandForeground = hum
foregroundBlendDuration = 1
spaceForeground = hum

[Environment]
distanceFactor = 2
dopplerFactor = 0.75
rolloffFactor = 0.5

[Gain]
ambient = 0.375
effects = 0.5
environment = 0.25
instrument = 0.625
master = 0.75
thrust = 0.125

[General]
max2dHardwareChannels = 0
max3dHardwareChannels = 0
maxSoftwareChannels = 4
min2dHardwareChannels = 0
min3dHardwareChannels = 0
software3dQuality = 1
soundPath = sounds
virtualChannels = 4

)";

// A working folder for sound tests, entered while this lives: cfg/sound.cfg with the settings
// above, sound definitions in data/sound and their audio in sounds/:
//   beep        sounds/beep.wav (0.5 s), gain 0.5, minDistance 3
//   beep_again  the same file with the same flags as beep
//   beep2d      the same file as a 2D sound
//   hum         sounds/hum.wav (1 s), looping
//   mute        sounds/beep.wav with gain 0
//   broken      a file that does not exist
//   critical_alarm (looping), incoming_alarm (0.25 s): the alarms
class SoundFiles {
public:
    SoundFiles() : previous(std::filesystem::current_path())
    {
        std::filesystem::create_directories(folder.file("cfg"));
        std::filesystem::create_directories(folder.file("data/sound"));
        std::filesystem::create_directories(folder.file("sounds"));
        writeFile(folder.file("cfg/sound.cfg"), TEST_SOUND_CONFIG);
        writeToneWav(folder.file("sounds/beep.wav"), 0.5);
        writeToneWav(folder.file("sounds/hum.wav"), 1.0);
        writeToneWav(folder.file("sounds/alarm.wav"), 0.25);
        define("beep", "filename = beep.wav\ngain = 0.5\nminDistance = 3\n");
        define("beep_again", "filename = beep.wav\ngain = 1\n");
        define("beep2d", "filename = beep.wav\n2d = 1\n");
        define("hum", "filename = hum.wav\nlooping = 1\n");
        define("mute", "filename = beep.wav\ngain = 0\n");
        define("broken", "filename = missing.wav\n");
        define("critical_alarm", "filename = hum.wav\nlooping = 1\n");
        define("incoming_alarm", "filename = alarm.wav\n");
        std::filesystem::current_path(folder.file(""));
    }
    ~SoundFiles() { std::filesystem::current_path(previous); }
    SoundFiles(const SoundFiles&) = delete;
    SoundFiles& operator=(const SoundFiles&) = delete;

    // Adds or replaces data/sound/<name>.sound with the given lines of section Sound.
    void define(const std::string& name, const std::string& keys) const
    {
        writeFile(folder.file("data/sound/" + name + ".sound"), "[Sound]\n" + keys);
    }
    std::string file(const std::string& name) const { return folder.file(name); }

private:
    TemporaryFolder folder;
    std::filesystem::path previous;
};

// Echoes the log to standard error, so a death test can match the last words of a process.
class StderrLog : public Ogre::LogListener {
public:
    StderrLog() { Ogre::LogManager::getSingleton().getDefaultLog()->addListener(this); }
    ~StderrLog() override { Ogre::LogManager::getSingleton().getDefaultLog()->removeListener(this); }
    StderrLog(const StderrLog&) = delete;
    StderrLog& operator=(const StderrLog&) = delete;

    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel, bool, const Ogre::String&, bool&) override
    {
        std::cerr << message << std::endl;
    }
};

} // namespace Tolvarine::Test

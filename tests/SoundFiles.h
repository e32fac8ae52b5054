#pragma once

#include "ConfigFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    for (const auto& [value, size] : {std::pair<int, int>{16, 4}, {1, 2}, {channels, 2}, {rate, 4}, {rate * channels * bytes, 4},
                                      {channels * bytes, 2}, {bits, 2}})
        put(out, static_cast<std::uint32_t>(value), size);
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
inline const char* const TEST_SOUND_CONFIG =
    "[Ambient]\nbackgroundBlendDuration = 4\nbackgroundMaximumDuration = 6\nbackgroundMinimumDuration = 2\n"
    "commandForeground = hum\nforegroundBlendDuration = 1\nspaceForeground = hum\n\n"
    "[Environment]\ndistanceFactor = 2\ndopplerFactor = 0.75\nrolloffFactor = 0.5\n\n"
    "[Gain]\nambient = 0.375\neffects = 0.5\nenvironment = 0.25\ninstrument = 0.625\nmaster = 0.75\nthrust = 0.125\n\n"
    "[General]\nmax2dHardwareChannels = 0\nmax3dHardwareChannels = 0\nmaxSoftwareChannels = 4\nmin2dHardwareChannels = 0\n"
    "min3dHardwareChannels = 0\nsoftware3dQuality = 1\nsoundPath = sounds\nvirtualChannels = 4\n\n";

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
        for (const char* made : {"cfg", "data/sound", "sounds"})
            std::filesystem::create_directories(folder.file(made));
        writeFile(folder.file("cfg/sound.cfg"), TEST_SOUND_CONFIG);
        writeToneWav(folder.file("sounds/beep.wav"), 0.5);
        writeToneWav(folder.file("sounds/hum.wav"), 1.0);
        writeToneWav(folder.file("sounds/alarm.wav"), 0.25);
        for (const auto& [name, keys] : {std::pair{"beep", "beep.wav\ngain = 0.5\nminDistance = 3"}, {"beep_again", "beep.wav\ngain = 1"},
                                         {"beep2d", "beep.wav\n2d = 1"}, {"hum", "hum.wav\nlooping = 1"}, {"mute", "beep.wav\ngain = 0"},
                                         {"broken", "missing.wav"}, {"critical_alarm", "hum.wav\nlooping = 1"}, {"incoming_alarm", "alarm.wav"}})
            define(name, std::string("filename = ") + keys + "\n");
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

} // namespace Tolvarine::Test

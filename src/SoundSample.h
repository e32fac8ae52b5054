#pragma once

#include "SoundResult.h"

#include <cstddef>
#include <memory>
#include <string>

namespace Tolvarine {

// A sound decoded from a WAV file into one buffer of the audio device, made by
// SoundSystem::createSound and owned by that system until it is destroyed. Positional (3D)
// sounds are kept mono, because the device only places mono buffers in space.
class SoundSample {
public:
    // Creation mode bits; combine with |.
    enum Mode : unsigned {
        LOOP_OFF = 0x1,
        LOOP_NORMAL = 0x2,
        MODE_2D = 0x8,     // the default when neither 2D nor 3D is given
        MODE_3D = 0x10,
        HARDWARE = 0x20,   // accepted and ignored: mixing is always done by the device's mixer
        SOFTWARE = 0x40,   // accepted and ignored
        CREATE_STREAM = 0x80 // accepted; the file is still decoded whole
    };

    ~SoundSample();
    SoundSample(const SoundSample&) = delete;
    SoundSample& operator=(const SoundSample&) = delete;

    unsigned getMode() const { return mode; }
    bool isLooping() const { return (mode & LOOP_NORMAL) != 0; }
    bool is3D() const { return (mode & MODE_3D) != 0; }
    const std::string& getPath() const { return path; }
    // Channels of the decoded data (a stereo file loaded as 3D reports 1).
    int getChannels() const { return channels; }
    int getFrequency() const { return frequency; }
    std::size_t getFrames() const { return frames; }
    double getLength() const { return static_cast<double>(frames) / frequency; }
    // The device buffer holding the data; 0 when the system runs silent.
    unsigned getBuffer() const { return buffer; }
    // The system that made this sample, so a sample is never played by another one.
    const void* getOwner() const { return owner; }

    // Decodes the WAV file at `path` (PCM of any width, float or the compressed formats SDL
    // reads) into 16-bit samples; with `makeBuffer` the data goes into a buffer of the current
    // audio context, otherwise only its shape and length are kept. Failures are logged with the
    // file name and the cause.
    static SoundResult load(const std::string& path, unsigned mode, bool makeBuffer, const void* owner,
                            std::unique_ptr<SoundSample>& sample);

    // Whether a creation mode is self-consistent (not both 2D and 3D, not both loop bits).
    static bool isValidMode(unsigned mode);

private:
    SoundSample(const std::string& path, unsigned mode, const void* owner);

    std::string path;
    unsigned mode;
    const void* owner;
    int channels = 1;
    int frequency = 1;
    std::size_t frames = 0;
    unsigned buffer = 0;
};

} // namespace Tolvarine

#include "SoundSample.h"

#include "GameLog.h"

#include <AL/al.h>
#include <SDL_audio.h>
#include <SDL_error.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

namespace Tolvarine {

namespace {

void logLoadFailure(const std::string& path, const std::string& cause)
{
    GameLog::line("Sound System: could not load " + path + ": " + cause);
}

// Interleaved signed 16-bit frames as the device takes them.
struct Pcm {
    std::vector<std::int16_t> samples;
    int channels = 0;
    int frequency = 0;
};

// Reads the file with SDL and converts whatever sample type it holds to signed 16-bit.
SoundResult decodeWav(const std::string& path, Pcm& pcm, std::string& cause)
{
    SDL_AudioSpec wavFormat;
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &wavFormat, &data, &length)) {
        cause = SDL_GetError();
        return SoundResult::FORMAT;
    }
    if (wavFormat.channels == 0 || wavFormat.freq <= 0) {
        SDL_FreeWAV(data);
        cause = "no channels or no sample rate";
        return SoundResult::FORMAT;
    }

    SDL_AudioCVT conversion;
    if (SDL_BuildAudioCVT(&conversion, wavFormat.format, wavFormat.channels, wavFormat.freq, AUDIO_S16SYS, wavFormat.channels,
                          wavFormat.freq) < 0) {
        cause = SDL_GetError();
        SDL_FreeWAV(data);
        return SoundResult::FORMAT;
    }
    std::vector<Uint8> converted(static_cast<std::size_t>(length) * std::max(1, conversion.len_mult));
    if (length > 0)
        std::memcpy(converted.data(), data, length);
    SDL_FreeWAV(data);
    std::size_t convertedLength = length;
    if (conversion.needed) {
        conversion.buf = converted.data();
        conversion.len = static_cast<int>(length);
        if (SDL_ConvertAudio(&conversion) < 0) {
            cause = SDL_GetError();
            return SoundResult::FORMAT;
        }
        convertedLength = static_cast<std::size_t>(conversion.len_cvt);
    }

    pcm.channels = wavFormat.channels;
    pcm.frequency = wavFormat.freq;
    const std::size_t frames = convertedLength / (sizeof(std::int16_t) * pcm.channels);
    pcm.samples.resize(frames * pcm.channels);
    if (frames > 0)
        std::memcpy(pcm.samples.data(), converted.data(), pcm.samples.size() * sizeof(std::int16_t));
    return SoundResult::OK;
}

// Averages all channels of every frame into one.
void mixDownToMono(Pcm& pcm)
{
    if (pcm.channels == 1)
        return;
    const std::size_t frames = pcm.samples.size() / pcm.channels;
    std::vector<std::int16_t> mono(frames);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        int sum = 0;
        for (int channel = 0; channel < pcm.channels; ++channel)
            sum += pcm.samples[frame * pcm.channels + channel];
        mono[frame] = static_cast<std::int16_t>(sum / pcm.channels);
    }
    pcm.samples.swap(mono);
    pcm.channels = 1;
}

} // namespace

SoundSample::SoundSample(const std::string& path, unsigned mode, const void* owner)
    : path(path), mode(mode), owner(owner)
{
}

SoundSample::~SoundSample()
{
    if (buffer != 0)
        alDeleteBuffers(1, &buffer);
}

bool SoundSample::isValidMode(unsigned mode)
{
    if ((mode & MODE_2D) && (mode & MODE_3D))
        return false;
    return !((mode & LOOP_OFF) && (mode & LOOP_NORMAL));
}

SoundResult SoundSample::load(const std::string& path, unsigned mode, bool makeBuffer, const void* owner,
                              std::unique_ptr<SoundSample>& sample)
{
    sample.reset();
    if (!isValidMode(mode))
        return SoundResult::INVALID_PARAM;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        logLoadFailure(path, "no such file");
        return SoundResult::FILE_NOT_FOUND;
    }

    Pcm pcm;
    std::string cause;
    const SoundResult decoded = decodeWav(path, pcm, cause);
    if (decoded != SoundResult::OK) {
        logLoadFailure(path, cause);
        return decoded;
    }
    if (pcm.samples.empty()) {
        logLoadFailure(path, "the file holds no sound");
        return SoundResult::FORMAT;
    }
    // The device places only mono buffers in space and takes no more than two channels.
    if ((mode & MODE_3D) || pcm.channels > 2)
        mixDownToMono(pcm);

    std::unique_ptr<SoundSample> made(new SoundSample(path, mode, owner));
    made->channels = pcm.channels;
    made->frequency = pcm.frequency;
    made->frames = pcm.samples.size() / pcm.channels;
    if (makeBuffer) {
        alGetError();
        alGenBuffers(1, &made->buffer);
        if (alGetError() != AL_NO_ERROR) {
            made->buffer = 0;
            logLoadFailure(path, "the audio device has no room for another buffer");
            return SoundResult::OUTPUT;
        }
        alBufferData(made->buffer, pcm.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, pcm.samples.data(),
                     static_cast<ALsizei>(pcm.samples.size() * sizeof(std::int16_t)), pcm.frequency);
        if (alGetError() != AL_NO_ERROR) {
            logLoadFailure(path, "the audio device refused the data");
            return SoundResult::OUTPUT;
        }
    }
    sample = std::move(made);
    return SoundResult::OK;
}

} // namespace Tolvarine

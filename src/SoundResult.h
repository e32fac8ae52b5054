#pragma once

#include <string>

namespace Tolvarine {

// Outcome of every operation of the sound layer. OK is 0 and every failure is non-zero, so
// callers can test a result like an integer status.
enum class SoundResult {
    OK = 0,
    INVALID_HANDLE,   // the channel ended, was stolen or stopped, or never existed
    INVALID_PARAM,
    INVALID_FLOAT,    // NaN or infinity
    NEEDS_3D,         // a 3D-only operation on a 2D channel
    NOT_INITIALISED,
    ALREADY_INITIALISED,
    FILE_NOT_FOUND,
    FORMAT,           // not a readable WAV file
    OUTPUT,           // the audio device refused an operation
    UNSUPPORTED       // the operation needs an output mode this system was not made with
};

// A human-readable sentence describing the result.
std::string soundErrorString(SoundResult result);

// The checked path for the sound calls the game cannot continue without: any result but OK
// logs "FMOD error: " followed by the result's text and ends the process with exit code 10.
void checkSoundResult(SoundResult result);

} // namespace Tolvarine

#include "SoundResult.h"

#include "GameLog.h"

#include <cstdlib>

namespace Tolvarine {

std::string soundErrorString(SoundResult result)
{
    switch (result) {
    case SoundResult::OK:
        return "No error.";
    case SoundResult::INVALID_HANDLE:
        return "The channel handle is no longer valid: its sound ended, was stolen or was stopped.";
    case SoundResult::INVALID_PARAM:
        return "An invalid parameter was passed to a sound operation.";
    case SoundResult::INVALID_FLOAT:
        return "A sound operation was given a value that is not a finite number.";
    case SoundResult::NEEDS_3D:
        return "A 3D operation was used on a 2D sound.";
    case SoundResult::NOT_INITIALISED:
        return "The sound system has not been initialised.";
    case SoundResult::ALREADY_INITIALISED:
        return "The operation is not allowed after the sound system has been initialised.";
    case SoundResult::FILE_NOT_FOUND:
        return "The sound file was not found.";
    case SoundResult::FORMAT:
        return "The sound file is not a readable WAV file.";
    case SoundResult::OUTPUT:
        return "The audio device refused the operation.";
    case SoundResult::UNSUPPORTED:
        return "The operation is not available with this sound output.";
    }
    return "Unknown sound error.";
}

void checkSoundResult(SoundResult result)
{
    if (result == SoundResult::OK)
        return;
    GameLog::line("FMOD error: " + soundErrorString(result));
    std::exit(10);
}

} // namespace Tolvarine

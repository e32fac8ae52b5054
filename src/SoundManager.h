#pragma once

namespace Ogre {
class RenderWindow;
}

namespace Tolvarine {

// The owner of the sound library and everything played through it. The scheduler suspends the
// Doppler effect while the game is paused, so paused sounds do not shift in pitch.
class SoundManager {
public:
    explicit SoundManager(Ogre::RenderWindow* window);
    ~SoundManager();
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    static SoundManager* getSingletonPtr() { return singleton; }

    // True suspends the Doppler effect, false restores it; repeating the current state does
    // nothing.
    void setDopplerSuspended(bool suspended);
    bool isDopplerSuspended() const { return dopplerSuspended; }

private:
    static SoundManager* singleton;

    bool dopplerSuspended = false;
};

} // namespace Tolvarine

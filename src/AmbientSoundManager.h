#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>

namespace Tolvarine {

class FixedTask;
class SoundSource;

// Plays the ambient sound: one foreground loop that depends on the ambient mode (flying in space,
// or command mode) and a background of two loops that cross-fade in turn at random intervals.
// Every change is a fade, never a cut; a source being replaced fades out and is then dropped.
// Command mode switches the mode; the game modes and the tutorial set the mode and the
// background; scripts reach both. Fades run on the real-time clock, so they go on while the game
// is paused. Made once at start-up, right after the sound manager; never destroyed in the game.
//
// Settings, section "Ambient" of the sound manager's "cfg/sound.cfg": "spaceForeground" and
// "commandForeground" (sound definitions), "foregroundBlendDuration" (seconds, the default
// fade of the foreground and of everything fading out), "backgroundBlendDuration" (seconds) and
// "backgroundMinimumDuration" and "backgroundMaximumDuration" (the range of the random hold
// between two background swaps).
//
// A source's level runs from 0 (silent) to 1 (its definition's gain).
class AmbientSoundManager {
public:
    enum AmbientMode : int { NONE = 0, COMMAND = 1, SPACE = 2 };
    // A number drawn evenly from [low, high].
    using Random = std::function<float(float low, float high)>;

    // Needs the sound manager; a missing setting is logged and throws ConfigurationError.
    AmbientSoundManager();
    ~AmbientSoundManager();
    AmbientSoundManager(const AmbientSoundManager&) = delete;
    AmbientSoundManager& operator=(const AmbientSoundManager&) = delete;

    // Null before start-up has made it.
    static AmbientSoundManager* getSingleton();

    // Looks up the definitions of both foregrounds as setAmbientMode does, so that an unknown one
    // stops the start-up rather than the menu button that first sets its mode. A missing one is
    // logged with its place in cfg/sound.cfg and throws ConfigurationError. Needs the sound manager.
    static void checkForegrounds();

    // Fades the foreground of the new mode in and the old one out, over `blendDuration`
    // seconds, or the configured default when it is 0. The current mode again changes nothing;
    // NONE leaves no foreground. A value outside the enumeration logs
    // "AmbientSoundManager::setAmbientMode, invalid mode" and throws FatalError, changing nothing.
    void setAmbientMode(AmbientMode mode, float blendDuration);
    AmbientMode getAmbientMode() const { return mode; }
    // Fades the two background layers out and two new ones in; the active layer fades in first.
    // A name without a sound definition is logged and throws ConfigurationError.
    void setBackground(const std::string& first, const std::string& second);

    // The fixed task "AmbientSoundManager::blend" (order 35): one step of every fade.
    void blend(float lastFrameTime, float smoothedFrameTime);

    // Replaces the source of the random holds between background swaps.
    void setRandom(Random source) { random = std::move(source); }

    const SoundSource* getForeground() const { return foreground.get(); }
    const SoundSource* getBackground(bool first) const { return first ? backgroundA.get() : backgroundB.get(); }
    bool isFirstActive() const { return firstActive; }
    double getNextSwitch() const { return nextSwitch; }
    const std::list<std::shared_ptr<SoundSource>>& getFadingOut() const { return fadingOut; }

    // Registers the class "AmbientSoundManager" and the enumeration "AmbientMode" with the
    // module being started.
    static void exportToPython();

private:
    static std::shared_ptr<SoundSource> startSilent(const std::string& name);
    static std::shared_ptr<SoundSource> startSilent(std::shared_ptr<SoundSource> source);
    void fadeOut(std::shared_ptr<SoundSource>& source);
    double scheduleSwitch(double from);

    static AmbientSoundManager* singleton;

    float foregroundBlendDefault = 0.0f;
    float foregroundBlend = 0.0f;
    float backgroundBlend = 0.0f;
    float backgroundMinimum = 0.0f;
    float backgroundMaximum = 0.0f;
    double nextSwitch;
    double lastTime = 0.0;
    AmbientMode mode = NONE;
    std::shared_ptr<SoundSource> backgroundA;
    std::shared_ptr<SoundSource> backgroundB;
    bool firstActive = true;
    std::shared_ptr<SoundSource> foreground;
    std::list<std::shared_ptr<SoundSource>> fadingOut;
    Random random;
    std::unique_ptr<FixedTask> blendTask;
};

} // namespace Tolvarine

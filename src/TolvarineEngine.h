#pragma once

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class LogManager;
class Log;
class OverlaySystem;
class RenderWindow;
class Root;
class SceneManager;
}

namespace Tolvarine {

class Config;
class FixedTask;
class GameWindow;
class OverlayBillboardSet;
class ResourceReport;

// The program's spine: owns the rendering engine's root, builds every subsystem in its fixed
// order, renders one frame per scheduler pass and runs the main loop with its two-stage exit
// (an exit screen on "quit", then the end of the loop on the next key press).
class TolvarineEngine {
public:
    using Callback = std::function<void()>;

    TolvarineEngine();
    // An engine over a rendering root that a tool or test already runs; the root stays theirs.
    explicit TolvarineEngine(Ogre::Root& existingRoot);
    TolvarineEngine(const TolvarineEngine&) = delete;
    TolvarineEngine& operator=(const TolvarineEngine&) = delete;
    // The game never destroys its engine: subsystems keep pointers into the root and the window
    // until the process ends. Tools and tests that build one release the root with it.
    ~TolvarineEngine();

    static TolvarineEngine& getSingleton();
    static TolvarineEngine* getSingletonPtr();

    // The start-up sequence.
    void initialise();
    // The main loop; returns when the program is to end.
    void run();
    // Callback of the fixed task "Graphics".
    void renderFrame(float lastFrameTime, float smoothedFrameTime);
    // Bound to the action "quit": throws NormalExit.
    [[noreturn]] void quit();
    // Bound to the action "screenshot": the next frame drawn is written to a file.
    void takeScreenshot();
    // Pools register their destroy-all operation here. Nothing runs the list: the program has no
    // shutdown sequence, and destroying pooled objects after the main loop would touch dead
    // rendering and physics state.
    void addCallback(Callback callback);
    const std::vector<Callback>& getCallbacks() const { return callbacks; }
    // The system information of the profiler report (processor, frequency, render options).
    std::string writeSystemInfo() const;

    Ogre::SceneManager* sceneManager = nullptr;
    Ogre::Log* log = nullptr;

private:
    void drawAllRenderTargets();
    void showSplash();
    void removeSplash();
    void showExitScreen();
    void removeExitScreen();
    void runStartUpSequence();
    // The video options from ogre.cfg; false when the file is missing, names a render system that
    // was not loaded, or holds options the render system refuses.
    bool restoreVideoOptions();
    // The video options dialog, once ogre.cfg has failed. Logs and throws ConfigurationError when
    // no render system was loaded or there is no terminal to ask at; throws NormalExit when the
    // player cancels.
    void askForVideoOptions();
    void createSubsystems();
    // The processor-frequency measurement runs on a thread of its own from the start of the
    // start-up; its lines are logged at their place in the sequence, which waits for the figure.
    void startCpuFrequencyMeasurement();
    void logCpuFrequency();
    void loadDataTypes();
    // The heads-up display and the target frames, once the overlay scripts are loaded.
    void createHud();

    // Made before the root when no log manager exists yet, so that the root's own log echoes
    // through the program's plain echo from its first line; deleted after the root.
    Ogre::LogManager* ownLogManager = nullptr;
    Ogre::Root* root = nullptr;
    bool ownsRoot = true;
    Ogre::OverlaySystem* overlaySystem = nullptr;
    bool stopRequested = false;
    bool screenshotRequested = false;
    Ogre::RenderWindow* renderWindow = nullptr;
    std::unique_ptr<GameWindow> gameWindow;
    std::unique_ptr<FixedTask> renderTask;
    std::future<std::string> frequencyMeasurement;
    std::string frequencyText;
    std::vector<Callback> callbacks;
    std::unique_ptr<OverlayBillboardSet> splash;
    std::unique_ptr<OverlayBillboardSet> exitScreen;
    bool exitScreenShown = false;
    std::unique_ptr<Config> hudSettings;
    std::unique_ptr<Config> frameSettings;
    std::unique_ptr<ResourceReport> resourceReport;

    static TolvarineEngine* singleton;
};

// The program's entry, minus the process: sets up the resource locations, runs the engine and
// turns every failure into a log line and an exit code (0 or 1).
int runGame();

} // namespace Tolvarine

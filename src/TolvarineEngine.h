#pragma once

#include <functional>
#include <vector>

namespace Ogre {
class SceneManager;
}

namespace Tolvarine {

// The engine singleton: owns the rendering engine's root and runs start-up, the main loop
// and the exit sequence. So far it holds what the pools need of it: the list of
// clean-up callbacks that every pool registers its destroy-all operation with.
class TolvarineEngine {
public:
    using Callback = std::function<void()>;

    TolvarineEngine();
    ~TolvarineEngine();
    TolvarineEngine(const TolvarineEngine&) = delete;
    TolvarineEngine& operator=(const TolvarineEngine&) = delete;

    static TolvarineEngine& getSingleton();
    // Null before the engine exists (tools and tests that build pools without an engine).
    static TolvarineEngine* getSingletonPtr();

    // Appends a callback to the list, in registration order. Nothing runs the list during
    // the program: the pooled objects it would destroy touch the rendering and physics
    // engines, which are never shut down.
    void addCallback(Callback callback);
    const std::vector<Callback>& getCallbacks() const { return callbacks; }

    Ogre::SceneManager* sceneManager = nullptr;

private:
    static TolvarineEngine* singleton;

    std::vector<Callback> callbacks;
};

} // namespace Tolvarine

#pragma once

#include <memory>

namespace Ogre {
class DefaultHardwareBufferManager;
class RenderWindow;
class Root;
class SceneManager;
} // namespace Ogre

namespace Tolvarine::Test {

// The rendering engine for a test, with one generic scene manager. Headless: no render system,
// enough for scene nodes, billboard sets and the built-in materials. Windowed: OpenGL on a small
// hidden window of the X display, needed for anything that loads textures or compiles materials
// for drawing (tools/with-display.sh provides a display).
class RenderingRoot {
public:
    enum class Kind { Headless, Windowed };

    // Whether a windowed root can be made here.
    static bool displayAvailable();

    explicit RenderingRoot(Kind kind);
    ~RenderingRoot();
    RenderingRoot(const RenderingRoot&) = delete;
    RenderingRoot& operator=(const RenderingRoot&) = delete;

    Ogre::SceneManager& sceneManager() const { return *scene; }
    // Null for a headless root.
    Ogre::RenderWindow* window() const { return renderWindow; }

private:
    void openWindow();

    std::unique_ptr<Ogre::Root> root;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
    Ogre::RenderWindow* renderWindow = nullptr;
    Ogre::SceneManager* scene = nullptr;
};

} // namespace Tolvarine::Test

#pragma once

// The game interface on OpenGL with the GUI library's real renderer, in a working folder of its
// own: a hidden 800 x 600 window, the scheduler on a hand-driven clock, the input handler with the
// shipped key map, the camera controller, and the interface with its GUI started from the shipped
// scheme and fonts. Tests that need other settings write them before the world starts.

#include "CameraController.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "InputHandler.h"
#include "Interface.h"
#include "ManualTicks.h"
#include "RenderingRoot.h"
#include "Scheduler.h"
#include "TolvarineEngine.h"

#include <Overlay/OgreFontManager.h>
#include <Overlay/OgreOverlayManager.h>
#include <Overlay/OgreOverlaySystem.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace Tolvarine::Test {

inline const char* const shippedInterfaceSettings =
    "[GUI]\nscheme = TaharezLook\nfont = Tolvarine-10\nalpha = 1.0\n[Interface]\nshowFps = 0\nshowCommandSystem = 1\n";

class GuiWorld : public ::testing::Test {
protected:
    GuiWorld()
    {
        const std::filesystem::path source(TOLVARINE_SOURCE_DIR);
        std::filesystem::create_directories(folder.file("cfg"));
        for (const char* file : {"camera.cfg", "widget_factory.cfg", "demo_help.cfg"})
            std::filesystem::copy_file(source / "cfg" / file, folder.file(std::string("cfg/") + file));
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(folder.file(""));
        input.loadKeymap((source / "cfg/active.keymap").string());
    }

    ~GuiWorld() override
    {
        interface.reset();
        cameras.reset();
        engine.reset();
        overlays.reset();
        root.reset();
        std::error_code ignored;
        std::filesystem::current_path(previousFolder, ignored);
    }

    // Starts the rendering engine and the GUI with these interface settings.
    void start(const std::string& interfaceSettings = shippedInterfaceSettings)
    {
        if (!RenderingRoot::displayAvailable())
            GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
        writeFile(folder.file("cfg/interface.cfg"), interfaceSettings);
        root = std::make_unique<RenderingRoot>(RenderingRoot::Kind::Windowed);
        root->window()->resize(800, 600);
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
        auto& groups = Ogre::ResourceGroupManager::getSingleton();
        const std::string source(TOLVARINE_SOURCE_DIR), cegui("/usr/share/cegui-0.8.7/");
        for (const std::string& location : {source + "/data/gui", source + "/data/fonts", cegui + "imagesets",
                                            cegui + "looknfeel", std::string("/usr/share/fonts/truetype/dejavu")})
            groups.addResourceLocation(location, "FileSystem", Ogre::RGN_DEFAULT);
        // The frame-rate overlay and its font, as the default group's scripts give them.
        overlays = std::make_unique<Ogre::OverlaySystem>();
        Ogre::DataStreamPtr fontScript = groups.openResource("stats.fontdef", Ogre::RGN_DEFAULT);
        Ogre::FontManager::getSingleton().parseScript(fontScript, Ogre::RGN_DEFAULT);
        Ogre::DataStreamPtr overlayScript = groups.openResource("stats.overlay", Ogre::RGN_DEFAULT);
        Ogre::OverlayManager::getSingleton().parseScript(overlayScript, Ogre::RGN_DEFAULT);
        engine = std::make_unique<TolvarineEngine>(Ogre::Root::getSingleton());
        engine->sceneManager = &root->sceneManager();
        cameraSettings = std::make_unique<Config>("cfg/camera.cfg");
        cameras = std::make_unique<CameraController>(root->sceneManager(), *cameraSettings);
        interface = std::make_unique<Interface>();
        interface->setRenderWindow(root->window());
        interface->initialiseGui();
    }

    // Moves both clocks on and runs one scheduler pass.
    void advance(double seconds)
    {
        ManualTicks::advance(seconds);
        scheduler.run();
    }

    ManualTicks ticks;
    TemporaryFolder folder;
    std::filesystem::path previousFolder;
    InputHandler input;
    Scheduler scheduler;
    std::unique_ptr<RenderingRoot> root;
    std::unique_ptr<Ogre::OverlaySystem> overlays;
    std::unique_ptr<TolvarineEngine> engine;
    std::unique_ptr<Config> cameraSettings;
    std::unique_ptr<CameraController> cameras;
    std::unique_ptr<Interface> interface;
};

} // namespace Tolvarine::Test

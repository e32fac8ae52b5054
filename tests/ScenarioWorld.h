#pragma once

#include "ConfigFiles.h"
#include "Difficulty.h"
#include "Profiler.h"
#include "ResponseCurves.h"
#include "ScenarioManager.h"
#include "ScriptError.h"
#include "ScriptModule.h"
#include "ScriptSystem.h"
#include "Statistics.h"

#include <boost/python/extract.hpp>

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// The interpreter is process-wide and never finalised, so every test of a process shares one
// host, made as the game makes it.
inline ScriptSystem& scriptHost()
{
    static ScriptSystem* const instance = [] {
        auto* created = new ScriptSystem();
        initTolvarine();
        return created;
    }();
    return *instance;
}

// Everything a scenario reaches while it loads and unloads, made as the game's start-up makes it,
// in a working folder (current while the world lives) that holds data/scenarios.
class ScenarioWorld {
public:
    // With a render system the root can load textures; that needs a display.
    explicit ScenarioWorld(bool withRenderSystem = false)
    {
        scriptHost();
        std::filesystem::create_directories(folder.file("data/scenarios"));
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(folder.file(""));
        // A fixture around this world may run the engine already: the scenario gets its own scene.
        sharedRoot = Ogre::Root::getSingletonPtr() && !withRenderSystem;
        if (!sharedRoot) {
            root = std::make_unique<Ogre::Root>("", "", "");
            if (withRenderSystem) {
                for (const char* plugin : {"/RenderSystem_GL", "/Codec_STBI"})
                    root->loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + plugin);
                root->setRenderSystem(root->getAvailableRenderers().front());
                root->initialise(false);
                Ogre::NameValuePairList options{{"hidden", "true"}};
                root->createRenderWindow("ScenarioWorld", 64, 64, false, &options);
            } else {
                buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
                Ogre::MaterialManager::getSingleton().initialise();
            }
        }
        sceneManager = Ogre::Root::getSingleton().createSceneManager();
        curves = std::make_unique<ResponseCurves>(written(folder.file("curves.cfg"), "[Difficulty Hit Ratio]\n0 = 1\n1 = 1\n"));
        profiler = std::make_unique<Profiler>();
        profiler->setSystemInfoSource([] { return std::string("System\n"); });
        statistics = std::make_unique<Statistics>();
        difficulty = std::make_unique<Difficulty>(folder.file("difficulty.cfg"), *curves);
        scriptHost().runString("events = []\n");
    }

    ~ScenarioWorld()
    {
        manager.reset();
        difficulty.reset();
        statistics.reset();
        profiler.reset();
        if (sharedRoot)
            Ogre::Root::getSingleton().destroySceneManager(sceneManager);
        root.reset();
        buffers.reset();
        std::error_code ignored;
        std::filesystem::current_path(previousFolder, ignored);
    }

    ScenarioWorld(const ScenarioWorld&) = delete;
    ScenarioWorld& operator=(const ScenarioWorld&) = delete;

    void addScript(const std::string& leaf, const std::string& text) const { writeFile(folder.file("data/scenarios/" + leaf), text); }

    ScenarioManager& preload()
    {
        manager = std::make_unique<ScenarioManager>();
        manager->parseScenarioScripts();
        return *manager;
    }

    // What the test scripts recorded in the shared list "events".
    static std::vector<std::string> events()
    {
        std::vector<std::string> recorded;
        const boost::python::object list = scriptHost().evaluate("events");
        for (long i = 0; i < boost::python::len(list); ++i)
            recorded.push_back(boost::python::extract<std::string>(list[i]));
        return recorded;
    }

    std::string path(const std::string& name) const { return folder.file(name); }

    TemporaryFolder folder;
    std::filesystem::path previousFolder;
    std::unique_ptr<Ogre::Root> root;
    bool sharedRoot = false;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
    Ogre::SceneManager* sceneManager = nullptr;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<Profiler> profiler;
    std::unique_ptr<Statistics> statistics;
    std::unique_ptr<Difficulty> difficulty;
    std::unique_ptr<ScenarioManager> manager;
};

// A scenario script whose configuration records its calls in "events" ("<name> initialise",
// "<name> unload"); `top` runs at the script's top level, `initialise` inside initialise (with
// `self` and `scenario`, the current scenario, at hand).
inline std::string recordingScript(const std::string& name, const std::string& top = "", const std::string& initialise = "pass")
{
    const std::string cls = name + "Config";
    return "from Tolvarine import *\nevents.append('ran " + name + "')\n" + top + "\nclass " + cls + "(ScenarioConfig):\n"
           "    def __init__(self):\n        ScenarioConfig.__init__(self)\n"
           "    def initialise(self):\n        events.append('" + name + " initialise')\n"
           "        scenario = ScenarioManager.getSingleton().getCurrentScenario()\n        " + initialise + "\n"
           "    def unload(self):\n        events.append('" + name + " unload')\n"
           "    def getName(self):\n        return '" + name + "'\n"
           "    def getEntityPath(self):\n        return 'data/entities'\n"
           "    def getNumberTweaks(self):\n        return 0\n"
           "    def getTweak(self, index):\n        return None\n"
           "def getScenarioConfig():\n    return " + cls + "()\n";
}

} // namespace Tolvarine::Test

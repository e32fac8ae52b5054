#include "AreaManager.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "Scheduler.h"

#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <variant>

namespace Tolvarine::Test {
namespace {

// Applying areas to a loaded scenario with the game's materials, drawn by GL.
TEST(AreaManagerTest, AnAreaReplacesLightsAndABrokenSkyChangesNothing)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the sky's textures need the GL render system (run under tools/with-display.sh)";
    InputHandler input;
    Scheduler scheduler;
    ScenarioWorld world(true);
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.createResourceGroup("Core");
    for (const char* sub : {"/data/materials", "/data/textures", "/data/textures/skyboxes", "/data/textures/explosions"})
        groups.addResourceLocation(std::string(TOLVARINE_SOURCE_DIR) + sub, "FileSystem", "Core");
    groups.initialiseResourceGroup("Core");
    world.addScript("alpha.py", recordingScript("Alpha"));
    Scenario& scenario = world.preload().loadScenario("Alpha");
    Ogre::MaterialManager::getSingleton().create("Test/HoledSky", "Core")->getTechnique(0)->getPass(0)
        ->createTextureUnitState()->setTextureName("nowhere.png", Ogre::TEX_TYPE_CUBE_MAP);

    const std::string light = "direction = (0 0 -1)\ndiffuse = (1 1 1 1)\nspecular = (0 0 0 1)\n";
    const auto area = [&](const std::string& name, const std::string& sky, const std::string& rest) {
        writeFile(world.path(name + ".area"), "[Area]\nname = " + name + "\nskyboxMaterial = " + sky
                                                  + "\nambientColour = (0.1 0.2 0.3 1)\n" + rest);
    };
    area("Two", "Tolvarine/AmberSky", "[KeyLight]\n" + light + "[StarLight]\n" + light + "[Notes]\nany = thing\n");
    area("BadSky", "Nowhere/Sky", "");
    area("HoledSky", "Test/HoledSky", "");
    area("Half", "Tolvarine/NebulaSky", "[Light]\ndirection = (0 0 1)\n");
    // In file name order the first file keeps a name; a nameless area fails, leaving no singleton.
    writeFile(world.path("z_second.area"), "[Area]\nname = Two\n");
    writeFile(world.path("zz.area"), "[Area]\nskyboxMaterial = X\n");
    {
        LogCapture log;
        EXPECT_THROW(AreaManager broken(world.path("")), ConfigurationError);
        EXPECT_TRUE(log.contains("AreaManager: " + world.path("z_second.area") + " repeats the area name Two of "
                                 + world.path("Two.area") + "; the first file keeps it"));
        EXPECT_EQ(AreaManager::getSingletonPtr(), nullptr);
    }
    writeFile(world.path("zz.area"), "[Area]\nname = Named\n");
    AreaManager manager(world.path(""));

    manager.loadArea("Two");
    manager.loadArea("Two");
    EXPECT_EQ(scenario.getLights().size(), 2u) << "applied twice: one set of lights";
    EXPECT_EQ(world.sceneManager->getAmbientLight(), Ogre::ColourValue(0.1f, 0.2f, 0.3f, 1.0f));
    EXPECT_EQ(scenario.getEnvironmentMap(), "amber_env.png");

    const std::pair<std::string, const char*> broken[] = {
        {"Nowhere", "AreaManager: unknown area Nowhere"},
        {"BadSky", "Area BadSky: unknown material Nowhere/Sky"},
        {"HoledSky", "Area HoledSky: material Test/HoledSky uses the unknown texture nowhere.png"}};
    for (const auto& [name, line] : broken) {
        SCOPED_TRACE(name);
        LogCapture log;
        if (name == "Nowhere")
            manager.loadArea(name);
        else
            EXPECT_THROW(manager.loadArea(name), ConfigurationError);
        EXPECT_TRUE(log.contains(line));
        EXPECT_EQ(scenario.getLights().size(), 2u);
        EXPECT_EQ(scenario.getSkyBoxMaterial(), "Tolvarine/AmberSky");
    }
    EXPECT_THROW(manager.loadArea("Half"), ConfigurationError) << "a light without its colours";

    // The start-up's check reads each area whole by the rules that show it, and names its file.
    Ogre::MaterialManager::getSingleton().create("Test/BlankSky", "Core");
    area("BlankSky", "Test/BlankSky", "");
    area("Sunless", "Tolvarine/AmberSky", "[Star]\n" + light + "glow = (1 1 1 1)\n");
    area("Swallowed", "Tolvarine/AmberSky", "[FarLight]\ndirection = (-3.4e38 0 0)\ndiffuse = (1 1 1 1)\nspecular = (0 0 0 1)\n"
                                            "[NearPlanet]\ndistance = 1000\ndirection = (0 0 -1)\nradius = 2000\n"
                                            "spinRateDegrees = 1\nmaterial = Planet/Ice\nhazeProportion = 0.1\n"
                                            "hazeColour = (1 1 1 1)\n");
    const std::pair<std::string, const char*> refused[] = {
        {"BadSky", "Area BadSky: unknown material Nowhere/Sky"},
        {"BlankSky", "Scenario::setSkyBox, material Test/BlankSky has no first texture"},
        {"Sunless", "Key size not found in section Star"}};
    for (const auto& [name, line] : refused) {
        SCOPED_TRACE(name);
        LogCapture log;
        EXPECT_THROW(AreaManager::read(Config(world.path(name + ".area"))), ConfigurationError);
        EXPECT_TRUE(log.contains(line));
        EXPECT_TRUE(log.contains("AreaManager: the area file " + world.path(name + ".area") + " is refused"));
    }
    // A planet that wraps the viewer, with a haze that fits, plays; a light's direction of any
    // size is normalised (the scene's own normalising made (-3.4e38 0 0) into (0 0 0)).
    const AreaManager::Contents swallowed = AreaManager::read(Config(world.path("Swallowed.area")));
    EXPECT_EQ(std::get<AreaManager::DirectionalLight>(swallowed.sections.at(0)).direction, Ogre::Vector3::NEGATIVE_UNIT_X);
    EXPECT_THROW(manager.checkAreas(), ConfigurationError);
}

} // namespace
} // namespace Tolvarine::Test

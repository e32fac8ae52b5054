#include "AreaManager.h"
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

namespace Tolvarine::Test {
namespace {

using Kind = AreaManager::SectionKind;

// Sections are classed by the first of "Light", "Star", "Planet" their name contains; the scan
// reads ".area" files in name order and the first file keeps a repeated name.
TEST(AreaManagerTest, ScanKeepsTheFirstFileOfANameAndSectionsAreClassedByName)
{
    const std::pair<const char*, Kind> rows[] = {
        {"StarLight", Kind::LIGHT}, {"PlanetStar", Kind::STAR}, {"IcePlanet", Kind::PLANET}, {"Area", Kind::OTHER}, {"starlight", Kind::OTHER}};
    for (const auto& [section, kind] : rows)
        EXPECT_EQ(AreaManager::classify(section), kind) << section;

    TemporaryFolder folder;
    for (const char* file : {"b_second.area", "a_first.area", ".hidden.area", "notes.txt", "d.AREA"})
        writeFile(folder.file(file), std::string("[Area]\nname = ") + (file[0] == 'b' || file[0] == 'a' ? "Rift" : file) + "\n");
    writeFile(folder.file("c.area"), "[Area]\nname = Shoal\n");
    LogCapture log;
    AreaManager manager(folder.file(""));
    EXPECT_EQ(manager.getAreaNames(), (std::vector<std::string>{"Rift", "Shoal"}));
    EXPECT_TRUE(log.contains("AreaManager: " + folder.file("b_second.area") + " repeats the area name Rift; the first file keeps it"));

    writeFile(folder.file("e_nameless.area"), "[Area]\nskyboxMaterial = X\n");
    EXPECT_THROW(AreaManager broken(folder.file("")), ConfigurationError);
    EXPECT_EQ(AreaManager::getSingletonPtr(), nullptr) << "a failed scan leaves no singleton behind";
}

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
}

} // namespace
} // namespace Tolvarine::Test

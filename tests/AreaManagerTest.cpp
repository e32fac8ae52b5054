#include "AreaManager.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioWorld.h"
#include "Scheduler.h"

#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <OgreTextureUnitState.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::ScenarioWorld;
using Test::TemporaryFolder;
using Test::writeFile;
using Kind = AreaManager::SectionKind;

const std::string sourceFolder = TOLVARINE_SOURCE_DIR;

TEST(AreaManagerTest, SectionsAreClassedByTheFirstNameTheyContain)
{
    const struct {
        const char* section;
        Kind kind;
    } rows[] = {
        {"KeyLight", Kind::LIGHT},     {"StarLight", Kind::LIGHT},  {"PlanetStar", Kind::STAR},
        {"Star", Kind::STAR},          {"IcePlanet", Kind::PLANET}, {"Area", Kind::OTHER},
        {"starlight", Kind::OTHER},    {"Planets of note", Kind::PLANET},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.section);
        EXPECT_EQ(AreaManager::classify(row.section), row.kind);
    }
}

// The scan reads ".area" files in name order; the first file keeps a repeated name.
TEST(AreaManagerTest, ScanKeepsTheFirstFileOfANameAndSkipsOtherFiles)
{
    TemporaryFolder folder;
    const auto area = [](const std::string& name) { return "[Area]\nname = " + name + "\n"; };
    writeFile(folder.file("b_second.area"), area("Rift"));
    writeFile(folder.file("a_first.area"), area("Rift"));
    writeFile(folder.file("c.area"), area("Shoal"));
    writeFile(folder.file(".hidden.area"), area("Hidden"));
    writeFile(folder.file("notes.txt"), area("Notes"));
    writeFile(folder.file("d.AREA"), area("Shout"));
    LogCapture log;
    AreaManager manager(folder.file(""));
    EXPECT_EQ(manager.getAreaNames(), (std::vector<std::string>{"Rift", "Shoal"}));
    EXPECT_TRUE(log.contains("AreaManager: " + folder.file("b_second.area")
                             + " repeats the area name Rift; the first file keeps it"));
    EXPECT_EQ(&AreaManager::getSingleton(), &manager);

    writeFile(folder.file("e_nameless.area"), "[Area]\nskyboxMaterial = X\n");
    EXPECT_THROW(AreaManager broken(folder.file("")), ConfigurationError);
    EXPECT_EQ(AreaManager::getSingletonPtr(), nullptr) << "a failed scan leaves no singleton behind";
}

// Applying an area to a loaded scenario, with the game's own materials drawn by GL.
class AreaApplyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "the sky's textures need the GL render system (run under tools/with-display.sh)";
        world = std::make_unique<ScenarioWorld>(true);
        std::filesystem::copy(sourceFolder + "/cfg", world->path("cfg"));
        auto& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.createResourceGroup("Core");
        for (const char* sub : {"/data/materials", "/data/textures", "/data/textures/skyboxes",
                                "/data/textures/explosions", "/data/meshes"})
            groups.addResourceLocation(sourceFolder + sub, "FileSystem", "Core");
        groups.initialiseResourceGroup("Core");
        world->addScript("alpha.py", Tolvarine::Test::recordingScript("Alpha"));
        scenario = &world->preload().loadScenario("Alpha");
    }

    InputHandler input;
    Scheduler scheduler;
    std::unique_ptr<ScenarioWorld> world;
    Scenario* scenario = nullptr;
};

TEST_F(AreaApplyTest, AnAreaReplacesLightsAndShowsItsSky)
{
    TemporaryFolder folder;
    writeFile(folder.file("two.area"), "[Area]\nname = Two\nskyboxMaterial = Tolvarine/AmberSky\n"
                                       "ambientColour = (0.1 0.2 0.3 1)\n"
                                       "[KeyLight]\ndirection = (0 0 -1)\ndiffuse = (1 1 1 1)\nspecular = (0 0 0 1)\n"
                                       "[StarLight]\ndirection = (0 -1 0)\ndiffuse = (1 1 1 1)\nspecular = (0 0 0 1)\n"
                                       "[Notes]\nanything = at all\n");
    writeFile(folder.file("bad_sky.area"), "[Area]\nname = BadSky\nskyboxMaterial = Nowhere/Sky\n"
                                           "ambientColour = (0 0 0 1)\n");
    writeFile(folder.file("half.area"), "[Area]\nname = Half\nskyboxMaterial = Tolvarine/NebulaSky\n"
                                        "ambientColour = (0 0 0 1)\n[Light]\ndirection = (0 0 1)\n");
    writeFile(folder.file("holed_sky.area"), "[Area]\nname = HoledSky\nskyboxMaterial = Test/HoledSky\n"
                                             "ambientColour = (0 0 0 1)\n");
    Ogre::MaterialManager::getSingleton()
        .create("Test/HoledSky", "Core")
        ->getTechnique(0)
        ->getPass(0)
        ->createTextureUnitState()
        ->setTextureName("nowhere.png", Ogre::TEX_TYPE_CUBE_MAP);
    AreaManager manager(folder.file(""));

    for (int time = 0; time < 2; ++time)
        manager.loadArea("Two");
    EXPECT_EQ(scenario->getLights().size(), 2u) << "applied twice: one set of lights";
    EXPECT_EQ(world->sceneManager->getAmbientLight(), Ogre::ColourValue(0.1f, 0.2f, 0.3f, 1.0f));
    EXPECT_EQ(scenario->getEnvironmentMap(), "amber_env.png");

    LogCapture log;
    manager.loadArea("Nowhere");
    EXPECT_TRUE(log.contains("AreaManager: unknown area Nowhere"));
    EXPECT_THROW(manager.loadArea("BadSky"), ConfigurationError);
    EXPECT_TRUE(log.contains("Area BadSky: unknown material Nowhere/Sky"));
    EXPECT_THROW(manager.loadArea("HoledSky"), ConfigurationError);
    EXPECT_TRUE(log.contains("Area HoledSky: material Test/HoledSky uses the unknown texture nowhere.png"));
    EXPECT_EQ(scenario->getLights().size(), 2u) << "a sky that cannot be shown changes nothing";
    EXPECT_EQ(scenario->getSkyBoxMaterial(), "Tolvarine/AmberSky");
    EXPECT_THROW(manager.loadArea("Half"), ConfigurationError);
    EXPECT_TRUE(log.contains("Key not found"));
}

// Every shipped area applies, and names an environment cube whose six images load.
TEST_F(AreaApplyTest, EveryShippedAreaAppliesWithItsEnvironmentCube)
{
    // A copy: reading an area writes its enciphered twin beside it.
    std::filesystem::copy(sourceFolder + "/data/areas", world->path("data/areas"));
    AreaManager manager(world->path("data/areas"));
    ASSERT_GE(manager.getAreaNames().size(), 3u);
    for (const std::string& name : manager.getAreaNames()) {
        SCOPED_TRACE(name);
        const std::size_t planets = scenario->getPlanetCount();
        LogCapture log;
        manager.loadArea(name);
        EXPECT_GT(scenario->getPlanetCount(), planets) << "planets of earlier areas stay, new ones join them";
        EXPECT_TRUE(world->sceneManager->isSkyBoxEnabled());
        const Ogre::TexturePtr cube = Ogre::TextureManager::getSingleton().load(
            scenario->getEnvironmentMap(), "Core", Ogre::TEX_TYPE_CUBE_MAP);
        ASSERT_TRUE(cube);
        EXPECT_EQ(cube->getTextureType(), Ogre::TEX_TYPE_CUBE_MAP);
        EXPECT_FALSE(scenario->getLights().empty());
        EXPECT_EQ(scenario->getStarCount(), 1u) << "each area's sun replaces the one before";
    }
}

} // namespace
} // namespace Tolvarine

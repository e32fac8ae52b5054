#include "ComboTweak.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FunctionTask.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioConfig.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "ScriptError.h"
#include "TargetingDoubles.h"

#include <gtest/gtest.h>

#include <OgreLight.h>
#include <OgreMaterialManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Test::LogCapture;
using Test::ScenarioWorld;
using Test::recordingScript;
using Test::scriptHost;
using Test::writeFile;

unsigned lightNumber(const std::string& name)
{
    EXPECT_EQ(name.rfind("Scenario Light ", 0), 0u) << name;
    return static_cast<unsigned>(std::stoul(name.substr(15)));
}

bool logged(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Runs an action that must fail with exception E and returns the log lines written meanwhile.
template <typename E, typename Action>
Lines failsWith(Action action)
{
    LogCapture log;
    EXPECT_THROW(action(), E);
    return log.lines();
}

TEST(ScenarioTest, LightsFactionsSkyBoxAndAFailedInitialisation)
{
    const std::string light = "scenario.addDirectionalLight(Vector3(1, 0, 0), ColourValue(1, 1, 1, 1), "
                              "ColourValue(0.5, 0.5, 0.5, 1))";
    ScenarioWorld world;
    world.addScript("alpha.py", recordingScript("Alpha", "", light + "; Faction.create('Rebels')"));
    world.addScript("beta.py", recordingScript("Beta", "", light));
    world.addScript("gamma.py", recordingScript("Gamma", "", light + "; raise RuntimeError('half set up')"));
    ScenarioManager& manager = world.preload();
    const std::size_t freeIds = Faction::freeIdCount();
    Scenario& alpha = manager.loadScenario("Alpha");
    ASSERT_NE(alpha.getFaction("Rebels"), nullptr); // a script's factions go to the scenario it sets up
    EXPECT_EQ(Faction::freeIdCount(), freeIds - 1);
    ASSERT_EQ(alpha.getLights().size(), 1u);
    const std::string alphaLight = alpha.getLights()[0]->getName();
    EXPECT_TRUE(alpha.getLights()[0]->getDerivedDirection().positionEquals(Ogre::Vector3::UNIT_X, 1e-5f));
    {
        SCOPED_TRACE("lights are numbered across scenarios and leave with theirs");
        Scenario& beta = manager.loadScenario("Beta");
        EXPECT_TRUE(alpha.getLights().empty());
        EXPECT_FALSE(world.sceneManager->hasSceneNode(alphaLight + "/SceneNode"));
        ASSERT_EQ(beta.getLights().size(), 1u);
        const unsigned betaNumber = lightNumber(beta.getLights()[0]->getName());
        EXPECT_EQ(betaNumber, lightNumber(alphaLight) + 1);
        EXPECT_EQ(lightNumber(Scenario::getLightName()), betaNumber + 1);
        beta.removeLights();
        EXPECT_EQ(world.sceneManager->getMovableObjects("Light").size(), 0u);
    }
    std::weak_ptr<Faction> released;
    {
        SCOPED_TRACE("factions belong to the current scenario and leave with it");
        Scenario& beta = *manager.getCurrentScenario();
        EXPECT_EQ(Faction::freeIdCount(), freeIds);
        EXPECT_EQ(beta.getFaction("Enemy"), nullptr);
        LogCapture log;
        beta.createFactions();
        EXPECT_EQ(log.lines(), (Lines{"Creating factions", "Debris systems"}));
        const std::shared_ptr<Faction> player = beta.getFaction("Player"), enemy = beta.getFaction("Enemy");
        ASSERT_TRUE(player && enemy);
        EXPECT_EQ(enemy->relationTo(*player), 2);
        EXPECT_EQ(Faction::find("Enemy"), enemy);
        beta.addFaction(std::make_shared<Faction>("Player", 0)); // no check for duplicates: the first is found
        EXPECT_EQ(beta.getFaction("Player"), player);
        EXPECT_EQ(Faction::freeIdCount(), freeIds - 3);
        released = player;
    }
    {
        SCOPED_TRACE("a sky box of an unknown or textureless material is refused");
        Scenario& beta = *manager.getCurrentScenario();
        Ogre::MaterialManager::getSingleton().create("ScenarioBare", Ogre::RGN_DEFAULT);
        EXPECT_EQ(failsWith<ConfigurationError>([&] { beta.setSkyBox("ScenarioNowhere", 10000.0f); }),
                  (Lines{"Scenario::setSkyBox, unknown material ScenarioNowhere"}));
        EXPECT_EQ(failsWith<ConfigurationError>([&] { beta.setSkyBox("ScenarioBare", 10000.0f); }),
                  (Lines{"Scenario::setSkyBox, material ScenarioBare has no first texture"}));
        EXPECT_FALSE(world.sceneManager->isSkyBoxEnabled());
        EXPECT_EQ(beta.getEnvironmentMap(), "");
        EXPECT_EQ(environmentMapName("skyboxes/deep_space_up.jpg"), "deep_space_env.png") << "named after the sky's texture";
    }
    SCOPED_TRACE("an initialisation that fails leaves nothing behind");
    ScenarioWorld::clearEvents();
    const Lines lines = failsWith<ScriptError>([&] { manager.loadScenario("Gamma"); });
    EXPECT_TRUE(logged(lines, "Python exception thrown while calling ScenarioConfig.initialise"));
    EXPECT_FALSE(logged(lines, "Scenario Gamma loaded."));
    EXPECT_FALSE(manager.findScenario("Gamma")->isLoaded());
    EXPECT_EQ(world.sceneManager->getMovableObjects("Light").size(), 0u);
    EXPECT_TRUE(released.expired());
    manager.loadScenario("Alpha"); // without the failed scenario's unload
    EXPECT_EQ(ScenarioWorld::events(), (Lines{"Beta unload", "Gamma initialise", "Alpha initialise"}));
    manager.unloadAll();
    EXPECT_EQ(Faction::freeIdCount(), freeIds);
    EXPECT_EQ(failsWith<ConfigurationError>([] { Faction::create("Late"); }),
              (Lines{"Faction::create, no running scenario to hold faction Late"}));
}

using ScenarioFocus = Test::TargetingFixture;

// The pooled kinds register once per process and record into a list that outlives every test;
// `duringShipRelease` runs inside the ship pools' release while a test sets it.
Lines releasesRun;
std::function<void()> duringShipRelease;

TEST_F(ScenarioFocus, EndAndUnloadReleasePoolsInOrderAfterTakingTheFocusAndSelection)
{
    static const bool registered = [] {
        using Kind = Scenario::PooledKind;
        for (const auto& [kind, name] : std::vector<std::pair<Kind, std::string>>{
                 {Kind::PARTICLE_SPRAYS, "sprays"}, {Kind::WARP_ARRIVALS, "arrivals"}, {Kind::SHIPS, "ships"},
                 {Kind::SHIP_EXPLOSION_SEQUENCES, "sequences"}, {Kind::EXPLOSION_DEBRIS, "debris"},
                 {Kind::FIREABLE_PROJECTILES, "projectiles"}, {Kind::COMPLEX_EXPLOSIONS, "explosions"},
                 {Kind::SHIPS, "capital ships"}})
            Scenario::addPoolRelease(kind, [name = name] {
                releasesRun.push_back(name);
                if (name == "ships" && duringShipRelease)
                    duringShipRelease();
            });
        return true;
    }();
    (void)registered;
    ScenarioWorld world;
    world.addScript("alpha.py", recordingScript("Alpha"));
    Scenario& alpha = world.preload().loadScenario("Alpha");
    const Lines order = {"ships", "capital ships", "projectiles", "explosions", "debris", "sprays", "sequences", "arrivals"};
    releasesRun.clear();
    alpha.end();
    EXPECT_EQ(releasesRun, order);
    EXPECT_TRUE(alpha.isLoaded());

    // A task's callback holds a token, so the token expires when its task is deleted.
    auto firstToken = std::make_shared<int>(1), secondToken = std::make_shared<int>(2);
    const std::weak_ptr<int> first = firstToken, second = secondToken;
    alpha.setModeTask(std::make_unique<FunctionTask>([firstToken](float) { return true; }, "Skirmish", 5.0f, 1.0f));
    alpha.setModeTask(std::make_unique<FunctionTask>([secondToken](float) { return true; }, "Survival", 5.0f, 1.0f));
    firstToken.reset();
    secondToken.reset();
    EXPECT_TRUE(first.expired());
    EXPECT_FALSE(second.expired());

    // A released ship that takes the focus again loses it once more before the unload ends.
    Tolvarine::Test::TestShip& flown = ship("flown");
    Tolvarine::Test::TestShip& target = ship("target");
    flown.setFocus(true);
    target.setSelected(true);
    duringShipRelease = [&] {
        EXPECT_EQ(Controllable::getFocused(), nullptr) << "the focus goes before the pools empty";
        flown.setFocus(true);
    };
    journal.state = nullptr;
    journal.entries.clear();
    releasesRun.clear();
    alpha.unload();
    duringShipRelease = nullptr;
    EXPECT_EQ(releasesRun, order);
    EXPECT_TRUE(second.expired());
    EXPECT_EQ(alpha.getModeTask(), nullptr);
    EXPECT_EQ(camera.getCameraTarget(), nullptr);
    Lines calls;
    for (const std::string& entry : journal.entries)
        if (entry.find("setFocus") != std::string::npos || entry.find("setSelected") != std::string::npos)
            calls.push_back(entry);
    EXPECT_EQ(calls, (Lines{"flown.setFocus(false)", "flown.setFocus(true)", "flown.setFocus(false)",
                            "target.setSelected(false)"}));
}

const char* const tweakScript = R"(from Tolvarine import *
class TweakedConfig(ScenarioConfig):
    def __init__(self):
        ScenarioConfig.__init__(self)
        self.tweaks = [ComboTweak('Enemy fleet')]
        for value in ('Small', 'Large'):
            self.tweaks[0].addValue(value)
    def getName(self):
        return 'Tweaked'
    def getNumberTweaks(self):
        return len(self.tweaks)
    def getTweak(self, index):
        if index < len(self.tweaks):
            return self.tweaks[index]
        if index == 5:
            return ComboTweak('Forgotten at once')
        if index == 6:
            return 'not a tweak'
        return None
def getScenarioConfig():
    return TweakedConfig()
)";

TEST(ScenarioTest, ConfigurationsOfferTweaksThatTheyKeepAliveAndDeclareResourcesForTheNextLoad)
{
    ScenarioWorld world;
    world.addScript("tweaked.py", tweakScript);
    std::filesystem::create_directories(world.path("scenario_media"));
    writeFile(world.path("scenario_media/own.material"),
              "material ScenarioOwnMaterial\n{\n    technique\n    {\n        pass\n        {\n"
              "            lighting off\n        }\n    }\n}\n");
    world.addScript("alpha.py",
                    recordingScript("Alpha", "",
                                    "self.addResourcePath('" + world.path("scenario_media") + "'); "
                                    "self.declareResource('ScenarioDeclared', 'Material')"));
    ScenarioManager& manager = world.preload();
    ScenarioConfig& config = manager.findScenario("Tweaked")->getConfig();

    ASSERT_EQ(config.getNumberTweaks(), 1u);
    auto* fleet = dynamic_cast<ComboTweak*>(config.getTweak(0));
    ASSERT_NE(fleet, nullptr);
    EXPECT_EQ(fleet->getValues(), (Lines{"Small", "Large"}));
    EXPECT_EQ(config.getTweak(0), fleet) << "the same tweak object every time";
    EXPECT_EQ(config.getTweak(9), nullptr);

    // A tweak that only the call's result holds would dangle; a wrong type is refused.
    for (unsigned index : {5u, 6u}) {
        const Lines lines = failsWith<ScriptError>([&] { config.getTweak(index); });
        EXPECT_TRUE(logged(lines, "Python exception thrown while calling ScenarioConfig.getTweak")) << index;
    }
    EXPECT_EQ(PyErr_Occurred(), nullptr);

    // A method the subclass lacks fails when it is called, not before.
    const Lines lines = failsWith<ScriptError>([&] { config.getEntityPath(); });
    EXPECT_TRUE(logged(lines, "Python exception thrown while calling ScenarioConfig.getEntityPath"));
    EXPECT_EQ(lines.back(), "NotImplementedError: the ScenarioConfig subclass does not define getEntityPath");

    scriptHost().runString(R"(
config = getScenarioConfig()
config.tweaks[0].setCurrentValue('Large')
tweak = ScenarioConfig.getTweak(config, 0)
assert isinstance(tweak, ComboTweak) and isinstance(tweak, ScenarioTweak)
assert tweak.getCurrentValue() == 'Large'
try:
    ScenarioTweak()
except Exception:
    pass
else:
    raise AssertionError('ScenarioTweak is abstract')
)");

    // Resources declared in initialise arrive at the next load, declared once however often it loads.
    auto& materials = Ogre::MaterialManager::getSingleton();
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    manager.loadScenario("Alpha");
    EXPECT_FALSE(materials.resourceExists("ScenarioDeclared", "Alpha"));
    manager.loadScenario("Alpha");
    EXPECT_TRUE(materials.resourceExists("ScenarioDeclared", "Alpha"));
    manager.loadScenario("Alpha");
    EXPECT_TRUE(materials.resourceExists("ScenarioOwnMaterial", "Alpha"));
    EXPECT_EQ(groups.getResourceDeclarationList("Alpha").size(), 1u);
    EXPECT_EQ(groups.getResourceLocationList("Alpha").size(), 1u);

    // Before its scenario exists a configuration has no group to declare into.
    scriptHost().runString(
        "class EarlyConfig(ScenarioConfig):\n"
        "    def getName(self):\n"
        "        return 'NotYetAScenario'\n"
        "early = EarlyConfig()\n");
    EXPECT_EQ(failsWith<ConfigurationError>([] {
        boost::python::extract<ScenarioConfig&>(scriptHost().evaluate("early"))().declareResource("X", "Material");
    }), (Lines{"ScenarioConfig::declareResource, no resource group NotYetAScenario"}));
}

} // namespace
} // namespace Tolvarine

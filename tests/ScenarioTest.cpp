#include "ComboTweak.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioConfig.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "ScriptError.h"
#include "TargetingDoubles.h"
#include "TutorialWorld.h"

#include <gtest/gtest.h>

#include <OgreMaterialManager.h>
#include <OgreResourceGroupManager.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Test::LogCapture;
using Test::failsWith;
using Test::logged;
using Test::ScenarioWorld;
using Test::recordingScript;
using Test::scriptHost;
using Test::writeFile;

using ScenarioFocus = Test::TargetingFixture;

// Registered once per process; `duringShipRelease` runs inside the ship pools' release.
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
    LogCapture ending;
    alpha.end();
    EXPECT_EQ(releasesRun, order);
    alpha.end(); // the game ends once
    const Lines endLines = ending.lines();
    EXPECT_EQ(std::count(endLines.begin(), endLines.end(), "Scenario Alpha ended."), 1);
    EXPECT_TRUE(alpha.isLoaded());

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
    {
        SCOPED_TRACE("the tutorial asks for a side the scenario lacks: no ship, one line");
        LogCapture log;
        EXPECT_EQ(TutorialWorld().launchPlayerShip("trifighter", "Pirates", {}), nullptr);
        EXPECT_TRUE(log.contains("Tutorial: the current scenario has no faction Pirates; "
                                 "no ship for the player"));
    }

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

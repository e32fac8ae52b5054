#include "CombatWorld.h"
#include "Faction.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioWorld.h"
#include "Ship.h"
#include "ShipWorld.h"
#include "WarpArrival.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

// Warp arrivals of the test's own settings (glow 0.5 s, flash 0.25 s) on a hand-driven clock.
class WarpArrivalTest : public ExplosionWorld {
protected:
    ~WarpArrivalTest() override { WarpArrival::destroyPool(); }

    void configure(double flashTime, double arrivalTime)
    {
        WarpArrival::destroyPool();
        const std::string billboard = "timeResolution = 0.03125\nsizeCurveName = Rise\nminSize = 1\nmaxSize = 2\n"
                                      "colourCurveName = Rise\nminColour = (0 0 0 0)\nmaxColour = (1 1 1 1)\nmaterialName = BaseWhite\n";
        writeFile(folder.file("warp.cfg"), "[WarpArrival]\nflashTime = " + std::to_string(flashTime) + "\narrivalTime = "
                                               + std::to_string(arrivalTime) + "\n[Glow]\nduration = 0.5\n" + billboard
                                               + "[Flash]\nduration = 0.25\n" + billboard + "[Sound]\nname = beep\n");
        WarpArrival::setSource(folder.file("warp.cfg"), curves.get());
        // The scheduler's first pass may run tasks early; every start comes after it.
        frame(1.0 / 64);
        shipsMade = 0;
        started = scheduler.getTime();
    }

    // Starts an arrival whose ship creator counts its calls (and brings no ship).
    void startArrival(const std::shared_ptr<Faction>& faction)
    {
        WarpArrival::getPoolFactory().create()->start([this]() { return ++shipsMade, nullptr; },
                                                      faction, Ogre::Vector3(10, 0, 0),
                                                      Ogre::Quaternion::IDENTITY);
    }

    // Runs the clock to `seconds` after the start.
    void runTo(double seconds)
    {
        while (scheduler.getTime() - started < seconds)
            frame(1.0 / 64);
    }

    unsigned shipsMade = 0;
    double started = 0;
};

// Back in the pool once its ship has come, however long after the effect, so that no later request
// takes it over with its ship due. Ending the game or losing the faction cancels pending arrivals:
// no ship comes, and all are back in the pool, also a sixth one made beyond the pool's five.
TEST_F(WarpArrivalTest, ArrivalsReturnToThePoolOnceTheirShipHasComeOrCannotCome)
{
    configure(0.25, 1.5);
    const auto waiting = std::make_shared<Faction>("Arriving", 0);
    startArrival(waiting);
    runTo(1.0);
    EXPECT_EQ(WarpArrival::getPoolFactory().getLiveCount(), 1u);
    runTo(1.75);
    EXPECT_EQ(shipsMade, 1u);
    EXPECT_EQ(WarpArrival::getPoolFactory().getLiveCount(), 0u);
    for (const bool endGame : {true, false}) {
        SCOPED_TRACE(endGame ? "end of the game" : "faction gone with its scenario");
        configure(0.25, 0.375);
        auto faction = std::make_shared<Faction>("Arriving", 0);
        for (int i = 0; i < 6; ++i)
            startArrival(faction);
        EXPECT_EQ(WarpArrival::getPoolFactory().getLiveCount(), 6u);
        runTo(0.125);
        if (endGame)
            Scenario::releasePooledObjects();
        faction.reset();
        runTo(2.0);
        EXPECT_EQ(shipsMade, 0u);
        EXPECT_EQ(WarpArrival::getPoolFactory().getLiveCount(), 0u);
        EXPECT_EQ(WarpArrival::getPoolFactory().getFreeCount(), 6u);
    }
}

// The shipped arrivals and ships; the scenario holds the one faction a script makes.
class ScriptedArrival : public ShipWorld {
protected:
    ScriptedArrival()
    {
        Faction::setScenarioLink({[this](std::shared_ptr<Faction> made) { held.push_back(std::move(made)); },
                                  [this](const std::string& name) { return held.size() == 1 && held[0]->getName() == name ? held[0] : nullptr; }});
        WarpArrival::setSource(shippedData("../cfg/warp_arrival.cfg"), curves.get());
    }
    ~ScriptedArrival() override { WarpArrival::destroyPool(), Faction::setScenarioLink({}); }
    std::vector<std::shared_ptr<Faction>> held;
};

// Regression: the arrival kept the faction only through the pointer the script binding made for
// the call, so a script's ship never came. One that went with its scenario still brings none.
TEST_F(ScriptedArrival, AScriptsArrivalBringsItsShipUnlessTheFactionWentWithItsScenario)
{
    scriptHost().runString("from Tolvarine import *\nside = Faction.create('Arrivals')\n"
                           "WarpArrival.create('trifighter', side, Vector3(0, 0, -500), Quaternion.IDENTITY)\n"
                           "WarpArrival.createByFilename('drone', side, Vector3(0, 0, 500), Quaternion.IDENTITY)\n");
    run(3.0);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held.front()->getShipCount(), 2);
    scriptHost().runString("WarpArrival.create('trifighter', side, Vector3(0, 500, 0), Quaternion.IDENTITY)\ndel side\n");
    Ship::deactivateAll();
    held.clear();
    const LogCapture log;
    run(3.0);
    EXPECT_TRUE(log.contains("WarpArrival: the faction of the arriving ship is gone; no ship arrives"));
    EXPECT_EQ(Ship::getPoolFactory().getPool("trifighter")->getLiveCount(), 0u);
}

} // namespace
} // namespace Tolvarine::Test

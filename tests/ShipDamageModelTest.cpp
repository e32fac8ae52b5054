#include "ShipDamageModel.h"

#include "ConfigFiles.h"
#include "FatalError.h"
#include "FixedTask.h"
#include "GameplaySettings.h"
#include "InputHandler.h"
#include "InstrumentSoundManager.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "PhysicsEngine.h"
#include "Scheduler.h"
#include "ShipExplosionSequence.h"
#include "ShipFiles.h"
#include "ShipType.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "SoundSource.h"
#include "TargetingDoubles.h"

#include <gtest/gtest.h>
#include <ode/objects.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

// A ship of a type with the given components, on a hand-driven game clock, with the services
// that focus and the alarm talk to and a pool for the type's explosion sequence.
class ShipDamageModelTest : public ::testing::Test {
protected:
    ShipDamageModelTest()
    {
        ShipExplosionSequence::getPoolFactory().registerType(
            "SmallShipDeath", [] { return new ShipExplosionSequence("SmallShipDeath", 1.0f, 0.0f); }, 0);
    }

    ~ShipDamageModelTest() override
    {
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        model.reset();
        ShipExplosionSequence::getPoolFactory().clear();
    }

    // Builds the ship and its model from component sections (and any other changes).
    ShipDamageModel& build(const std::string& components, const std::map<std::string, std::string>& changes = {})
    {
        writeFile(folder.file("test.ship"),
                  shipText("Test", changes,
                           components + "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"));
        type = std::make_unique<ShipType>(folder.file("test.ship"));
        ship = std::make_unique<TestShip>("ship", *type, journal);
        model = std::make_unique<ShipDamageModel>(*ship, *type);
        model->damageSubscribe([this](unsigned component) { notified.push_back(component); });
        return *model;
    }

    void hit(int component, float direct, float splash = 0.0f)
    {
        model->inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, component, direct, splash, 0.0f,
                             CONVENTIONAL);
    }

    std::vector<float> healths() const
    {
        std::vector<float> result;
        for (unsigned i = 0; i < model->getComponentCount(); ++i)
            result.push_back(model->getComponentHealth(i));
        return result;
    }

    std::size_t sequencesPlaying() const
    {
        return ShipExplosionSequence::getPoolFactory().getPool("SmallShipDeath")->getLiveCount();
    }

    bool alarm() const { return sounds.getCriticalAlarm().isPlaying(); }

    void passAt(double start)
    {
        ManualTicks::advance(start - scheduler.getTime());
        scheduler.run();
    }

    // Sound definitions are kept by name for the process; these tests read their own.
    struct FreshSoundDefinitions {
        FreshSoundDefinitions() { SoundManager::forgetSoundConfigs(); }
        ~FreshSoundDefinitions() { SoundManager::forgetSoundConfigs(); }
    } freshSoundDefinitions;
    ManualTicks ticks;
    TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    // Each pass does some fixed work, which gives the variable tasks their look-ahead.
    FixedTask workTask{[](float, float) { ManualTicks::advance(0.0625); }, "Work", 0};
    PhysicsEngine physics;
    // The alarms need the sound manager with its settings and definitions.
    SoundFiles soundFiles;
    SoundManager soundManager{nullptr, SoundSystem::Output::SILENT};
    InstrumentSoundManager sounds;
    GameplaySettings gameplay{folder.file("gameplay.cfg")};
    Journal journal;
    std::unique_ptr<ShipType> type;
    std::unique_ptr<TestShip> ship;
    std::unique_ptr<ShipDamageModel> model;
    std::vector<unsigned> notified;
};

TEST_F(ShipDamageModelTest, TheModelShowsTheTypesComponentsAtFullHealth)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 100, {}, "meshPosition = (1 2 3)\n") +
                                    componentText("Component_Wing", 50));
    const DamageModel& shown = damage;
    ASSERT_EQ(shown.getComponentCount(), 2u);
    EXPECT_EQ(shown.getComponentName(1), "Wing");
    EXPECT_EQ(shown.getComponentMesh(0), "Component_Hull.mesh");
    EXPECT_EQ(shown.getComponentPosition(0), Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(shown.getComponentHealth(1), 50.0f);
    EXPECT_EQ(shown.getComponentHealthProportion(0), 1.0f);
    EXPECT_EQ(shown.getWireframeScale(), 0.25f);
    EXPECT_EQ(damage.getComponentIndex("Wing"), 1);
    // Geometry naming no known component damages the first.
    EXPECT_EQ(damage.getComponentIndex("Rudder"), 0);
    EXPECT_EQ(damage.getCollisionType(), 0);
    EXPECT_FALSE(damage.getMaintenanceTask().isActive());

    hit(1, 20.0f);
    EXPECT_EQ(shown.getComponentHealth(1), 30.0f);
    EXPECT_FLOAT_EQ(shown.getComponentHealthProportion(1), 0.6f);
}

TEST_F(ShipDamageModelTest, ThePlatingHoldsATenthOfTheWeakestArmourAndRefillsWhenItRunsOut)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 100) + componentText("Component_Wing", 50));
    EXPECT_EQ(damage.getPlatingCapacity(), 5.0f);
    hit(0, 4.0f);
    EXPECT_EQ(damage.getPlating(), 1.0f);
    hit(1, 2.0f);
    // Run out: refilled.
    EXPECT_EQ(damage.getPlating(), 5.0f);
    hit(0, 6.0f);
    EXPECT_EQ(damage.getPlating(), 5.0f);
    EXPECT_EQ(healths(), (std::vector<float>{90.0f, 48.0f}));

    // Hits without a component wear the plating too, but do not breach it.
    hit(ShipDamageModel::NO_COMPONENT, 7.0f);
    EXPECT_EQ(damage.getPlating(), -2.0f);
    EXPECT_EQ(healths(), (std::vector<float>{90.0f, 48.0f}));
    EXPECT_EQ(notified.size(), 3u);
}

TEST_F(ShipDamageModelTest, WithoutComponentsThePlatingIsEndless)
{
    LogCapture log;
    ShipDamageModel& damage = build("");
    EXPECT_TRUE(std::isinf(damage.getPlating()));
    // Component 0 does not exist on such a ship.
    hit(0, 10.0f);
    hit(ShipDamageModel::ALL_COMPONENTS, 10.0f);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"ShipDamageModel: attempt to damage non-existent component: 0"});
    EXPECT_TRUE(damage.maintenanceUpdate(1.0f));
    EXPECT_TRUE(notified.empty());
}

TEST_F(ShipDamageModelTest, HealthExactlyZeroHoldsAndTheNextHitBreaksThrough)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 10));
    EXPECT_FALSE(damage.damageComponent(0, 10.0f));
    EXPECT_EQ(damage.getComponentHealth(0), 0.0f);
    EXPECT_FALSE(damage.isDestroyed());
    EXPECT_EQ(sequencesPlaying(), 0u);

    EXPECT_TRUE(damage.damageComponent(0, 0.001f));
    EXPECT_EQ(damage.getComponentHealth(0), 0.0f);
    EXPECT_TRUE(damage.isDestroyed());
    ASSERT_EQ(sequencesPlaying(), 1u);
    ShipExplosionSequence* sequence =
        *ShipExplosionSequence::getPoolFactory().getPool("SmallShipDeath")->getLiveObjects().begin();
    EXPECT_EQ(sequence->getTarget(), ship.get());
    EXPECT_FALSE(sequence->isFocused());
    EXPECT_EQ(sequence->getOffset(), Ogre::Vector3::ZERO);

    // Once per life, however often the ship is broken or destroyed.
    EXPECT_TRUE(damage.damageComponent(0, 5.0f));
    damage.destroy();
    EXPECT_EQ(sequencesPlaying(), 1u);
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 0, 0}));

    // The next life starts whole and can end again.
    damage.activate();
    EXPECT_FALSE(damage.isDestroyed());
    EXPECT_EQ(damage.getComponentHealth(0), 10.0f);
    damage.destroy();
    EXPECT_EQ(sequencesPlaying(), 2u);
}

TEST_F(ShipDamageModelTest, ThePlayersSequenceIsFocused)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 10));
    ship->setFocus(true);
    damage.destroy();
    ShipExplosionSequence* sequence =
        *ShipExplosionSequence::getPoolFactory().getPool("SmallShipDeath")->getLiveObjects().begin();
    EXPECT_TRUE(sequence->isFocused());
}

TEST_F(ShipDamageModelTest, AnUnknownExplosionSequenceIsAFatalErrorWithItsLogLine)
{
    LogCapture log;
    ShipDamageModel& damage = build(componentText("Component_Hull", 10), {{"explosionGroup", "Nowhere"}});
    EXPECT_THROW(damage.destroy(), FatalError);
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"Multipool factory cannot create Nowhere as there is no creator registered"});
}

TEST_F(ShipDamageModelTest, SplashReachesTheNeighboursInOrderUntilOneBreaks)
{
    build(componentText("Component_Hull", 100, {"Left", "Right", "Tail"}) + componentText("Component_Left", 10) +
          componentText("Component_Right", 10) + componentText("Component_Tail", 10));
    hit(0, 1.0f, 4.0f);
    EXPECT_EQ(healths(), (std::vector<float>{99.0f, 6.0f, 6.0f, 6.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 1, 2, 3}));

    model->damageComponent(2, 3.0f);
    notified.clear();
    hit(0, 1.0f, 5.0f);
    // Right breaks: Tail is spared.
    EXPECT_EQ(healths(), (std::vector<float>{98.0f, 1.0f, 0.0f, 6.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 1, 2}));
    EXPECT_EQ(sequencesPlaying(), 1u);
}

TEST_F(ShipDamageModelTest, BreakingTheHitComponentStopsTheHitBeforeSplashAndPlating)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 10, {"Wing"}) + componentText("Component_Wing", 50));
    hit(0, 12.0f, 5.0f);
    EXPECT_EQ(healths(), (std::vector<float>{0.0f, 50.0f}));
    // The plating was lowered past empty but not refilled: no breach.
    EXPECT_EQ(damage.getPlating(), -11.0f);
}

TEST_F(ShipDamageModelTest, AnExplosionsBlastHitsEveryComponentUntilOneBreaks)
{
    build(componentText("Component_A", 10) + componentText("Component_B", 10) + componentText("Component_C", 10));
    model->damageComponent(1, 8.0f);
    notified.clear();
    model->inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, ShipDamageModel::ALL_COMPONENTS, 5.0f, 0.0f,
                         0.0f, static_cast<DamageType>(3));
    EXPECT_EQ(healths(), (std::vector<float>{5.0f, 0.0f, 10.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 1}));
}

TEST_F(ShipDamageModelTest, OutOfRangeComponentsAreLoggedAsUnsignedNumbers)
{
    LogCapture log;
    ShipDamageModel& damage = build(componentText("Component_A", 10));
    hit(1, 5.0f);
    hit(-3, 5.0f);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "ShipDamageModel: attempt to damage non-existent component: 1",
                               "ShipDamageModel: attempt to damage non-existent component: 4294967293"}));
    EXPECT_EQ(damage.getComponentHealth(0), 10.0f);
    EXPECT_TRUE(notified.empty());
}

TEST_F(ShipDamageModelTest, HealthNeverRisesAboveArmour)
{
    ShipDamageModel& damage = build(componentText("Component_A", 10, {"B"}) + componentText("Component_B", 20));
    hit(0, 4.0f);
    hit(0, -50.0f, -50.0f);
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 20.0f}));
    damage.damageComponent(1, 15.0f);
    damage.maintenanceUpdate(1000.0f);
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 20.0f}));
}

TEST_F(ShipDamageModelTest, MaintenanceRepairsTheWeakestComponentAndAlwaysNotifies)
{
    ShipDamageModel& damage = build(componentText("Component_A", 10) + componentText("Component_B", 10) +
                                    componentText("Component_C", 10));
    // All whole: component 0 is picked and reported, unchanged.
    damage.maintenanceUpdate(1.0f);
    EXPECT_EQ(notified, std::vector<unsigned>{0});

    damage.damageComponent(1, 6.0f);
    damage.damageComponent(2, 6.0f);
    notified.clear();
    // Rate 2: a second gives 2. B and C are equal, and the lower index goes first.
    damage.maintenanceUpdate(1.0f);
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 6.0f, 4.0f}));
    damage.maintenanceUpdate(0.5f);
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 6.0f, 5.0f}));
    EXPECT_EQ(notified, (std::vector<unsigned>{1, 2}));
}

TEST_F(ShipDamageModelTest, MaintenanceAtRateZeroStillNotifies)
{
    ShipDamageModel& damage = build(componentText("Component_A", 10) + componentText("Component_B", 10),
                                    {{"maintenanceRate", "0"}});
    damage.damageComponent(1, 3.0f);
    notified.clear();
    damage.maintenanceUpdate(1.0f);
    damage.maintenanceUpdate(1.0f);
    EXPECT_EQ(notified, (std::vector<unsigned>{1, 1}));
    EXPECT_EQ(healths(), (std::vector<float>{10.0f, 7.0f}));
}

TEST_F(ShipDamageModelTest, TheFirstRepairAfterActivationCountsFromTheActivation)
{
    ShipDamageModel& damage = build(componentText("Component_A", 100), {{"maintenanceRate", "1"}});
    // The ship waits in its pool for a long time before it is used.
    passAt(0.0);
    passAt(500.0);
    damage.activate();
    EXPECT_TRUE(damage.getMaintenanceTask().isActive());
    damage.damageComponent(0, 50.0f);
    notified.clear();
    for (double t = 500.25; notified.empty() && t < 510.0; t += 0.25)
        passAt(t);
    ASSERT_EQ(notified.size(), 1u);
    // The task runs 2 ± 1 s after activation.
    EXPECT_GE(damage.getComponentHealth(0), 51.0f);
    EXPECT_LE(damage.getComponentHealth(0), 53.5f);

    // Deactivated, it repairs no more.
    damage.deactivate();
    notified.clear();
    for (double t = 510.0; t < 520.0; t += 0.25)
        passAt(t);
    EXPECT_TRUE(notified.empty());
}

TEST_F(ShipDamageModelTest, TheCriticalAlarmFollowsThePlayersShip)
{
    ShipDamageModel& damage = build(componentText("Component_A", 100) + componentText("Component_B", 100),
                                    {{"maintenanceRate", "1"}});
    // Another ship's damage never sounds the alarm.
    damage.damageComponent(0, 71.0f);
    EXPECT_FALSE(alarm());
    // Taking the focus re-evaluates it.
    ship->setFocus(true);
    damage.updateCriticalAlarm();
    EXPECT_TRUE(alarm());

    // Repair to 31 %: the alarm stops, as no other component is critical.
    damage.maintenanceUpdate(2.0f);
    EXPECT_EQ(damage.getComponentHealth(0), 31.0f);
    EXPECT_FALSE(alarm());

    // Damage switches it on once a component falls below 30 %.
    damage.damageComponent(1, 69.0f);
    EXPECT_FALSE(alarm());
    damage.damageComponent(1, 2.0f);
    EXPECT_TRUE(alarm());
    damage.damageComponent(0, 2.0f);
    EXPECT_TRUE(alarm());
    // Repairing A (29 %) past 30 % keeps the alarm for B.
    damage.maintenanceUpdate(2.0f);
    EXPECT_EQ(damage.getComponentHealth(0), 31.0f);
    EXPECT_TRUE(alarm());

    // Leaving play silences it.
    damage.deactivate();
    EXPECT_FALSE(alarm());
}

TEST_F(ShipDamageModelTest, OneSubscriberAtATime)
{
    LogCapture log;
    ShipDamageModel& damage = build(componentText("Component_A", 10));
    std::vector<unsigned> second;
    damage.damageSubscribe([&second](unsigned component) { second.push_back(component); });
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"Warning: ShipDamageModel::damageSubscribe displacing existing subscriber"});
    damage.damageComponent(0, 1.0f);
    EXPECT_TRUE(notified.empty());
    EXPECT_EQ(second, std::vector<unsigned>{0});

    damage.damageUnsubscribe();
    damage.damageComponent(0, 1.0f);
    EXPECT_EQ(second.size(), 1u);
    log.clear();
    damage.damageSubscribe([](unsigned) {});
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(ShipDamageModelTest, HitsHandTheirShockToTheAiAndPushesRollTheShip)
{
    ShipDamageModel& damage = build(componentText("Component_A", 10), {{"Physics.explosionBounce", "1"},
                                                                      {"Physics.triggerAllProjectiles", "1"}});
    EXPECT_EQ(damage.getCollisionType(), 3);
    std::vector<float> shocks;
    damage.setShockReceiver([&shocks](float shock) { shocks.push_back(shock); });
    damage.inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, ShipDamageModel::NO_COMPONENT, 0.0f, 0.0f, 2.5f,
                         PLASMA);
    damage.inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, 0, 20.0f, 0.0f, 4.0f, BEAM);
    EXPECT_EQ(shocks, (std::vector<float>{2.5f, 4.0f}));

    gameplay.setExplosionRollProportion(0.5f);
    damage.applyExplosionForce(Ogre::Vector3(0, 10, 0), Ogre::Vector3(1, 0, 0));
    const dReal* force = dBodyGetForce(ship->body.getBody());
    const dReal* torque = dBodyGetTorque(ship->body.getBody());
    EXPECT_DOUBLE_EQ(force[1], 5.0);
    // Applied off the centre, the push turns the ship about z.
    EXPECT_DOUBLE_EQ(torque[2], 5.0);
}

} // namespace
} // namespace Tolvarine::Test

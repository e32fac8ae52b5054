#include "ShipDamageModel.h"

#include "GameplaySettings.h"
#include "LogCapture.h"
#include "ShipExplosionSequence.h"
#include "ShipFiles.h"
#include "ShipType.h"
#include "SoundFixture.h"
#include "SoundSource.h"
#include "TargetingDoubles.h"

#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

const char* const TARGETABLE = "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n";

// A ship of a type with the given components, with the services focus and the alarm talk to.
class ShipDamageModelTest : public SoundFixture {
protected:
    ShipDamageModelTest()
    {
        startManager();
        sounds = std::make_unique<InstrumentSoundManager>();
        ShipExplosionSequence::getPoolFactory().registerType(
            "SmallShipDeath", [] { return new ShipExplosionSequence("SmallShipDeath", 1.0f, 0.0f); }, 0, "small.explosion_sequence");
    }
    ~ShipDamageModelTest() override
    {
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        model.reset();
        ShipExplosionSequence::getPoolFactory().clear();
    }

    ShipDamageModel& build(const std::string& components, const std::map<std::string, std::string>& changes = {})
    {
        model.reset();
        notified.clear();
        type = std::make_unique<ShipType>(written(files.file("test.ship"), shipText("Test", changes, components + TARGETABLE)));
        ship = std::make_unique<TestShip>("ship", *type, journal);
        model = std::make_unique<ShipDamageModel>(*ship, *type);
        model->damageSubscribe([this](unsigned component) { notified.push_back(component); });
        return *model;
    }
    void hit(int component, float direct, float splash = 0.0f, DamageType kind = CONVENTIONAL)
    {
        model->inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, component, direct, splash, 0.0f, kind);
    }
    std::vector<float> healths() const
    {
        std::vector<float> result;
        for (unsigned i = 0; i < model->getComponentCount(); ++i)
            result.push_back(model->getComponentHealth(i));
        return result;
    }
    std::vector<ShipExplosionSequence*> sequences() const
    {
        const auto live = ShipExplosionSequence::getPoolFactory().getPool("SmallShipDeath")->getLiveObjects();
        return {live.begin(), live.end()};
    }
    bool alarm() const { return sounds->getCriticalAlarm().isPlaying(); }

    PhysicsEngine physics;
    std::unique_ptr<InstrumentSoundManager> sounds;
    GameplaySettings gameplay{files.file("gameplay.cfg")};
    Journal journal;
    std::unique_ptr<ShipType> type;
    std::unique_ptr<TestShip> ship;
    std::unique_ptr<ShipDamageModel> model;
    std::vector<unsigned> notified;
};

TEST_F(ShipDamageModelTest, ComponentsPlatingAndMissingComponents)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 100, {}, "meshPosition = (1 2 3)\n") +
                                    componentText("Component_Wing", 50) + componentText("Component_Aerial", 0));
    const DamageModel& shown = damage; // what the damage display reads
    ASSERT_EQ(shown.getComponentCount(), 3u);
    EXPECT_EQ(shown.getComponentName(1), "Wing");
    EXPECT_EQ(shown.getComponentPosition(0), Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(damage.getComponentIndex("Rudder"), 0); // unknown geometry damages the first
    EXPECT_EQ(damage.getPlatingCapacity(), 0.0f); // an unarmoured component is broken
    EXPECT_TRUE(damage.damageComponent(2, 1.0f));
    damage.damageComponent(1, 20.0f);
    EXPECT_FLOAT_EQ(shown.getComponentHealthProportion(1), 0.6f);

    // The plating holds a tenth of the weakest armour and refills when it runs out.
    build(componentText("Component_Hull", 100) + componentText("Component_Wing", 50));
    EXPECT_EQ(model->getPlatingCapacity(), 5.0f);
    hit(0, 4.0f);
    hit(1, 2.0f);
    EXPECT_EQ(model->getPlating(), 5.0f);
    hit(0, 6.0f);
    hit(ShipDamageModel::NO_COMPONENT, 7.0f); // wears the plating, never breaches it
    EXPECT_EQ(model->getPlating(), -2.0f);
    hit(ShipDamageModel::NO_COMPONENT, -10.0f); // a mending blast: up to whole, no further
    EXPECT_EQ(model->getPlating(), 5.0f);
    EXPECT_EQ(healths(), (std::vector<float>{90.0f, 48.0f}));
    EXPECT_EQ(notified.size(), 3u);
    // Breaking the hit component stops the hit before splash and before the plating refills; the
    // shock still reaches the AI.
    build(componentText("Component_Hull", 10, {"Wing"}) + componentText("Component_Wing", 50));
    std::vector<float> shocks;
    model->setShockReceiver([&shocks](float shock) { shocks.push_back(shock); });
    model->inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, 0, 12.0f, 5.0f, 2.5f,
                         CONVENTIONAL);
    EXPECT_EQ(healths(), (std::vector<float>{0.0f, 50.0f}));
    EXPECT_EQ(model->getPlating(), -11.0f);
    EXPECT_EQ(shocks, std::vector<float>{2.5f});

    LogCapture log;
    EXPECT_TRUE(std::isinf(build("").getPlating())); // without components the plating is endless
    hit(0, 10.0f);
    hit(ShipDamageModel::ALL_COMPONENTS, 10.0f);
    EXPECT_TRUE(model->maintenanceUpdate(1.0f));
    build(componentText("Component_A", 10));
    hit(-3, 5.0f);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"ShipDamageModel: attempt to damage non-existent component: 0",
                                                     "ShipDamageModel: attempt to damage non-existent component: 4294967293"}));
    EXPECT_EQ(healths(), std::vector<float>{10.0f});
    EXPECT_TRUE(notified.empty());
    model->damageSubscribe([](unsigned) {});
    EXPECT_TRUE(
        log.contains("Warning: ShipDamageModel::damageSubscribe displacing existing subscriber"));
}

// Guards two faults: health exactly zero is not yet broken, and each life ends in one explosion
// sequence however often the ship is broken or destroyed.
TEST_F(ShipDamageModelTest, HealthExactlyZeroHoldsAndEachLifeEndsInOneSequence)
{
    ShipDamageModel& damage = build(componentText("Component_Hull", 10));
    EXPECT_FALSE(damage.damageComponent(0, 10.0f));
    EXPECT_FALSE(damage.isDestroyed());
    EXPECT_TRUE(damage.damageComponent(0, 0.001f));
    EXPECT_TRUE(damage.isDestroyed());
    ASSERT_EQ(sequences().size(), 1u);
    EXPECT_EQ(sequences()[0]->getTarget(), ship.get());
    EXPECT_TRUE(damage.damageComponent(0, 5.0f));
    damage.destroy();
    EXPECT_EQ(sequences().size(), 1u);
    EXPECT_EQ(notified, (std::vector<unsigned>{0, 0, 0}));
    // The next life starts whole and can end again; the player's sequence is focused.
    damage.activate();
    EXPECT_EQ(damage.getComponentHealth(0), 10.0f);
    ship->setFocus(true);
    damage.destroy();
    ASSERT_EQ(sequences().size(), 2u);
    EXPECT_NE(sequences()[0]->isFocused(), sequences()[1]->isFocused());

    ShipDamageModel& wreck = build(componentText("Component_Hull", 10), {{"explosionGroup", "Nowhere"}});
    LogCapture log;
    wreck.destroy();
    wreck.destroy();
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("ShipDamageModel: no explosion sequence Nowhere for a destroyed ", 0), 0u);
}

TEST_F(ShipDamageModelTest, MaintenanceRepairsTheWeakestUpToArmourAndTheAlarmFollowsThePlayer)
{
    ShipDamageModel& damage = build(componentText("Component_A", 10) + componentText("Component_B", 10) +
                                    componentText("Component_C", 20));
    damage.maintenanceUpdate(1.0f); // all whole: component 0 is picked and reported, unchanged
    EXPECT_EQ(notified, std::vector<unsigned>{0});
    hit(0, 4.0f);
    hit(0, -50.0f, -50.0f); // negative damage heals nothing
    damage.damageComponent(1, 6.0f);
    damage.damageComponent(2, 16.0f);
    notified.clear();
    // Rate 2: a second gives 2. B and C are equal, and the lower index goes first.
    const std::pair<float, std::vector<float>> repairs[] = {
        {1.0f, {10, 6, 4}}, {0.5f, {10, 6, 5}}, {1000.0f, {10, 6, 20}}};
    for (const auto& [seconds, want] : repairs) {
        SCOPED_TRACE(seconds);
        damage.maintenanceUpdate(seconds);
        EXPECT_EQ(healths(), want);
    }
    EXPECT_EQ(notified, (std::vector<unsigned>{1, 2, 2}));

    // Guards: a ship that waited long in its pool must not repair the whole wait at its first update.
    build(componentText("Component_A", 100), {{"maintenanceRate", "1"}});
    passAt(0.0);
    passAt(500.0);
    model->activate();
    model->damageComponent(0, 50.0f);
    notified.clear();
    for (double t = 500.25; notified.empty() && t < 510.0; t += 0.25)
        passAt(t);
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_GE(model->getComponentHealth(0), 51.0f); // the task runs 2 ± 1 s after activation
    EXPECT_LE(model->getComponentHealth(0), 53.5f);
    model->deactivate();
    notified.clear();
    for (double t = 510.0; t < 520.0; t += 0.25)
        passAt(t);
    EXPECT_TRUE(notified.empty());

    ShipDamageModel& alarmed = build(componentText("Component_A", 100) + componentText("Component_B", 100),
                                     {{"maintenanceRate", "1"}});
    const std::tuple<const char*, std::function<void()>, bool> steps[] = {
        {"another ship's damage", [&] { alarmed.damageComponent(0, 71.0f); }, false},
        {"the player's ship", [&] { ship->setFocus(true); alarmed.updateCriticalAlarm(); }, true},
        {"repaired to 31 %", [&] { alarmed.maintenanceUpdate(2.0f); }, false},
        {"B at 31 %", [&] { alarmed.damageComponent(1, 69.0f); }, false},
        {"B at 29 %", [&] { alarmed.damageComponent(1, 2.0f); }, true},
        {"A repaired past 30 %, B still critical", [&] { alarmed.damageComponent(0, 2.0f); alarmed.maintenanceUpdate(2.0f); }, true},
        // Before, only a repair ever switched the alarm off: a mend left it on for good.
        {"a mending blast lifts B out of the band",
         [&] { alarmed.inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, ShipDamageModel::ALL_COMPONENTS, -20.0f, 0, 0, BLAST); },
         false},
        {"A and B critical again", [&] { alarmed.damageComponent(0, 30.0f); alarmed.damageComponent(1, 40.0f); }, true},
        {"a mend that leaves B critical",
         [&] { alarmed.inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, ShipDamageModel::ALL_COMPONENTS, -10.0f, 0, 0, BLAST); },
         true},
        {"another ship mended out of the band",
         [&] {
             TestShip otherShip("other", *type, journal);
             ShipDamageModel other(otherShip, *type);
             other.damageComponent(0, 80.0f);
             other.inflictDamage(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, ShipDamageModel::ALL_COMPONENTS, -60.0f, 0, 0, BLAST);
         },
         true},
        {"out of play", [&] { alarmed.deactivate(); }, false},
        // 30 % of 10 is 3 exactly, which is out of the band: before, only a repair past 3 counted,
        // and the alarm stayed on for the rest of the ship's life.
        {"the player's ship at 20 %",
         [&] {
             build(componentText("Component_A", 10), {{"maintenanceRate", "1"}});
             ship->setFocus(true);
             model->damageComponent(0, 8.0f);
         },
         true},
        {"a repair that lands on 30 %", [&] { model->maintenanceUpdate(1.0f); }, false}};
    for (const auto& [step, act, sounding] : steps) {
        SCOPED_TRACE(step);
        act();
        EXPECT_EQ(alarm(), sounding);
    }
}

} // namespace
} // namespace Tolvarine::Test

#include "ConfigurationError.h"
#include "FatalError.h"
#include "GuidedProjectile.h"
#include "LogCapture.h"
#include "PointDefenseWeaponSystem.h"
#include "ScenarioWorld.h"
#include "ShipBehaviour.h"
#include "ShipDamageModel.h"
#include "ShipWorld.h"
#include "TurretBehaviour.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

using CapitalShipWorld = ShipWorld;

// Missiles announced to the hull or to a station reach the point defence and leave it the same
// way. A player who mans a station takes it from its AI and gives it back on leaving; a manned
// station whose ship leaves play sends the player to command mode. Nobody selects a station.
TEST_F(CapitalShipWorld, ThreatsAndManning)
{
    // Far from the missiles, which wait in their pool, so that no beam reaches one.
    CapitalShip* ship = bastion(ours, Vector3(0, 0, 20000), Quaternion::IDENTITY);
    CapitalShipStation& station = *ship->getStations().front();
    auto* first = dynamic_cast<GuidedProjectile*>(FireableProjectile::create("seeker_missile"));
    auto* second = dynamic_cast<GuidedProjectile*>(FireableProjectile::create("seeker_missile"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(station.getThreatRangeSquared(), ship->getPointDefense().getFarRangeSquared());
    // Station types are read once per run; an unknown one fails cleanly.
    CapitalShipStation::loadTypes("nowhere");
    EXPECT_THROW(CapitalShipStation::getType("nowhere"), ConfigurationError);
    const struct { Targetable* through; GuidedProjectile* missile; bool add; std::size_t listed; } threats[] = {{ship, first, true, 1}, {&station, second, true, 2}, {&station, second, false, 1}, {ship, first, false, 0}};
    for (const auto& row : threats) {
        SCOPED_TRACE(row.listed);
        (row.through->*(row.add ? &Targetable::addThreat : &Targetable::removeThreat))(row.missile);
        EXPECT_EQ(ship->getPointDefense().getThreats().size(), row.listed);
        EXPECT_EQ(ship->getPointDefense().isEngaging(), row.listed != 0);
    }
    // A missile out of play ends a ship's dodging.
    Ship* fighter = Ship::create("trifighter");
    first->setInactive(true);
    fighter->getBehaviour().addThreat(first);
    EXPECT_FALSE(fighter->getBehaviour().updateMissileAvoidance());
    FireableProjectile::release(first, "seeker_missile");
    FireableProjectile::release(second, "seeker_missile");

    const std::pair<bool, bool> manning[] = {{true, false}, {true, false}, {false, true}, {true, false}};
    for (const auto& [focus, aiActive] : manning) {
        station.setFocus(focus);
        EXPECT_EQ(Controllable::getFocused() == &station, focus);
        EXPECT_EQ(station.getTurretBehaviour().isActive(), aiActive);
    }
    // A fighter behind the turret, nose on it: select-ahead passes over the station to its hull.
    fighter->activate(theirs, station.getPosition() + Vector3(0, 3, 40), Quaternion::IDENTITY);
    EXPECT_EQ(fighter->querySphereAhead(300.0f, 0.5f), ship);

    interface.setMode(Interface::NORMAL, false);
    ship->deactivate(TAKEN_OUT);
    EXPECT_EQ(interface.getMode(), Interface::COMMAND);
    EXPECT_EQ(Controllable::getFocused(), nullptr);
    EXPECT_FALSE(station.getTurretBehaviour().isActive());
}

// An enemy fighter off the bow: the turrets turn towards it and the capital ship's side fires.
// Then the fighters' life cycle in the same world: self-destruct, reactivation and the pool.
TEST_F(CapitalShipWorld, TurretsFireAtAnEnemyFighterAndFightersComeAndGoThroughTheirPool)
{
    CapitalShip* ship = bastion(ours, Vector3::ZERO, Quaternion::IDENTITY);
    Ship* fighter = Ship::create("trifighter");
    const Vector3 place(120, 60, -330);
    fighter->activate(theirs, place, Quaternion::IDENTITY);
    CapitalShipStation& turret = *ship->getStations().front();
    const auto aimError = [&] {
        const Vector3 forward = turret.getOrientation() * Vector3::NEGATIVE_UNIT_Z;
        return forward.angleBetween(fighter->getPosition() - turret.getPosition()).valueDegrees();
    };
    const float before = aimError();
    run(4.0);
    EXPECT_EQ(turret.getTurretBehaviour().getTarget(), fighter);
    EXPECT_LT(aimError(), before / 2);
    EXPECT_GT(statistics.getFactionShots("Ours"), 0u);
    // The hull flies its attack run as any ship does.
    EXPECT_GT(ship->getPosition().length(), 2.0f);
    // Each ship type keeps its own dodge range.
    EXPECT_EQ(fighter->getBehaviour().getMissileDodgeRangeSquared(), 160000.0f);
    EXPECT_EQ(Ship::create("drone")->getBehaviour().getMissileDodgeRangeSquared(), 250000.0f);

    // "suicide" destroys the flown ship, and nothing while none is flown.
    LogCapture log;
    input.pulseSymbol(input.getSymbol("suicide"));
    fighter->setFocus(true);
    input.pulseSymbol(input.getSymbol("suicide"));
    EXPECT_TRUE(fighter->getShipDamageModel().isDestroyed());
    const std::vector<std::string> lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Self destruct"), 1);

    // Reactivating the flown ship takes it from the player and its side; the pool keeps it.
    const int theirShips = theirs.getShipCount();
    Ship* second = Ship::create("trifighter");
    second->activate(theirs, place, Quaternion::IDENTITY);
    EXPECT_FLOAT_EQ(second->getSkill(), difficulty->getEnemyIntelligence());
    second->setFocus(true);
    second->activate(ours, place, Quaternion::IDENTITY);
    EXPECT_EQ(Controllable::getFocused(), nullptr);
    EXPECT_EQ(theirs.getShipCount(), theirShips);
    EXPECT_NE(Ship::create("trifighter"), second);
    second->deactivate(TAKEN_OUT);
    scriptHost().runString("from Tolvarine import Ship\nShip.create('trifighter').deactivate(2)\n");
    EXPECT_EQ(ours.getShipCount(), 1);

    // A fleet naming an unknown type fails as a whole and keeps no ship out of its pool.
    const std::size_t free = Ship::getPoolFactory().getPool("trifighter")->getFreeCount();
    const Ship::Fleet fleet{{"trifighter", 2}, {"zulu", 1}};
    EXPECT_THROW(Ship::spawnFleet(fleet, theirs, Vector3::ZERO, Quaternion::IDENTITY), FatalError);
    EXPECT_EQ(Ship::getPoolFactory().getPool("trifighter")->getFreeCount(), free);
    // The end of a game returns every ship, also those taken but never activated.
    Ship::deactivateAll();
    EXPECT_EQ(Ship::getPoolFactory().getPool("trifighter")->getLiveCount(), 0u);
}

} // namespace
} // namespace Tolvarine::Test

#include "TargetingDoubles.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;
using Entries = std::vector<std::string>;

using ControllableFocus = TargetingFixture;

// Every service lets go of the previous object before the next one takes anything, and the
// movement controller starts the ship without thrust or turn.
TEST_F(ControllableFocus, FocusWiresTheServicesInOrderAndAnotherObjectReleasesThePreviousOneFirst)
{
    TestShip& a = ship("A");
    TestShip& b = ship("B");
    a.setFocus(true);
    journal.state = nullptr;
    journal.entries.clear();
    b.setFocus(true);
    EXPECT_EQ(journal.entries, (Entries{
        "B.setFocus(true)", "A.setFocus(false)", "A.primary.setPlayerControlled(false)",
        "A.secondary.setPlayerControlled(false)", "B.primary.setPlayerControlled(true)",
        "B.secondary.setPlayerControlled(true)", "B.thrust.applyForce(0 0 0)",
        "B.thrust.applyTorque(0 0 0)", "B.getWeaponOverlay"}));
    EXPECT_EQ(describeServices(), "focused=B weapons=B.primary/B.secondary camera=B hud=B/- movement=B.thrust sounds=B");

    // Releasing an object that is not focused changes nothing.
    journal.entries.clear();
    a.setFocus(false);
    EXPECT_EQ(journal.entries, Entries{"A.setFocus(false)"});
    EXPECT_EQ(Controllable::getFocused(), &b);

    // Released, the ship stops turning.
    press("yaw_left");
    EXPECT_EQ(b.body.getTorque(), Vector3(0, 2, 0));
    b.setFocus(false);
    EXPECT_EQ(b.body.getTorque(), Vector3::ZERO);
}

TEST_F(ControllableFocus, DestroyingTheFocusedObjectLeavesNothingWiredToIt)
{
    LogCapture log;
    TestShip& a = ship("A");
    a.setFocus(true);
    ships.clear();

    EXPECT_EQ(Controllable::getFocused(), nullptr);
    EXPECT_TRUE(log.contains("Controllable destroyed while it had the focus; its controls are released"));
    const WeaponDisplay& display = WeaponDisplay::getSingleton();
    EXPECT_TRUE(camera.getCameraTarget() == nullptr && hud.getSelfWireframe() == nullptr &&
                movement.getControllable() == nullptr && sounds.getControllable() == nullptr &&
                display.getPrimaryWeaponSystem() == nullptr && display.getSecondaryWeaponSystem() == nullptr);

    // Fire and thrust keys reach nothing: a call into the dead ship would fail here.
    pulse("fire_primary");
    pulse("fire_secondary");
    press("forward_thrust");
    EXPECT_EQ(journal.entries.size(), 6u);
}

} // namespace
} // namespace Tolvarine::Test

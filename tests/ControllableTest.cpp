#include "TargetingDoubles.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;
using Entries = std::vector<std::string>;

using ControllableFocus = TargetingFixture;

// The journal shows each call with the services' state when it was made.
TEST_F(ControllableFocus, FocusWiresTheServicesInOrderAndAnotherObjectReleasesThePreviousOneFirst)
{
    TestShip& a = ship("A");
    TestShip& b = ship("B");
    a.setFocus(true);
    EXPECT_EQ(WeaponDisplay::getSingleton().getReticleOverlay(), nullptr);
    // Focusing the focused object again changes nothing.
    journal.entries.clear();
    a.setFocus(true);
    EXPECT_EQ(journal.entries, Entries{"A.setFocus(true) [focused=A weapons=A.primary/A.secondary camera=A hud=A/- movement=A.thrust sounds=A]"});
    journal.entries.clear();

    b.setFocus(true);
    EXPECT_EQ(journal.entries,
              (Entries{
                  "B.setFocus(true) [focused=A weapons=A.primary/A.secondary camera=A hud=A/- movement=A.thrust sounds=A]",
                  "A.setFocus(false) [focused=A weapons=A.primary/A.secondary camera=A hud=A/- movement=A.thrust sounds=A]",
                  // Release: the pointer goes first, then each system is given back before the display forgets it.
                  "A.primary.setPlayerControlled(false) [focused=- weapons=A.primary/A.secondary camera=A hud=A/- movement=A.thrust sounds=A]",
                  "A.secondary.setPlayerControlled(false) [focused=- weapons=-/A.secondary camera=A hud=A/- movement=A.thrust sounds=A]",
                  // Every service has let go of A before B takes anything. The weapon display has the
                  // system before the system hears it is the player's; the movement controller
                  // starts the ship without thrust or turn; camera and own wireframe come before
                  // the reticle, the instrument sounds after it.
                  "B.primary.setPlayerControlled(true) [focused=B weapons=B.primary/- camera=- hud=-/- movement=- sounds=-]",
                  "B.secondary.setPlayerControlled(true) [focused=B weapons=B.primary/B.secondary camera=- hud=-/- movement=- sounds=-]",
                  "B.thrust.applyForce(0 0 0) [focused=B weapons=B.primary/B.secondary camera=- hud=-/- movement=B.thrust sounds=-]",
                  "B.thrust.applyTorque(0 0 0) [focused=B weapons=B.primary/B.secondary camera=- hud=-/- movement=B.thrust sounds=-]",
                  "B.getWeaponOverlay [focused=B weapons=B.primary/B.secondary camera=B hud=B/- movement=B.thrust sounds=-]",
              }));
    EXPECT_EQ(describeServices(), "focused=B weapons=B.primary/B.secondary camera=B hud=B/- movement=B.thrust sounds=B");

    // The fire inputs now drive B, and only B.
    journal.state = nullptr;
    journal.entries.clear();
    pulse("fire_primary");
    pulse("fire_secondary");
    EXPECT_EQ(journal.entries, (Entries{"B.setFiringPrimary(true)", "B.setFiringPrimary(false)",
                                        "B.setFiringSecondary(true)", "B.setFiringSecondary(false)"}));

    // Releasing an object that is not focused changes nothing.
    journal.entries.clear();
    a.setFocus(false);
    EXPECT_EQ(journal.entries, Entries{"A.setFocus(false)"});
    EXPECT_EQ(Controllable::getFocused(), &b);

    // Released, the ship stops, and neither the services nor the inputs hold it any more.
    press("forward_thrust");
    press("yaw_left");
    EXPECT_EQ(b.body.getTorque(), Vector3(0, 2, 0));
    b.setFocus(false);
    EXPECT_EQ(b.body.getForce(), Vector3::ZERO);
    EXPECT_EQ(b.body.getTorque(), Vector3::ZERO);
    EXPECT_EQ(describeServices(), "focused=- weapons=-/- camera=- hud=-/- movement=- sounds=-");
    journal.entries.clear();
    press("roll_left");
    pulse("fire_primary");
    EXPECT_TRUE(journal.entries.empty());
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

// The fire inputs live for the program, the input handler of a test only for the test: a later
// handler, even one at the same address with its symbols numbered differently, gets working inputs.
TEST(ControllableFireInputs, FollowANewInputHandler)
{
    auto earlier = std::make_unique<InputHandler>();
    earlier->getSymbol("fire_primary");
    Controllable::setInputEnabled(true);
    earlier.reset();

    auto handler = std::make_unique<InputHandler>();
    handler->getSymbol("pad_0");
    handler->getSymbol("pad_1");
    TemporaryFolder folder;
    writeFile(folder.file("test.ship"), "[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n");
    Config type(folder.file("test.ship"));
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    Journal journal;
    {
        TestShip ship("A", type, journal);
        ship.setFocus(true);
        handler->pulseSymbol(handler->getSymbol("fire_primary"));
        handler->pulseSymbol(handler->getSymbol("fire_secondary"));
        ship.setFocus(false);
    }
    EXPECT_EQ(journal.entries, (Entries{"A.setFocus(true)", "A.primary.setPlayerControlled(true)",
                                        "A.secondary.setPlayerControlled(true)", "A.getWeaponOverlay",
                                        "A.setFiringPrimary(true)", "A.setFiringPrimary(false)",
                                        "A.setFiringSecondary(true)", "A.setFiringSecondary(false)",
                                        "A.setFocus(false)", "A.primary.setPlayerControlled(false)",
                                        "A.secondary.setPlayerControlled(false)"}));
}

} // namespace
} // namespace Tolvarine::Test

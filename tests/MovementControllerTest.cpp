#include "MovementController.h"

#include "ForceController.h"
#include "InputHandler.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Ogre::Vector3;

// Remembers every force and torque request, as a ship's thrust would apply them.
class RecordingController : public ForceController {
public:
    float getMaxForce() const override { return 1.0f; }
    float getMaxTorque() const override { return 1.0f; }
    void applyForce(const Vector3& direction) override { forces.push_back(direction); }
    void applyTorque(const Vector3& axis) override { torques.push_back(axis); }
    void setForce(const Vector3&, bool) override {}
    void setTorque(const Vector3&, bool) override {}
    void setRelativeForce(const Vector3&, bool) override {}
    void setRelativeTorque(const Vector3&, bool) override {}

    std::vector<Vector3> forces{Vector3(9, 9, 9)}, torques{Vector3(9, 9, 9)};
};

TEST(MovementController, AxesCombineIntoForceAndTorqueOnlyWithAControllerAndInputEnabled)
{
    InputHandler input;
    MovementController movement;
    RecordingController ship, next;
    const auto press = [&input](const std::string& symbol, float value) {
        input.setSymbolPressed(input.getSymbol(symbol), value != 0.0f);
        input.setSymbolValue(input.getSymbol(symbol), value);
    };
    movement.setEnabled(true);
    press("forward_thrust", 1.0f); // without a controller nothing is subscribed: the press goes nowhere
    EXPECT_EQ(movement.getForceCommand(), Vector3::ZERO);
    movement.setControllable(&ship);
    EXPECT_EQ(ship.forces.back(), Vector3::ZERO);
    EXPECT_EQ(ship.torques.back(), Vector3::ZERO);
    for (const auto& [symbol, value] : {std::pair{"forward_thrust", 0.5f}, {"right_thrust", 0.25f}, {"up_thrust", 1.0f},
                                        {"pitch_up", 1.0f}, {"yaw_left", 1.0f}, {"yaw_right", 1.0f}, {"roll_right", 0.75f}})
        press(symbol, value);
    EXPECT_EQ(ship.forces.back(), Vector3(0.25f, 1.0f, -0.5f));
    EXPECT_EQ(ship.torques.back(), Vector3(1.0f, 0.0f, -0.75f));
    press("backward_thrust", 3.0f); // passed on unchanged, without clamping
    press("forward_thrust", 0.0f);
    EXPECT_EQ(ship.forces.back(), Vector3(0.25f, 1.0f, 3.0f));

    // Disabled, or let go of: the axes stop, and the enabled flag stays for the next controller.
    movement.setEnabled(false);
    const std::size_t before = ship.forces.size();
    press("left_thrust", 1.0f);
    movement.setEnabled(true);
    movement.disableAll();
    EXPECT_EQ(movement.getControllable(), nullptr);
    EXPECT_TRUE(movement.isEnabled());
    press("left_thrust", 0.0f);
    EXPECT_EQ(ship.forces.size(), before);
    press("up_thrust", 0.0f);
    movement.setControllable(&next);
    EXPECT_EQ(next.forces.back(), Vector3::ZERO) << "a new ship starts at rest even with keys held";
    EXPECT_EQ(movement.getTorqueCommand(), Vector3::ZERO);
    press("down_thrust", 1.0f);
    EXPECT_EQ(next.forces.back(), Vector3(0, -1, 0));
}

} // namespace
} // namespace Tolvarine

#include "MovementController.h"

#include "ForceController.h"
#include "InputHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

    std::vector<Vector3> forces;
    std::vector<Vector3> torques;
};

class MovementControllerTest : public ::testing::Test {
protected:
    void press(const std::string& symbol, float value)
    {
        const auto number = input.getSymbol(symbol);
        input.setSymbolPressed(number, true);
        input.setSymbolValue(number, value);
    }
    void release(const std::string& symbol)
    {
        const auto number = input.getSymbol(symbol);
        input.setSymbolPressed(number, false);
        input.setSymbolValue(number, 0.0f);
    }

    InputHandler input;
    MovementController movement;
    RecordingController ship;
};

TEST_F(MovementControllerTest, AxesCombineIntoTheForceAndTorqueCommands)
{
    movement.setEnabled(true);
    movement.setControllable(&ship);
    EXPECT_EQ(ship.forces, std::vector<Vector3>{Vector3::ZERO});
    EXPECT_EQ(ship.torques, std::vector<Vector3>{Vector3::ZERO});

    press("forward_thrust", 0.5f);
    press("right_thrust", 0.25f);
    press("up_thrust", 1.0f);
    EXPECT_EQ(ship.forces.back(), Vector3(0.25f, 1.0f, -0.5f));

    press("pitch_up", 1.0f);
    press("yaw_left", 1.0f);
    press("yaw_right", 1.0f);
    press("roll_right", 0.75f);
    EXPECT_EQ(ship.torques.back(), Vector3(1.0f, 0.0f, -0.75f));

    // Values are passed unchanged, without clamping.
    press("backward_thrust", 3.0f);
    release("forward_thrust");
    EXPECT_EQ(ship.forces.back(), Vector3(0.25f, 1.0f, 3.0f));

    // A new ship starts at rest even with keys held.
    RecordingController next;
    movement.setControllable(&next);
    EXPECT_EQ(next.forces, std::vector<Vector3>{Vector3::ZERO});
    EXPECT_EQ(next.torques, std::vector<Vector3>{Vector3::ZERO});
    EXPECT_EQ(movement.getTorqueCommand(), Vector3::ZERO);
}

TEST_F(MovementControllerTest, AxesRunOnlyWithAControllerAndInputEnabled)
{
    // Enabled without a controller: nothing is subscribed, so a press goes nowhere.
    movement.setEnabled(true);
    press("forward_thrust", 1.0f);
    EXPECT_EQ(movement.getForceCommand(), Vector3::ZERO);
    release("forward_thrust");

    movement.setControllable(&ship);
    press("forward_thrust", 1.0f);
    EXPECT_EQ(ship.forces.back(), Vector3(0, 0, -1));
    release("forward_thrust");

    // Disabled: the controller stays, the axes stop.
    movement.setEnabled(false);
    const std::size_t before = ship.forces.size();
    press("left_thrust", 1.0f);
    release("left_thrust");
    EXPECT_EQ(ship.forces.size(), before);

    // Letting go keeps the enabled flag for the next controller.
    movement.setEnabled(true);
    movement.disableAll();
    EXPECT_EQ(movement.getControllable(), nullptr);
    EXPECT_TRUE(movement.isEnabled());
    press("left_thrust", 1.0f);
    release("left_thrust");
    EXPECT_EQ(ship.forces.size(), before);

    RecordingController next;
    movement.setControllable(&next);
    press("down_thrust", 1.0f);
    EXPECT_EQ(next.forces.back(), Vector3(0, -1, 0));
}

} // namespace
} // namespace Tolvarine

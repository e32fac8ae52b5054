#include "FatalError.h"
#include "ForceController.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "MovementController.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Enter = InputHandler::EnterSubscription;
using Exit = InputHandler::ExitSubscription;
using Axis = InputHandler::AxisSubscription;
using Lines = std::vector<std::string>;

class InputSymbols : public ::testing::Test {
protected:
    InputHandler::Callback record(const std::string& text) { return [this, text] { calls.push_back(text); }; }
    // What the physical side does for a press (a value) and a release (0) of one input.
    void press(const std::string& symbol, float value)
    {
        input.setSymbolPressed(input.getSymbol(symbol), value != 0.0f);
        input.setSymbolValue(input.getSymbol(symbol), value);
    }
    void pulse(const std::string& symbol) { input.pulseSymbol(input.getSymbol(symbol)); }

    InputHandler input;
    Tolvarine::Test::LogCapture log;
    Lines calls;
};

TEST_F(InputSymbols, NumbersAreDenseAndEveryValueDispatchesWithoutEdgeDetection)
{
    EXPECT_EQ((std::vector<InputHandler::SymbolNumber>{input.getSymbol("pause"), input.getSymbol("quit"), input.getSymbol("pause")}),
              (std::vector<InputHandler::SymbolNumber>{0, 1, 0}));
    EXPECT_EQ(input.symbolName(1), std::optional<std::string>("quit"));
    Enter enter("fire_primary", record("enter")); // naming a symbol in a handle creates it
    Exit exit("fire_primary", record("exit"));
    const auto fire = input.getSymbol("fire_primary");
    EXPECT_EQ(fire, 2u);
    for (float value : {0.25f, 0.5f, 0.0f, 0.0f, -1.0f})
        input.setSymbolValue(fire, value);
    input.pulseSymbol(fire);
    EXPECT_EQ(calls, (Lines{"enter", "enter", "exit", "exit", "exit", "enter", "exit"}));
    EXPECT_FLOAT_EQ(input.getSymbolValue(fire), 0.0f);
    EXPECT_FALSE(input.isSymbolPressed(fire)) << "the pressed flags belong to the physical side";
    EXPECT_TRUE(log.lines().empty());
    // Unknown numbers are logged, never written.
    EXPECT_EQ(input.symbolName(3), std::nullopt);
    input.setSymbolValue(5000, 1.0f);
    input.setSymbolPressed(5000, true);
    EXPECT_FALSE(input.isSymbolPressed(5000));
    EXPECT_EQ(log.lines(), (Lines{"Attempted to find symbol name for unknown symbol: 3",
                                  "Attempted to set the value of unknown symbol: 5000",
                                  "Attempted to set the pressed flag of unknown symbol: 5000"}));
}

TEST_F(InputSymbols, AHandleHoldsItsSlotAloneAndReleasesOnlyTheSlotItHolds)
{
    Enter first("pause", record("first"));
    {
        // Refused, also when enabled again; replacing its callback must not take the owner's slot.
        Enter second("pause", record("second"));
        EXPECT_TRUE(second.isActive());
        EXPECT_FALSE(second.ownsSlot());
        second.setEnabled(false);
        second.setEnabled(true);
        second.setCallback(record("refused again"));
        Exit exitFirst("pause", record("exit first"));
        Exit exitSecond("pause", record("exit second"));
    }
    pulse("pause");
    EXPECT_EQ(calls, (Lines{"first"}));
    const std::string twice = "Attempting to subscribe to enter symbol number 0 multiple times";
    EXPECT_EQ(log.lines(), (Lines{twice, twice, twice, "Attempting to subscribe to exit symbol number 0 multiple times"}));
    // Once the original is gone, a refused handle gets the slot by being enabled again.
    auto original = std::make_unique<Enter>("quit", record("original"));
    Enter waiting("quit", record("waiting"));
    original.reset();
    pulse("quit");
    waiting.setEnabled(false);
    waiting.setEnabled(true);
    pulse("quit");
    EXPECT_EQ(calls, (Lines{"first", "waiting"}));

    // An inactive handle only stores a new callback, and uses it once enabled; enabling an active
    // handle does not subscribe twice.
    log.clear();
    calls.clear();
    Enter shot("screenshot", record("shot"));
    shot.setEnabled(true);
    shot.setEnabled(false);
    shot.setCallback(record("newer"));
    pulse("screenshot");
    shot.setEnabled(true);
    pulse("screenshot");
    // Disabling an inactive handle leaves whoever holds the slot now alone.
    shot.setEnabled(false);
    Enter other("screenshot", record("other"));
    shot.setEnabled(false);
    pulse("screenshot");
    // A slot emptied behind a handle's back and taken by another handle stays with the newcomer.
    auto stale = std::make_unique<Enter>("back", record("stale"));
    input.unsubscribeEnter(input.getSymbol("back"));
    Enter current("back", record("current"));
    stale.reset();
    pulse("back");
    // An empty callback still occupies its slot.
    Enter silent("suicide", nullptr);
    Enter refused("suicide", record("refused"));
    pulse("suicide");
    EXPECT_EQ(calls, (Lines{"newer", "other", "current"}));
    EXPECT_EQ(log.lines(), (Lines{"Attempting to subscribe to enter symbol number 4 multiple times"}));
}

TEST_F(InputSymbols, AxesReportPlusMinusFallBackToTheSideStillHeldAndKeepTheFirstPair)
{
    std::vector<float> axis, second;
    Axis pitch("pitch_up", "pitch_down", [&axis](float value) { axis.push_back(value); });
    for (const auto& [symbol, value] : {std::pair{"pitch_up", 0.7f}, {"pitch_down", 0.4f}, {"pitch_up", 0.0f},
                                        {"pitch_down", 0.0f}, {"pitch_down", 1.0f}, {"pitch_up", 0.3f},
                                        {"pitch_down", 0.0f}, {"pitch_up", 0.0f}})
        press(symbol, value);
    EXPECT_EQ(axis, (std::vector<float>{0.7f, 0.0f, -0.4f, 0.0f, -1.0f, 0.0f, 0.3f, 0.0f}));
    // A symbol that is the plus of one pair and the minus of another drives both.
    Axis chained("pitch_down", "yaw_left", [&second](float value) { second.push_back(value); });
    press("pitch_down", 0.5f);
    EXPECT_EQ(axis.back(), -0.5f);
    EXPECT_EQ(second, std::vector<float>{0.5f});

    // A pair sharing a side with a held pair is refused; destroying it leaves the first pair whole.
    int zoomCalls = 0;
    Axis zoom("command_zoom_in", "command_zoom_out", [&zoomCalls](float) { ++zoomCalls; });
    {
        Axis samePlus("command_zoom_in", "roll_left", [](float) { ADD_FAILURE() << "same plus"; });
        Axis sameMinus("roll_right", "command_zoom_out", [](float) { ADD_FAILURE() << "same minus"; });
        EXPECT_FALSE(samePlus.ownsSlot());
        EXPECT_EQ(log.lines(), (Lines{"Attempting to subscribe to axis symbol numbers +3 and -5 multiple times",
                                      "Attempting to subscribe to axis symbol numbers +6 and -4 multiple times"}));
    }
    press("command_zoom_in", 1.0f);
    press("command_zoom_out", 1.0f);
    EXPECT_EQ(zoomCalls, 2);
    zoom.setEnabled(false);
    press("command_zoom_in", 1.0f);
    EXPECT_EQ(zoomCalls, 2);
}

TEST_F(InputSymbols, CallbacksMayBuildAndDropHandlesWhileDispatching)
{
    // Creating many symbols inside a callback grows every vector under the running dispatch.
    std::unique_ptr<Enter> built;
    std::vector<float> axis;
    Axis thrust("forward_thrust", "backward_thrust", [&axis](float value) { axis.push_back(value); });
    Enter grower("forward_thrust", [&] {
        for (int i = 0; i < 50; ++i)
            input.getSymbol("generated_" + std::to_string(i));
        built = std::make_unique<Enter>("generated_49", record("built"));
    });
    input.setSymbolValue(input.getSymbol("forward_thrust"), 1.0f);
    EXPECT_EQ(axis, std::vector<float>{1.0f});
    pulse("generated_49");
    // An enter callback that drops the exit handle of its own symbol: the exit no longer fires.
    auto exitHandle = std::make_unique<Exit>("back", record("exit"));
    Enter dropper("back", [&] { exitHandle.reset(); });
    pulse("back");
    // One that fills the exit slot of its own symbol: the release of the same pulse reaches it.
    std::unique_ptr<Exit> lateExit;
    Enter filler("quit", [&] { lateExit = std::make_unique<Exit>("quit", record("late exit")); });
    pulse("quit");
    // One that replaces itself or drops its own handle finishes with its captures intact.
    auto self = std::make_unique<Enter>("pause", nullptr);
    auto marker = std::make_shared<std::string>("still here");
    self->setCallback([&, marker] {
        self->setCallback(record("replacement"));
        calls.push_back(*marker);
    });
    pulse("pause");
    pulse("pause");
    self->setCallback([&, marker] {
        self.reset();
        calls.push_back(*marker);
    });
    pulse("pause");
    pulse("pause");
    EXPECT_EQ(calls, (Lines{"built", "late exit", "still here", "replacement", "still here"}));
}

// Remembers every force and torque request, as a ship's thrust would apply them.
class RecordingController : public ForceController {
public:
    float getMaxForce() const override { return 1.0f; }
    float getMaxTorque() const override { return 1.0f; }
    void applyForce(const Ogre::Vector3& direction) override { forces.push_back(direction); }
    void applyTorque(const Ogre::Vector3& axis) override { torques.push_back(axis); }
    void setForce(const Ogre::Vector3&, bool) override {}
    void setTorque(const Ogre::Vector3&, bool) override {}
    void setRelativeForce(const Ogre::Vector3&, bool) override {}
    void setRelativeTorque(const Ogre::Vector3&, bool) override {}
    std::vector<Ogre::Vector3> forces{Ogre::Vector3(9, 9, 9)}, torques{Ogre::Vector3(9, 9, 9)};
};

TEST_F(InputSymbols, MovementAxesCombineIntoForceAndTorqueOnlyWithAControllerAndInputEnabled)
{
    using V = Ogre::Vector3;
    MovementController movement;
    RecordingController ship, next;
    movement.setEnabled(true);
    press("forward_thrust", 1.0f); // without a controller nothing is subscribed: the press goes nowhere
    EXPECT_EQ(movement.getForceCommand(), V::ZERO);
    movement.setControllable(&ship);
    EXPECT_TRUE(ship.forces.back() == V::ZERO && ship.torques.back() == V::ZERO);
    for (const auto& [symbol, value] : {std::pair{"forward_thrust", 0.5f}, {"right_thrust", 0.25f}, {"up_thrust", 1.0f},
                                        {"pitch_up", 1.0f}, {"yaw_left", 1.0f}, {"yaw_right", 1.0f}, {"roll_right", 0.75f}})
        press(symbol, value);
    EXPECT_EQ(ship.forces.back(), V(0.25f, 1.0f, -0.5f));
    EXPECT_EQ(ship.torques.back(), V(1.0f, 0.0f, -0.75f));
    press("backward_thrust", 3.0f); // passed on unchanged, without clamping
    press("forward_thrust", 0.0f);
    EXPECT_EQ(ship.forces.back(), V(0.25f, 1.0f, 3.0f));
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
    EXPECT_EQ(next.forces.back(), V::ZERO) << "a new ship starts at rest even with keys held";
    EXPECT_EQ(movement.getTorqueCommand(), V::ZERO);
    press("down_thrust", 1.0f);
    EXPECT_EQ(next.forces.back(), V(0, -1, 0));
}

TEST(InputHandlerLifetime, HandlesOutlivingTheHandlerAndASecondHandler)
{
    auto input = std::make_unique<InputHandler>();
    {
        Tolvarine::Test::LogCapture log;
        EXPECT_THROW(InputHandler(), FatalError);
        EXPECT_TRUE(log.contains("InputHandler created twice"));
        EXPECT_EQ(InputHandler::getSingletonPtr(), input.get());
    }
    auto handle = std::make_unique<InputHandler::EnterSubscription>("pause", nullptr);
    input.reset();
    EXPECT_EQ(InputHandler::getSingletonPtr(), nullptr);
    handle.reset();
}

} // namespace
} // namespace Tolvarine

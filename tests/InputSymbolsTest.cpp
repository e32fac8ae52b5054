#include "InputHandler.h"

#include "FatalError.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Enter = InputHandler::EnterSubscription;
using Exit = InputHandler::ExitSubscription;
using Axis = InputHandler::AxisSubscription;

class InputSymbols : public ::testing::Test {
protected:
    InputHandler input;
    Tolvarine::Test::LogCapture log;
    std::vector<std::string> calls;

    InputHandler::Callback record(const std::string& text)
    {
        return [this, text] { calls.push_back(text); };
    }

    // What the physical side does for a press and a release of one input.
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
};

TEST_F(InputSymbols, NumbersAreDenseInOrderOfFirstUseAndUnknownNumbersAreLoggedNotWritten)
{
    EXPECT_EQ(input.getSymbol("pause"), 0u);
    EXPECT_EQ(input.getSymbol("quit"), 1u);
    EXPECT_EQ(input.getSymbol("pause"), 0u);
    EXPECT_EQ(input.symbolName(1), std::optional<std::string>("quit"));
    // Asking a handle for a name creates the symbol too.
    Enter handle("fire_primary", nullptr);
    EXPECT_EQ(input.getSymbol("fire_primary"), 2u);
    EXPECT_TRUE(log.lines().empty());

    EXPECT_EQ(input.symbolName(3), std::nullopt);
    input.setSymbolValue(5000, 1.0f);
    input.setSymbolPressed(5000, true);
    EXPECT_FALSE(input.isSymbolPressed(5000));
    EXPECT_FLOAT_EQ(input.getSymbolValue(5000), 0.0f);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Attempted to find symbol name for unknown symbol: 3",
                                                     "Attempted to set the value of unknown symbol: 5000",
                                                     "Attempted to set the pressed flag of unknown symbol: 5000"}));
}

TEST_F(InputSymbols, EveryValueDispatchesWithoutEdgeDetection)
{
    Enter enter("fire_primary", record("enter"));
    Exit exit("fire_primary", record("exit"));
    const auto fire = input.getSymbol("fire_primary");
    for (float value : {0.25f, 0.5f, 0.0f, 0.0f, -1.0f})
        input.setSymbolValue(fire, value);
    EXPECT_FLOAT_EQ(input.getSymbolValue(fire), -1.0f);
    input.pulseSymbol(fire);
    EXPECT_EQ(calls, (std::vector<std::string>{"enter", "enter", "exit", "exit", "exit", "enter", "exit"}));
    EXPECT_FLOAT_EQ(input.getSymbolValue(fire), 0.0f);
    // Dispatch never touches the pressed flags; they belong to the physical side.
    EXPECT_FALSE(input.isSymbolPressed(fire));
}

TEST_F(InputSymbols, ARefusedDuplicateNeverRemovesTheOriginalSubscriber)
{
    Enter first("pause", record("first"));
    const auto pause = input.getSymbol("pause");
    {
        auto second = std::make_unique<Enter>("pause", record("second"));
        EXPECT_TRUE(second->isActive());
        EXPECT_FALSE(second->ownsSlot());
        input.pulseSymbol(pause);
        // Disabled and enabled again: refused again, with the same line.
        second->setEnabled(false);
        second->setEnabled(true);
        EXPECT_FALSE(second->ownsSlot());
        // Replacing the callback of a refused handle must not take the slot from its owner.
        second->setCallback(record("refused again"));
    }
    input.pulseSymbol(pause);
    Exit exitFirst("pause", record("exit first"));
    {
        Exit exitSecond("pause", record("exit second"));
    }
    input.setSymbolValue(pause, 0.0f);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "first", "exit first"}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Attempting to subscribe to enter symbol number 0 multiple times",
                                                     "Attempting to subscribe to enter symbol number 0 multiple times",
                                                     "Attempting to subscribe to enter symbol number 0 multiple times",
                                                     "Attempting to subscribe to exit symbol number 0 multiple times"}));

    // Once the original is gone, a refused handle gets the slot by being enabled again.
    auto original = std::make_unique<Enter>("quit", record("original"));
    Enter waiting("quit", record("waiting"));
    original.reset();
    calls.clear();
    input.pulseSymbol(input.getSymbol("quit"));
    EXPECT_TRUE(calls.empty());
    waiting.setEnabled(false);
    waiting.setEnabled(true);
    input.pulseSymbol(input.getSymbol("quit"));
    EXPECT_EQ(calls, (std::vector<std::string>{"waiting"}));
}

TEST_F(InputSymbols, AHandleEnablesOnceAndReleasesOnlyTheSlotItHolds)
{
    Enter handle("screenshot", record("shot"));
    const auto shot = input.getSymbol("screenshot");
    handle.setEnabled(true);
    EXPECT_TRUE(log.lines().empty()) << "enabling an active handle must not subscribe twice";
    // An inactive handle only stores a new callback, and uses it once enabled.
    handle.setEnabled(false);
    handle.setCallback(record("newer"));
    input.setSymbolValue(shot, 1.0f);
    EXPECT_TRUE(calls.empty());
    handle.setEnabled(true);
    input.setSymbolValue(shot, 1.0f);
    handle.setCallback(record("newest"));
    input.setSymbolValue(shot, 1.0f);

    // Disabling an inactive handle leaves whoever holds the slot now alone.
    handle.setEnabled(false);
    Enter other("screenshot", record("other"));
    handle.setEnabled(false);
    input.setSymbolValue(shot, 1.0f);
    EXPECT_EQ(calls, (std::vector<std::string>{"newer", "newest", "other"}));

    // A slot emptied behind a handle's back and taken by another handle stays with the newcomer.
    auto stale = std::make_unique<Enter>("back", record("stale"));
    const auto back = input.getSymbol("back");
    input.unsubscribeEnter(back);
    Enter current("back", record("current"));
    stale.reset();
    input.pulseSymbol(back);
    EXPECT_EQ(calls.back(), "current");
    EXPECT_TRUE(log.lines().empty());

    // An empty callback still occupies its slot.
    Enter silent("suicide", nullptr);
    Enter refused("suicide", record("refused"));
    input.pulseSymbol(input.getSymbol("suicide"));
    EXPECT_EQ(calls.back(), "current");
}

TEST_F(InputSymbols, AxisReportsPlusMinusAndFallsBackToTheDirectionStillHeld)
{
    std::vector<float> axis;
    Axis pitch("pitch_up", "pitch_down", [&axis](float value) { axis.push_back(value); });
    press("pitch_up", 0.7f);
    press("pitch_down", 0.4f);
    release("pitch_up");
    release("pitch_down");
    // The other order of release falls back to the plus side.
    press("pitch_down", 1.0f);
    press("pitch_up", 0.3f);
    release("pitch_down");
    release("pitch_up");
    EXPECT_EQ(axis, (std::vector<float>{0.7f, 0.0f, -0.4f, 0.0f, -1.0f, 0.0f, 0.3f, 0.0f}));

    // A symbol that is the plus of one pair and the minus of another drives both.
    std::vector<float> second;
    Axis chained("pitch_down", "yaw_left", [&second](float value) { second.push_back(value); });
    axis.clear();
    press("pitch_down", 0.5f);
    EXPECT_EQ(axis, std::vector<float>{-0.5f});
    EXPECT_EQ(second, std::vector<float>{0.5f});
}

TEST_F(InputSymbols, AxisRefusalKeepsTheFirstPairWhole)
{
    int zoomCalls = 0;
    Axis zoom("command_zoom_in", "command_zoom_out", [&zoomCalls](float) { ++zoomCalls; });
    const auto in = input.getSymbol("command_zoom_in");
    const auto out = input.getSymbol("command_zoom_out");
    {
        Axis samePlus("command_zoom_in", "roll_left", [](float) { ADD_FAILURE() << "same plus"; });
        Axis sameMinus("roll_right", "command_zoom_out", [](float) { ADD_FAILURE() << "same minus"; });
        EXPECT_EQ(log.lines(), (std::vector<std::string>{
                                   "Attempting to subscribe to axis symbol numbers +0 and -2 multiple times",
                                   "Attempting to subscribe to axis symbol numbers +3 and -1 multiple times"}));
        EXPECT_FALSE(samePlus.ownsSlot());
        input.setSymbolValue(in, 1.0f);
        input.setSymbolValue(out, 1.0f);
    }
    // Destroying the refused pairs leaves both sides of the first pair connected.
    input.setSymbolValue(in, 1.0f);
    input.setSymbolValue(out, 1.0f);
    EXPECT_EQ(zoomCalls, 4);
    zoom.setEnabled(false);
    input.setSymbolValue(in, 1.0f);
    EXPECT_EQ(zoomCalls, 4);
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
    ASSERT_EQ(axis.size(), 1u);
    EXPECT_FLOAT_EQ(axis[0], 1.0f);
    ASSERT_TRUE(built);
    input.pulseSymbol(input.getSymbol("generated_49"));
    EXPECT_EQ(calls, (std::vector<std::string>{"built"}));

    // An enter callback that drops the exit handle of its own symbol: the exit no longer fires.
    auto exitHandle = std::make_unique<Exit>("back", record("exit"));
    Enter dropper("back", [&] { exitHandle.reset(); });
    calls.clear();
    input.pulseSymbol(input.getSymbol("back"));
    EXPECT_TRUE(calls.empty());

    // A callback that fills the exit slot of its own symbol: the release of the same pulse
    // reaches the new subscriber.
    std::unique_ptr<Exit> lateExit;
    Enter filler("quit", [&] { lateExit = std::make_unique<Exit>("quit", record("late exit")); });
    input.pulseSymbol(input.getSymbol("quit"));
    EXPECT_EQ(calls, (std::vector<std::string>{"late exit"}));

    // A callback that replaces itself or drops its own handle finishes with its captures intact.
    auto self = std::make_unique<Enter>("pause", nullptr);
    auto marker = std::make_shared<std::string>("still here");
    self->setCallback([&, marker] {
        self->setCallback(record("replacement"));
        calls.push_back(*marker);
    });
    const auto pause = input.getSymbol("pause");
    input.setSymbolValue(pause, 1.0f);
    input.setSymbolValue(pause, 1.0f);
    self->setCallback([&, marker] {
        self.reset();
        calls.push_back(*marker);
    });
    input.setSymbolValue(pause, 1.0f);
    input.setSymbolValue(pause, 1.0f);
    EXPECT_EQ(calls, (std::vector<std::string>{"late exit", "still here", "replacement", "still here"}));
}

TEST(InputHandlerLifetime, HandlesOutlivingTheHandlerAndASecondHandler)
{
    auto input = std::make_unique<InputHandler>();
    EXPECT_EQ(InputHandler::getSingletonPtr(), input.get());
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

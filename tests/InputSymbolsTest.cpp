#include "InputHandler.h"
#include "LogCapture.h"

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
    // A callback may grow every slot vector under the running dispatch and drop its own handle.
    std::unique_ptr<Enter> built;
    auto self = std::make_unique<Enter>("fire_primary", nullptr);
    auto marker = std::make_shared<std::string>("still here");
    self->setCallback([&, marker] {
        for (int i = 0; i < 50; ++i)
            built = std::make_unique<Enter>("generated_" + std::to_string(i), record("built"));
        self.reset();
        calls.push_back(*marker);
    });
    pulse("fire_primary");
    pulse("generated_49");
    EXPECT_EQ(calls, (Lines{"newer", "other", "current", "still here", "built"}));
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

TEST(InputHandlerLifetime, AHandleMayOutliveTheHandler)
{
    auto input = std::make_unique<InputHandler>();
    auto handle = std::make_unique<InputHandler::EnterSubscription>("pause", nullptr);
    input.reset();
    EXPECT_EQ(InputHandler::getSingletonPtr(), nullptr);
    handle.reset();
}

} // namespace
} // namespace Tolvarine

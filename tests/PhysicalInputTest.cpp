#include "InputHandler.h"
#include "LogCapture.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Lines = std::vector<std::string>;
using Captures = std::vector<std::tuple<InputType, std::uint32_t, float>>;

// Drives the input handler with synthetic SDL events through SDL's own queue.
class PhysicalInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        input = std::make_unique<InputHandler>();
        input->processEvents(now); // starts the mouse step's clock
    }
    void TearDown() override
    {
        handles.clear();
        input.reset();
        SDL_Quit();
    }
    template <typename Fill> void push(Uint32 type, Fill fill)
    {
        SDL_Event event{};
        event.type = type;
        fill(event);
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    void key(SDL_Keycode code, bool down) { push(down ? SDL_KEYDOWN : SDL_KEYUP, [&](SDL_Event& e) { e.key.keysym.sym = code; }); }
    void motion(int x, int y) { push(SDL_MOUSEMOTION, [&](SDL_Event& e) { e.motion.xrel = x, e.motion.yrel = y; }); }
    void button(Uint8 number, bool down) { push(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP, [&](SDL_Event& e) { e.button.button = number; }); }
    void axis(SDL_JoystickID which, Uint8 number, Sint16 value) { push(SDL_JOYAXISMOTION, [&](SDL_Event& e) { e.jaxis.which = which, e.jaxis.axis = number, e.jaxis.value = value; }); }
    void joyButton(SDL_JoystickID which, Uint8 number, bool down) { push(down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, [&](SDL_Event& e) { e.jbutton.which = which, e.jbutton.button = number; }); }
    void frame(double seconds = 0.02) { input->processEvents(now += seconds); }
    void bind(InputType kind, std::uint32_t code, const std::string& symbol) { input->bindPhysicalInput(kind, code, input->getSymbol(symbol)); }
    // Records a symbol's enter and exit calls with the value at the time of the call.
    void watch(std::initializer_list<const char*> symbols)
    {
        for (const std::string symbol : symbols) {
            const auto number = input->getSymbol(symbol);
            handles.push_back(std::make_shared<InputHandler::EnterSubscription>(symbol, [this, symbol, number] {
                seen.push_back(symbol + " enter " + std::to_string(input->getSymbolValue(number)));
            }));
            handles.push_back(std::make_shared<InputHandler::ExitSubscription>(symbol, [this, symbol] { seen.push_back(symbol + " exit"); }));
        }
    }
    void capture(Captures& into, const bool& keepGoing)
    {
        input->setInputCapture([&into, &keepGoing](InputType kind, std::uint32_t code, float value) {
            into.emplace_back(kind, code, value);
            return keepGoing;
        });
    }

    double now = 0.0; // exact binary fractions keep the momentum arithmetic exact
    std::unique_ptr<InputHandler> input;
    std::vector<std::shared_ptr<void>> handles;
    Lines seen;
    Tolvarine::Test::LogCapture log;
};

TEST_F(PhysicalInput, CaptureTakesOneEventPerFrameUntilItSaysStop)
{
    bind(InputType::MOUSE_MOVE, 1, "yaw_right");
    watch({"yaw_right"});
    Captures captured;
    bool keepGoing = true;
    capture(captured, keepGoing);
    key(SDLK_q, true);
    key(SDLK_q, false);
    motion(20, -1); // right: the larger motion wins
    motion(2, -30); // up
    button(SDL_BUTTON_X1, true);
    axis(12345, 0, 20000); // no joystick is open: not translated, ends the frame
    for (int i = 0; i < 6; ++i)
        frame();
    EXPECT_EQ(captured, (Captures{{InputType::KEY, 113u, 0.0f}, {InputType::KEY, 113u, 0.0f}, {InputType::MOUSE_MOVE, 1u, 0.4f},
                                  {InputType::MOUSE_MOVE, 2u, 0.6f}, {InputType::MOUSE_BUTTON, 6u, 0.0f}}));
    EXPECT_TRUE(seen.empty()) << "the mouse step must not run while capturing";
    keepGoing = false;
    key(SDLK_e, true);
    motion(10, 0);
    frame();
    EXPECT_FALSE(input->isCapturing());
    frame();
    EXPECT_EQ(captured.size(), 6u);
    EXPECT_EQ(seen, (Lines{"yaw_right enter 0.200000"}));

    // A callback that installs the next capture keeps it, even when it returns false.
    int second = 0;
    input->setInputCapture([&](InputType, std::uint32_t, float) {
        input->setInputCapture([&](InputType, std::uint32_t, float) { return ++second < 0; });
        return false;
    });
    key(SDLK_e, true);
    key(SDLK_e, false);
    frame();
    frame();
    EXPECT_EQ(second, 1);
    EXPECT_FALSE(input->isCapturing());
}

TEST_F(PhysicalInput, JoysticksHaveADeadZoneALogCurveAndHalfAxes)
{
    // A factor of 0.005 is out of range and keeps 2; a small factor is nearly linear.
    const std::tuple<float, int, double> rows[] = {{2.0f, 3339, 0.0}, {2.0f, 3340, 1.0018e-4}, {2.0f, 16384, 0.068107},
                                                   {2.0f, 32767, 0.999842}, {2.0f, -32768, -1.0},
                                                   {0.005f, -16384, -0.068107}, {0.01f, 16384, 0.444444}};
    for (const auto& [factor, raw, want] : rows) {
        input->setJoystickLogFactor(factor);
        EXPECT_NEAR(input->shapeJoystickAxis(raw), want, factor == 0.01f ? 5e-3 : 1e-6) << factor << " " << raw;
    }
    // The whole percent survives: 10 % is 10, not 9 after a round trip through 0.1.
    for (unsigned percent : {10u, 15u, 20u, 23u, 27u, 99u, 100u}) {
        input->setJoystickDeadZone(percent);
        EXPECT_EQ(input->getJoystickDeadZone(), std::min(percent, 99u));
    }
    EXPECT_FLOAT_EQ(input->shapeJoystickAxis(32440), 0.0f) << "a dead zone of 99 divides by nothing";
    input->setJoystickDeadZone(10);
    input->setMouseSensitivity(150);
    input->setMouseFilterHalflife(-1.0f);
    EXPECT_EQ(log.lines(), (Lines{"Joystick dead zone 100 is above 99; using 99", "Mouse sensitivity 150 is above 100; using 100",
                                  "Mouse filter half-life -1 is below 0; using 0"}));

    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 3, 4, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    const std::string name = SDL_JoystickNameForIndex(index);
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    EXPECT_FALSE(input->openJoystick(index + 5));
    ASSERT_TRUE(input->openJoystick(index));
    ASSERT_TRUE(input->openJoystick(index));
    for (const std::string& line : Lines{"Failed to opened joystick", "Opened joystick: " + name, "Closing joystick: " + name})
        EXPECT_TRUE(log.contains(line)) << line;
    input->setJoystickLogFactor(2.0f);
    bind(InputType::JOYSTICK_AXIS, 2, "roll_right"); // axis 1, positive half
    bind(InputType::JOYSTICK_AXIS, 3, "roll_left");  // axis 1, negative half
    bind(InputType::JOYSTICK_BUTTON, 3, "fire_primary");
    watch({"roll_right", "roll_left", "fire_primary"});
    for (const auto& [joystick, number, value] : {std::tuple{id, 1, 16384}, {id, 1, 32767}, {id + 1, 1, -20000},
                                                  {id, 1, -32768}, {id, 1, 1000}, {id, 1, 0}})
        axis(joystick, number, value); // another joystick, then the dead zone releases the held half once
    joyButton(id, 3, true);
    joyButton(id + 1, 3, false);
    joyButton(id, 3, false);
    frame();
    EXPECT_EQ(seen, (Lines{"roll_right enter 0.068107", "roll_right enter 0.999842", "roll_right exit", "roll_left enter 1.000000",
                           "roll_left exit", "fire_primary enter 1.000000", "fire_primary exit"}));
    // Captured: the half-axis by the sign of the raw value, with the shaped value.
    Captures captured;
    const bool keepGoing = true;
    capture(captured, keepGoing);
    axis(id, 2, -32768);
    joyButton(id, 1, true);
    frame();
    frame();
    EXPECT_EQ(captured, (Captures{{InputType::JOYSTICK_AXIS, 5u, -1.0f}, {InputType::JOYSTICK_BUTTON, 1u, 0.0f}}));
    input.reset();
    SDL_JoystickDetachVirtual(index);
}

TEST_F(PhysicalInput, BindingsMappingsAndInputNames)
{
    const auto fire = input->getSymbol("fire_primary");
    watch({"fire_primary"});
    input->setSymbolPressed(fire, true);
    input->setSymbolValue(fire, 1.0f);
    seen.clear();
    input->bindPhysicalInput(InputType::KEY, 32, fire); // binding releases the symbol without telling anyone
    EXPECT_FALSE(input->isSymbolPressed(fire));
    EXPECT_FLOAT_EQ(input->getSymbolValue(fire), 0.0f);
    EXPECT_TRUE(seen.empty());
    input->bindPhysicalInput(InputType::MOUSE_BUTTON, 1, fire);
    bind(InputType::JOYSTICK_AXIS, 7, "pitch_down");
    bind(InputType::JOYSTICK_BUTTON, 12, "fire_secondary"); // works in play, has no name
    bind(InputType::MOUSE_MOVE, 2, "pitch_up");
    bind(InputType::KEY, 8, "back");
    bind(InputType::KEY, 37, "quit"); // a key number without a name of its own
    EXPECT_EQ(input->getMappings(), (std::vector<InputHandler::Mapping>{{"back", "backspace"}, {"fire_primary", "space"},
                                                                        {"fire_primary", "Mouse Button 1"}, {"pitch_up", "Mouse Move Up"},
                                                                        {"pitch_down", "Joystick Axis 3-"}}));
    EXPECT_EQ(input->getInputNameForSymbol("fire_secondary"), "");
    input->unbindSymbol(fire);
    EXPECT_EQ(input->getInputNameForSymbol("fire_primary"), "");
    input->bindPhysicalInput(InputType::KEY, 32, 9999);
    EXPECT_TRUE(log.contains("Attempted to bind unknown symbol: 9999"));
    EXPECT_EQ(input->getMappings().size(), 3u);

    // Every name parses back to its code, and near misses do not parse.
    using Name = std::optional<std::string> (*)(std::uint32_t);
    using Parse = std::optional<std::uint32_t> (*)(const std::string&);
    const std::tuple<Name, Parse, std::uint32_t, int, const char*> kinds[] = {
        {&InputHandler::mouseButtonName, &InputHandler::parseMouseButtonName, 20, 10, "Mouse Button 01"},
        {&InputHandler::joystickButtonName, &InputHandler::parseJoystickButtonName, 20, 9, "Joystick Button 9"},
        {&InputHandler::mouseMoveName, &InputHandler::parseMouseMoveName, 20, 4, "Mouse Move Sideways"},
        {&InputHandler::joystickAxisName, &InputHandler::parseJoystickAxisName, 20, 18, "Joystick Axis 3"},
        {&InputHandler::keyName, &InputHandler::keyCodeForName, 330, 232, "no such key"},
    };
    for (const auto& [name, parse, last, count, nearMiss] : kinds) {
        SCOPED_TRACE(nearMiss);
        int named = 0;
        for (std::uint32_t code = 0; code <= last; ++code)
            if (const auto text = name(code)) {
                ++named;
                EXPECT_EQ(parse(*text), code) << *text;
            }
        EXPECT_EQ(named, count);
        EXPECT_FALSE(parse(nearMiss).has_value());
    }
    for (const char* bad : {"Mouse Button 0", "Mouse Button 11", "mouse button 1", "Mouse Button 1 ", "Joystick Axis 9+"})
        EXPECT_FALSE(InputHandler::parseMouseButtonName(bad) || InputHandler::parseJoystickAxisName(bad)) << bad;
    EXPECT_EQ(InputHandler::joystickAxisName(16), std::optional<std::string>("Joystick Axis 8+"));
    EXPECT_EQ((std::vector<std::optional<std::uint32_t>>{InputHandler::oppositeMouseMove(0), InputHandler::oppositeMouseMove(3),
                                                         InputHandler::oppositeMouseMove(4), InputHandler::oppositeJoystickAxis(7)}),
              (std::vector<std::optional<std::uint32_t>>{1u, 2u, std::nullopt, 6u}));
    std::vector<int> gui;
    for (int button : {1, 2, 3, 4, 5, 6, 0})
        gui.push_back(InputHandler::toGuiMouseButton(button));
    EXPECT_EQ(gui, (std::vector<int>{0, 2, 1, 3, 4, 6, 6}));
}

} // namespace
} // namespace Tolvarine

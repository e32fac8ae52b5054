#pragma once

#include "SdlTranslation.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct _SDL_Joystick;

namespace Tolvarine {

class Config;
class FixedTask;
class GameWindow;
class GuiInjector;

// The kind of a physical input, as the input capture reports it.
enum class InputType {
    MOUSE_BUTTON = 0,
    MOUSE_MOVE = 1,
    JOYSTICK_BUTTON = 2,
    JOYSTICK_AXIS = 3,
    KEY = 4,
};

// The one road every player input travels. Game code never looks at keys, buttons or axes: it
// names an input symbol ("pause", "fire_primary", "pitch_up") and subscribes a callback to it
// through one of the three handle classes below. The physical side turns device events into
// symbol values with setSymbolValue, which dispatches to the subscribers.
//
// The physical side pumps SDL once per frame (the fixed task "Process Input"), walks the key
// map's bindings for each key, button, mouse direction and joystick half-axis, shapes mouse and
// joystick values, feeds the GUI while it is shown and lets the menus capture the next input.
//
// One callback per symbol and slot: a second subscriber is refused with a log line and the first
// one keeps working. Everything runs on the game thread.
class InputHandler {
public:
    using SymbolNumber = std::uint32_t;
    using Callback = std::function<void()>;
    using AxisCallback = std::function<void(float)>;
    // Called with each captured input; returning false ends the capture.
    using CaptureCallback = std::function<bool(InputType kind, std::uint32_t code, float value)>;
    using Mapping = std::pair<std::string, std::string>;

    class EnterSubscription;
    class ExitSubscription;
    class AxisSubscription;

    InputHandler();
    ~InputHandler();
    InputHandler(const InputHandler&) = delete;
    InputHandler& operator=(const InputHandler&) = delete;

    static InputHandler& getSingleton();
    static InputHandler* getSingletonPtr();

    // The number of a symbol; a new name gets the next free number. Never fails.
    SymbolNumber getSymbol(const std::string& name);
    // The name of a number handed out by getSymbol; nothing (and a log line) otherwise.
    std::optional<std::string> symbolName(SymbolNumber number) const;
    std::size_t symbolCount() const { return names.size(); }

    // Stores the value and calls the symbol's subscribers: enter for a value above 0, exit
    // otherwise, then the axis pairs the symbol belongs to. No edge detection: every call
    // dispatches, so callers decide when a value is worth sending.
    void setSymbolValue(SymbolNumber number, float value);
    // A full press and release in one call.
    void pulseSymbol(SymbolNumber number);
    float getSymbolValue(SymbolNumber number) const;

    // Pressed flags belong to the physical side: it sets one before sending a press and clears
    // it before sending the release, which lets an axis fall back to the direction still held.
    void setSymbolPressed(SymbolNumber number, bool pressed);
    bool isSymbolPressed(SymbolNumber number) const;

    // Slot access. The handles are the normal way in; these return whether the callback took
    // the slot. The unsubscribe calls empty the slot whoever filled it.
    bool subscribeEnter(SymbolNumber number, std::shared_ptr<const Callback> callback);
    bool subscribeExit(SymbolNumber number, std::shared_ptr<const Callback> callback);
    bool subscribeAxis(SymbolNumber plus, SymbolNumber minus, std::shared_ptr<const AxisCallback> callback);
    void unsubscribeEnter(SymbolNumber number);
    void unsubscribeExit(SymbolNumber number);
    void unsubscribeAxis(SymbolNumber plus, SymbolNumber minus);

    // --- Physical input ---

    // Start-up, once the game window exists: the "Process Input" task, SDL's input on the
    // window, the key map (empty path: "cfg/active.keymap") and the first joystick. Needs the
    // Scheduler. A missing key map throws ConfigurationError, an SDL failure
    // std::runtime_error("Bad SDL Init").
    void initialise(GameWindow& window, const std::string& keymapPath = "");
    bool openJoystick(int index);
    // The body of "Process Input": reads the real-time clock and handles this frame's events.
    void processEvents();
    // The same with the real time given, in seconds.
    void processEvents(double realTime);

    void setExitOnKeyPress(bool exit) { exitOnKeyPress = exit; }
    // Whether the window manager asked the game window to close, or a signal (SIGINT, SIGTERM,
    // SIGHUP) asked the game to end: the exit sequence then ends the program without waiting for
    // a key.
    bool isCloseRequested() const { return closeRequested; }
    // Whether such a request waits in the queue, left there for the main loop: for work that runs
    // before the main loop does (a pool filled at start-up).
    static bool isCloseRequestWaiting();
    void setGuiInjection(bool inject) { guiInjection = inject; }
    bool isGuiInjectionOn() const { return guiInjection; }
    void setMouseMomentumSuspended(bool suspended) { mouseMomentumSuspended = suspended; }
    void setGuiInjector(GuiInjector* injector) { guiInjector = injector; }
    // Every following input event goes to the callback, one per frame, until it returns false.
    void setInputCapture(CaptureCallback callback);
    bool isCapturing() const { return static_cast<bool>(capture); }

    // Tuning. Out-of-range values are clamped with a log line: a sensitivity above 100 or a dead
    // zone of 100 % would divide by zero, and a half-life of 0 or less means no momentum.
    void setMouseSensitivity(unsigned sensitivity);
    unsigned getMouseSensitivity() const;
    void setMouseFilterHalflife(float halflife);
    float getMouseFilterHalflife() const;
    void setJoystickDeadZone(unsigned percent);
    unsigned getJoystickDeadZone() const;
    // Values below 0.01 are ignored.
    void setJoystickLogFactor(float factor);
    float getJoystickLogFactor() const;

    // The value a motion of so many pixels gives: |motion| / D, at most 1.
    float mouseScale(int motion) const;
    // A raw axis position shaped by the dead zone and the logarithmic response, signed.
    float shapeJoystickAxis(int raw) const;
    static int toGuiMouseButton(std::uint32_t sdlButton);

    // --- Key map ---

    // Reads the bindings and tuning; an empty path means "cfg/active.keymap". A tuning value that
    // does not convert throws the conversion error after the reader's log line; lines that cannot
    // be read, and a file without any mapping, are logged. A key map that binds no input at all
    // leaves a game no key can steer or quit: it is logged and throws ConfigurationError, as a
    // missing one does. Each of the game's commands it leaves unbound is logged.
    void loadKeymap(const std::string& path = "");
    // The commands the game's own parts subscribe to and a key map is expected to bind ("disabled",
    // the menu toggle, stays unbound on purpose).
    static const std::vector<std::string>& getGameCommands();
    // Writes them back, keeping whatever else the file holds; an empty path means
    // "cfg/active.keymap". A deleted file is created again.
    void saveKeymap(const std::string& path = "") const;
    void bindPhysicalInput(InputType kind, std::uint32_t code, SymbolNumber symbol);
    void unbindSymbol(SymbolNumber symbol);
    // (symbol name, input name) of every binding that has both: keys, mouse buttons, mouse
    // moves, joystick buttons, joystick axes, each in ascending code order.
    std::vector<Mapping> getMappings() const;
    // The name of the symbol's first named binding in that same order; "" when it has none.
    std::string getInputNameForSymbol(const std::string& symbolName);

    static std::optional<std::string> keyName(std::uint32_t code);
    static std::optional<std::uint32_t> keyCodeForName(const std::string& name);
    static std::optional<std::string> mouseButtonName(std::uint32_t code);
    static std::optional<std::uint32_t> parseMouseButtonName(const std::string& name);
    static std::optional<std::string> mouseMoveName(std::uint32_t code);
    static std::optional<std::uint32_t> parseMouseMoveName(const std::string& name);
    static std::optional<std::string> joystickButtonName(std::uint32_t code);
    static std::optional<std::uint32_t> parseJoystickButtonName(const std::string& name);
    static std::optional<std::string> joystickAxisName(std::uint32_t code);
    static std::optional<std::uint32_t> parseJoystickAxisName(const std::string& name);
    static std::optional<std::string> inputName(InputType kind, std::uint32_t code);
    static std::optional<std::uint32_t> oppositeMouseMove(std::uint32_t code);
    static std::optional<std::uint32_t> oppositeJoystickAxis(std::uint32_t code);

private:
    struct AxisSlot {
        SymbolNumber other = 0;
        std::shared_ptr<const AxisCallback> callback;
    };
    enum class ButtonSlot { Enter, Exit };

    class ButtonSubscription;

    bool subscribeButton(ButtonSlot which, SymbolNumber number, std::shared_ptr<const Callback> callback);
    // Empty a slot only while it still holds the given callback, so that a handle never removes
    // a subscriber it does not own.
    void releaseButton(ButtonSlot which, SymbolNumber number, const Callback* owner);
    void releaseAxis(SymbolNumber plus, SymbolNumber minus, const AxisCallback* owner);
    std::vector<std::shared_ptr<const Callback>>& buttonSlots(ButtonSlot which);

    void growSymbolVectors(SymbolNumber number);
    bool knownValueIndex(SymbolNumber number, const char* operation) const;
    void dispatchButton(SymbolNumber number, float value) const;
    void dispatchAsPlus(SymbolNumber number, float value) const;
    void dispatchAsMinus(SymbolNumber number, float value) const;
    bool pressedFlag(SymbolNumber number) const;

    bool nextEvent(SdlTranslation::Event& event);
    void captureEvent(const SdlTranslation::Event& event);
    void dispatchEvent(const SdlTranslation::Event& event, int& motionX, int& motionY);
    bool fromOpenJoystick(const SdlTranslation::Event& event) const;
    void mouseStep(double now, int motionX, int motionY);
    // Moves the GUI cursor by the motion read since it last moved.
    void flushGuiMotion();
    double mouseCarryFactor(double elapsed) const;
    void closeJoystick();

    // Logs the reason (a window close, a hang-up signal), then throws NormalExit, or ImmediateExit
    // once the exit screen is up.
    void closeRequest(const char* reason);
    void keyDown(std::uint32_t code);
    void keyUp(std::uint32_t code);
    void mouseButtonDown(std::uint32_t button);
    void mouseButtonUp(std::uint32_t button);
    void joystickButton(std::uint32_t button, bool down);
    void horizontalMotion(int total);
    void verticalMotion(int total);
    void joystickAxis(std::uint32_t axis, int raw);
    void pressAll(InputType kind, std::uint32_t code, float value);
    void releaseAll(InputType kind, std::uint32_t code);
    // One direction of a mouse axis or joystick axis: active while its value is above 0.
    void driveDirection(InputType kind, std::uint32_t code, float value);
    std::vector<SymbolNumber> symbolsBoundTo(InputType kind, std::uint32_t code) const;
    void applyTuning(const Config& keymap);
    void bindByName(SymbolNumber symbol, const std::string& input);

    using BindingTable = std::multimap<std::uint32_t, SymbolNumber>;
    const BindingTable& bindingTable(InputType kind) const;
    void checkKeymapBindings(const std::string& file);

    static InputHandler* singleton;

    std::map<std::string, SymbolNumber> numbers;
    std::vector<std::string> names;
    std::vector<float> values;
    std::vector<bool> pressed;
    std::vector<std::shared_ptr<const Callback>> enterSlots;
    std::vector<std::shared_ptr<const Callback>> exitSlots;
    std::vector<AxisSlot> plusSlots;  // indexed by the plus symbol, holds the minus symbol
    std::vector<AxisSlot> minusSlots; // indexed by the minus symbol, holds the plus symbol

    bool exitOnKeyPress = false;
    bool closeRequested = false;
    bool guiInjection = false;
    bool mouseMomentumSuspended = false;
    GuiInjector* guiInjector = nullptr;
    CaptureCallback capture;
    unsigned captureGeneration = 0;
    std::unique_ptr<FixedTask> processInputTask;
    unsigned long nativeWindow = 0;

    // Indexed by InputType; one physical input may drive several symbols, in binding order.
    std::array<BindingTable, 5> bindings;

    _SDL_Joystick* joystick = nullptr;
    int joystickIndex = -1;
    // Events of one SDL event that wait for a later frame (a wheel notch is a press and a release).
    std::deque<SdlTranslation::Event> pendingEvents;

    // Tuning in the form the formulas use, in double so that edge values come out exact.
    double mouseDivisor = 50.0;     // D = 101 - sensitivity
    float mouseDecayRate = 100.0f;  // R = 1 / half-life; infinite for no momentum
    unsigned deadZonePercent = 10;
    double deadZone = 0.1;          // z
    double deadZoneStretch = 1.0 / 0.9; // k = 1 / (1 - z)
    double logFactor = 2.0;         // f
    double logScale = 0.01;         // a = 10^-f
    double logOffset = 0.01;        // b = 0.1^f
    double logNormalise = 1.0 / 0.99; // c = 1 / (1 - b)

    bool mouseClockStarted = false;
    double lastMouseStep = 0.0;
    // Motion read this frame that the GUI cursor has not followed yet.
    int guiMotionX = 0;
    int guiMotionY = 0;
    int previousMotionX = 0;
    int previousMotionY = 0;
};

// Shared machinery of the enter and exit handles.
class InputHandler::ButtonSubscription {
public:
    ButtonSubscription(const ButtonSubscription&) = delete;
    ButtonSubscription& operator=(const ButtonSubscription&) = delete;

    void setEnabled(bool enabled);
    // Replaces the callback; an active handle takes its slot again with the new one.
    void setCallback(Callback newCallback);
    bool isActive() const { return active; }
    // Whether this handle's callback is the one the symbol dispatches to; a refused handle is
    // active but owns no slot.
    bool ownsSlot() const;
    SymbolNumber getSymbol() const { return symbol; }

protected:
    ButtonSubscription(ButtonSlot which, const std::string& symbolName, Callback newCallback);
    ~ButtonSubscription();

private:
    void subscribe();
    void unsubscribe();

    ButtonSlot slot;
    bool active = false;
    SymbolNumber symbol;
    // Shared so that a callback that replaces itself or drops its own handle while it runs is
    // kept alive by the dispatch that called it.
    std::shared_ptr<const Callback> callback;
};

// Calls its callback whenever the symbol's value is set above 0.
class InputHandler::EnterSubscription : public InputHandler::ButtonSubscription {
public:
    EnterSubscription(const std::string& symbolName, Callback callback);
};

// Calls its callback whenever the symbol's value is set to 0 or below.
class InputHandler::ExitSubscription : public InputHandler::ButtonSubscription {
public:
    ExitSubscription(const std::string& symbolName, Callback callback);
};

// Joins two symbols into one axis: the callback gets the plus symbol's value, minus the minus
// symbol's value, and 0 while both are held.
class InputHandler::AxisSubscription {
public:
    AxisSubscription(const std::string& plusName, const std::string& minusName, AxisCallback newCallback);
    ~AxisSubscription();
    AxisSubscription(const AxisSubscription&) = delete;
    AxisSubscription& operator=(const AxisSubscription&) = delete;

    void setEnabled(bool enabled);
    bool isActive() const { return active; }
    bool ownsSlot() const;

private:
    void subscribe();
    void unsubscribe();

    bool active = false;
    SymbolNumber plus;
    SymbolNumber minus;
    std::shared_ptr<const AxisCallback> callback;
};

} // namespace Tolvarine

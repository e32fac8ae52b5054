#include "InputHandler.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "GameWindow.h"
#include "GuiInjector.h"
#include "ImmediateExit.h"
#include "NormalExit.h"
#include "Scheduler.h"

#include <OgreStringConverter.h>
#include <SDL.h>

#include <boost/lexical_cast/bad_lexical_cast.hpp>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <stdexcept>
#include <utility>

namespace Tolvarine {

namespace {

// Room for the symbols the game names at start-up before the first getSymbol grows the vectors.
constexpr std::size_t initialSymbolCapacity = 30;
// A subscription to a number beyond the slot vector grows it with some head room.
constexpr std::size_t slotHeadRoom = 10;

template <typename T>
void growToCover(std::vector<T>& entries, std::size_t index)
{
    if (entries.size() <= index)
        entries.resize(index + 1);
}

// Set by the hang-up signal, read by the next pump of events.
volatile std::sig_atomic_t hangUpReceived = 0;
bool hangUpHandlerInstalled = false;

void onHangUp(int)
{
    hangUpReceived = 1;
}

// SDL turns SIGINT and SIGTERM into a close request; the hang-up of the terminal that started the
// game would end the process on the spot, and the exit sequence would not save what changed in the
// run. It goes the same way as the other two. A hang-up its starter ignores (nohup) stays ignored.
void installHangUpHandler()
{
    struct sigaction current {};
    if (hangUpHandlerInstalled || sigaction(SIGHUP, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
        return;
    struct sigaction action {};
    action.sa_handler = &onHangUp;
    sigemptyset(&action.sa_mask);
    hangUpHandlerInstalled = sigaction(SIGHUP, &action, nullptr) == 0;
}

void removeHangUpHandler()
{
    if (!hangUpHandlerInstalled)
        return;
    std::signal(SIGHUP, SIG_DFL);
    hangUpHandlerInstalled = false;
    hangUpReceived = 0;
}

} // namespace

InputHandler* InputHandler::singleton = nullptr;

InputHandler::InputHandler()
{
    if (singleton) {
        GameLog::line("InputHandler created twice");
        throw FatalError();
    }
    singleton = this;
    try {
        values.assign(initialSymbolCapacity, 0.0f);
        pressed.assign(initialSymbolCapacity, false);
    } catch (...) {
        singleton = nullptr;
        throw;
    }
}

InputHandler::~InputHandler()
{
    closeJoystick();
    removeHangUpHandler();
    singleton = nullptr;
}

InputHandler& InputHandler::getSingleton()
{
    if (!singleton) {
        GameLog::line("InputHandler used before it was created");
        throw FatalError();
    }
    return *singleton;
}

InputHandler* InputHandler::getSingletonPtr()
{
    return singleton;
}

InputHandler::SymbolNumber InputHandler::getSymbol(const std::string& name)
{
    SymbolNumber number;
    const auto found = numbers.find(name);
    if (found != numbers.end()) {
        number = found->second;
    } else {
        number = static_cast<SymbolNumber>(numbers.size());
        growToCover(names, number);
        names[number] = name;
        numbers.emplace(name, number);
    }
    growSymbolVectors(number);
    return number;
}

void InputHandler::growSymbolVectors(SymbolNumber number)
{
    growToCover(enterSlots, number);
    growToCover(exitSlots, number);
    growToCover(plusSlots, number);
    growToCover(minusSlots, number);
    growToCover(pressed, number);
    growToCover(values, number);
}

std::optional<std::string> InputHandler::symbolName(SymbolNumber number) const
{
    if (number >= names.size()) {
        GameLog::line("Attempted to find symbol name for unknown symbol: " + std::to_string(number));
        return std::nullopt;
    }
    return names[number];
}

bool InputHandler::knownValueIndex(SymbolNumber number, const char* operation) const
{
    if (number < values.size())
        return true;
    GameLog::line(std::string("Attempted to ") + operation + " unknown symbol: " + std::to_string(number));
    return false;
}

void InputHandler::setSymbolValue(SymbolNumber number, float value)
{
    if (!knownValueIndex(number, "set the value of"))
        return;
    values[number] = value;
    // Callbacks may create symbols (growing every vector) or change slots, so each step reads
    // its slot afresh by index and holds no reference across a call.
    dispatchButton(number, value);
    dispatchAsPlus(number, value);
    dispatchAsMinus(number, value);
}

void InputHandler::dispatchButton(SymbolNumber number, float value) const
{
    const auto& slots = value > 0.0f ? enterSlots : exitSlots;
    if (number >= slots.size())
        return;
    const std::shared_ptr<const Callback> callback = slots[number];
    if (callback && *callback)
        (*callback)();
}

void InputHandler::dispatchAsPlus(SymbolNumber number, float value) const
{
    if (number >= plusSlots.size())
        return;
    const AxisSlot slot = plusSlots[number];
    if (!slot.callback || !*slot.callback)
        return;
    const SymbolNumber minus = slot.other;
    if (!pressedFlag(minus))
        (*slot.callback)(value);
    else if (pressedFlag(number))
        (*slot.callback)(0.0f);
    else
        (*slot.callback)(-getSymbolValue(minus));
}

void InputHandler::dispatchAsMinus(SymbolNumber number, float value) const
{
    if (number >= minusSlots.size())
        return;
    const AxisSlot slot = minusSlots[number];
    if (!slot.callback || !*slot.callback)
        return;
    const SymbolNumber plus = slot.other;
    if (!pressedFlag(plus))
        (*slot.callback)(-value);
    else if (pressedFlag(number))
        (*slot.callback)(0.0f);
    else
        (*slot.callback)(getSymbolValue(plus));
}

bool InputHandler::pressedFlag(SymbolNumber number) const
{
    return number < pressed.size() && pressed[number];
}

void InputHandler::pulseSymbol(SymbolNumber number)
{
    setSymbolValue(number, 1.0f);
    setSymbolValue(number, 0.0f);
}

float InputHandler::getSymbolValue(SymbolNumber number) const
{
    return number < values.size() ? values[number] : 0.0f;
}

void InputHandler::setSymbolPressed(SymbolNumber number, bool isPressed)
{
    if (knownValueIndex(number, "set the pressed flag of")) {
        growToCover(pressed, number);
        pressed[number] = isPressed;
    }
}

bool InputHandler::isSymbolPressed(SymbolNumber number) const
{
    return pressedFlag(number);
}

std::vector<std::shared_ptr<const InputHandler::Callback>>& InputHandler::buttonSlots(ButtonSlot which)
{
    return which == ButtonSlot::Enter ? enterSlots : exitSlots;
}

bool InputHandler::subscribeButton(ButtonSlot which, SymbolNumber number, std::shared_ptr<const Callback> callback)
{
    auto& slots = buttonSlots(which);
    if (number < slots.size() && slots[number]) {
        GameLog::line(std::string("Attempting to subscribe to ") + (which == ButtonSlot::Enter ? "enter" : "exit")
            + " symbol number " + std::to_string(number) + " multiple times");
        return false;
    }
    if (number >= slots.size())
        slots.resize(std::size_t(number) + slotHeadRoom);
    slots[number] = std::move(callback);
    return true;
}

bool InputHandler::subscribeEnter(SymbolNumber number, std::shared_ptr<const Callback> callback)
{
    return subscribeButton(ButtonSlot::Enter, number, std::move(callback));
}

bool InputHandler::subscribeExit(SymbolNumber number, std::shared_ptr<const Callback> callback)
{
    return subscribeButton(ButtonSlot::Exit, number, std::move(callback));
}

void InputHandler::unsubscribeEnter(SymbolNumber number)
{
    if (number < enterSlots.size())
        enterSlots[number].reset();
}

void InputHandler::unsubscribeExit(SymbolNumber number)
{
    if (number < exitSlots.size())
        exitSlots[number].reset();
}

void InputHandler::releaseButton(ButtonSlot which, SymbolNumber number, const Callback* owner)
{
    auto& slots = buttonSlots(which);
    if (number < slots.size() && slots[number].get() == owner)
        slots[number].reset();
}

bool InputHandler::subscribeAxis(SymbolNumber plus, SymbolNumber minus, std::shared_ptr<const AxisCallback> callback)
{
    // Either slot being taken refuses the pair: overwriting only the minus side would steal that
    // symbol from the pair that holds it and leave that pair half connected.
    const bool plusTaken = plus < plusSlots.size() && plusSlots[plus].callback;
    const bool minusTaken = minus < minusSlots.size() && minusSlots[minus].callback;
    if (plusTaken || minusTaken) {
        GameLog::line("Attempting to subscribe to axis symbol numbers +" + std::to_string(plus) + " and -"
            + std::to_string(minus) + " multiple times");
        return false;
    }
    growToCover(plusSlots, plus);
    growToCover(minusSlots, minus);
    plusSlots[plus] = AxisSlot{minus, callback};
    minusSlots[minus] = AxisSlot{plus, std::move(callback)};
    return true;
}

void InputHandler::unsubscribeAxis(SymbolNumber plus, SymbolNumber minus)
{
    if (plus < plusSlots.size())
        plusSlots[plus] = AxisSlot{};
    if (minus < minusSlots.size())
        minusSlots[minus] = AxisSlot{};
}

void InputHandler::releaseAxis(SymbolNumber plus, SymbolNumber minus, const AxisCallback* owner)
{
    if (plus < plusSlots.size() && plusSlots[plus].callback.get() == owner)
        plusSlots[plus] = AxisSlot{};
    if (minus < minusSlots.size() && minusSlots[minus].callback.get() == owner)
        minusSlots[minus] = AxisSlot{};
}

// --- Enter and exit handles ---

InputHandler::ButtonSubscription::ButtonSubscription(ButtonSlot which, const std::string& symbolName,
                                                     Callback newCallback)
    : slot(which)
    , symbol(InputHandler::getSingleton().getSymbol(symbolName))
    , callback(std::make_shared<const Callback>(std::move(newCallback)))
{
    subscribe();
}

InputHandler::ButtonSubscription::~ButtonSubscription()
{
    if (active)
        unsubscribe();
}

void InputHandler::ButtonSubscription::subscribe()
{
    InputHandler::getSingleton().subscribeButton(slot, symbol, callback);
    // A refused handle still counts as active for its owner; it simply owns no slot.
    active = true;
}

void InputHandler::ButtonSubscription::unsubscribe()
{
    if (InputHandler* handler = InputHandler::getSingletonPtr())
        handler->releaseButton(slot, symbol, callback.get());
    active = false;
}

void InputHandler::ButtonSubscription::setEnabled(bool enabled)
{
    if (enabled && !active)
        subscribe();
    else if (!enabled && active)
        unsubscribe();
}

void InputHandler::ButtonSubscription::setCallback(Callback newCallback)
{
    const bool wasActive = active;
    if (wasActive)
        unsubscribe();
    callback = std::make_shared<const Callback>(std::move(newCallback));
    if (wasActive)
        subscribe();
}

bool InputHandler::ButtonSubscription::ownsSlot() const
{
    const InputHandler* handler = InputHandler::getSingletonPtr();
    if (!handler || !active)
        return false;
    const auto& slots = slot == ButtonSlot::Enter ? handler->enterSlots : handler->exitSlots;
    return symbol < slots.size() && slots[symbol] == callback;
}

InputHandler::EnterSubscription::EnterSubscription(const std::string& symbolName, Callback callback)
    : ButtonSubscription(ButtonSlot::Enter, symbolName, std::move(callback))
{
}

InputHandler::ExitSubscription::ExitSubscription(const std::string& symbolName, Callback callback)
    : ButtonSubscription(ButtonSlot::Exit, symbolName, std::move(callback))
{
}

// --- Axis handle ---

InputHandler::AxisSubscription::AxisSubscription(const std::string& plusName, const std::string& minusName,
                                                 AxisCallback newCallback)
    : plus(InputHandler::getSingleton().getSymbol(plusName))
    , minus(InputHandler::getSingleton().getSymbol(minusName))
    , callback(std::make_shared<const AxisCallback>(std::move(newCallback)))
{
    subscribe();
}

InputHandler::AxisSubscription::~AxisSubscription()
{
    if (active)
        unsubscribe();
}

void InputHandler::AxisSubscription::subscribe()
{
    InputHandler::getSingleton().subscribeAxis(plus, minus, callback);
    active = true;
}

void InputHandler::AxisSubscription::unsubscribe()
{
    if (InputHandler* handler = InputHandler::getSingletonPtr())
        handler->releaseAxis(plus, minus, callback.get());
    active = false;
}

void InputHandler::AxisSubscription::setEnabled(bool enabled)
{
    if (enabled && !active)
        subscribe();
    else if (!enabled && active)
        unsubscribe();
}

bool InputHandler::AxisSubscription::ownsSlot() const
{
    const InputHandler* handler = InputHandler::getSingletonPtr();
    if (!handler || !active)
        return false;
    return plus < handler->plusSlots.size() && handler->plusSlots[plus].callback == callback;
}

// --- Physical input ---

namespace {

constexpr std::uint32_t mouseMoveLeft = 0;
constexpr std::uint32_t mouseMoveRight = 1;
constexpr std::uint32_t mouseMoveUp = 2;
constexpr std::uint32_t mouseMoveDown = 3;

// The GUI library's mouse buttons: left, right, middle, X1, X2, and its "no button".
constexpr int guiLeftButton = 0;
constexpr int guiRightButton = 1;
constexpr int guiMiddleButton = 2;
constexpr int guiX1Button = 3;
constexpr int guiX2Button = 4;
constexpr int guiNoButton = 6;

// Shaped joystick values below this are noise and read as 0.
constexpr double joystickFloor = 0.0001;

constexpr std::size_t tableIndex(InputType kind)
{
    return static_cast<std::size_t>(kind);
}

} // namespace

void InputHandler::initialise(GameWindow& window, const std::string& keymapPath)
{
    nativeWindow = window.getNativeHandle();
    if (!processInputTask)
        processInputTask = std::make_unique<FixedTask>([this](float, float) { processEvents(); }, "Process Input", 0);

    // SDL itself made the window, so the id is only reported; it stays in the environment for
    // tools started from the game.
    char windowId[32];
    std::snprintf(windowId, sizeof windowId, "0x%08lX", nativeWindow);
    GameLog::line(std::string("HWND for SDL: SDL_WINDOWID=") + windowId);
    setenv("SDL_WINDOWID", windowId, 1);
    setenv("SDL_VIDEODRIVER", "x11", 0);

    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
        GameLog::line(std::string("SDL failed init: ") + SDL_GetError());
        throw std::runtime_error("Bad SDL Init");
    }
    installHangUpHandler();
    // A hidden cursor and relative motion: the mouse steers, unbounded by the window's edges.
    SDL_ShowCursor(SDL_DISABLE);
    SDL_SetRelativeMouseMode(SDL_TRUE);
    // Characters reach the GUI from the key names; SDL's text input would only add events.
    SDL_StopTextInput();

    loadKeymap(keymapPath);

    // Bring the window to the front with the keyboard focus, which a bare X server does not give.
    SDL_RaiseWindow(window.getSdlWindow());
    SDL_SetWindowInputFocus(window.getSdlWindow());

    if (SDL_NumJoysticks() > 0) {
        SDL_JoystickEventState(SDL_ENABLE);
        if (!openJoystick(0))
            GameLog::line("Failed to open default joystick");
    }
}

void InputHandler::processEvents()
{
    processEvents(Scheduler::getSingleton().getRealTime());
}

bool InputHandler::openJoystick(int index)
{
    closeJoystick();
    SDL_Joystick* opened = SDL_JoystickOpen(index);
    if (!opened) {
        GameLog::line("Failed to opened joystick");
        return false;
    }
    joystick = opened;
    joystickIndex = index;
    const char* name = SDL_JoystickName(opened);
    GameLog::line(std::string("Opened joystick: ") + (name ? name : ""));
    return true;
}

void InputHandler::closeJoystick()
{
    if (!joystick)
        return;
    const char* name = SDL_JoystickName(joystick);
    GameLog::line(std::string("Closing joystick: ") + (name ? name : ""));
    SDL_JoystickClose(joystick);
    joystick = nullptr;
}

void InputHandler::setInputCapture(CaptureCallback callback)
{
    capture = std::move(callback);
    ++captureGeneration;
}

bool InputHandler::isCloseRequestWaiting()
{
    SDL_PumpEvents();
    return hangUpReceived || SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0;
}

void InputHandler::processEvents(double realTime)
{
    if (!mouseClockStarted) {
        lastMouseStep = realTime;
        mouseClockStarted = true;
    }
    // One pump per frame, then the queue is drained: events that arrive while the frame runs
    // wait for the next one, and a capture's leftovers are met first next frame.
    SDL_PumpEvents();
    if (hangUpReceived) {
        hangUpReceived = 0;
        closeRequest("Hang-up signal received");
    }
    int motionX = 0;
    int motionY = 0;
    SdlTranslation::Event event;
    while (nextEvent(event)) {
        if (event.type == SdlTranslation::Event::Type::CloseRequest)
            closeRequest("Window close requested");
        if (capture) {
            // A capture takes one event per frame and skips the frame's mouse step, so the
            // menu that asked for it sees each input on its own.
            captureEvent(event);
            return;
        }
        dispatchEvent(event, motionX, motionY);
    }
    mouseStep(realTime, motionX, motionY);
}

bool InputHandler::nextEvent(SdlTranslation::Event& event)
{
    while (pendingEvents.empty()) {
        SDL_Event sdlEvent;
        if (SDL_PeepEvents(&sdlEvent, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1)
            return false;
        SdlTranslation::translate(sdlEvent, pendingEvents);
    }
    event = pendingEvents.front();
    pendingEvents.pop_front();
    return true;
}

bool InputHandler::fromOpenJoystick(const SdlTranslation::Event& event) const
{
    return joystick && event.joystick == SDL_JoystickInstanceID(joystick);
}

void InputHandler::captureEvent(const SdlTranslation::Event& event)
{
    using Type = SdlTranslation::Event::Type;
    InputType kind;
    std::uint32_t code = event.code;
    float value = 0.0f;
    switch (event.type) {
    case Type::KeyDown:
    case Type::KeyUp:
        kind = InputType::KEY;
        break;
    case Type::MouseButtonDown:
    case Type::MouseButtonUp:
        kind = InputType::MOUSE_BUTTON;
        break;
    case Type::MouseMotion:
        // The dominant direction wins, so a sideways drag with a pixel of jitter binds sideways.
        kind = InputType::MOUSE_MOVE;
        if (std::abs(event.y) > std::abs(event.x)) {
            code = event.y > 0 ? mouseMoveDown : mouseMoveUp;
            value = mouseScale(event.y);
        } else {
            code = event.x > 0 ? mouseMoveRight : mouseMoveLeft;
            value = mouseScale(event.x);
        }
        break;
    case Type::JoystickAxis:
        if (!fromOpenJoystick(event))
            return;
        kind = InputType::JOYSTICK_AXIS;
        code = event.axisValue > 0 ? 2 * event.code : event.axisValue < 0 ? 2 * event.code + 1 : 0;
        value = shapeJoystickAxis(event.axisValue);
        break;
    case Type::JoystickButtonDown:
    case Type::JoystickButtonUp:
        if (!fromOpenJoystick(event))
            return;
        kind = InputType::JOYSTICK_BUTTON;
        break;
    default:
        return;
    }
    const unsigned generation = captureGeneration;
    // A copy, because the callback may install another capture while it runs.
    const CaptureCallback callback = capture;
    const bool goOn = callback(kind, code, value);
    if (!goOn && generation == captureGeneration)
        capture = nullptr;
}

void InputHandler::dispatchEvent(const SdlTranslation::Event& event, int& motionX, int& motionY)
{
    using Type = SdlTranslation::Event::Type;
    switch (event.type) {
    case Type::KeyDown:
        keyDown(event.code);
        break;
    case Type::KeyUp:
        keyUp(event.code);
        break;
    case Type::MouseMotion:
        motionX += event.x;
        motionY += event.y;
        guiMotionX += event.x;
        guiMotionY += event.y;
        break;
    case Type::MouseButtonDown:
        mouseButtonDown(event.code);
        break;
    case Type::MouseButtonUp:
        mouseButtonUp(event.code);
        break;
    case Type::JoystickAxis:
        if (fromOpenJoystick(event))
            joystickAxis(event.code, event.axisValue);
        break;
    case Type::JoystickButtonDown:
    case Type::JoystickButtonUp:
        if (fromOpenJoystick(event))
            joystickButton(event.code, event.type == Type::JoystickButtonDown);
        break;
    case Type::CloseRequest:
        break;
    }
}

double InputHandler::mouseCarryFactor(double elapsed) const
{
    if (!std::isfinite(mouseDecayRate))
        return 0.0;
    return std::clamp(1.0 - elapsed * mouseDecayRate, 0.0, 1.0);
}

void InputHandler::mouseStep(double now, int motionX, int motionY)
{
    // Real time, so the momentum decays while the game is paused too.
    const double elapsed = now - lastMouseStep;
    lastMouseStep = now;

    // The GUI cursor follows every frame's raw motion: a steady drag gives the same total each
    // frame, which the symbol side rightly ignores but the cursor must not.
    flushGuiMotion();

    int totalX = motionX;
    int totalY = motionY;
    if (!mouseMomentumSuspended) {
        const double carry = mouseCarryFactor(elapsed);
        totalX = static_cast<int>(std::trunc(previousMotionX * carry + motionX));
        totalY = static_cast<int>(std::trunc(previousMotionY * carry + motionY));
    }
    if (totalX != previousMotionX) {
        previousMotionX = totalX;
        horizontalMotion(totalX);
    }
    if (totalY != previousMotionY) {
        previousMotionY = totalY;
        verticalMotion(totalY);
    }
}

std::vector<InputHandler::SymbolNumber> InputHandler::symbolsBoundTo(InputType kind, std::uint32_t code) const
{
    // A copy: a callback may rebind while the symbols of this input are being driven.
    std::vector<SymbolNumber> symbols;
    const auto range = bindingTable(kind).equal_range(code);
    for (auto it = range.first; it != range.second; ++it)
        symbols.push_back(it->second);
    return symbols;
}

const InputHandler::BindingTable& InputHandler::bindingTable(InputType kind) const
{
    return bindings[tableIndex(kind)];
}

void InputHandler::pressAll(InputType kind, std::uint32_t code, float value)
{
    for (const SymbolNumber symbol : symbolsBoundTo(kind, code)) {
        setSymbolPressed(symbol, true);
        setSymbolValue(symbol, value);
    }
}

void InputHandler::releaseAll(InputType kind, std::uint32_t code)
{
    for (const SymbolNumber symbol : symbolsBoundTo(kind, code)) {
        setSymbolPressed(symbol, false);
        setSymbolValue(symbol, 0.0f);
    }
}

void InputHandler::driveDirection(InputType kind, std::uint32_t code, float value)
{
    for (const SymbolNumber symbol : symbolsBoundTo(kind, code)) {
        if (value > 0.0f) {
            setSymbolPressed(symbol, true);
            setSymbolValue(symbol, value);
        } else if (isSymbolPressed(symbol)) {
            // Only a direction that was active is released, so a quiet mouse or a centred stick
            // does not keep firing exit callbacks.
            setSymbolPressed(symbol, false);
            setSymbolValue(symbol, 0.0f);
        }
    }
}

void InputHandler::closeRequest(const char* reason)
{
    // Closing the window quits as the action "quit" does, through the exit sequence; with the
    // exit screen already up it ends the program as a key press would.
    GameLog::line(reason);
    closeRequested = true;
    if (exitOnKeyPress)
        throw ImmediateExit();
    throw NormalExit();
}

void InputHandler::keyDown(std::uint32_t code)
{
    if (exitOnKeyPress) {
        GameLog::line("Exit screen dismissed by a key press");
        throw ImmediateExit();
    }
    if (guiInjection && guiInjector) {
        if (const auto scan = SdlTranslation::guiScanCode(code))
            guiInjector->injectKeyDown(*scan);
        const std::string name = SdlTranslation::keyName(code);
        if (name.size() == 1)
            guiInjector->injectChar(static_cast<unsigned char>(name[0]));
    }
    pressAll(InputType::KEY, code, 1.0f);
}

void InputHandler::keyUp(std::uint32_t code)
{
    if (guiInjection && guiInjector) {
        if (const auto scan = SdlTranslation::guiScanCode(code))
            guiInjector->injectKeyUp(*scan);
    }
    releaseAll(InputType::KEY, code);
}

void InputHandler::flushGuiMotion()
{
    if (guiInjection && guiInjector && (guiMotionX != 0 || guiMotionY != 0))
        guiInjector->injectMouseMove(static_cast<float>(guiMotionX), static_cast<float>(guiMotionY));
    guiMotionX = 0;
    guiMotionY = 0;
}

void InputHandler::mouseButtonDown(std::uint32_t button)
{
    // A slow frame can hold a move and the click that ends it: the cursor moves first, so the
    // click lands where the player put it.
    flushGuiMotion();
    if (guiInjection && guiInjector)
        guiInjector->injectMouseButtonDown(toGuiMouseButton(button));
    pressAll(InputType::MOUSE_BUTTON, button, 1.0f);
}

void InputHandler::mouseButtonUp(std::uint32_t button)
{
    flushGuiMotion();
    if (guiInjection && guiInjector)
        guiInjector->injectMouseButtonUp(toGuiMouseButton(button));
    releaseAll(InputType::MOUSE_BUTTON, button);
}

void InputHandler::joystickButton(std::uint32_t button, bool down)
{
    if (down)
        pressAll(InputType::JOYSTICK_BUTTON, button, 1.0f);
    else
        releaseAll(InputType::JOYSTICK_BUTTON, button);
}

void InputHandler::horizontalMotion(int total)
{
    const float scale = mouseScale(total);
    driveDirection(InputType::MOUSE_MOVE, mouseMoveRight, total > 0 ? scale : 0.0f);
    driveDirection(InputType::MOUSE_MOVE, mouseMoveLeft, total < 0 ? scale : 0.0f);
}

void InputHandler::verticalMotion(int total)
{
    const float scale = mouseScale(total);
    driveDirection(InputType::MOUSE_MOVE, mouseMoveUp, total < 0 ? scale : 0.0f);
    driveDirection(InputType::MOUSE_MOVE, mouseMoveDown, total > 0 ? scale : 0.0f);
}

void InputHandler::joystickAxis(std::uint32_t axis, int raw)
{
    const float value = shapeJoystickAxis(raw);
    driveDirection(InputType::JOYSTICK_AXIS, 2 * axis, value > 0.0f ? value : 0.0f);
    driveDirection(InputType::JOYSTICK_AXIS, 2 * axis + 1, value < 0.0f ? -value : 0.0f);
}

float InputHandler::mouseScale(int motion) const
{
    return static_cast<float>(std::min(std::abs(double(motion)) / mouseDivisor, 1.0));
}

float InputHandler::shapeJoystickAxis(int raw) const
{
    const double x = std::max((std::abs(double(raw)) / 32768.0 - deadZone) * deadZoneStretch, 0.0);
    double y = (std::pow(10.0, logFactor * x) * logScale - logOffset) * logNormalise;
    if (y < joystickFloor)
        y = 0.0;
    return static_cast<float>(raw < 0 ? -y : y);
}

int InputHandler::toGuiMouseButton(std::uint32_t sdlButton)
{
    switch (sdlButton) {
    case 1:
        return guiLeftButton;
    case 2:
        return guiMiddleButton;
    case 3:
        return guiRightButton;
    case 4:
        return guiX1Button;
    case 5:
        return guiX2Button;
    default:
        return guiNoButton;
    }
}

void InputHandler::setMouseSensitivity(unsigned sensitivity)
{
    if (sensitivity > 100) {
        GameLog::line("Mouse sensitivity " + std::to_string(sensitivity) + " is above 100; using 100");
        sensitivity = 100;
    }
    mouseDivisor = 101.0 - sensitivity;
}

unsigned InputHandler::getMouseSensitivity() const
{
    return static_cast<unsigned>(101.0 - mouseDivisor);
}

void InputHandler::setMouseFilterHalflife(float halflife)
{
    if (!(halflife >= 0.0f)) {
        GameLog::line("Mouse filter half-life " + Ogre::StringConverter::toString(halflife) + " is below 0; using 0");
        halflife = 0.0f;
    }
    // Kept as the rate in float, so the half-life read from the key map gives a rate of exactly
    // 100 for 0.01 and a 5 ms frame carries exactly half. A half-life of 0 makes it infinite.
    mouseDecayRate = halflife > 0.0f ? 1.0f / halflife : std::numeric_limits<float>::infinity();
}

float InputHandler::getMouseFilterHalflife() const
{
    return std::isfinite(mouseDecayRate) ? 1.0f / mouseDecayRate : 0.0f;
}

void InputHandler::setJoystickDeadZone(unsigned percent)
{
    if (percent > 99) {
        GameLog::line("Joystick dead zone " + std::to_string(percent) + " is above 99; using 99");
        percent = 99;
    }
    // The whole percent is kept so that saving writes back exactly what was read.
    deadZonePercent = percent;
    deadZone = percent * 0.01;
    deadZoneStretch = 1.0 / (1.0 - deadZone);
}

unsigned InputHandler::getJoystickDeadZone() const
{
    return deadZonePercent;
}

void InputHandler::setJoystickLogFactor(float factor)
{
    if (!(factor >= 0.01f))
        return;
    logFactor = factor;
    logScale = 1.0 / std::pow(10.0, logFactor);
    logOffset = std::pow(0.1, logFactor);
    logNormalise = 1.0 / (1.0 - logOffset);
}

float InputHandler::getJoystickLogFactor() const
{
    return static_cast<float>(logFactor);
}

// --- Bindings and input names ---

// --- Key map ---

namespace {

const char* const defaultKeymapPath = "cfg/active.keymap";
const char* const generalSection = "General";
const char* const mappingSection = "Mapping";
const char* const UTF8_BYTE_ORDER_MARK = "\xEF\xBB\xBF";

std::string keymapPathOr(const std::string& path)
{
    return path.empty() ? defaultKeymapPath : path;
}

std::string trimmedLine(const std::string& line)
{
    const char* const blanks = " \t\r\n";
    const std::size_t first = line.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

// A line as the log can show it: bytes outside printable ASCII become '?', and a long line is cut.
std::string printableLine(const std::string& text)
{
    const std::size_t longest = 80;
    std::string shown = text.substr(0, longest);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            c = '?';
    }
    return text.size() > longest ? shown + "..." : shown;
}

// The configuration reader passes over lines it cannot read without a word; in the key map such a
// line is a binding the player expects, so it is named in the log. Lines before the first section
// belong to none and are skipped as well. Other sections' readable lines are kept for others.
void logMalformedLines(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string line;
    bool inSection = false;
    bool firstLine = true;
    while (std::getline(file, line)) {
        // Editors that save UTF-8 may start the file with a byte-order mark; it is no part of
        // the first line (the configuration reader passes over it too).
        if (firstLine && line.rfind(UTF8_BYTE_ORDER_MARK, 0) == 0)
            line.erase(0, std::strlen(UTF8_BYTE_ORDER_MARK));
        firstLine = false;
        const std::string text = trimmedLine(line);
        if (text.empty() || text.front() == '#')
            continue;
        if (text.front() == '[' && text.back() == ']') {
            inSection = true;
            continue;
        }
        if (!inSection || text.find('=') == std::string::npos)
            GameLog::line("Malformed key map line skipped: " + printableLine(text));
    }
}

// A tuning value that does not convert has been logged by the reader; its conversion error ends
// the load, as any other setting that cannot be read would. A missing key takes its default.
template <typename T, typename Apply>
void applySetting(const Config& keymap, const char* key, const T& defaultValue, Apply apply)
{
    apply(keymap.get<T>(generalSection, key, defaultValue));
}

// Every section and key of the written file matches the configuration in memory.
bool writtenIntact(const Config& expected, const std::string& path)
{
    try {
        const Config written(path);
        for (const std::string& section : expected.getSectionNames()) {
            const std::vector<std::string> keys = expected.getKeys(section);
            if (written.getKeys(section) != keys)
                return false;
            for (const std::string& key : keys) {
                if (written.getValue(section, key) != expected.getValue(section, key))
                    return false;
            }
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

void InputHandler::loadKeymap(const std::string& path)
{
    const std::string file = keymapPathOr(path);
    GameLog::line("InputHandler input registrations:");
    const Config keymap(file);
    logMalformedLines(file);
    applyTuning(keymap);

    // A second load replaces the bindings rather than doubling them.
    for (BindingTable& table : bindings)
        table.clear();
    for (const std::string& key : keymap.getKeys(mappingSection)) {
        const std::string input = keymap.getValue(mappingSection, key);
        if (key.empty()) {
            GameLog::line("Malformed key map line skipped: = " + input);
            continue;
        }
        bindByName(getSymbol(key), input);
    }
    if (keymap.getKeys(mappingSection).empty())
        GameLog::line("Key map " + file + " holds no mapping: no input is bound");
    checkKeymapBindings(file);
}

const std::vector<std::string>& InputHandler::getGameCommands()
{
    static const std::vector<std::string> commands{
        "pause", "quit", "screenshot", "suicide", "toggle_command_mode", "back", "nose_cam_view", "chase_cam_view",
        "flyby_view", "command_zoom_in", "command_zoom_out", "command_pan_left", "command_pan_right", "command_pan_up",
        "command_pan_down", "command_cycle", "target_reticle_closest", "toggle_formation", "toggle_formation_mode",
        "fire_primary", "fire_secondary", "forward_thrust", "backward_thrust", "left_thrust", "right_thrust",
        "up_thrust", "down_thrust", "pitch_up", "pitch_down", "yaw_left", "yaw_right", "roll_left", "roll_right",
        "next_category", "prev_category", "next_item", "prev_item", "toggle_test_ground", "load_test_scenario",
        "test_special"};
    return commands;
}

void InputHandler::checkKeymapBindings(const std::string& file)
{
    std::set<SymbolNumber> bound;
    for (const BindingTable& table : bindings) {
        for (const auto& binding : table)
            bound.insert(binding.second);
    }
    if (bound.empty()) {
        GameLog::line("Key map " + file + " binds no input");
        throw ConfigurationError();
    }
    for (const std::string& command : getGameCommands()) {
        if (bound.count(getSymbol(command)) == 0)
            GameLog::line("Key map " + file + ": " + command + " has no input");
    }
}

void InputHandler::applyTuning(const Config& keymap)
{
    applySetting<unsigned>(keymap, "mouse_sensitivity", 40u, [this](unsigned v) { setMouseSensitivity(v); });
    applySetting<float>(keymap, "mouse_filter_halflife", 0.01f, [this](float v) { setMouseFilterHalflife(v); });
    applySetting<unsigned>(keymap, "joystick_dead_zone", 10u, [this](unsigned v) { setJoystickDeadZone(v); });
    applySetting<float>(keymap, "joystick_log_factor", 2.0f, [this](float v) { setJoystickLogFactor(v); });
}

void InputHandler::bindByName(SymbolNumber symbol, const std::string& input)
{
    bool bound = false;
    if (const auto code = keyCodeForName(input)) {
        bindPhysicalInput(InputType::KEY, *code, symbol);
        bound = true;
    }
    if (const auto code = parseMouseButtonName(input)) {
        bindPhysicalInput(InputType::MOUSE_BUTTON, *code, symbol);
        bound = true;
    }
    if (const auto code = parseMouseMoveName(input)) {
        bindPhysicalInput(InputType::MOUSE_MOVE, *code, symbol);
        bound = true;
    }
    if (const auto code = parseJoystickButtonName(input)) {
        bindPhysicalInput(InputType::JOYSTICK_BUTTON, *code, symbol);
        bound = true;
    }
    if (const auto code = parseJoystickAxisName(input)) {
        bindPhysicalInput(InputType::JOYSTICK_AXIS, *code, symbol);
        bound = true;
    }
    if (bound)
        GameLog::line(input + " --> " + names[symbol]);
    else
        GameLog::line(input + " is not a valid input name");
}

void InputHandler::saveKeymap(const std::string& path) const
{
    const std::string file = keymapPathOr(path);
    // Read first, so that whatever else the file holds survives; a deleted file is made anew
    // rather than losing the player's bindings.
    Config keymap(file, true);
    keymap.set<unsigned>(generalSection, "mouse_sensitivity", getMouseSensitivity());
    keymap.set<float>(generalSection, "mouse_filter_halflife", getMouseFilterHalflife());
    keymap.set<unsigned>(generalSection, "joystick_dead_zone", getJoystickDeadZone());
    keymap.set<float>(generalSection, "joystick_log_factor", getJoystickLogFactor());
    for (const auto& [symbol, input] : getMappings())
        keymap.setValue(mappingSection, symbol, input);

    // Through a temporary file and a rename, so that a failed write never leaves half a key map.
    const std::string temporary = file + ".tmp";
    keymap.save(temporary);
    std::error_code error;
    if (!writtenIntact(keymap, temporary)) {
        GameLog::line("Key map not saved: could not write " + temporary);
        std::filesystem::remove(temporary, error);
        return;
    }
    std::filesystem::rename(temporary, file, error);
    if (error) {
        GameLog::line("Key map not saved: could not replace " + file + " (" + error.message() + ")");
        std::filesystem::remove(temporary, error);
    }
}

void InputHandler::bindPhysicalInput(InputType kind, std::uint32_t code, SymbolNumber symbol)
{
    if (!knownValueIndex(symbol, "bind"))
        return;
    bindings[tableIndex(kind)].emplace(code, symbol);
    // A symbol that changes its input starts released, without telling its subscribers.
    pressed[symbol] = false;
    values[symbol] = 0.0f;
}

void InputHandler::unbindSymbol(SymbolNumber symbol)
{
    for (BindingTable& table : bindings) {
        for (auto it = table.begin(); it != table.end();) {
            if (it->second == symbol)
                it = table.erase(it);
            else
                ++it;
        }
    }
}

namespace {

constexpr InputType namingOrder[] = {InputType::KEY, InputType::MOUSE_BUTTON, InputType::MOUSE_MOVE,
                                     InputType::JOYSTICK_BUTTON, InputType::JOYSTICK_AXIS};

constexpr std::uint32_t lastNamedMouseButton = 10;
constexpr std::uint32_t lastNamedJoystickButton = 8;
constexpr std::uint32_t lastNamedJoystickAxisCode = 17;
const char* const mouseMoveNames[] = {"Mouse Move Left", "Mouse Move Right", "Mouse Move Up", "Mouse Move Down"};

// Parses by producing every name of the kind and comparing, so only the exact spelling counts.
template <typename NameOf>
std::optional<std::uint32_t> parseByName(const std::string& name, std::uint32_t first, std::uint32_t last, NameOf nameOf)
{
    for (std::uint32_t code = first; code <= last; ++code) {
        if (nameOf(code) == name)
            return code;
    }
    return std::nullopt;
}

} // namespace

std::vector<InputHandler::Mapping> InputHandler::getMappings() const
{
    std::vector<Mapping> mappings;
    for (const InputType kind : namingOrder) {
        for (const auto& [code, symbol] : bindingTable(kind)) {
            const auto input = inputName(kind, code);
            if (input && symbol < names.size())
                mappings.emplace_back(names[symbol], *input);
        }
    }
    return mappings;
}

std::string InputHandler::getInputNameForSymbol(const std::string& symbolName)
{
    const SymbolNumber symbol = getSymbol(symbolName);
    for (const InputType kind : namingOrder) {
        for (const auto& [code, bound] : bindingTable(kind)) {
            if (bound != symbol)
                continue;
            if (const auto input = inputName(kind, code))
                return *input;
        }
    }
    return "";
}

std::optional<std::string> InputHandler::inputName(InputType kind, std::uint32_t code)
{
    switch (kind) {
    case InputType::KEY:
        return keyName(code);
    case InputType::MOUSE_BUTTON:
        return mouseButtonName(code);
    case InputType::MOUSE_MOVE:
        return mouseMoveName(code);
    case InputType::JOYSTICK_BUTTON:
        return joystickButtonName(code);
    case InputType::JOYSTICK_AXIS:
        return joystickAxisName(code);
    }
    return std::nullopt;
}

std::optional<std::string> InputHandler::keyName(std::uint32_t code)
{
    if (code > SdlTranslation::lastKeyCode)
        return std::nullopt;
    // Numbers without a name of their own share "unknown key", which belongs to 0 alone.
    std::string name = SdlTranslation::keyName(code);
    if (SdlTranslation::keyCodeForName(name) != code)
        return std::nullopt;
    return name;
}

std::optional<std::uint32_t> InputHandler::keyCodeForName(const std::string& name)
{
    return SdlTranslation::keyCodeForName(name);
}

std::optional<std::string> InputHandler::mouseButtonName(std::uint32_t code)
{
    if (code < 1 || code > lastNamedMouseButton)
        return std::nullopt;
    return "Mouse Button " + std::to_string(code);
}

std::optional<std::uint32_t> InputHandler::parseMouseButtonName(const std::string& name)
{
    return parseByName(name, 1, lastNamedMouseButton, mouseButtonName);
}

std::optional<std::string> InputHandler::mouseMoveName(std::uint32_t code)
{
    if (code > mouseMoveDown)
        return std::nullopt;
    return std::string(mouseMoveNames[code]);
}

std::optional<std::uint32_t> InputHandler::parseMouseMoveName(const std::string& name)
{
    return parseByName(name, 0, mouseMoveDown, mouseMoveName);
}

std::optional<std::string> InputHandler::joystickButtonName(std::uint32_t code)
{
    if (code > lastNamedJoystickButton)
        return std::nullopt;
    return "Joystick Button " + std::to_string(code);
}

std::optional<std::uint32_t> InputHandler::parseJoystickButtonName(const std::string& name)
{
    return parseByName(name, 0, lastNamedJoystickButton, joystickButtonName);
}

std::optional<std::string> InputHandler::joystickAxisName(std::uint32_t code)
{
    if (code > lastNamedJoystickAxisCode)
        return std::nullopt;
    return "Joystick Axis " + std::to_string(code / 2) + (code % 2 == 0 ? "+" : "-");
}

std::optional<std::uint32_t> InputHandler::parseJoystickAxisName(const std::string& name)
{
    return parseByName(name, 0, lastNamedJoystickAxisCode, joystickAxisName);
}

std::optional<std::uint32_t> InputHandler::oppositeMouseMove(std::uint32_t code)
{
    switch (code) {
    case mouseMoveLeft:
        return mouseMoveRight;
    case mouseMoveRight:
        return mouseMoveLeft;
    case mouseMoveUp:
        return mouseMoveDown;
    case mouseMoveDown:
        return mouseMoveUp;
    default:
        return std::nullopt;
    }
}

std::optional<std::uint32_t> InputHandler::oppositeJoystickAxis(std::uint32_t code)
{
    return code % 2 == 0 ? code + 1 : code - 1;
}

} // namespace Tolvarine

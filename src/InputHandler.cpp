#include "InputHandler.h"

#include "FatalError.h"

#include <OgreLogManager.h>

#include <utility>

namespace Tolvarine {

namespace {

// Room for the symbols the game names at start-up before the first getSymbol grows the vectors.
constexpr std::size_t initialSymbolCapacity = 30;
// A subscription to a number beyond the slot vector grows it with some head room.
constexpr std::size_t slotHeadRoom = 10;

void log(const std::string& message)
{
    Ogre::LogManager::getSingleton().logMessage(message);
}

template <typename T>
void growToCover(std::vector<T>& entries, std::size_t index)
{
    if (entries.size() <= index)
        entries.resize(index + 1);
}

} // namespace

InputHandler* InputHandler::singleton = nullptr;

InputHandler::InputHandler()
{
    if (singleton) {
        log("InputHandler created twice");
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
    singleton = nullptr;
}

InputHandler& InputHandler::getSingleton()
{
    if (!singleton) {
        log("InputHandler used before it was created");
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
        log("Attempted to find symbol name for unknown symbol: " + std::to_string(number));
        return std::nullopt;
    }
    return names[number];
}

bool InputHandler::knownValueIndex(SymbolNumber number, const char* operation) const
{
    if (number < values.size())
        return true;
    log(std::string("Attempted to ") + operation + " unknown symbol: " + std::to_string(number));
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
        log(std::string("Attempting to subscribe to ") + (which == ButtonSlot::Enter ? "enter" : "exit")
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
        log("Attempting to subscribe to axis symbol numbers +" + std::to_string(plus) + " and -"
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

} // namespace Tolvarine

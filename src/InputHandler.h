#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tolvarine {

// The one road every player input travels. Game code never looks at keys, buttons or axes: it
// names an input symbol ("pause", "fire_primary", "pitch_up") and subscribes a callback to it
// through one of the three handle classes below. The physical side turns device events into
// symbol values with setSymbolValue, which dispatches to the subscribers.
//
// One callback per symbol and slot: a second subscriber is refused with a log line and the first
// one keeps working. Everything runs on the game thread.
class InputHandler {
public:
    using SymbolNumber = std::uint32_t;
    using Callback = std::function<void()>;
    using AxisCallback = std::function<void(float)>;

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

    static InputHandler* singleton;

    std::map<std::string, SymbolNumber> numbers;
    std::vector<std::string> names;
    std::vector<float> values;
    std::vector<bool> pressed;
    std::vector<std::shared_ptr<const Callback>> enterSlots;
    std::vector<std::shared_ptr<const Callback>> exitSlots;
    std::vector<AxisSlot> plusSlots;  // indexed by the plus symbol, holds the minus symbol
    std::vector<AxisSlot> minusSlots; // indexed by the minus symbol, holds the plus symbol
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

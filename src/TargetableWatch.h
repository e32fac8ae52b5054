#pragma once

#include <functional>

namespace Tolvarine {

class Targetable;

// A holder's subscription to the deletion of targetables. Whatever keeps a plain pointer to a
// targetable beyond the object's time in play (an AI's or a turret's target, a weapon's aim, a
// threat list, the heads-up display's wireframes) owns one, made with the function that lets go of
// an object. Pooled objects are deleted only when their types are read again; before that, while
// the object is still whole, every watch hears of it (Targetable::announceDeletion), so that no
// holder ever reads an object that is gone. Made and destroyed with its holder.
//
// A holder that must not act on an object once it has left play (it would reach the pool's next
// user of the same object) asks to hear of every departure from play as well: such a watch is told
// when the object leaves play (Targetable::setInactive), before its pool can hand it out again, and
// when it is deleted.
class TargetableWatch {
public:
    using Forget = std::function<void(const Targetable& gone)>;
    enum class Until { DELETION, LEAVING_PLAY };

    explicit TargetableWatch(Forget forget, Until until = Until::DELETION);
    // The common holder: one pointer, emptied when its object goes.
    explicit TargetableWatch(Targetable*& held, Until until = Until::DELETION);
    ~TargetableWatch();
    TargetableWatch(const TargetableWatch&) = delete;
    TargetableWatch& operator=(const TargetableWatch&) = delete;

    // Runs every watch's function with `gone`, in the order the watches were made. The functions
    // only let go: they make and destroy no watch.
    static void tellAll(const Targetable& gone);
    // The same for the watches made to hear of departures from play.
    static void tellLeavingPlay(const Targetable& gone);

private:
    Forget forget;
    Until until;
};

} // namespace Tolvarine

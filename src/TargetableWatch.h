#pragma once

#include <functional>

namespace Tolvarine {

class Targetable;

// A holder's subscription to the end of a targetable's life. Whatever keeps a plain pointer to a
// targetable beyond the object's time in play (an AI's or a turret's target, a weapon's aim, a
// threat list, the heads-up display's wireframes, every camera's target, an explosion sequence's
// ship) owns one, made with the function that lets go of an object.
//
// Every watch hears when its object's pool hands it to a new user (Targetable::announceHandOut),
// so no holder of an earlier life acts on the next user of the same object. And pooled objects are
// deleted only when their types are read again; every watch hears of it before the object's
// memory goes, so that no holder ever reads an object that is gone: through
// Targetable::announceDeletion, where the pools announce it while the object is still whole, and
// in any case from the Targetable destructor, after the object's own parts are gone. So a function
// compares the address it is given and reads nothing of the object, unless an earlier step of the
// deletion has already taken the object from it (the heads-up display's wireframes let go of a
// ship in the ship's destructor and on deselection). Made and destroyed with its holder.
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

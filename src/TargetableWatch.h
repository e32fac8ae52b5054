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
class TargetableWatch {
public:
    using Forget = std::function<void(const Targetable& gone)>;

    explicit TargetableWatch(Forget forget);
    // The common holder: one pointer, emptied when its object goes.
    explicit TargetableWatch(Targetable*& held);
    ~TargetableWatch();
    TargetableWatch(const TargetableWatch&) = delete;
    TargetableWatch& operator=(const TargetableWatch&) = delete;

    // Runs every watch's function with `gone`, in the order the watches were made. The functions
    // only let go: they make and destroy no watch.
    static void tellAll(const Targetable& gone);

private:
    Forget forget;
};

} // namespace Tolvarine

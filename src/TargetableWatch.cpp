#include "TargetableWatch.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace Tolvarine {

namespace {

// Never destroyed: pooled objects that live in other statics unsubscribe while the program ends.
std::vector<TargetableWatch*>& watches()
{
    static auto* list = new std::vector<TargetableWatch*>;
    return *list;
}

} // namespace

TargetableWatch::TargetableWatch(Forget forgetIn, Until untilIn)
    : forget(std::move(forgetIn))
    , until(untilIn)
{
    watches().push_back(this);
}

TargetableWatch::TargetableWatch(Targetable*& held, Until untilIn)
    : TargetableWatch(
          [&held](const Targetable& gone) {
              if (held == &gone)
                  held = nullptr;
          },
          untilIn)
{
}

TargetableWatch::~TargetableWatch()
{
    std::vector<TargetableWatch*>& list = watches();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TargetableWatch::tellAll(const Targetable& gone)
{
    for (TargetableWatch* watch : watches())
        watch->forget(gone);
}

void TargetableWatch::tellLeavingPlay(const Targetable& gone)
{
    for (TargetableWatch* watch : watches()) {
        if (watch->until == Until::LEAVING_PLAY)
            watch->forget(gone);
    }
}

} // namespace Tolvarine

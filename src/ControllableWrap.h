#pragma once

#include "Controllable.h"

#include <boost/python/wrapper.hpp>

namespace Tolvarine {

// The script face of Controllable. Scripts never make controllables; they get the game's own
// objects (ships, stations) and call their operations, which dispatch to the concrete class.
class ControllableWrap : public Controllable, public boost::python::wrapper<Controllable> {
public:
    using Controllable::Controllable;

    // A Python subclass may take over focusing; otherwise the concrete class's own setFocus runs.
    void setFocus(bool focus) override;
};

} // namespace Tolvarine

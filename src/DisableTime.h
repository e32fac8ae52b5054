#pragma once

namespace Tolvarine {

// The argument of every deactivate operation. Its values have no names: 0 when an active object
// is activated again, 1 when an explosion or debris ends its own life, 2 when the pools
// are emptied at the end of a scenario (and for a few forced cases). Most classes ignore it.
enum DisableTime : int {};

} // namespace Tolvarine

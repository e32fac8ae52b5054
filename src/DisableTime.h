#pragma once

namespace Tolvarine {

// Why an object is being taken out of play, passed to every deactivate and stop operation.
// The values carry no names: 0 when an active object is activated again, 1 when an object ends
// its own life (an explosion or a debris piece), 2 when the pools are emptied at the end of a
// scenario. Base classes ignore it; the classes that care interpret it.
enum DisableTime : int {};

} // namespace Tolvarine

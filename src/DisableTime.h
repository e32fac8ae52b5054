#pragma once

namespace Tolvarine {

// The argument of every deactivate operation: why the object leaves play. Scripts and the
// deactivate overrides see it as a number, so the values stay as they are. Most classes ignore it.
enum DisableTime : int {
    // The object is put into play again while it is in play: this life ends so that the next one
    // starts at once (a shot relaunched, a ship activated anew).
    REACTIVATION = 0,
    // The object's own life has run out: an explosion that is done, a piece of debris that bursts,
    // a shot at the end of its time to live.
    OWN_END = 1,
    // The game takes the object out of play: the pools are emptied at the end of a scenario, or a
    // ship, station, formation, warp arrival, glow or test-ground item is removed before its time.
    TAKEN_OUT = 2
};

} // namespace Tolvarine

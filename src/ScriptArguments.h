#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <map>
#include <string>
#include <vector>

namespace boost::python {
class dict;
}

namespace Tolvarine {

// The checks of the values scripts hand to the game's faces. The rendering and physics engines end
// the process on values they cannot take: a NaN position fails an assertion of the scene graph, a
// zero orientation one of the physics library, and a place outside the collision space one of the
// space itself, a frame later. Each check raises a Python ValueError that names the call (as
// "Ship.spawnFleet") and the value, which the script gets as its own error, and writes the same
// text to the log as a line of its own; otherwise it returns the value to use. Called only from
// the script adapters: the game's own code is not checked here.
class ScriptArguments {
public:
    // A place in the world: finite, and within PhysicsEngine::MAX_COORDINATE on every axis.
    static Ogre::Vector3 position(const char* call, const Ogre::Vector3& position);
    // The places of a fleet laid out around `centre`, before any of its ships is put into play:
    // each within PhysicsEngine::MAX_COORDINATE on every axis, as a single ship's place. The
    // rings reach past a centre that position takes: a fleet of five Trifighters around
    // (1e8, 0, 0) was taken, and three of its ships left play in their first frames.
    static void fleetPlaces(const char* call, const Ogre::Vector3& centre, const std::vector<Ogre::Vector3>& places);
    // A direction: finite and long enough to normalise; returned normalised.
    static Ogre::Vector3 direction(const char* call, const Ogre::Vector3& direction);
    // A velocity: finite and no faster than PhysicsEngine::MAX_SPEED.
    static Ogre::Vector3 velocity(const char* call, const Ogre::Vector3& velocity);
    // An orientation: finite and neither zero nor too small or large to normalise; returned
    // normalised, since the engines turn offsets by it as by a unit quaternion.
    static Ogre::Quaternion orientation(const char* call, const Ogre::Quaternion& orientation);
    // A distance from a place in the world, either way: finite, and no further than
    // PhysicsEngine::MAX_COORDINATE. `what` names it in the error ("the orbit range").
    static float distance(const char* call, const char* what, float distance);
    // Any finite number; `what` names it in the error ("the radius").
    static float finite(const char* call, const char* what, float value);
    // Any vector of finite numbers, however long; `what` names it in the error ("the velocity").
    static Ogre::Vector3 finite(const char* call, const char* what, const Ogre::Vector3& value);
    // A number from `lowest` to `highest` (either may be infinite); NaN and infinities never pass.
    static float number(const char* call, const char* what, float value, float lowest, float highest);

    // A ship type, by its name ("trifighter") or by the base name of its ".ship" file: one of the
    // types loaded. Checked at the call, so that a misspelt name is the script's error there and
    // then, not an end of the game when the ship is first built (a warp arrival builds it
    // seconds later). The game's own line for the name comes first in the log, as the ship pools
    // ("Multipool factory cannot create ...") or the ship types ("ShipType file ... not found")
    // write it, then the refusal.
    static const std::string& shipType(const char* call, const std::string& name);
    static const std::string& shipFile(const char* call, const std::string& fileBaseName);

    // A fleet as a script gives it, ship type name to count ({"trifighter": 3}): every type one of
    // those loaded and every count a whole number from 0 to MAX_SHIPS_IN_PLAY. The caller then
    // checks the room for all the ships of its call with roomForShips.
    static std::map<std::string, unsigned> fleet(const char* call, const boost::python::dict& fleet);
    // The ships of a fleet, all types together.
    static unsigned fleetSize(const std::map<std::string, unsigned>& fleet);
    // Refuses a call that would bring `ships` more ships into play than there is room for: the
    // ships in play (the active ships of every type, capital ships among them, and the ships that
    // warp arrivals are bringing) and these together no more than MAX_SHIPS_IN_PLAY. Every script
    // face that brings ships into play asks: a fleet, the mode fleets of a scenario, a warp arrival,
    // the activation of an inactive ship (Ship.activate, and DynamicCollidable.activate, which puts
    // it into play without a faction). The game's own fleets and waves are not checked.
    static void roomForShips(const char* call, unsigned ships);
    // The most ships in play at once by a script's doing. A pool grows by a ship for every ship it
    // lacks, and a fleet is built whole before it flies: a count of four billion never returned,
    // and took memory until the system ran out. Ships brought in at one place collide with each
    // other until they have spread. Measured: 1,000 in one fleet took 1.2 GB, a first frame of 20
    // s to nearly 3 minutes and then a second or two a frame; 1,500 took 2.1 GB and drew no frame
    // in 5 minutes; 2,000 took 3.5 GB and had not finished their first frame (inside the physics
    // library) after 12 minutes. The count is of the ships in play, not of one call: four fleets
    // of 400 at one place, 1,600 warp arrivals at one place, or 1,600 ships taken and activated one
    // at a time at one place drew no frame in 5 minutes either.
    static constexpr unsigned MAX_SHIPS_IN_PLAY = 1000;
};

} // namespace Tolvarine

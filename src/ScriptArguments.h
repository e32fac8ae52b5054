#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Tolvarine {

// The checks of the values scripts hand to the game's faces. The rendering and physics engines end
// the process on values they cannot take: a NaN position fails an assertion of the scene graph, a
// zero orientation one of the physics library, and a place outside the collision space one of the
// space itself, a frame later. Each check raises a Python ValueError that names the call (as
// "Ship.spawnFleet") and the value, which the script gets as its own error; otherwise it returns
// the value to use. Called only from the script adapters: the game's own code is not checked here.
class ScriptArguments {
public:
    // A place in the world: finite, and within PhysicsEngine::MAX_COORDINATE on every axis.
    static Ogre::Vector3 position(const char* call, const Ogre::Vector3& position);
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
    // A number from `lowest` to `highest` (either may be infinite); NaN and infinities never pass.
    static float number(const char* call, const char* what, float value, float lowest, float highest);
};

} // namespace Tolvarine

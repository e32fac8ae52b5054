#pragma once

#include <OgreVector.h>

namespace Tolvarine {

// One waypoint of a Path.
struct PathPoint {
    Ogre::Vector3 position = Ogre::Vector3::ZERO;
    // Unit vector towards the next waypoint; zero for the last one, and for a waypoint that the
    // next one repeats.
    Ogre::Vector3 direction = Ogre::Vector3::ZERO;
    // Length of the path from the first waypoint to this one.
    float distance = 0.0f;
};

} // namespace Tolvarine

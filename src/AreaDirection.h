#pragma once

#include <OgreVector.h>

namespace Tolvarine {

// A direction an area file gives (a light's, a star's, a planet's): any finite vector but (0 0 0)
// names one, whatever its size.
class AreaDirection {
public:
    // `direction` as a unit vector; (0 0 0) stays (0 0 0). It is scaled to a largest component of
    // 1 before it is normalised: the squares of components beyond about 1.8e19 overflow a float,
    // and normalising such a vector as it is gives (0 0 0); those of components below about 1e-19
    // vanish, and the vector stays as it is.
    static Ogre::Vector3 unit(const Ogre::Vector3& direction);
};

} // namespace Tolvarine

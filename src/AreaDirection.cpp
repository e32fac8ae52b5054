#include "AreaDirection.h"

#include <algorithm>
#include <cmath>

namespace Tolvarine {

Ogre::Vector3 AreaDirection::unit(const Ogre::Vector3& direction)
{
    const float largest = std::max({std::abs(direction.x), std::abs(direction.y), std::abs(direction.z)});
    if (!(largest > 0.0f))
        return Ogre::Vector3::ZERO;
    return (direction / largest).normalisedCopy();
}

} // namespace Tolvarine

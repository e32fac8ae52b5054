#include "ForceController.h"

#include <algorithm>

namespace Tolvarine {

Ogre::Vector3 ForceController::clamp(const Ogre::Vector3& vector, float maximum)
{
    Ogre::Vector3 direction = vector;
    float length = direction.normalise();
    // A zero vector has no direction to keep; one within the limit passes bit for bit.
    if (!(length > 0.0f) || length <= maximum)
        return vector;
    length = std::max(std::min(length, maximum), -maximum);
    return direction * length;
}

float clampToLimit(const ForceController& controller, float value)
{
    const float limit = controller.getMaxTorque();
    return std::max(std::min(value, limit), -limit);
}

} // namespace Tolvarine

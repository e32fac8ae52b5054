#include "FixedCamera.h"

#include "CameraController.h"
#include "Targetable.h"

#include <OgreSceneNode.h>

namespace Tolvarine {

FixedCamera::FixedCamera(const std::string& name)
    : FixedCamera(name, gameSceneManager(), CameraController::getConfig())
{
}

FixedCamera::FixedCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings)
    : ChaseCamera(name, 0.0f, sceneManager, settings)
{
}

FixedCamera::~FixedCamera() = default;

void FixedCamera::setTarget(Targetable& newTarget)
{
    target = &newTarget;
    offset = newTarget.getFixedOffset();
}

void FixedCamera::update(float, float)
{
    if (!active || !target)
        return;
    const Ogre::Quaternion orientation = target->getOrientation();
    node->setPosition(target->getPosition() + orientation * offset);
    node->setOrientation(orientation);
    velocity = target->getVelocity();
}

} // namespace Tolvarine

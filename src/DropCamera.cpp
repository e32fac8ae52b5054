#include "DropCamera.h"

#include "CameraController.h"
#include "Targetable.h"

#include <OgreSceneNode.h>

namespace Tolvarine {

DropCamera::DropCamera(const std::string& name)
    : DropCamera(name, gameSceneManager(), CameraController::getConfig())
{
}

DropCamera::DropCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings)
    : CameraBase(name, sceneManager, settings)
{
}

DropCamera::~DropCamera() = default;

void DropCamera::setTarget(Targetable& newTarget)
{
    target = &newTarget;
    const float release = 3.0f * newTarget.getDropOffset().length();
    releaseDistanceSquared = release * release;
}

void DropCamera::drop(Targetable& newTarget)
{
    setTarget(newTarget);
    node->setPosition(newTarget.getPosition() + newTarget.getOrientation() * newTarget.getDropOffset());
}

void DropCamera::update(float, float)
{
    if (!active || !target)
        return;
    if (target->getPosition().squaredDistance(getPosition()) > releaseDistanceSquared)
        drop(*target);
    lookAt(target->getPosition());
}

} // namespace Tolvarine

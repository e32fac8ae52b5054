#include "ChaseCamera.h"

#include "CameraController.h"
#include "Targetable.h"

#include <OgreSceneNode.h>

namespace Tolvarine {

ChaseCamera::ChaseCamera(const std::string& name, float correctionSpeed)
    : ChaseCamera(name, correctionSpeed, gameSceneManager(), CameraController::getConfig())
{
}

ChaseCamera::ChaseCamera(const std::string& name, float correctionSpeed, Ogre::SceneManager& sceneManager,
                         const Config& settings)
    : CameraBase(name, sceneManager, settings)
    , correctionSpeed(correctionSpeed)
    , lastTime(gameTime())
{
}

ChaseCamera::~ChaseCamera() = default;

void ChaseCamera::setTarget(Targetable& newTarget)
{
    target = &newTarget;
    offset = newTarget.getChaseOffset();
}

void ChaseCamera::activate(Ogre::Viewport* viewport, Targetable* newTarget)
{
    CameraBase::activate(viewport, newTarget);
    lastTime = gameTime();
}

void ChaseCamera::setPosition(const Ogre::Vector3& position)
{
    CameraBase::setPosition(position);
    velocity = Ogre::Vector3::ZERO;
}

void ChaseCamera::settle()
{
    if (!target)
        return;
    setPosition(target->getPosition() + target->getOrientation() * offset);
    faceTarget();
}

void ChaseCamera::faceTarget()
{
    lookAt(target->getPosition());
    // The next look-at keeps the target's up direction.
    node->setFixedYawAxis(true, target->getOrientation().yAxis());
}

void ChaseCamera::update(float, float)
{
    if (!active)
        return;
    const Ogre::Vector3 old = node->getPosition();
    // The clock advances on every active frame, with or without a target, so that a target handed
    // over after a spell without one does not make the next step span that whole spell.
    const double now = gameTime();
    const float elapsed = static_cast<float>(now - lastTime);
    lastTime = now;
    if (!target)
        return;

    const Ogre::Vector3 desired = target->getPosition() + target->getOrientation() * offset;
    // Not limited: a factor above 1 overshoots, as a long frame at a high speed should.
    node->setPosition(old + (desired - getPosition()) * (elapsed * correctionSpeed));
    faceTarget();
    velocity = elapsed != 0.0f ? (node->getPosition() - old) / elapsed : Ogre::Vector3::ZERO;
}

} // namespace Tolvarine

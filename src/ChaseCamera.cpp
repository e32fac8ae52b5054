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
    // Held at 1, as the free camera holds its own: above 1 the step passes the chase point, and
    // above 2 lands further out than it started, so at a correction speed of 300 and frames 0.05 s
    // apart the view swung out further every frame until its place was no number (the collision
    // library's abort, the sound layer's exit). A long frame or any speed lands on the point.
    node->setPosition(old + (desired - getPosition()) * limitFactor(elapsed * correctionSpeed, 1.0f));
    faceTarget();
    velocity = elapsed != 0.0f ? (node->getPosition() - old) / elapsed : Ogre::Vector3::ZERO;
}

} // namespace Tolvarine

#include "CommandChaseCamera.h"

#include "CameraController.h"
#include "Config.h"
#include "Targetable.h"

#include <OgreCamera.h>
#include <OgreSceneNode.h>

namespace Tolvarine {

CommandChaseCamera::CommandChaseCamera(const std::string& name)
    : CommandChaseCamera(name, gameSceneManager(), CameraController::getConfig())
{
}

CommandChaseCamera::CommandChaseCamera(const std::string& name, Ogre::SceneManager& sceneManager,
                                       const Config& settings)
    : ChaseCamera(name, readSpeed(settings, "CommandCamera", "movementSpeed", "Camera settings"), sceneManager,
                  settings)
    , settings(settings)
    , zoomSubscription("command_zoom_in", "command_zoom_out", [this](float value) { zoom(value); })
    , panSubscription("command_pan_left", "command_pan_right", [this](float value) { pan(value); })
    , panVerticalSubscription("command_pan_up", "command_pan_down", [this](float value) { panVertical(value); })
{
    offset = settings.get<Ogre::Vector3>("CommandCamera", "initialOffset");
    panSubscription.setEnabled(false);
    panVerticalSubscription.setEnabled(false);
}

CommandChaseCamera::~CommandChaseCamera() = default;

void CommandChaseCamera::setTarget(Targetable& newTarget)
{
    target = &newTarget;
    pivotPosition = newTarget.getPosition();
    pivotOrientation = newTarget.getOrientation();
    offset = 2.0f * newTarget.getChaseOffset();
}

void CommandChaseCamera::activate(Ogre::Viewport* viewport, Targetable* newTarget)
{
    CameraBase::activate(viewport, newTarget);
    lastTime = realTime();
    panSubscription.setEnabled(true);
    panVerticalSubscription.setEnabled(true);
}

void CommandChaseCamera::deactivate()
{
    CameraBase::deactivate();
    panSubscription.setEnabled(false);
    panVerticalSubscription.setEnabled(false);
}

void CommandChaseCamera::update(float lastFrameTime, float)
{
    if (!active)
        return;
    const Ogre::Vector3 old = node->getPosition();
    const double now = realTime();
    const float elapsed = static_cast<float>(now - lastTime);
    lastTime = now;

    const Ogre::Vector3 desired = pivotPosition + pivotOrientation * offset;
    node->setPosition(old + (desired - getPosition()) * limitFactor(elapsed * correctionSpeed, 1.0f));

    const Ogre::Quaternion from = node->getOrientation();
    lookAt(pivotPosition);
    const Ogre::Quaternion to = node->getOrientation();
    const float turn = limitFactor(elapsed * correctionSpeed * 3.0f, 0.4f);
    node->setOrientation(Ogre::Quaternion::Slerp(turn, from, to, true));

    // The game's frame time, 0 while paused: a paused overview makes no sound motion.
    velocity = lastFrameTime != 0.0f ? (node->getPosition() - old) / lastFrameTime : Ogre::Vector3::ZERO;
}

void CommandChaseCamera::zoom(float value)
{
    if (!zoomSettings) {
        const float proportion = settings.get<float>("CommandCamera", "zoomStepProportion");
        const float maxDistance = settings.get<float>("CommandCamera", "maxDistance");
        const float minDistance = settings.get<float>("CommandCamera", "minDistance");
        zoomSettings = ZoomSettings{1.0f + proportion, maxDistance, minDistance};
    }
    if (value == 1.0f) {
        const Ogre::Vector3 candidate = offset / zoomSettings->step;
        if (candidate.length() > zoomSettings->minDistance)
            offset = candidate;
    } else if (value == -1.0f) {
        const Ogre::Vector3 candidate = offset * zoomSettings->step;
        if (candidate.length() < zoomSettings->maxDistance)
            offset = candidate;
    }
}

void CommandChaseCamera::pan(float value)
{
    if (!panSpeed)
        panSpeed = settings.get<float>("CommandCamera", "panControlSpeed");
    turnAboutPivot(*panSpeed * value, camera->getDerivedOrientation().yAxis());
}

void CommandChaseCamera::panVertical(float value)
{
    if (!panVerticalSpeed)
        panVerticalSpeed = settings.get<float>("CommandCamera", "panControlSpeed");
    turnAboutPivot(*panVerticalSpeed * value, camera->getDerivedOrientation().xAxis());
}

void CommandChaseCamera::turnAboutPivot(float angle, const Ogre::Vector3& axis)
{
    const Ogre::Vector3 world = Ogre::Quaternion(Ogre::Radian(angle), axis) * (pivotOrientation * offset);
    offset = pivotOrientation.Inverse() * world;
}

} // namespace Tolvarine

#include "FreeCamera.h"

#include "CameraController.h"
#include "Config.h"
#include "Targetable.h"

#include <OgreSceneNode.h>

#include <boost/python/class.hpp>
#include <boost/python/enum.hpp>

namespace bp = boost::python;

namespace Tolvarine {

FreeCamera::FreeCamera(const std::string& name)
    : FreeCamera(name, gameSceneManager(), CameraController::getConfig())
{
}

FreeCamera::FreeCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings)
    : CameraBase(name, sceneManager, settings)
    , orbitRange(settings.get<float>("FreeCamera", "orbitRange"))
    , orbitSpeed(settings.get<float>("FreeCamera", "orbitSpeedDegrees"))
    , movementSpeed(settings.get<float>("FreeCamera", "freeCameraCorrectionSpeed"))
    , lastTime(realTime())
{
}

FreeCamera::~FreeCamera() = default;

void FreeCamera::setTarget(Targetable& newTarget)
{
    target = &newTarget;
}

void FreeCamera::activate(Ogre::Viewport* viewport, Targetable* newTarget)
{
    CameraBase::activate(viewport, newTarget);
    lastTime = realTime();
}

void FreeCamera::moveTo(const Ogre::Vector3& newDestination)
{
    destination = newDestination;
}

void FreeCamera::pointAt(const Ogre::Vector3& newPoint)
{
    point = newPoint;
    const Ogre::Quaternion current = node->getOrientation();
    lookAt(newPoint);
    destinationOrientation = node->getOrientation();
    node->setOrientation(current);
}

void FreeCamera::update(float lastFrameTime, float)
{
    if (!active)
        return;
    const double now = realTime();
    const float elapsed = static_cast<float>(now - lastTime);
    lastTime = now;

    aim(elapsed);

    const Ogre::Vector3 old = node->getPosition();
    node->setPosition(old + (destination - old) * limitFactor(elapsed * movementSpeed, 1.0f));
    const float turn = limitFactor(elapsed * movementSpeed * 3.0f, 0.4f);
    node->setOrientation(Ogre::Quaternion::Slerp(turn, node->getOrientation(), destinationOrientation, true));

    // The game's frame time, 0 while paused: the listener hears no motion in a paused game.
    velocity = lastFrameTime != 0.0f ? (node->getPosition() - old) / lastFrameTime : Ogre::Vector3::ZERO;
}

void FreeCamera::aim(float elapsed)
{
    switch (targetMode) {
    case POINT_AT:
        pointAt(target ? target->getPosition() : point);
        break;
    case IGNORE:
        pointAt(point);
        break;
    case ORBIT:
        orbit(elapsed);
        break;
    default:
        // An unknown mode keeps the last aim.
        break;
    }
}

void FreeCamera::orbit(float elapsed)
{
    Ogre::Vector3 centre = point;
    Ogre::Vector3 axis = Ogre::Vector3::UNIT_Y;
    if (target) {
        centre = target->getPosition();
        axis = target->getOrientation().Inverse() * Ogre::Vector3::UNIT_Y;
    }
    orbitAngle += elapsed * orbitSpeed;
    destination = centre + Ogre::Quaternion(Ogre::Degree(orbitAngle), axis).xAxis() * orbitRange;
    pointAt(centre);
}

void FreeCamera::exportToPython()
{
    bp::class_<FreeCamera, boost::noncopyable>("FreeCamera", bp::no_init)
        .def("moveTo", &FreeCamera::moveTo)
        .def("pointAt", &FreeCamera::pointAt)
        .def("setOrbitRange", &FreeCamera::setOrbitRange)
        .def("setOrbitSpeed", &FreeCamera::setOrbitSpeed)
        .def("setMovementSpeed", &FreeCamera::setMovementSpeed)
        .def("setTarget", &FreeCamera::setTarget)
        .def("clearTarget", &FreeCamera::clearTarget)
        .def("setPosition", &FreeCamera::setPosition)
        .def("setTargetMode", &FreeCamera::setTargetMode);
    bp::enum_<TargetMode>("TargetMode")
        .value("IGNORE", IGNORE)
        .value("POINT_AT", POINT_AT)
        .value("ORBIT", ORBIT);
}

} // namespace Tolvarine

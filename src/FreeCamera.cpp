#include "FreeCamera.h"

#include "CameraController.h"
#include "Config.h"
#include "ScriptArguments.h"
#include "Targetable.h"

#include <OgreSceneNode.h>

#include <boost/python/class.hpp>
#include <boost/python/enum.hpp>

#include <cmath>
#include <limits>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

void setPositionFromScript(FreeCamera& camera, const Ogre::Vector3& position)
{
    camera.setPosition(ScriptArguments::position("FreeCamera.setPosition", position));
}

void moveToFromScript(FreeCamera& camera, const Ogre::Vector3& destination)
{
    camera.moveTo(ScriptArguments::position("FreeCamera.moveTo", destination));
}

void pointAtFromScript(FreeCamera& camera, const Ogre::Vector3& point)
{
    camera.pointAt(ScriptArguments::position("FreeCamera.pointAt", point));
}

// The camera is placed this far from the orbit's centre, so the range keeps to the physics space
// as places do: one near the float range made the camera's velocity infinite, which the sound
// layer ends the game on.
void setOrbitRangeFromScript(FreeCamera& camera, float range)
{
    camera.setOrbitRange(ScriptArguments::distance("FreeCamera.setOrbitRange", "the orbit range", range));
}

void setOrbitSpeedFromScript(FreeCamera& camera, const Ogre::Degree& speed)
{
    camera.setOrbitSpeed(Ogre::Degree(
        ScriptArguments::finite("FreeCamera.setOrbitSpeed", "the orbit speed in degrees", speed.valueDegrees())));
}

// A negative speed carries the camera away from its destination, further on every frame, until
// its place leaves the float range and the sound layer ends the game.
void setMovementSpeedFromScript(FreeCamera& camera, float speed)
{
    camera.setMovementSpeed(ScriptArguments::number("FreeCamera.setMovementSpeed", "the movement speed", speed,
                                                    0.0f, std::numeric_limits<float>::max()));
}

} // namespace

FreeCamera::FreeCamera(const std::string& name)
    : FreeCamera(name, gameSceneManager(), CameraController::getConfig())
{
}

FreeCamera::FreeCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings)
    : CameraBase(name, sceneManager, settings)
    , orbitRange(settings.get<float>("FreeCamera", "orbitRange"))
    , orbitSpeed(settings.get<float>("FreeCamera", "orbitSpeedDegrees"))
    , movementSpeed(readSpeed(settings, "FreeCamera", "freeCameraCorrectionSpeed", "Camera settings"))
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
    // Kept within one turn, and added up in double: unwrapped, the angle of a fast orbit leaves the
    // float range within seconds, and the camera's place becomes NaN.
    orbitAngle = static_cast<float>(std::fmod(double(orbitAngle) + double(elapsed) * orbitSpeed, 360.0));
    destination = centre + Ogre::Quaternion(Ogre::Degree(orbitAngle), axis).xAxis() * orbitRange;
    pointAt(centre);
}

void FreeCamera::exportToPython()
{
    bp::class_<FreeCamera, boost::noncopyable>("FreeCamera", bp::no_init)
        .def("moveTo", &moveToFromScript)
        .def("pointAt", &pointAtFromScript)
        .def("setOrbitRange", &setOrbitRangeFromScript)
        .def("setOrbitSpeed", &setOrbitSpeedFromScript)
        .def("setMovementSpeed", &setMovementSpeedFromScript)
        .def("setTarget", &FreeCamera::setTarget)
        .def("clearTarget", &FreeCamera::clearTarget)
        .def("setPosition", &setPositionFromScript)
        .def("setTargetMode", &FreeCamera::setTargetMode);
    bp::enum_<TargetMode>("TargetMode")
        .value("IGNORE", IGNORE)
        .value("POINT_AT", POINT_AT)
        .value("ORBIT", ORBIT);
}

} // namespace Tolvarine

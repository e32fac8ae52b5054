#include "CameraController.h"

#include "Config.h"
#include "DebrisSystem.h"
#include "FatalError.h"
#include "GameLog.h"
#include "Targetable.h"

#include <OgreCamera.h>

#include <boost/python/class.hpp>
#include <boost/python/enum.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_internal_reference.hpp>
#include <boost/python/return_value_policy.hpp>

namespace bp = boost::python;

namespace Tolvarine {

CameraController* CameraController::singleton = nullptr;

CameraController::CameraController()
    : CameraController(CameraBase::gameSceneManager(), getConfig())
{
}

CameraController::CameraController(Ogre::SceneManager& sceneManager, const Config& settings)
    : noseKey("nose_cam_view", [this] { activateFixedCamera(); })
    , chaseKey("chase_cam_view", [this] { activateChaseCamera(); })
    , flybyKey("flyby_view", [this] { activateDropCamera(); })
    , fixedCamera("Fixed", sceneManager, settings)
    , chaseCamera("Chase", 1.0f, sceneManager, settings)
    , dropCamera("Drop", sceneManager, settings)
    , freeCamera("Free", sceneManager, settings)
    , currentCamera(&fixedCamera)
{
    singleton = this;
    try {
        chaseCamera.setCorrectionSpeed(
            CameraBase::readSpeed(settings, "Camera", "chaseCorrectionSpeed", "Camera settings"));
    } catch (...) {
        singleton = nullptr;
        throw;
    }
    setViewKeysEnabled(true);
}

CameraController::~CameraController()
{
    // The dust must not follow a camera that is going away.
    DebrisSystem* dust = DebrisSystem::getSingleton();
    if (dust && dust->getCamera()) {
        for (const CameraBase* own : {static_cast<CameraBase*>(&fixedCamera), static_cast<CameraBase*>(&chaseCamera),
                                      static_cast<CameraBase*>(&dropCamera), static_cast<CameraBase*>(&freeCamera)}) {
            if (dust->getCamera() == own)
                dust->setCamera(nullptr);
        }
    }
    if (singleton == this)
        singleton = nullptr;
}

CameraController& CameraController::getSingleton()
{
    if (!singleton) {
        GameLog::line("CameraController used before it was created");
        throw FatalError();
    }
    return *singleton;
}

CameraController* CameraController::getSingletonPtr()
{
    return singleton;
}

Config& CameraController::getConfig()
{
    static Config settings("cfg/camera.cfg", true, false, false);
    return settings;
}

void CameraController::setCameraTarget(Targetable& target)
{
    cameraTarget = &target;
    currentCamera->setTarget(target);
    if (currentCamera == &chaseCamera)
        chaseCamera.settle();
}

void CameraController::clearCameraTarget()
{
    cameraTarget = nullptr;
    currentCamera->clearTarget();
}

Ogre::Camera* CameraController::getCamera() const
{
    return currentCamera->getCamera();
}

void CameraController::switchCamera(CameraBase& camera, bool lockViewKeys)
{
    Ogre::Viewport* viewport = currentViewport();
    currentCamera->deactivate();
    currentCamera = &camera;
    camera.activate(viewport, cameraTarget);
    if (DebrisSystem* dust = DebrisSystem::getSingleton())
        dust->setCamera(&camera);
    setViewKeysEnabled(!lockViewKeys);
}

void CameraController::activateFixedCamera()
{
    switchCamera(fixedCamera, false);
}

void CameraController::activateChaseCamera()
{
    switchCamera(chaseCamera, false);
    chaseCamera.settle();
}

void CameraController::activateFreeCamera()
{
    switchCamera(freeCamera, false);
}

void CameraController::activateDropCamera()
{
    if (!cameraTarget)
        return;
    dropCamera.drop(*cameraTarget);
    switchCamera(dropCamera, false);
}

void CameraController::setCameraType(CameraType type)
{
    switch (type) {
    case FIXED:
        activateFixedCamera();
        break;
    case CHASE:
        activateChaseCamera();
        break;
    case DROP:
        activateDropCamera();
        break;
    case FREE:
        activateFreeCamera();
        break;
    default:
        break;
    }
}

FreeCamera& CameraController::setCameraTypeFree()
{
    activateFreeCamera();
    return freeCamera;
}

Ogre::Viewport* CameraController::currentViewport() const
{
    // The game window makes its one viewport for the current camera, and every switch hands that
    // viewport on to the next camera, which then remembers it as the last viewport that showed it.
    // Before the window has a viewport there is none, and cameras switch without one.
    return currentCamera->getCamera()->getViewport();
}

void CameraController::setViewKeysEnabled(bool enabled)
{
    noseKey.setEnabled(enabled);
    chaseKey.setEnabled(enabled);
    flybyKey.setEnabled(enabled);
}

void CameraController::exportToPython()
{
    bp::class_<CameraController, boost::noncopyable>("CameraController", bp::no_init)
        .def("getSingleton", &CameraController::getSingleton, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("setCameraTypeFree", &CameraController::setCameraTypeFree, bp::return_internal_reference<>())
        .def("setCameraType", &CameraController::setCameraType)
        .def("clearCameraTarget", &CameraController::clearCameraTarget)
        .def("setCameraTarget", &CameraController::setCameraTarget);
    bp::enum_<CameraType>("CameraType")
        .value("FIXED", FIXED)
        .value("CHASE", CHASE)
        .value("DROP", DROP)
        .value("FREE", FREE);
}

} // namespace Tolvarine

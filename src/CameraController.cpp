#include "CameraController.h"

#include "FatalError.h"

#include <OgreLogManager.h>

namespace Tolvarine {

CameraController* CameraController::singleton = nullptr;

CameraController::CameraController()
{
    singleton = this;
}

CameraController::~CameraController()
{
    if (singleton == this)
        singleton = nullptr;
}

CameraController& CameraController::getSingleton()
{
    if (!singleton) {
        Ogre::LogManager::getSingleton().logMessage("CameraController used before it was created");
        throw FatalError();
    }
    return *singleton;
}

CameraController* CameraController::getSingletonPtr()
{
    return singleton;
}

void CameraController::setCameraTarget(Targetable& target)
{
    cameraTarget = &target;
}

void CameraController::clearCameraTarget()
{
    cameraTarget = nullptr;
}

} // namespace Tolvarine

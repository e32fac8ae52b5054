#include "CameraEvent.h"

#include "CameraController.h"
#include "ChaseCamera.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "DropCamera.h"
#include "FreeCamera.h"
#include "GameLog.h"
#include "ValueRange.h"

namespace Tolvarine {

namespace {

CameraEvent::Kind readKind(Config& config, const std::string& section)
{
    const std::string camera = config.get<std::string>(section, "camera");
    if (camera == "Free")
        return CameraEvent::Kind::FREE;
    if (camera == "Drop")
        return CameraEvent::Kind::DROP;
    if (camera == "Chase")
        return CameraEvent::Kind::CHASE;
    GameLog::line("Unknown camera type in CameraEvent: " + section);
    config.logPlace(section, "camera");
    throw ConfigurationError();
}

} // namespace

CameraEvent::CameraEvent(Config& config, const std::string& section)
    : ShipExplosionEvent(config.get<float>(section, "time"))
    , place("CameraEvent " + section + " of " + config.getPath())
    , kind(readKind(config, section))
    , offset(config.get<Ogre::Vector3>(section, "offset", Ogre::Vector3::ZERO))
    // The drop camera takes no speed: any number plays there.
    , speed(kind == Kind::DROP ? config.get<float>(section, "speed", 30.0f)
                               : CameraBase::readSpeed(config, section, "speed", place, 30.0f))
{
}

void CameraEvent::execute(Controllable* target, bool focused, const Ogre::Vector3&)
{
    CameraController* cameras = CameraController::getSingletonPtr();
    if (!focused || !cameras || !target)
        return;
    if (!CameraBase::isViewable(worldPoint(*target, offset))) {
        reportOnce(place, "its offset would put the view beyond " + ValueRange::figure(CameraBase::MAX_VIEW_COORDINATE)
                              + " units on an axis; the view stays as it is");
        return;
    }
    // The new camera starts where the view is now, so the move has no jump.
    const CameraBase* current = cameras->getCurrentCamera();
    const Ogre::Vector3 from = current ? current->getPosition() : worldPoint(*target, offset);
    switch (kind) {
    case Kind::FREE: {
        FreeCamera& camera = cameras->setCameraTypeFree();
        camera.setTarget(*target);
        camera.setTargetMode(FreeCamera::POINT_AT);
        camera.setPosition(from);
        camera.moveTo(worldPoint(*target, offset));
        camera.setMovementSpeed(speed);
        break;
    }
    case Kind::DROP: {
        cameras->setCameraType(CameraController::DROP);
        DropCamera& camera = cameras->getDropCamera();
        camera.setTarget(*target);
        camera.setPosition(worldPoint(*target, offset));
        break;
    }
    case Kind::CHASE: {
        cameras->setCameraType(CameraController::CHASE);
        ChaseCamera& camera = cameras->getChaseCamera();
        camera.setTarget(*target);
        camera.setPosition(from);
        // The chase offset is in the ship's own frame, as the event's offset is.
        camera.setOffset(offset);
        camera.setCorrectionSpeed(speed);
        break;
    }
    }
}

} // namespace Tolvarine

#include "FormationForceController.h"

#include "Config.h"
#include "DynamicCollidable.h"

namespace Tolvarine {

namespace {

const char* const SECTION = "MovementController";

} // namespace

FormationForceController::FormationForceController(DynamicCollidable& owner, const Config& config)
    : owner(owner)
    , maxForce(config.get<float>(SECTION, "maxForce"))
    , maxTorque(config.get<float>(SECTION, "maxTorque"))
{
}

void FormationForceController::applyForce(const Ogre::Vector3& direction)
{
    owner.getPhysicsBody().setForce(direction * maxForce);
}

void FormationForceController::applyTorque(const Ogre::Vector3& axis)
{
    owner.getPhysicsBody().setTorque(axis * maxTorque);
}

void FormationForceController::setForce(const Ogre::Vector3& force, bool limit)
{
    owner.getPhysicsBody().setForce(limitForce(force, limit));
}

void FormationForceController::setTorque(const Ogre::Vector3& torque, bool limit)
{
    owner.getPhysicsBody().setTorque(limitTorque(torque, limit));
}

void FormationForceController::setRelativeForce(const Ogre::Vector3& force, bool limit)
{
    owner.getPhysicsBody().setRelativeForce(limitForce(force, limit));
}

void FormationForceController::setRelativeTorque(const Ogre::Vector3& torque, bool limit)
{
    owner.getPhysicsBody().setRelativeTorque(limitTorque(torque, limit));
}

Ogre::Vector3 FormationForceController::limitForce(const Ogre::Vector3& force, bool limit) const
{
    return limit ? clamp(force, maxForce) : force;
}

Ogre::Vector3 FormationForceController::limitTorque(const Ogre::Vector3& torque, bool limit) const
{
    return limit ? clamp(torque, maxTorque) : torque;
}

} // namespace Tolvarine

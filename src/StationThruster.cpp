#include "StationThruster.h"

#include "Config.h"
#include "PhysicsBody.h"

namespace Tolvarine {

StationThruster::StationThruster(PhysicsBody& stationBody, const Config& config)
    : body(stationBody)
    , maxTorque(config.get<float>("Physics", "maxTorque"))
{
}

void StationThruster::applyTorque(const Ogre::Vector3& axis)
{
    body.setTorque(axis * maxTorque);
}

void StationThruster::setTorque(const Ogre::Vector3& torque, bool limit)
{
    body.setTorque(limit ? clamp(torque, maxTorque) : torque);
}

void StationThruster::setRelativeTorque(const Ogre::Vector3& torque, bool limit)
{
    body.setRelativeTorque(limit ? clamp(torque, maxTorque) : torque);
}

} // namespace Tolvarine

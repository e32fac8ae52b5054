#pragma once

#include "ForceController.h"

namespace Tolvarine {

class Config;
class PhysicsBody;

// The force controller of a capital-ship station: a turret turns on its joint but never moves
// along it, so it takes torque only. Force requests do nothing and its maximum force is 0.
class StationThruster : public ForceController {
public:
    // Reads "maxTorque" of section "Physics" of the station's type file (required).
    StationThruster(PhysicsBody& body, const Config& config);

    float getMaxForce() const override { return 0.0f; }
    float getMaxTorque() const override { return maxTorque; }
    void applyForce(const Ogre::Vector3&) override {}
    void applyTorque(const Ogre::Vector3& axis) override;
    void setForce(const Ogre::Vector3&, bool) override {}
    void setTorque(const Ogre::Vector3& torque, bool limit) override;
    void setRelativeForce(const Ogre::Vector3&, bool) override {}
    void setRelativeTorque(const Ogre::Vector3& torque, bool limit) override;

private:
    PhysicsBody& body;
    float maxTorque;
};

} // namespace Tolvarine

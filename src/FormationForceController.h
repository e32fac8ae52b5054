#pragma once

#include "ForceController.h"

namespace Tolvarine {

class Config;
class DynamicCollidable;

// The force controller a formation reports: whatever steers the formation as a whole (the
// movement controller, while the formation has the focus) drives the formation's own body within
// the limits of section "MovementController" of the formation's file ("maxForce" and "maxTorque",
// both required).
class FormationForceController : public ForceController {
public:
    // A missing limit is logged and raises ConfigurationError.
    FormationForceController(DynamicCollidable& owner, const Config& config);
    FormationForceController(const FormationForceController&) = delete;
    FormationForceController& operator=(const FormationForceController&) = delete;

    float getMaxForce() const override { return maxForce; }
    float getMaxTorque() const override { return maxTorque; }
    // Body-frame directions scaled by the full force or torque.
    void applyForce(const Ogre::Vector3& direction) override;
    void applyTorque(const Ogre::Vector3& axis) override;
    // Body-frame vectors, limited to the maximum length when `limit` is set.
    void setForce(const Ogre::Vector3& force, bool limit) override;
    void setTorque(const Ogre::Vector3& torque, bool limit) override;
    // World-frame vectors, limited first and then turned into the body's frame.
    void setRelativeForce(const Ogre::Vector3& force, bool limit) override;
    void setRelativeTorque(const Ogre::Vector3& torque, bool limit) override;

private:
    Ogre::Vector3 limitForce(const Ogre::Vector3& force, bool limit) const;
    Ogre::Vector3 limitTorque(const Ogre::Vector3& torque, bool limit) const;

    DynamicCollidable& owner;
    float maxForce;
    float maxTorque;
};

} // namespace Tolvarine

#pragma once

#include "AngularMotor.h"
#include "FunctionTask.h"
#include "TargetableWatch.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Tolvarine {

class Config;
class Controllable;
class PositionReporter;
class Targetable;
class WeaponSystem;

// The AI of one turret (a capital-ship station): it picks the best enemy within its engagement
// range and ahead of its rest direction, turns the station towards it with an angular motor and
// fires the station's primary and secondary weapon systems when they bear, are in range and are
// loaded enough. Two tasks do the work: "TurretBehaviour/TargetUpdate" and "TurretBehaviour/Behaviour".
//
// The station owns it for its whole pooled life and switches it off while it is out of play or
// manned by the player. Nothing of one active spell (target, motor command) carries over into the
// next. The weapon systems are the station's: it switches them off itself as it leaves play.
//
// Section "Behaviour" of the station's type file, all required: "targetUpdateVariance",
// "targetUpdatePeriod", "behaviourUpdateVariance", "behaviourUpdatePeriod", "engagementRange"
// (as given, also 0 or below), "primaryWeaponCapacityRestriction",
// "secondaryWeaponCapacityRestriction" and "targetLeadProportion", read in this order.
class TurretBehaviour {
public:
    // The strength of the turret's motor.
    static constexpr float MOTOR_STRENGTH = 0.7f;

    // `station` must have its physics body and force controller; `restOrientation` is the
    // station's rest pose relative to the ship that `shipReporter` follows. A missing or bad key
    // is logged and raises ConfigurationError.
    TurretBehaviour(const Config& stationConfig, Controllable* station,
                    const Ogre::Quaternion& restOrientation, PositionReporter* shipReporter);
    TurretBehaviour(const TurretBehaviour&) = delete;
    TurretBehaviour& operator=(const TurretBehaviour&) = delete;

    // Reads section "Behaviour" as the constructor does, without building anything, for the
    // station loader at start-up.
    static void checkType(const Config& stationConfig);

    void activate();
    // Stops the tasks, frees the station and forgets the target; the weapon systems are left as
    // they are.
    void deactivate();

    // The target-update task: keeps the current target unless a candidate scores above 0.
    void updateTarget();
    // The behaviour task: turns towards the target and starts or stops the weapon systems.
    void updateBehaviour(float dt);

    // How good a target the candidate is: the cosine between the station's rest direction and the
    // direction to it, times how far inside the engagement range it lies. Only candidates inside
    // the range ahead of the rest direction score above 0; one at or beyond the range scores -1.
    float score(const Targetable& candidate) const;

    Targetable* getTarget() const { return target; }
    // Whether the AI works the station (it is in play and not manned).
    bool isActive() const { return behaviourTask.isActive(); }
    const AngularMotor& getMotor() const { return motor; }

private:
    // The direction from the station to where the target will be when a shot of `system` gets
    // there (scaled by the lead proportion), and its cosine with the station's forward axis.
    float aimCosine(WeaponSystem& system, float distance);
    void controlPrimary(WeaponSystem& primary, float distance, float dot);
    void controlSecondary(WeaponSystem& secondary, float distance, float dot);
    void dropTarget();

    Controllable* station;
    Ogre::Quaternion restOrientation;
    AngularMotor motor;
    FunctionTask targetUpdateTask;
    FunctionTask behaviourTask;
    float engagementRange;
    PositionReporter* shipReporter;
    Ogre::Vector3 heading = Ogre::Vector3::ZERO;
    Targetable* target = nullptr;
    float primaryWeaponCapacityRestriction;
    float secondaryWeaponCapacityRestriction;
    float targetLeadProportion;
    TargetableWatch targetWatch{target};
};

} // namespace Tolvarine

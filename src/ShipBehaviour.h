#pragma once

#include "AngularMotor.h"
#include "DisableTime.h"
#include "FormationElement.h"
#include "FunctionTask.h"
#include "Path.h"
#include "TargetableWatch.h"

#include <OgreVector.h>

#include <cstddef>
#include <list>
#include <vector>

namespace Tolvarine {

class Config;
class Controllable;
class Formation;
class GuidedProjectile;
class ShipType;
class Targetable;
class WeaponSystem;

// The AI of one ship. It never moves the ship itself: it hands a world-frame force to the ship's
// force controller, a heading to its angular motor, and starts and stops the ship's two weapon
// systems. Four tasks share the work, at the periods of section "Behaviour" of the ship's type
// file: "ShipBehaviour/TargetUpdate" picks the best enemy within the engagement range and starts
// an attack run on it, "ShipBehaviour/Behaviour" runs the current manoeuvre and blends its force
// with avoidance and missile dodging, "ShipBehaviour/Avoidance" pushes the ship away from its
// neighbours, and "ShipBehaviour/MissileAvoidance" dodges the oldest missile that announced itself,
// while there is one.
//
// What the ship does is the manoeuvre on top of a small stack: an attack run sits on top of the
// order a script gave (loiter, drone, follow a path) or of flying in a formation, and when the run
// ends the order below resumes. With nothing on the stack the ship loiters where it is.
//
// Shock, raised by hits and decaying over time, takes the ship's nerve away: above one threshold
// it stops dodging, above another it breaks off its attack, above a third it stops flying
// altogether. Every tuning value comes from the ship type at the ship's skill.
//
// The ship owns its behaviour for its whole pooled life. Each life starts with startLife (the
// skill of the life, nothing remembered of the previous life) and activate; the player taking the
// ship deactivates the behaviour and leaving it activates it again.
class ShipBehaviour : public FormationElement {
public:
    enum class Manoeuvre { ATTACK, LOITER, DRONE, FOLLOW_PATH, FORMATION };
    using Manoeuvres = std::vector<Manoeuvre>;

    // Squared distance within which the attack run on a point counts as flown.
    static constexpr float ATTACK_RUN_DONE_SQUARED = 2500.0f;
    // Squared distance within which a loitering ship stops pushing towards its point.
    static constexpr float LOITER_REACHED_SQUARED = 200.0f;
    // Below this share of its force left over by avoidance, the ship only avoids.
    static constexpr float MIN_FREEDOM = 0.1f;

    // Reads section "Behaviour" of the ship type file (each task's variance, then its period, then
    // "missileDodgeRange"); a missing key is logged and raises ConfigurationError. The owner must
    // have its physics body, force controller and weapon systems: the firing ranges are taken from
    // its weapon systems now.
    ShipBehaviour(const Config& typeConfig, Controllable* owner, const ShipType* type);
    // Reads section "Behaviour" as the constructor does, without building anything: the ship
    // types' check at start-up, for types whose first ship is built mid-game.
    static void checkType(const Config& typeConfig);
    ~ShipBehaviour();
    ShipBehaviour(const ShipBehaviour&) = delete;
    ShipBehaviour& operator=(const ShipBehaviour&) = delete;

    // A new life of the ship: the skill of that life, and nothing of the previous life (target,
    // manoeuvres, shock, threats, attackers' warnings, avoidance) left over.
    void startLife(float skill);
    // Starts the target update, behaviour and avoidance tasks and attaches the motor.
    void activate();
    // Stops every task, frees the motor, empties the manoeuvre stack, drops the target and stops
    // the fire it started. Threats, formation and shock stay.
    void deactivate(DisableTime time);
    bool isActive() const { return active; }

    // Guided projectiles announce themselves and withdraw; the oldest one still in play is dodged.
    void addThreat(GuidedProjectile* missile);
    void removeThreat(GuidedProjectile* missile);
    // An attacker's warning: a one-shot sideways push, and who is shooting.
    void setPendingVector(const Ogre::Vector3& vector) { pendingVector = vector; }
    void setPendingObject(Controllable* attacker) { pendingObject = attacker; }
    // Hits shake the ship.
    void addShock(float amount) { shock += amount; }

    // The square of the type's "missileDodgeRange": how close a missile comes before it announces
    // itself to this ship.
    float getMissileDodgeRangeSquared() const { return missileDodgeRangeSquared; }

    // Orders from scripts; each replaces whatever the ship was ordered before and leaves a
    // formation. A path without waypoints is no order and is ignored. A drone flies at full
    // thrust towards any velocity faster than it can go, however long.
    void loiter(const Ogre::Vector3& point);
    void drone(const Ogre::Vector3& velocity);
    void followPath(const Path& path);
    // Starts an attack run on the target, replacing a run in progress (and nothing else).
    void attack(Targetable* target);

    // The tasks' work, one run each.
    void updateTarget();
    void updateBehaviour(float dt);
    void updateAvoidance();
    // False when no threat is left in play, which ends the task.
    bool updateMissileAvoidance();
    // Turns towards the target with the lead of the primary system and starts and stops both
    // systems by range, aim and load. Run by the attack and formation manoeuvres.
    void aimAndFire(float dt);

    // FormationElement
    ShipType::Role getRole() const override;
    void setFormationOffset(const Ogre::Vector3& vector) override { offset = vector; }
    const Ogre::Vector3& getFormationOffset() const override { return offset; }
    float getSquaredDistanceToFormation() const override;
    float getBoundingRadius() const override;
    // A target of the ship's own faction is ignored.
    void setTarget(Targetable* newTarget) override;
    void clearTarget() override;
    void setSlaved(bool on) override { slaved = on; }
    // Only a slaved member fires on command.
    void setFiringPrimary(bool firing) override;
    void setFiringSecondary(bool firing) override;
    Formation* getFormation() override { return formation; }
    void joinFormation(Formation* newFormation) override;
    void leaveFormation() override;
    Controllable* getOwner() override { return owner; }
    // How far the ship is from its slot in the formation; -1 while it flies free.
    float getSlotDistance() const;

    float getSkill() const { return skill; }
    float getShock() const { return shock; }
    float getFreedom() const { return freedom; }
    float getNearRange() const { return nearRange; }
    float getFarRange() const { return farRange; }
    Targetable* getTarget() const { return target; }
    const Manoeuvres& getManoeuvres() const { return manoeuvres; }
    const Ogre::Vector3& getDesiredForce() const { return desiredForce; }
    const Ogre::Vector3& getDesiredHeading() const { return desiredHeading; }
    const Ogre::Vector3& getDodge() const { return dodge; }
    const Ogre::Vector3& getPendingVector() const { return pendingVector; }
    Controllable* getPendingObject() const { return pendingObject; }
    const std::list<GuidedProjectile*>& getThreats() const { return threats; }
    // The waypoint being flown to, as its index in the path's points.
    std::size_t getWaypoint() const { return waypoint; }

    // Registers the script class "ShipBehaviour" with the module being started.
    static void exportToPython();

private:
    void attackManoeuvre(float dt);
    void loiterManoeuvre(float dt);
    void droneManoeuvre(float dt);
    void followPathManoeuvre(float dt);
    void formationManoeuvre(float dt);
    void runManoeuvre(float dt);
    // The attack run is over or broken off: pops it and drops the target.
    void endAttack();
    void stopWeapons();
    void firePrimary(WeaponSystem& primary, float dist, float dot);
    void fireSecondary(WeaponSystem& secondary, float dist, float dot);
    // Whether a system that is not firing may start at that distance and aim.
    static bool mayStart(WeaponSystem& system, float dist, float dot);
    void setMissileAvoidance(bool on);
    // Lets go of a targetable that is about to be deleted: the target, a threat, an attacker.
    void forgetTargetable(const Targetable& gone);

    Controllable* owner;
    const ShipType* type;
    AngularMotor motor;
    Formation* formation = nullptr;
    FunctionTask targetUpdateTask;
    FunctionTask behaviourTask;
    FunctionTask avoidanceTask;
    FunctionTask missileAvoidanceTask;
    Manoeuvres manoeuvres;
    std::list<GuidedProjectile*> threats;
    float missileDodgeRangeSquared;
    float skill = 0.0f;
    float shock = 0.0f;
    float nearRange = 0.0f;
    float farRange = 0.0f;
    Ogre::Vector3 pendingVector = Ogre::Vector3::ZERO;
    Controllable* pendingObject = nullptr;
    bool slaved = false;
    bool active = false;
    Ogre::Vector3 desiredForce = Ogre::Vector3::ZERO;
    Ogre::Vector3 desiredHeading = Ogre::Vector3::ZERO;
    Ogre::Vector3 avoidanceForce = Ogre::Vector3::ZERO;
    float freedom = 1.0f;
    Ogre::Vector3 dodge = Ogre::Vector3::ZERO;
    Targetable* target = nullptr;
    Ogre::Vector3 offset = Ogre::Vector3::ZERO;
    Path path{0.0f, true};
    std::size_t waypoint = 0;
    // Last: it stops listening before the pointers it clears go.
    TargetableWatch deletionWatch{[this](const Targetable& gone) { forgetTargetable(gone); }};
};

} // namespace Tolvarine

#include "ShipBehaviour.h"

#include "Behaviour.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "Faction.h"
#include "ForceController.h"
#include "Formation.h"
#include "GameLog.h"
#include "GuidedProjectile.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "SceneSphereQuery.h"
#include "ScriptArguments.h"
#include "ScriptObjectRegistry.h"
#include "ScriptReference.h"
#include "ShipType.h"
#include "WeaponSystem.h"

#include <boost/python/class.hpp>

#include <OgreMath.h>
#include <OgreMovableObject.h>
#include <OgreSceneQuery.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

const char* const SECTION = "Behaviour";

// The largest component a drone velocity keeps as given: the squares of three such components
// sum well within float. No ship comes near such a speed.
const float DRONE_COMPONENT_LIMIT = 1.0e18f;

// A drone velocity whose squared length is beyond float has no direction that float arithmetic
// can compute (normalising it gives 0): it would steer with no force and no heading at all. It is
// shortened along its direction to one whose square float holds; the force is clamped to the
// ship's maximum all the same.
Ogre::Vector3 steerableVelocity(const Ogre::Vector3& velocity)
{
    const float largest = std::max({std::abs(velocity.x), std::abs(velocity.y), std::abs(velocity.z)});
    if (largest <= DRONE_COMPONENT_LIMIT)
        return velocity;
    return velocity * (DRONE_COMPONENT_LIMIT / largest);
}

PhysicsBody* bodyOf(Controllable* owner)
{
    PhysicsBody* body = owner ? owner->getPhysicsBody() : nullptr;
    if (!body || !owner->getForceController()) {
        GameLog::line(
            "ShipBehaviour: the ship has no physics body or no force controller to fly it");
        throw ConfigurationError();
    }
    return body;
}

float maxTorqueOf(Controllable* owner)
{
    bodyOf(owner);
    return owner->getForceController()->getMaxTorque();
}

// The variance and period keys of the four tasks, in the order the constructor makes them.
const char* const TASK_KEYS[][2] = {{"targetUpdateVariance", "targetUpdatePeriod"},
                                    {"behaviourUpdateVariance", "behaviourUpdatePeriod"},
                                    {"avoidanceVariance", "avoidancePeriod"},
                                    {"missileAvoidanceVariance", "missileAvoidancePeriod"}};

struct Timing {
    float variance;
    float period;
};

// The variance is read before the period, so a file missing both reports the variance.
Timing readTiming(const Config& config, const char* const (&keys)[2])
{
    const float variance = config.get<float>(SECTION, keys[0]);
    return Timing{variance, config.get<float>(SECTION, keys[1])};
}

FunctionTask makeTask(const Config& config, FunctionTask::Callback callback, const std::string& name,
                      const char* const (&keys)[2])
{
    const Timing timing = readTiming(config, keys);
    return FunctionTask(std::move(callback), name, timing.period, timing.variance, 0, 0);
}

float squaredDodgeRange(const Config& config)
{
    const float range = config.get<float>(SECTION, "missileDodgeRange");
    return range * range;
}

// Every ship's target update shares one query.
SceneSphereQuery& targetQuery()
{
    static SceneSphereQuery query;
    return query;
}

// The best-scoring valid target of a target update: 1 - distance / range, strictly higher
// replacing, from 0, so that nothing at or beyond the range wins and of equal scores the first
// the scene reports stays.
class BestTarget : public Ogre::SceneQueryListener {
public:
    BestTarget(const Ogre::Vector3& position, float range, const Targetable* self)
        : position(position)
        , range(range)
        , self(self)
    {
    }

    bool queryResult(Ogre::MovableObject* object) override
    {
        const OgreLink* link = OgreLink::getFrom(*object);
        Targetable* candidate = link ? link->getTargetable() : nullptr;
        if (!candidate || candidate == self || candidate->isInactive() || !candidate->isValidTarget())
            return true;
        const float score = 1.0f - position.distance(candidate->getPosition()) / range;
        if (score > bestScore) {
            best = candidate;
            bestScore = score;
        }
        return true;
    }
    bool queryResult(Ogre::SceneQuery::WorldFragment*) override { return true; }

    const Ogre::Vector3 position;
    const float range;
    const Targetable* const self;
    Targetable* best = nullptr;
    float bestScore = 0.0f;
};

void loiterFromScript(ShipBehaviour& behaviour, const Ogre::Vector3& point)
{
    behaviour.loiter(ScriptArguments::position("ShipBehaviour.loiter", point));
}

// Any finite velocity: it only becomes a force, clamped to the ship's maximum.
void droneFromScript(ShipBehaviour& behaviour, const Ogre::Vector3& velocity)
{
    behaviour.drone(ScriptArguments::finite("ShipBehaviour.drone", "the velocity", velocity));
}

} // namespace

ShipBehaviour::ShipBehaviour(const Config& typeConfig, Controllable* owner, const ShipType* type)
    : owner(owner)
    , type(type)
    , motor(bodyOf(owner), maxTorqueOf(owner))
    , targetUpdateTask(makeTask(typeConfig, [this](float) { updateTarget(); return true; },
                                "ShipBehaviour/TargetUpdate", TASK_KEYS[0]))
    , behaviourTask(makeTask(typeConfig, [this](float dt) { updateBehaviour(dt); return true; },
                             "ShipBehaviour/Behaviour", TASK_KEYS[1]))
    , avoidanceTask(makeTask(typeConfig, [this](float) { updateAvoidance(); return true; },
                             "ShipBehaviour/Avoidance", TASK_KEYS[2]))
    , missileAvoidanceTask(makeTask(typeConfig, [this](float) { return updateMissileAvoidance(); },
                                    "ShipBehaviour/MissileAvoidance", TASK_KEYS[3]))
    , missileDodgeRangeSquared(squaredDodgeRange(typeConfig))
{
    // The stack never holds more than an order and an attack run on it.
    manoeuvres.reserve(4);
    WeaponSystem* primary = owner->getPrimaryWeaponSystem();
    WeaponSystem* secondary = owner->getSecondaryWeaponSystem();
    nearRange = std::max(secondary ? secondary->getNearRange() : 0.0f, primary ? primary->getNearRange() : 0.0f);
    const float infinity = std::numeric_limits<float>::infinity();
    farRange = std::min(secondary ? secondary->getFarRange() : infinity, primary ? primary->getFarRange() : infinity);
    // Without any weapon system the far range would stay infinite, and so would every attack
    // offset drawn from it: such a ship attacks its target's very position.
    if (!(nearRange < farRange) || !std::isfinite(farRange))
        farRange = nearRange;
    ScriptObjectRegistry::enter(this);
}

void ShipBehaviour::checkType(const Config& typeConfig)
{
    for (const auto& keys : TASK_KEYS)
        readTiming(typeConfig, keys);
    squaredDodgeRange(typeConfig);
}

ShipBehaviour::~ShipBehaviour()
{
    ScriptObjectRegistry::leave(this);
    // The formation outlives every ship: it must not keep a member that is gone (the pools are
    // emptied when the ship types are read again).
    if (formation)
        formation->removeElement(this);
}

void ShipBehaviour::startLife(float lifeSkill)
{
    skill = lifeSkill;
    manoeuvres.clear();
    target = nullptr;
    shock = 0.0f;
    pendingVector = Ogre::Vector3::ZERO;
    pendingObject = nullptr;
    desiredForce = Ogre::Vector3::ZERO;
    desiredHeading = Ogre::Vector3::ZERO;
    avoidanceForce = Ogre::Vector3::ZERO;
    freedom = 1.0f;
    // Missiles of the previous life may be flying again at someone else by now.
    threats.clear();
    setMissileAvoidance(false);
    dodge = Ogre::Vector3::ZERO;
}

void ShipBehaviour::activate()
{
    // The first runs measure their time from now, not from the end of the last spell.
    behaviourTask.reset();
    targetUpdateTask.reset();
    avoidanceTask.reset();
    behaviourTask.subscribe(true);
    targetUpdateTask.subscribe(true);
    avoidanceTask.subscribe(true);
    motor.setTarget(Ogre::Vector3::ZERO);
    motor.attach(type->getRotationCorrectionFactor(skill));
    shock = 0.0f;
    // A warning from an attacker of an earlier spell must not be answered now.
    pendingVector = Ogre::Vector3::ZERO;
    pendingObject = nullptr;
    active = true;
}

void ShipBehaviour::deactivate(DisableTime)
{
    active = false;
    behaviourTask.subscribe(false);
    targetUpdateTask.subscribe(false);
    avoidanceTask.subscribe(false);
    missileAvoidanceTask.subscribe(false);
    motor.detach();
    manoeuvres.clear();
    target = nullptr;
    // Automatic fire the AI started would otherwise run on for the player who takes the ship.
    for (WeaponSystem* system : {owner->getPrimaryWeaponSystem(), owner->getSecondaryWeaponSystem()}) {
        if (system && system->isFiring())
            system->setFiring(false);
    }
}

void ShipBehaviour::setMissileAvoidance(bool on)
{
    if (on)
        missileAvoidanceTask.reset();
    missileAvoidanceTask.subscribe(on);
}

void ShipBehaviour::addThreat(GuidedProjectile* missile)
{
    threats.push_back(missile);
    if (threats.size() == 1) {
        setMissileAvoidance(true);
        updateMissileAvoidance();
    }
}

void ShipBehaviour::removeThreat(GuidedProjectile* missile)
{
    threats.remove(missile);
    if (threats.empty()) {
        setMissileAvoidance(false);
        dodge = Ogre::Vector3::ZERO;
    }
}

void ShipBehaviour::forgetTargetable(const Targetable& gone)
{
    // An attack on it ends at the next behaviour run, as on a target that left play.
    if (target == &gone)
        target = nullptr;
    if (pendingObject == &gone)
        pendingObject = nullptr;
    const auto threat = std::find_if(threats.begin(), threats.end(), [&gone](const GuidedProjectile* missile) {
        return static_cast<const Targetable*>(missile) == &gone;
    });
    if (threat != threats.end())
        removeThreat(*threat);
}

void ShipBehaviour::updateTarget()
{
    if (slaved && target)
        return;
    Faction* faction = owner->getFaction();
    if (!faction)
        return;
    const float range = type->getEngagementRange();
    BestTarget best(owner->getPhysicsBody()->getPosition(), range, owner);
    targetQuery().run(best.position, range, faction->getEnemyMask(), best);
    if (formation)
        target = best.best;
    else if (best.best)
        attack(best.best);
}

void ShipBehaviour::updateBehaviour(float dt)
{
    shock = std::max(0.0f, shock - type->getShockHalflife(skill) * shock * dt);
    if (type->getShockMovementThreshold(skill) < shock)
        return;

    ForceController& controller = *owner->getForceController();
    Ogre::Vector3 force = avoidanceForce;
    float share = freedom;
    if (share < MIN_FREEDOM) {
        controller.setRelativeForce(force, true);
        share = 0.0f;
    }
    const float avoidanceFactor = type->getMissileAvoidanceFactor(skill);
    if (dodge != Ogre::Vector3::ZERO && share != 0.0f && avoidanceFactor > 0.0f) {
        force += dodge * (avoidanceFactor * share);
        controller.setRelativeForce(force, true);
        share = 0.0f;
    }

    if (manoeuvres.empty()) {
        // A formation member that lost its stack (the player flew it) goes back to its slot.
        if (formation)
            manoeuvres.push_back(Manoeuvre::FORMATION);
        else
            loiter(owner->getPhysicsBody()->getPosition());
        motor.setTarget(force);
        motor.update(dt);
        return;
    }
    runManoeuvre(dt);
    if (share != 0.0f) {
        force += share * desiredForce;
        controller.setRelativeForce(force, true);
    }
    motor.setTarget(desiredHeading);
    motor.update(dt);
}

void ShipBehaviour::runManoeuvre(float dt)
{
    // Dispatched by kind, so a manoeuvre that pops itself destroys nothing that is running.
    switch (manoeuvres.back()) {
    case Manoeuvre::ATTACK:
        attackManoeuvre(dt);
        break;
    case Manoeuvre::LOITER:
        loiterManoeuvre(dt);
        break;
    case Manoeuvre::DRONE:
        droneManoeuvre(dt);
        break;
    case Manoeuvre::FOLLOW_PATH:
        followPathManoeuvre(dt);
        break;
    case Manoeuvre::FORMATION:
        formationManoeuvre(dt);
        break;
    }
}

void ShipBehaviour::updateAvoidance()
{
    if (type->getShockMovementThreshold(skill) < shock)
        return;
    PhysicsBody* body = owner->getPhysicsBody();
    avoidanceForce = Behaviour::obstacleAvoidance(body) + Behaviour::neighbourAvoidance(owner);
    // A ship without thrust (a type may give a maxForce of 0) has none left for its manoeuvres.
    const float maxForce = owner->getForceController()->getMaxForce();
    freedom = maxForce > 0.0f ? std::max(0.0f, 1.0f - avoidanceForce.length() / maxForce) : 0.0f;
}

bool ShipBehaviour::updateMissileAvoidance()
{
    dodge = Ogre::Vector3::ZERO;
    if (type->getShockDodgeThreshold(skill) < shock)
        return true;
    while (!threats.empty()) {
        GuidedProjectile* missile = threats.front();
        if (!missile->isInactive()) {
            dodge = Behaviour::dodge(owner, missile->getPhysicsBody());
            return true;
        }
        threats.pop_front();
    }
    return false;
}

void ShipBehaviour::attack(Targetable* newTarget)
{
    leaveFormation();
    // Only a run in progress gives way: the order below it (loiter, drone, path) stays.
    if (!manoeuvres.empty() && manoeuvres.back() == Manoeuvre::ATTACK)
        manoeuvres.pop_back();
    if (newTarget != target) {
        const float x = Ogre::Math::RangeRandom(-1.0f, 1.0f);
        const float y = Ogre::Math::RangeRandom(-1.0f, 1.0f);
        const float z = Ogre::Math::RangeRandom(-1.0f, 1.0f);
        offset = Ogre::Vector3(x, y, z).normalisedCopy() * ((farRange + nearRange) * 0.5f);
    }
    target = newTarget;
    manoeuvres.push_back(Manoeuvre::ATTACK);
}

void ShipBehaviour::stopWeapons()
{
    for (WeaponSystem* system : {owner->getPrimaryWeaponSystem(), owner->getSecondaryWeaponSystem()}) {
        if (system) {
            system->clearTarget();
            system->setFiring(false);
        }
    }
}

void ShipBehaviour::endAttack()
{
    if (!manoeuvres.empty())
        manoeuvres.pop_back();
    target = nullptr;
    desiredForce = Ogre::Vector3::ZERO;
}

void ShipBehaviour::attackManoeuvre(float dt)
{
    if (shock > type->getShockAttackThreshold(skill) || !target || target->isInactive()) {
        endAttack();
        stopWeapons();
        return;
    }
    aimAndFire(dt);
    const Ogre::Vector3 point = target->getPosition() + offset;
    desiredForce = Behaviour::arrival(owner, point, type->getAttackArrivalProportion(skill));
    if (owner->getPhysicsBody()->getPosition().squaredDistance(point) < ATTACK_RUN_DONE_SQUARED) {
        // The weapons keep firing; the next target update chooses again, with a fresh offset.
        endAttack();
        return;
    }
    if (pendingVector != Ogre::Vector3::ZERO) {
        desiredForce += pendingVector * owner->getForceController()->getMaxForce();
        pendingVector = Ogre::Vector3::ZERO;
    }
}

bool ShipBehaviour::mayStart(WeaponSystem& system, float dist, float dot)
{
    // In this order: the random draw is taken only when the aim and range allow a shot.
    return system.getFireThreshold() < dot && system.getFarRange() > dist && system.getNearRange() < dist &&
           system.getLoadProportion() > Ogre::Math::UnitRandom();
}

void ShipBehaviour::aimAndFire(float)
{
    const PhysicsBody& body = *owner->getPhysicsBody();
    const Ogre::Vector3 position = body.getPosition();
    desiredHeading = target->getPosition() - position;
    const float dist = desiredHeading.normalise();
    float dot = 0.0f;
    if (WeaponSystem* primary = owner->getPrimaryWeaponSystem()) {
        const Ogre::Quaternion orientation = body.getOrientation();
        const float launchSpeed = primary->getLaunchSpeed();
        // An instant weapon (infinite speed, or a beam given as 0) needs no lead.
        const float flight = launchSpeed > 0.0f ? dist / launchSpeed : 0.0f;
        const Ogre::Vector3 aim = target->predictPositionWithThrustFactor(type->getTargetLeadFactor(skill) * flight,
                                                                          type->getPredictionAccuracy(skill));
        desiredHeading = (aim - position - orientation * primary->getCurrentWeaponPosition()).normalisedCopy();
        dot = desiredHeading.dotProduct(-orientation.zAxis());
        firePrimary(*primary, dist, dot);
    }
    if (WeaponSystem* secondary = owner->getSecondaryWeaponSystem())
        fireSecondary(*secondary, dist, dot);
}

void ShipBehaviour::firePrimary(WeaponSystem& primary, float dist, float dot)
{
    const Ogre::Vector3 velocity = owner->getPhysicsBody()->getVelocity();
    if (primary.isFiring()) {
        if (primary.getFarRange() < dist || primary.getFireThreshold() > dot) {
            primary.setFiring(false);
        } else {
            // The target's AI learns where the fire comes from, so that it can jink or answer it.
            target->setPendingVector(velocity.crossProduct(desiredHeading));
            target->setPendingObject(owner);
        }
    } else if (mayStart(primary, dist, dot)) {
        primary.setTarget(target);
        primary.setFiring(true);
        target->setPendingVector(velocity.crossProduct(desiredHeading).normalisedCopy());
        target->setPendingObject(owner);
    }
}

void ShipBehaviour::fireSecondary(WeaponSystem& secondary, float dist, float dot)
{
    // A guided weapon answers the last attacker that announced itself, whatever the own target.
    if (pendingObject && secondary.isGuided()) {
        if (!pendingObject->isInactive()) {
            secondary.setTarget(pendingObject);
            secondary.setFiring(true);
        }
        pendingObject = nullptr;
        return;
    }
    if (secondary.isFiring()) {
        if (!secondary.isGuided() && secondary.getFireThreshold() > dot)
            secondary.setFiring(false);
    } else if (mayStart(secondary, dist, dot)) {
        secondary.setTarget(target);
        secondary.setFiring(true);
    }
}

void ShipBehaviour::loiter(const Ogre::Vector3& point)
{
    leaveFormation();
    offset = point;
    manoeuvres.clear();
    manoeuvres.push_back(Manoeuvre::LOITER);
}

void ShipBehaviour::loiterManoeuvre(float)
{
    const Ogre::Vector3 position = owner->getPhysicsBody()->getPosition();
    if (position.squaredDistance(offset) <= LOITER_REACHED_SQUARED) {
        desiredForce = Ogre::Vector3::ZERO;
        return;
    }
    desiredForce = Behaviour::arrival(owner, offset, 1.0f);
    desiredHeading = (offset - position).normalisedCopy();
}

void ShipBehaviour::drone(const Ogre::Vector3& velocity)
{
    leaveFormation();
    offset = steerableVelocity(velocity);
    manoeuvres.clear();
    manoeuvres.push_back(Manoeuvre::DRONE);
    desiredHeading = offset.normalisedCopy();
}

void ShipBehaviour::droneManoeuvre(float)
{
    desiredForce = offset - owner->getPhysicsBody()->getVelocity();
}

void ShipBehaviour::followPath(const Path& newPath)
{
    if (newPath.getPoints().empty())
        return;
    leaveFormation();
    path = newPath;
    waypoint = 0;
    manoeuvres.clear();
    manoeuvres.push_back(Manoeuvre::FOLLOW_PATH);
}

void ShipBehaviour::followPathManoeuvre(float)
{
    const Ogre::Vector3 position = owner->getPhysicsBody()->getPosition();
    desiredHeading = path.getPoints()[waypoint]->position - position;
    const float dist = desiredHeading.normalise();
    if (path.getRadius() > dist) {
        waypoint = path.next(waypoint);
        if (waypoint == path.end()) {
            manoeuvres.pop_back();
            desiredForce = Ogre::Vector3::ZERO;
            return;
        }
    }
    desiredForce = Behaviour::arrival(owner, path.getPoints()[waypoint]->position, 1.0f);
}

void ShipBehaviour::formationManoeuvre(float dt)
{
    desiredForce = Behaviour::seek(owner, formation, offset);
    if (target && target->isInactive()) {
        stopWeapons();
        target = nullptr;
    }
    if (target)
        aimAndFire(dt);
    else
        desiredHeading = -formation->getOrientation().zAxis();
}

void ShipBehaviour::joinFormation(Formation* newFormation)
{
    if (formation)
        leaveFormation();
    formation = newFormation;
    formation->addElement(this);
    target = nullptr;
    manoeuvres.clear();
    manoeuvres.push_back(Manoeuvre::FORMATION);
}

void ShipBehaviour::leaveFormation()
{
    if (!formation)
        return;
    formation->removeElement(this);
    formation = nullptr;
    setSlaved(false);
    // The formation manoeuvre goes with the formation, also from a behaviour that is not running
    // (the player flies the ship, which joined as the leader): it would otherwise fly a formation
    // that is gone as soon as the player leaves the ship.
    manoeuvres.erase(std::remove(manoeuvres.begin(), manoeuvres.end(), Manoeuvre::FORMATION), manoeuvres.end());
    // A ship out of play has no place to hold: a loiter pushed now would fly it back here in its
    // next life.
    if (active)
        loiter(owner->getPhysicsBody()->getPosition());
}

ShipType::Role ShipBehaviour::getRole() const
{
    return type->getRole();
}

float ShipBehaviour::getSquaredDistanceToFormation() const
{
    return owner->getPosition().squaredDistance(formation->getPosition());
}

float ShipBehaviour::getSlotDistance() const
{
    if (!formation)
        return -1.0f;
    const Ogre::Vector3 slot = formation->getPosition() + formation->getOrientation() * offset;
    return owner->getPosition().distance(slot);
}

float ShipBehaviour::getBoundingRadius() const
{
    return owner->getBoundingRadius();
}

void ShipBehaviour::setTarget(Targetable* newTarget)
{
    if (!newTarget) {
        clearTarget();
        return;
    }
    const Faction* own = owner->getFaction();
    const Faction* theirs = newTarget->getFaction();
    // Never turn the guns on a friend.
    if (own && theirs && own->getName() == theirs->getName())
        return;
    target = newTarget;
    if (WeaponSystem* secondary = owner->getSecondaryWeaponSystem())
        secondary->setTarget(newTarget);
    // The player's pick goes to the whole formation, which passes it on to every member but this
    // one.
    if (formation && Controllable::getFocused() == owner)
        formation->setTarget(newTarget);
}

void ShipBehaviour::clearTarget()
{
    target = nullptr;
    if (WeaponSystem* secondary = owner->getSecondaryWeaponSystem())
        secondary->clearTarget();
}

void ShipBehaviour::setFiringPrimary(bool firing)
{
    if (!slaved)
        return;
    if (WeaponSystem* primary = owner->getPrimaryWeaponSystem())
        primary->setFiring(firing);
}

void ShipBehaviour::setFiringSecondary(bool firing)
{
    if (!slaved)
        return;
    if (WeaponSystem* secondary = owner->getSecondaryWeaponSystem())
        secondary->setFiring(firing);
}

void ShipBehaviour::exportToPython()
{
    // Deleted with its ship when the ship types are read again.
    bp::class_<ShipBehaviour, ScriptReference<ShipBehaviour>, boost::noncopyable>("ShipBehaviour", bp::no_init)
        .def("loiter", &loiterFromScript)
        .def("drone", &droneFromScript)
        .def("followPath", &ShipBehaviour::followPath)
        .def("getSlotDistance", &ShipBehaviour::getSlotDistance);
}

} // namespace Tolvarine

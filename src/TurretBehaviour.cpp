#include "TurretBehaviour.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "Faction.h"
#include "ForceController.h"
#include "GameLog.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "TargetGrid.h"
#include "TolvarineEngine.h"
#include "WeaponSystem.h"

#include <OgreMath.h>
#include <OgreMovableObject.h>
#include <OgreSphere.h>

#include <cstdint>

namespace Tolvarine {

namespace {

const char* const SECTION = "Behaviour";

// The best target of one update: the highest score above 0. Of equal scores the candidate that the
// scene's own sphere query reports first is kept, as when the update walked that query's results:
// the grid reports them in an order of its own.
class BestCandidate {
public:
    void consider(Targetable& candidate, std::uint64_t order, float candidateScore)
    {
        const bool earlierOfEqual = best && candidateScore == bestScore && order < bestOrder;
        if (!(candidateScore > bestScore) && !earlierOfEqual)
            return;
        best = &candidate;
        bestOrder = order;
        bestScore = candidateScore;
    }

    Targetable* get() const { return best; }

private:
    Targetable* best = nullptr;
    std::uint64_t bestOrder = 0;
    float bestScore = 0.0f;
};

PhysicsBody* bodyOf(Controllable* station)
{
    PhysicsBody* body = station ? station->getPhysicsBody() : nullptr;
    const ForceController* controller = station ? station->getForceController() : nullptr;
    if (!body || !controller) {
        GameLog::line("TurretBehaviour: the station has no physics body or no force controller to turn it");
        throw ConfigurationError();
    }
    return body;
}

float maxTorqueOf(Controllable* station)
{
    bodyOf(station);
    return station->getForceController()->getMaxTorque();
}

// The variance is read before the period, so a file missing both reports the variance.
FunctionTask makeTask(const Config& config, FunctionTask::Callback callback, const std::string& name,
                      const char* varianceKey, const char* periodKey)
{
    const float variance = config.get<float>(SECTION, varianceKey);
    const float period = config.get<float>(SECTION, periodKey);
    return FunctionTask(std::move(callback), name, period, variance, 0, 0);
}

// Taken as given, also 0 or below: no candidate then lies within the range, and the turret
// engages nothing.
float readEngagementRange(const Config& config)
{
    return config.get<float>(SECTION, "engagementRange");
}

void stopFiring(WeaponSystem* system)
{
    if (!system)
        return;
    system->clearTarget();
    system->setFiring(false);
}

} // namespace

TurretBehaviour::TurretBehaviour(const Config& stationConfig, Controllable* station,
                                 const Ogre::Quaternion& restOrientation, PositionReporter* shipReporter)
    : station(station)
    , restOrientation(restOrientation)
    , motor(bodyOf(station), maxTorqueOf(station))
    , targetUpdateTask(makeTask(stationConfig, [this](float) { updateTarget(); return true; },
                                "TurretBehaviour/TargetUpdate", "targetUpdateVariance", "targetUpdatePeriod"))
    , behaviourTask(makeTask(stationConfig, [this](float dt) { updateBehaviour(dt); return true; },
                             "TurretBehaviour/Behaviour", "behaviourUpdateVariance", "behaviourUpdatePeriod"))
    , engagementRange(readEngagementRange(stationConfig))
    , shipReporter(shipReporter)
    , primaryWeaponCapacityRestriction(stationConfig.get<float>(SECTION, "primaryWeaponCapacityRestriction"))
    , secondaryWeaponCapacityRestriction(stationConfig.get<float>(SECTION, "secondaryWeaponCapacityRestriction"))
    , targetLeadProportion(stationConfig.get<float>(SECTION, "targetLeadProportion"))
{
}

void TurretBehaviour::checkType(const Config& stationConfig)
{
    // A period of 0 or below runs its task at every pass of the scheduler.
    for (const std::string stem : {"targetUpdate", "behaviourUpdate"}) {
        stationConfig.get<float>(SECTION, stem + "Variance");
        stationConfig.get<float>(SECTION, stem + "Period");
    }
    readEngagementRange(stationConfig);
    for (const char* key :
         {"primaryWeaponCapacityRestriction", "secondaryWeaponCapacityRestriction", "targetLeadProportion"})
        stationConfig.get<float>(SECTION, key);
}

void TurretBehaviour::activate()
{
    // A new spell starts from nothing: the first runs measure their time from now, not from the
    // end of the previous spell.
    target = nullptr;
    heading = Ogre::Vector3::ZERO;
    motor.setTarget(Ogre::Vector3::ZERO);
    targetUpdateTask.reset();
    behaviourTask.reset();
    targetUpdateTask.subscribe(true);
    behaviourTask.subscribe(true);
    motor.attach(MOTOR_STRENGTH);
}

void TurretBehaviour::deactivate()
{
    targetUpdateTask.subscribe(false);
    behaviourTask.subscribe(false);
    motor.detach();
    target = nullptr;
    heading = Ogre::Vector3::ZERO;
}

float TurretBehaviour::score(const Targetable& candidate) const
{
    Ogre::Vector3 direction = candidate.getPosition() - station->getPosition();
    const float distance = direction.normalise();
    // The query finds objects whose bounds reach into the range; their centres may lie beyond it,
    // where the formula would turn a target behind the station into a good one.
    if (!(distance < engagementRange))
        return -1.0f;
    const Ogre::Quaternion ship = shipReporter ? shipReporter->getOrientation() : Ogre::Quaternion::IDENTITY;
    const Ogre::Vector3 restForward = -(ship * restOrientation).zAxis();
    return restForward.dotProduct(direction) * (1.0f - distance / engagementRange);
}

void TurretBehaviour::updateTarget()
{
    Faction* faction = station->getFaction();
    const TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!faction || !engine || !engine->sceneManager)
        return;
    BestCandidate best;
    const Ogre::Sphere range(station->getPosition(), engagementRange);
    for (const TargetGrid::Found& found : TargetGrid::get().search(*engine->sceneManager, range, faction->getEnemyMask())) {
        const OgreLink* link = OgreLink::getFrom(*found.object);
        Targetable* candidate = link ? link->getTargetable() : nullptr;
        if (!candidate || candidate->isInactive() || !candidate->isValidTarget())
            continue;
        best.consider(*candidate, found.order, score(*candidate));
    }
    if (best.get()) {
        target = best.get();
        motor.attach(MOTOR_STRENGTH);
    }
}

void TurretBehaviour::dropTarget()
{
    target = nullptr;
    stopFiring(station->getPrimaryWeaponSystem());
    stopFiring(station->getSecondaryWeaponSystem());
}

float TurretBehaviour::aimCosine(WeaponSystem& system, float distance)
{
    const float launchSpeed = system.getLaunchSpeed();
    // An instant weapon (infinite speed) needs no lead; a speed of 0 cannot give one.
    const float leadTime = launchSpeed > 0.0f ? distance / launchSpeed * targetLeadProportion : 0.0f;
    const Ogre::Vector3 position = station->getPosition();
    heading = (target->predictPositionWithThrust(leadTime) - position).normalisedCopy();
    const Ogre::Vector3 forward = -station->getOrientation().zAxis();
    return heading.dotProduct(forward);
}

void TurretBehaviour::updateBehaviour(float dt)
{
    if (!target) {
        motor.detach();
        return;
    }
    if (target->isInactive()) {
        dropTarget();
        updateTarget();
        return;
    }

    Ogre::Vector3 toTarget = target->getPosition() - station->getPosition();
    const float distance = toTarget.normalise();
    heading = toTarget;
    // The station turns towards where the target is; the lead only decides when to fire.
    motor.setTarget(heading);
    motor.update(dt);

    WeaponSystem* primary = station->getPrimaryWeaponSystem();
    WeaponSystem* secondary = station->getSecondaryWeaponSystem();
    // The aim is judged with the lead of the primary system; a station with only a secondary one
    // judges it with that system's own lead.
    float dot = 0.0f;
    if (primary)
        dot = aimCosine(*primary, distance);
    else if (secondary)
        dot = aimCosine(*secondary, distance);
    if (primary)
        controlPrimary(*primary, distance, dot);
    if (secondary)
        controlSecondary(*secondary, distance, dot);
}

void TurretBehaviour::controlPrimary(WeaponSystem& primary, float distance, float dot)
{
    if (primary.isFiring()) {
        if (primary.getLoadProportion() < primaryWeaponCapacityRestriction || primary.getFireThreshold() > dot)
            primary.setFiring(false);
    } else if (primary.getFarRange() > distance && primary.getNearRange() < distance &&
               primary.getFireThreshold() < dot && primary.getLoadProportion() > Ogre::Math::UnitRandom()) {
        primary.setTarget(target);
        primary.setFiring(true);
    }
    if (primary.isFiring()) {
        // Tells the target's AI where the fire comes from, so that it can dodge or answer it.
        target->setPendingVector(station->getVelocity().crossProduct(heading));
        target->setPendingObject(station);
    }
}

void TurretBehaviour::controlSecondary(WeaponSystem& secondary, float distance, float dot)
{
    if (secondary.isFiring()) {
        if (secondary.getLoadProportion() < secondaryWeaponCapacityRestriction)
            secondary.setFiring(false);
        else if (!secondary.isGuided() && secondary.getFireThreshold() > dot)
            secondary.setFiring(false);
        return;
    }
    // A guided weapon finds its own way to the target, so it needs no aim.
    if (secondary.getFarRange() > distance && secondary.getNearRange() < distance &&
        secondary.getLoadProportion() > Ogre::Math::UnitRandom() &&
        (secondary.isGuided() || secondary.getFireThreshold() < dot)) {
        secondary.setTarget(target);
        secondary.setFiring(true);
    }
}

} // namespace Tolvarine

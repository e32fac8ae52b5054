#include "MissileBehaviour.h"

#include "Behaviour.h"
#include "Config.h"
#include "Faction.h"
#include "ForceController.h"
#include "GuidedProjectile.h"
#include "PhysicsBody.h"
#include "ProfileBlock.h"

#include <algorithm>
#include <string>
#include <vector>

namespace Tolvarine {

namespace {

const char* const SECTION = "Behaviour";
constexpr float UPDATE_VARIANCE = 0.1f;

// The guidance that is running, so that a target leaving play can be let go by every missile on
// it. Few missiles fly at once; a plain list is enough. Never destroyed: pooled ships and missiles
// that live in other statics reach it while the program ends.
std::vector<MissileBehaviour*>& guiding()
{
    static auto* list = new std::vector<MissileBehaviour*>;
    return *list;
}

void forget(MissileBehaviour* behaviour)
{
    std::vector<MissileBehaviour*>& list = guiding();
    list.erase(std::remove(list.begin(), list.end(), behaviour), list.end());
}

} // namespace

const char* const MissileBehaviour::TASK_NAME = "MissileBehaviour";

struct MissileBehaviour::Settings {
    float updatePeriod;
    float approachSpeed;
    float velocityMatchProportion;
};

MissileBehaviour::Settings MissileBehaviour::readSettings(const Config& typeConfig)
{
    const float updatePeriod = typeConfig.get<float>(SECTION, "updatePeriod");
    const float approachSpeed = typeConfig.get<float>(SECTION, "approachSpeed");
    return Settings{updatePeriod, approachSpeed, typeConfig.get<float>(SECTION, "velocityMatchProportion")};
}

void MissileBehaviour::checkType(const Config& typeConfig)
{
    readSettings(typeConfig);
}

MissileBehaviour::MissileBehaviour(const Config& typeConfig, GuidedProjectile* missile)
    : MissileBehaviour(readSettings(typeConfig), missile)
{
}

MissileBehaviour::MissileBehaviour(const Settings& settings, GuidedProjectile* missile)
    : task([this](float elapsed) { return update(elapsed); }, TASK_NAME, settings.updatePeriod, UPDATE_VARIANCE, 0,
           0.0f)
    , approachSpeed(settings.approachSpeed)
    , velocityMatchProportion(settings.velocityMatchProportion)
    , missile(missile)
{
}

MissileBehaviour::~MissileBehaviour()
{
    // Only a running guidance holds a target known to exist: one that was deleted has already
    // been let go. A target kept by a start that found it out of play is not called: the pools
    // may have deleted it since.
    if (task.isActive())
        target->removeThreat(missile);
    forget(this);
}

void MissileBehaviour::start(Targetable* newTarget)
{
    if (task.isActive())
        endGuidance();
    if (!newTarget)
        newTarget = findTargetAhead();
    announced = false;
    // Kept even when out of play, for whoever asks; only a target in play is chased.
    target = newTarget;
    if (!newTarget || newTarget->isInactive()) {
        flyUnguided();
        return;
    }
    task.reset();
    task.subscribe(true);
    guiding().push_back(this);
}

Targetable* MissileBehaviour::findTargetAhead() const
{
    const Faction* faction = missile->getFaction();
    if (!faction)
        return nullptr;
    const PhysicsBody* body = missile->getPhysicsBody();
    const float radius = 0.5f * missile->getRange();
    const Ogre::Vector3 centre = body->getPosition() + body->getOrientation().zAxis() * -radius;
    float distance = 0.0f;
    return Behaviour::closestTarget(centre, radius, faction->getEnemyMask(), distance);
}

void MissileBehaviour::flyUnguided()
{
    missile->getForceController()->applyForce(Ogre::Vector3::NEGATIVE_UNIT_Z);
}

void MissileBehaviour::stop()
{
    // Idle guidance keeps the target a start kept; it only leaves the list of running guidance,
    // should a failed run have stopped its task.
    if (!task.isActive()) {
        forget(this);
        return;
    }
    target->removeThreat(missile);
    endGuidance();
}

void MissileBehaviour::endGuidance()
{
    target = nullptr;
    task.subscribe(false);
    forget(this);
}

bool MissileBehaviour::update(float)
{
    const ProfileBlock block(TASK_NAME);
    if (!target)
        return false;
    const PhysicsBody* body = missile->getPhysicsBody();
    const Ogre::Vector3 steer = Behaviour::intercept(body, target, approachSpeed, velocityMatchProportion);
    missile->getForceController()->setRelativeForce(steer, true);
    if (!announced && target->getThreatRangeSquared() > body->getPosition().squaredDistance(target->getPosition())) {
        announced = true;
        target->addThreat(missile);
    }
    return true;
}

void MissileBehaviour::releaseTarget(const Targetable* target)
{
    // From the back: letting go takes only that entry out of the list.
    std::vector<MissileBehaviour*>& list = guiding();
    for (std::size_t i = list.size(); i-- > 0;) {
        MissileBehaviour* behaviour = list[i];
        if (behaviour->target != target)
            continue;
        behaviour->endGuidance();
        behaviour->flyUnguided();
    }
}

} // namespace Tolvarine

#pragma once

#include "FunctionTask.h"

namespace Tolvarine {

class Config;
class GuidedProjectile;
class Targetable;

// The guidance of one guided missile. While it runs, the task "MissileBehaviour" steers the missile
// on an intercept course to its target and, the first time the missile comes strictly inside the
// target's threat range, announces the missile to the target as a threat (an AI ship then dodges,
// and the player hears the incoming-missile alarm). Built with its missile from the type file and
// kept for the missile's pooled life: the launch starts it and the deactivation stops it.
//
// A target that leaves play is chased on, to where it was as it left, until the missile itself
// ends (its time runs out or it hits something), and is then told the threat is over. A target
// that enters play again, being a pooled object starting a life as another ship or missile, and
// one that is deleted are let go at once: the missile flies on straight ahead, so it never follows
// a ship into its next life (perhaps on the missile's own side), and nothing ever calls into a
// target that is gone.
//
// Section "Behaviour" of the type file (all required): "updatePeriod" (seconds between steering
// runs), "approachSpeed" (the least closing speed asked of the missile) and
// "velocityMatchProportion" (the share of the target's velocity added to the wanted velocity).
class MissileBehaviour {
public:
    // The name of the task and of its profiler block.
    static const char* const TASK_NAME;

    // A missing key fails as the configuration read does.
    MissileBehaviour(const Config& typeConfig, GuidedProjectile* missile);
    // Reads the section as the constructor does, without building anything: the projectile
    // loader's check of every missile type at start-up, whatever its pool size.
    static void checkType(const Config& typeConfig);
    // Withdraws the missile from a target it is still guiding on.
    ~MissileBehaviour();
    MissileBehaviour(const MissileBehaviour&) = delete;
    MissileBehaviour& operator=(const MissileBehaviour&) = delete;

    // Starts guiding on `target`. Without one, takes the valid enemy nearest the point half the
    // missile's reach straight ahead, within that distance of it. A target that is not in play, or
    // none at all, leaves the guidance idle with the missile thrusting straight ahead; such a
    // target is kept (getTarget) but never called.
    void start(Targetable* target);
    // Ends the guidance and withdraws the threat from its target, in play or out of it; idle
    // guidance is left as it is, its target kept until the next start.
    void stop();
    // One steering run: the task's callback; always asks to go on.
    bool update(float elapsed);

    // Every running guidance on `target` lets it go, as the target enters play again or is being
    // deleted. The targetable code calls it.
    static void releaseTarget(const Targetable* target);

    Targetable* getTarget() const { return target; }
    bool isGuiding() const { return task.isActive(); }
    bool hasAnnounced() const { return announced; }
    const FunctionTask& getTask() const { return task; }

private:
    struct Settings;
    static Settings readSettings(const Config& typeConfig);

    MissileBehaviour(const Settings& settings, GuidedProjectile* missile);
    Targetable* findTargetAhead() const;
    void flyUnguided();
    void endGuidance();

    FunctionTask task;
    float approachSpeed;
    float velocityMatchProportion;
    GuidedProjectile* missile;
    Targetable* target = nullptr;
    bool announced = false;
};

} // namespace Tolvarine

#pragma once

#include "FunctionTask.h"
#include "StandardWeaponSystem.h"
#include "TargetableWatch.h"

#include <list>
#include <vector>

namespace Tolvarine {

class Controllable;
class GuidedProjectile;
class PointDefenseBeamWeapon;

// A capital ship's defence against guided missiles: point-defence beams, each covering a cone
// round a fixed direction of the hull. Missiles that close in announce themselves to the ship,
// which hands them on here; while any are listed, a periodic task lets each beam in turn shoot
// at the first one it can reach, and a missile shot at is struck off the list. Not fired through
// setFiring by the player or the AI.
//
// Section of the owner's type file: the keys of a standard weapon system plus "updatePeriod" and
// "updateVariance" (seconds, required); every weapon entry holds "position", "direction" (the
// centre of its cone in the owner's frame), "limitDot" (the cosine of the cone's half-angle) and
// "type" (a weapon type), all required.
class PointDefenseWeaponSystem : public StandardWeaponSystem {
public:
    // Reads the section and builds the beams as children of `ownerNode`. Missing keys or a section
    // without a weapon entry fail with ConfigurationError.
    PointDefenseWeaponSystem(Controllable* owner, Ogre::SceneNode* ownerNode, Config& config,
                             const std::string& section);
    ~PointDefenseWeaponSystem() override;

    // The standard system's check, and "updatePeriod" and "updateVariance".
    static void checkSection(const Config& config, const std::string& section);

    // The standard activation; the system is enabled with an empty list.
    void activate(Faction* faction) override;
    // The standard deactivation; the system stops engaging and forgets its threats.
    void deactivate() override;

    // Drops the weapons loaded so far and builds a beam for every weapon entry, in byte-wise
    // key order.
    void loadWeapons(Ogre::SceneNode* ownerNode, Config& config, const std::string& section) override;

    // A missile closing in on the owner. The first listed threat of an enabled system starts the
    // engagement at once.
    void addThreat(GuidedProjectile* missile);
    // A missile that no longer threatens (it died, or lost its target): every entry of it goes,
    // and an empty list stops the engagement.
    void removeThreat(GuidedProjectile* missile);

    // One engagement pass, the callback of the task "PointDefenseWeaponSystem::update": every beam
    // in turn shoots at most once. False, so the task idles, once a pass has struck the last
    // threat off; a pass that finds the list empty asks to go on.
    bool update(float elapsed);

    // The owner answers this as the squared range inside which missiles announce themselves.
    float getFarRangeSquared() const { return farRangeSquared; }
    bool isEnabled() const { return enabled; }
    bool isEngaging() const { return updateTask.isActive(); }
    const std::list<GuidedProjectile*>& getThreats() const { return threats; }
    const std::vector<PointDefenseBeamWeapon*>& getBeams() const { return beams; }

private:
    // Drops a missile that is about to be deleted from the threats.
    void forgetThreat(const Targetable& gone);

    bool enabled = false;
    float farRangeSquared;
    Controllable* owner;
    std::list<GuidedProjectile*> threats;
    FunctionTask updateTask;
    std::vector<PointDefenseBeamWeapon*> beams;
    TargetableWatch deletionWatch{[this](const Targetable& gone) { forgetThreat(gone); }};
};

} // namespace Tolvarine

#pragma once

#include "TargetableWatch.h"
#include "WeaponSystem.h"

namespace Tolvarine {

// The weapon systems a formation reports, so that the displays and the AI can treat it like any
// other controllable: fixed ranges, nothing to fire, and only a remembered target and faction.
// The members fire their own weapons when the formation is told to fire.
class FormationWeaponSystem : public WeaponSystem {
public:
    static constexpr float LAUNCH_SPEED = 1000.0f;
    static constexpr float FAR_RANGE = 1000.0f;
    static constexpr float BEST_RANGE = 200.0f;

    FormationWeaponSystem() = default;
    FormationWeaponSystem(const FormationWeaponSystem&) = delete;
    FormationWeaponSystem& operator=(const FormationWeaponSystem&) = delete;
    ~FormationWeaponSystem() = default;

    void activate(Faction* newFaction) override { faction = newFaction; }
    void deactivate() override
    {
        faction = nullptr;
        target = nullptr;
    }
    const std::string& getDescription() const override;
    float getLoadProportion() override { return 0.0f; }
    Ogre::Vector3 getCurrentWeaponPosition() override { return Ogre::Vector3::ZERO; }
    bool isGuided() const override { return false; }
    float getLaunchSpeed() override { return LAUNCH_SPEED; }
    float getFarRange() override { return FAR_RANGE; }
    float getNearRange() override { return 0.0f; }
    float getBestRange() override { return BEST_RANGE; }
    float getFireThreshold() override { return 0.0f; }
    void setPlayerControlled(bool) override {}
    void setFiring(bool) override {}
    bool isFiring() override { return false; }
    void setFirePeriod(float) override {}
    void setTarget(Targetable* newTarget) override { target = newTarget; }
    void clearTarget() override { target = nullptr; }
    Targetable* getTarget() override { return target; }
    Faction* getFaction() override { return faction; }

private:
    Faction* faction = nullptr;
    Targetable* target = nullptr;
    TargetableWatch targetWatch{target};
};

} // namespace Tolvarine

#pragma once

#include "WeaponSystem.h"

#include <string>

namespace Tolvarine {

class Controllable;

// The weapon system of a guided missile: it has no weapons, and firing it makes its owner, the
// missile, detonate. It lets the controls and the AI treat a missile like any other craft.
class MissileWeaponSystem : public WeaponSystem {
public:
    explicit MissileWeaponSystem(Controllable* owner) : owner(owner) {}

    void activate(Faction* newFaction) override { faction = newFaction; }
    void deactivate() override { faction = nullptr; }
    const std::string& getDescription() const override;
    float getLoadProportion() override { return 1.0f; }
    Ogre::Vector3 getCurrentWeaponPosition() override { return Ogre::Vector3::ZERO; }
    bool isGuided() const override { return false; }
    float getLaunchSpeed() override { return 0.0f; }
    float getFarRange() override { return 100.0f; }
    float getNearRange() override { return 0.0f; }
    float getBestRange() override { return 20.0f; }
    float getFireThreshold() override { return 0.0f; }
    void setPlayerControlled(bool) override {}
    // Turning it on detonates the missile; turning it off does nothing.
    void setFiring(bool on) override;
    bool isFiring() override { return false; }
    void setFirePeriod(float) override {}
    void setTarget(Targetable*) override {}
    void clearTarget() override {}
    Targetable* getTarget() override { return nullptr; }
    Faction* getFaction() override { return faction; }

private:
    Controllable* owner;
    Faction* faction = nullptr;
};

} // namespace Tolvarine

#pragma once

#include "CollisionListener.h"
#include "DamageModel.h"
#include "FunctionTask.h"

#include <functional>
#include <vector>

namespace Tolvarine {

class Controllable;
class ShipType;

// The damage state of one ship, and the listener through which projectiles, beams and explosions
// hit and push it. Each damage component of the ship's type has a health between 0 and its armour.
// A hit damages its component and splashes onto the component's neighbours; a component broken
// through (health below 0) starts the ship's explosion sequence, once per life. A plating counter,
// lowered by every hit, throws sparks and small explosions each time it runs out. A maintenance
// task slowly repairs the most damaged component, and the player's ship sounds the critical alarm
// while any component is below 30 % of its armour.
class ShipDamageModel : public DamageModel, public CollisionListener {
public:
    // `owner` is the ship; the model starts inactive, at full health.
    ShipDamageModel(Controllable& owner, const ShipType& type);
    ~ShipDamageModel() override;
    // A breached plating throws the particle sprays "fireball" and "plating" and explodes into the
    // groups "Plasma" or "Conventional", which no type file names: the game checks at start-up,
    // once the sprays and explosions are loaded, that they exist, since a missing one would end
    // the game at the first breach. Each missing one is logged, then ConfigurationError.
    static void checkEffects();
    ShipDamageModel(const ShipDamageModel&) = delete;
    ShipDamageModel& operator=(const ShipDamageModel&) = delete;

    // DamageModel
    unsigned getComponentCount() const override;
    std::string getComponentName(unsigned index) const override;
    std::string getComponentMesh(unsigned index) const override;
    Ogre::Vector3 getComponentPosition(unsigned index) const override;
    float getComponentHealth(unsigned index) const override;
    float getComponentHealthProportion(unsigned index) const override;
    float getWireframeScale() const override;
    // A second subscriber displaces the first, with a warning in the log.
    void damageSubscribe(Subscriber subscriber) override;
    void damageUnsubscribe() override;

    // CollisionListener
    // The type's collision flags.
    int getCollisionType() const override;
    // The first component of that name; 0 when none has it.
    int getComponentIndex(const std::string& componentName) const override;
    // NO_COMPONENT does nothing but the shock and the plating; ALL_COMPONENTS hits every component
    // with the direct damage. The velocity is not used.
    void inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3& velocity, int component,
                       float directDamage, float splashDamage, float shock,
                       DamageType damageType) override;
    // Pushes the ship at that world position, scaled by the gameplay setting of how much of an
    // explosion's push ships take as roll.
    void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position) override;

    // Full health and a full plating.
    void reset();
    // The ship enters play: reset, repairs running, not destroyed.
    void activate();
    // The ship leaves play: repairs stop and the player's critical alarm stops.
    void deactivate();
    // Self-destruction: starts the explosion sequence unless it already runs in this life.
    void destroy();
    // Lowers a component's health; true when that broke it through. Health never rises above
    // the armour, whatever the amount.
    bool damageComponent(unsigned component, float amount);
    // For the player's ship: the critical alarm sounds exactly while some component is below
    // 30 % of its armour. Run when the ship takes or leaves the focus.
    void updateCriticalAlarm();
    // One run of the repair task over `elapsed` seconds; always true (the task goes on).
    bool maintenanceUpdate(float elapsed);

    // The ship's AI takes the shock of every hit; the ship connects it once its AI exists.
    void setShockReceiver(std::function<void(float shock)> receiver);

    bool isDestroyed() const { return destroyed; }
    float getPlating() const { return plating; }
    float getPlatingCapacity() const { return platingCapacity; }
    const FunctionTask& getMaintenanceTask() const { return maintenanceTask; }

private:
    bool isCritical(unsigned component) const;
    bool ownerHasFocus() const;
    void startExplosionSequence();
    void platingBreach(const Ogre::Vector3& position, DamageType damageType);

    Controllable& owner;
    const ShipType& type;
    bool destroyed = false;
    std::vector<float> health;
    float platingCapacity = 0.0f;
    float plating = 0.0f;
    Subscriber subscriber;
    FunctionTask maintenanceTask;
    std::function<void(float)> shockReceiver;
};

} // namespace Tolvarine

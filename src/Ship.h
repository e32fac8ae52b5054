#pragma once

#include "Controllable.h"
#include "DynamicCollidable.h"
#include "MultiPoolFactory.h"
#include "StandardWeaponSystem.h"
#include "Thrust.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class Faction;
class ShipBehaviour;
class ShipDamageModel;
class ShipType;

// One fighter-class craft: a physics body with collision geometry and a mesh, flown by the player
// or by the AI, with thrust effects that are also its force controller, a damage model, a faction
// while it is in play and a primary and a secondary weapon system (sections "WeaponSystem_Primary"
// and "WeaponSystem_Secondary" of its type file).
//
// Ships are never made or deleted during play. Each ship type has a pool of ships built when the
// types load; scripts and game modes take ships from the pools, activate them for a faction at a
// pose, and a deactivated ship goes back to its pool. A ship activated for a faction has it while
// it is in play; a script can also put a ship's body into play through DynamicCollidable.activate,
// without a faction (see countActive).
class Ship : public DynamicCollidable, public Controllable {
public:
    // An ordered map from ship type name to the number of ships of that type.
    using Fleet = std::map<std::string, unsigned>;
    using Pools = MultiPoolFactory<Ship>;

    // Builds an inactive ship of the type, named "Ship" and a running number shared by all ships.
    // A type without a mesh is logged as "Ship created with no entity!" and raises FatalError,
    // which ends the program with exit code 1.
    explicit Ship(ShipType& type);
    ~Ship() override;

    // Puts the ship into play for the faction at the pose, at rest. An active ship is first taken
    // out of play (disable time 0) without leaving the hands of its user; a ship that went back to
    // its pool is taken out of the pool again.
    virtual void activate(Faction& faction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation);
    // Takes the ship out of play and gives it back to its type's pool; an inactive ship is left
    // as it is.
    void deactivate(DisableTime time) override;
    // Leaves play as DynamicCollidable's does; the flown ship's leaving then goes on as the end of
    // its death's sequence does (Scenario::flownShipLost), so that the player never flies nothing.
    void bodyOutOfReach() override;
    // A ship given back to its pool and put into play again by a script that still holds it is
    // taken back out of the pool first: idle there, it would be handed to another user while it
    // flies, and be passed over when the scenario ends. A ship its pool holds live is left as it is.
    void takeBackFromPool();

    // Takes an inactive ship of the named type from its pool; the caller activates it. Whatever
    // held the ship in an earlier life lets go of it (see beginLife). A type without a pool is
    // logged and raises FatalError.
    static Ship* create(const std::string& typeName);
    // The same for the type of a ".ship" file's base name; an unknown name is logged and raises
    // ConfigurationError.
    static Ship* createByFilename(const std::string& fileBaseName);
    // Looks at the places of a fleet laid out, before any of its ships is put into play; throws to
    // refuse the fleet.
    using FleetCheck = std::function<void(const std::vector<Ogre::Vector3>& places)>;
    // Takes the ships of every entry from the pools (types in ascending name order), lays them out
    // as a formation around `position` and activates them for the faction with `orientation`.
    // Returns the ships in the order they were taken. A fleet that `check` refuses, or one naming
    // a type without a pool, gives every ship taken back to its pool as it was, its life not begun
    // (a script's handle to one stays good), and puts none into play.
    static std::vector<Ship*> spawnFleet(const Fleet& fleet, Faction& faction, const Ogre::Vector3& position,
                                         const Ogre::Quaternion& orientation, const FleetCheck& check = FleetCheck());
    // The ships in play: every ship whose body is in play, capital ships among them, also one a
    // script put into play without a faction through DynamicCollidable.activate.
    static std::size_t countActive();
    // Takes every live ship of every pool out of play (disable time 2), also one in play without
    // a faction, and gives each back to its pool.
    static void deactivateAll();
    // Re-applies the graphics settings' level-of-detail bias to every live ship.
    static void applyLodBiasToAll();

    // The pools, one per ship type name.
    static Pools& getPoolFactory();
    // Builds one ship of the named type: the pools' creator. A type with "capitalShip" set in
    // section "Ship" makes a CapitalShip.
    static Ship* createInstance(const std::string& typeName);
    // Checks what a ship reads from its type, without building a ship: the body, collision
    // geometry and mesh (DynamicCollidable::checkType; a type without a mesh is refused), the
    // frame (Targetable::checkType), the section "Thrust" (Thrust::checkType), the sections
    // "WeaponSystem_Primary", "WeaponSystem_Secondary" and, for a capital ship,
    // "WeaponSystem_PointDefense", with the types of their weapons, the AI's section "Behaviour"
    // and a capital ship's stations. Called for every type as it is read, before any pool is
    // made, whatever its size; a refusal names the file's place and raises ConfigurationError.
    static void checkType(const ShipType& type);
    // checkType for every loaded type that keeps its name: a reload of the projectile types runs
    // it with the new projectile types, which the types' weapons name.
    static void checkLoadedTypes();
    // The start-up's checks of what the loaded types name of other kinds, made once those are
    // loaded: the sprays and explosion groups of a breached plating (ShipDamageModel::checkEffects)
    // and each type's explosion sequence (ShipExplosionSequence::checkShipTypes); and of the types
    // that the game's own code names (CodeNameChecks::checkShipTypes). A reload of the ship types
    // runs them on the new types before it takes them.
    static void checkTypeReferences();
    // Connects the ship pools to the ship types, to the end of a game and to a reload of the
    // projectile types. Done once; later calls do nothing.
    static void connectPools();
    // connectPools, hands applyLodBiasToAll to the graphics settings, then loads every ship type
    // of the folder with its pool.
    static void loadTypes(const std::string& folder = "data/entities");

    // Registers the script class "Ship" with the module being started.
    static void exportToPython();

    // PositionReporter: the physics body's.
    Ogre::Vector3 getPosition() const override;
    Ogre::Quaternion getOrientation() const override;
    Ogre::Vector3 getVelocity() const override;
    void addPositionListener(PositionListener* listener) override;
    void removePositionListener(PositionListener* listener) override;
    Ogre::Vector3 predictPosition(float t) const override;
    Ogre::Vector3 predictPositionWithThrust(float t) const override;
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float factor) const override;

    // Targetable
    float getBoundingRadius() const override;
    DamageModel* getDamageModel() override;
    Faction* getFaction() override { return faction; }
    bool isTargetable() override { return true; }
    bool isValidTarget() override { return true; }
    // The ship's AI dodges missiles and answers attackers: these go to it.
    float getThreatRangeSquared() override;
    // The player hears an alarm when a missile closes on the ship they fly.
    void addThreat(GuidedProjectile* missile) override;
    void removeThreat(GuidedProjectile* missile) override;
    void setPendingVector(const Ogre::Vector3& vector) override;
    void setPendingObject(Controllable* attacker) override;

    // Controllable
    PhysicsBody* getPhysicsBody() override;
    const PhysicsBody* getPhysicsBody() const override;
    ForceController* getForceController() override { return &thrustEffects; }
    const ForceController* getForceController() const override { return &thrustEffects; }
    WeaponSystem* getPrimaryWeaponSystem() override { return &primaryWeaponSystem; }
    WeaponSystem* getSecondaryWeaponSystem() override { return &secondaryWeaponSystem; }
    // The type's description.
    const std::string& getName() const override;
    void destroy() override;
    // The AI's target (a target of the ship's own faction is ignored).
    void setTarget(Targetable* target) override;
    void setFiringPrimary(bool firing) override;
    void setFiringSecondary(bool firing) override;
    Ogre::Overlay* getWeaponOverlay() override;
    // The player takes or leaves the ship: the ship's own frame is hidden and its AI stopped while
    // it is flown.
    void setFocus(bool focus) override;

    // The faction (by the rule "Player" or not) decides the AI's skill at each activation.
    float getSkill() const;
    // The AI, which flies the ship from its activation while the player does not.
    ShipBehaviour& getBehaviour() { return *behaviour; }
    bool isInPlay() const { return faction != nullptr; }
    ShipType& getType() const { return type; }
    Thrust& getThrust() { return thrustEffects; }
    ShipDamageModel& getShipDamageModel() { return *damageModel; }
    // The object name, "Ship" and a number.
    const std::string& getObjectName() const { return objectName; }

protected:
    // The ship's pool hands it to a new user: every holder of an earlier life lets go of it (the
    // cameras, the AI's and weapons' targets, an explosion sequence still playing on it), and a
    // script's references to it, its behaviour and its link go stale. A capital ship's stations
    // begin a new life with it.
    virtual void beginLife();

private:
    Ship(ShipType& type, const std::string& name);
    static std::string nextName();
    // The name, once the collidable is known to have a mesh entity (see the constructor).
    const std::string& requireEntity(const std::string& name) const;
    // The steps of deactivation up to giving the ship back; `release` gives it back as well.
    void leavePlay(DisableTime time, bool release);
    // Where spawnFleet puts each of the ships, in their order.
    static std::vector<Ogre::Vector3> fleetPlaces(const std::vector<Ship*>& ships, const Ogre::Vector3& position,
                                                  const Ogre::Quaternion& orientation);
    void applyLodBias();
    void applyReflection();

    static std::uint32_t nameCounter;

    std::string objectName;
    ShipType& type;
    Thrust thrustEffects;
    std::unique_ptr<ShipDamageModel> damageModel;
    Faction* faction = nullptr;
    StandardWeaponSystem primaryWeaponSystem;
    StandardWeaponSystem secondaryWeaponSystem;
    // Made after the weapon systems, whose ranges it reads, and gone before them.
    std::unique_ptr<ShipBehaviour> behaviour;
};

} // namespace Tolvarine

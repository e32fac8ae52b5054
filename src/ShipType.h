#pragma once

#include "Config.h"

#include <OgreColourValue.h>
#include <OgreVector.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace Ogre {
class Overlay;
} // namespace Ogre

namespace Tolvarine {

// Everything that ships of one kind share, read from one ".ship" file of data/entities (or its
// enciphered twin): names, reticle overlay, thrust limits and colour, the damage components with
// their armour, neighbours and wireframe meshes, the explosion sequence played when the ship dies,
// maintenance, collision flags, role and the AI tuning values. A type is itself the Config of its
// file, so the ship's other parts (body, geometry, frame, weapons, AI, thrust, stations) read their
// own sections from the same object.
//
// Types are made only by loadAll, live in the registries below and stay until reloadAll.
//
// Component sections are those whose name contains "Component_"; the component's name is the
// section name less its first ten characters (the marker's length), wherever the marker stands. Each holds "mesh" (required), "meshPosition" (zero), "armor" (required),
// "trigger" (0), "triggerExplosionGroup" and "triggerParticleSystem" (empty), and any number of
// keys containing "adjacent" whose values name neighbouring components. A neighbour is linked on
// both sides; a name that matches no other component is ignored.
class ShipType : public Config {
public:
    enum Role { INTERCEPTOR = 0, FIGHTER = 1, CAPITAL = 2 };

    // Bits of getCollisionFlags.
    static constexpr unsigned EXPLOSION_BOUNCE = 1;
    static constexpr unsigned TRIGGER_ALL_PROJECTILES = 2;

    // How the types reach the ship pools, which the ship code owns. The ship code fills it in
    // once at start-up, before the types load: `checkType` checks a type for everything its ships
    // need, before any pool is made; `registerPool` makes the pool of one type name, read from
    // `file`, with that many ships built in advance (the ship creator looks the type up by name,
    // so the types are registered before their pools); `deactivateAll` takes every ship out of
    // play and `clearPools` destroys the pools and their ships, both before the types are reloaded.
    // `releasePooledObjects` returns every pooled object of the game to its pool, as the end of
    // a game does: reloadAll runs it first, since whatever is in play (a missile, an explosion
    // sequence, another ship's AI) may hold a ship that the reload deletes, and lets go of it
    // only when it leaves play itself. `checkReferences` runs the checks of what the types name
    // that the start-up makes once every kind is loaded (explosion sequences, damage effects), and
    // of the types that the game's own code names: reloadAll runs it on the new types before it
    // takes them, so that a save never takes away a type that the code spawns by name or file.
    // Without a link the types load without pools.
    struct PoolLink {
        std::function<void(const std::string& typeName, int poolSize, const std::string& file)> registerPool;
        std::function<void()> deactivateAll;
        std::function<void()> clearPools;
        std::function<void()> releasePooledObjects;
        std::function<void(const ShipType& type)> checkType;
        std::function<void()> checkReferences;
    };
    static void setPoolLink(PoolLink link);

    // Reads the type from its file (see the class comment). A missing required key or a value
    // that does not convert fails as the Config read does; an unknown role and a shock half-life
    // of 0 are logged and raise ConfigurationError, as are a "damageWireframeScale" that would draw
    // the damage wireframe beyond ValueRange::MAX_DRAWN_LENGTH (the scale times the farthest a
    // component's wireframe mesh reaches about the wireframe's centre, its meshes read where the
    // rendering engine runs) and a view offset reaching CameraBase::MAX_VIEW_OFFSET
    // (Targetable::checkViewOffsets). The thrust's and AI's periods, which the ship's tasks read,
    // are read here too, and section "Physics" is checked as PhysicsBody::checkType says, with the
    // file's place.
    explicit ShipType(const std::string& path);

    // Loads every ".ship" file (and twin) of "data/entities" once; a second call does nothing
    // while types are loaded. Entries are taken in name order, so the type-name list and the
    // winner between files that give one name do not depend on the file system; a plain file and
    // its twin are one type. Of two files that give one type name the first keeps it in the name
    // registry and its pool, with the line "ShipType: <second file> repeats the ship type name
    // <name> of <first file>; the first file keeps it"; the second is still listed by name and
    // found by its file name. Every file is read and checked (the constructor, the link's
    // checkType for the file that keeps the name, and the pool size) before any type is
    // registered or any pool made; a folder that cannot be read, or a type that is refused, is
    // logged and throws, and nothing is loaded.
    static void loadAll();
    // The same over another folder (tools and tests).
    static void loadAll(const std::string& folder);
    // Takes every ship out of play, destroys the pools and forgets all types (ships hold plain
    // references to their type, so none may outlive it).
    static void unloadAll();
    // Reads and checks the types again from the folder of the last load, as loadAll does, runs
    // the link's checkReferences with them, and refuses types that drop a type name or a file
    // base name loaded before, which a running scenario may spawn ("ShipType: <file> drops the
    // ship type <name> loaded before, ..."); names a save adds are taken. A refusal throws with
    // its log lines and leaves the types, their pools, everything in play and the parsed weapon
    // files as they were (a weapon file the refused types named is read anew by the next reload).
    // Then returns every pooled object of the game to its pool (through the link), unloadAll, and
    // takes the new types.
    static void reloadAll();

    // Unknown names are logged and raise ConfigurationError.
    static ShipType& getByName(const std::string& name);
    static ShipType& getByFilename(const std::string& fileBaseName);
    // The type names in load order.
    static std::vector<std::string> getTypeNames();
    // Where the type of that name is expected: "data/entities/" + name + ".ship".
    static std::string getFilename(const std::string& name);

    const std::string& getName() const { return name; }
    // The name under which ships of the type are shown.
    const std::string& getDescription() const { return description; }
    // The reticle shown while a ship of the type has the focus; null when the overlay system
    // does not know the name (logged at load).
    Ogre::Overlay* getWeaponOverlay() const { return weaponOverlay; }
    float getMaxForce() const { return maxForce; }
    float getMaxTorque() const { return maxTorque; }
    const Ogre::ColourValue& getThrustColour() const { return thrustColour; }

    unsigned getComponentCount() const { return static_cast<unsigned>(componentNames.size()); }
    // Index out of range throws std::out_of_range.
    float getComponentArmour(unsigned index) const { return componentArmour.at(index); }
    const std::string& getComponentName(unsigned index) const { return componentNames.at(index); }
    const Ogre::Vector3& getComponentMeshPosition(unsigned index) const
    {
        return componentMeshPositions.at(index);
    }
    const std::vector<unsigned>& getComponentNeighbours(unsigned index) const
    {
        return componentNeighbours.at(index);
    }
    const std::string& getComponentMesh(unsigned index) const { return componentMeshes.at(index); }
    float getComponentTrigger(unsigned index) const { return componentTriggers.at(index); }
    const std::string& getComponentTriggerExplosionGroup(unsigned index) const
    {
        return componentTriggerExplosionGroups.at(index);
    }
    const std::string& getComponentTriggerParticleSystem(unsigned index) const
    {
        return componentTriggerParticleSystems.at(index);
    }

    // The ship explosion sequence type started when a ship of this type is destroyed.
    const std::string& getExplosionGroup() const { return explosionGroup; }
    float getDamageWireframeScale() const { return damageWireframeScale; }
    // Health restored per second.
    float getMaintenanceRate() const { return maintenanceRate; }
    // EXPLOSION_BOUNCE and TRIGGER_ALL_PROJECTILES.
    unsigned getCollisionFlags() const { return collisionFlags; }
    Role getRole() const { return role; }
    float getEngagementRange() const { return engagementRange; }

    // AI tuning at a skill: the "Bad" value at skill 0, the "Good" value at skill 1, linear in
    // between (and beyond, for skills outside [0, 1]).
    float getRotationCorrectionFactor(float skill) const;
    float getTargetLeadFactor(float skill) const;
    float getPredictionAccuracy(float skill) const;
    float getAttackArrivalProportion(float skill) const;
    float getMissileAvoidanceFactor(float skill) const;
    float getShockMovementThreshold(float skill) const;
    float getShockDodgeThreshold(float skill) const;
    float getShockAttackThreshold(float skill) const;
    // The shock decay rate, 1 / half-life, interpolated between 1 / "shockHalflifeBad" and
    // 1 / "shockHalflifeGood": a rate, not a half-life.
    float getShockHalflife(float skill) const;

private:
    // The pairs in the order they are read.
    enum Tuning {
        ROTATION_CORRECTION_FACTOR,
        TARGET_LEAD_FACTOR,
        PREDICTION_ACCURACY,
        RANGE_BUFFER_PROPORTION,
        ATTACK_ARRIVAL_PROPORTION,
        MISSILE_AVOIDANCE_FACTOR,
        SHOCK_MOVEMENT_THRESHOLD,
        SHOCK_DODGE_THRESHOLD,
        SHOCK_ATTACK_THRESHOLD,
        SHOCK_HALFLIFE,
        TUNING_COUNT
    };
    struct TuningPair {
        float base = 0.0f;
        float range = 0.0f;
    };

    void readTuning();
    void checkPeriods() const;
    void readRole();
    void readComponents();
    // Refuses a damageWireframeScale whose wireframe would pass ValueRange::MAX_DRAWN_LENGTH.
    void checkWireframeReach() const;
    void linkNeighbours(const std::vector<std::vector<std::string>>& neighbourNames);
    float tuning(Tuning pair, float skill) const;

    std::string name;
    std::string description;
    Ogre::Overlay* weaponOverlay = nullptr;
    float maxForce;
    float maxTorque;
    Ogre::ColourValue thrustColour;
    std::vector<float> componentArmour;
    std::vector<std::string> componentNames;
    std::vector<Ogre::Vector3> componentMeshPositions;
    std::vector<std::vector<unsigned>> componentNeighbours;
    std::vector<std::string> componentMeshes;
    std::vector<float> componentTriggers;
    std::vector<std::string> componentTriggerExplosionGroups;
    std::vector<std::string> componentTriggerParticleSystems;
    std::string explosionGroup;
    float damageWireframeScale;
    float maintenanceRate;
    unsigned collisionFlags = 0;
    Role role = FIGHTER;
    float engagementRange;
    std::array<TuningPair, TUNING_COUNT> tuningPairs;
};

} // namespace Tolvarine

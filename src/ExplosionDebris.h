#pragma once

#include "CollisionListener.h"
#include "DisableTime.h"
#include "DynamicCollidable.h"
#include "FunctionTask.h"
#include "MultiPoolFactory.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <string>
#include <vector>

namespace Ogre {
class ParticleSystem;
} // namespace Ogre

namespace Tolvarine {

class Config;

// A burning piece thrown out by an explosion: a small physical body with a mesh and a fire
// particle system that flies on with the explosion's velocity, collides like any other body, can
// be pushed by other blasts, and after a time of its own explodes into an explosion of its group
// and leaves the scene.
//
// Debris types are the files "<type>.debris" (or their twins "<type>.debrisx") of
// data/explosions/debris. Besides the sections of a dynamic collidable ("Display", "Physics",
// "Collision_Geometry"), section "ExplosionDebris":
//
//   fireParticleSystem = <particle template of the fire>
//   minTimeout = <shortest time to the final explosion, seconds>
//   maxTimeout = <longest time to the final explosion, seconds>
//   explosionGroup = <explosion group of the final explosion>
//
// Each type has a pool that starts empty, whatever the file says, and grows as pieces are needed.
class ExplosionDebris : public DynamicCollidable, public CollisionListener {
public:
    // The folder the game's debris types are read from.
    static const char* const TYPE_FOLDER;
    // How long the explode task may run early or late, seconds.
    static constexpr float TIMEOUT_VARIANCE = 0.1f;

    // Reads every debris type of TYPE_FOLDER once per process, with an empty pool per type.
    static void loadTypes();
    // The same for another folder. The folder is walked in name order (not below it); names
    // beginning with "." and other extensions are skipped, and a plain file and its twin are one
    // type. Each type is checked as it is read, since its pieces are only built during play: a
    // missing or unreadable "ExplosionDebris" key, a timeout below 0 or a "minTimeout" above
    // "maxTimeout", an unknown fire template or collision geometry type, and an explosion group
    // the explosion manager does not know are logged and throw ConfigurationError, leaving no type of that file behind.
    // An unreadable folder is logged and throws ConfigurationError. Does nothing once types are
    // loaded. The first load also has the end of every game return all pieces to their pools.
    static void loadTypes(const std::string& folder);
    // Returns every piece to its pool, deletes all pieces and forgets every type, so that the
    // types can be read again. The pieces' scene manager must still exist.
    static void unloadTypes();

    // The pools' creator: a new piece of a loaded type. An unknown type is logged and throws
    // ConfigurationError.
    static ExplosionDebris* createDebris(const std::string& name);

    // The debris pools, one per debris type. A type without a pool is logged as
    // "Multipool factory cannot create <name> as there is no creator registered" and throws
    // FatalError.
    static MultiPoolFactory<ExplosionDebris>& getPools();
    // Deactivates every piece in flight with disable time 2 (the end of a game); their pending
    // explosions never go off.
    static void releaseAll();
    static bool hasType(const std::string& name);
    static std::vector<std::string> getTypeNames();

    // Builds a piece of the type `name` described by `config`, out of play in the engine's scene
    // manager, named after its type followed by a number counted over all pieces (a number whose
    // name is already taken in the scene is passed over). Its time to explode is drawn now, once
    // for its whole life. A missing key, an unknown mesh or fire template is logged and throws
    // ConfigurationError.
    ExplosionDebris(Config& config, const std::string& name);
    ~ExplosionDebris() override;

    // Throws the piece from `position` turned by `orientation`, moving with `velocity`, burning;
    // it explodes its drawn time later. A piece launched while in flight ends the old flight
    // first (disable time 0) and stays live in its pool once.
    void launch(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                const Ogre::Vector3& velocity);
    // Ends the flight, cancels the pending explosion, puts out the fire and gives the piece back
    // to its pool when it is live there; a piece that is not live is never given back twice.
    void deactivate(DisableTime time) override;

    // The callback of the task "Debris Explode Timeout": an explosion of the piece's group where
    // the piece is, moving as it moves, then the piece ends (disable time 1). Never runs again.
    bool explodeTimeout(float elapsed);

    // Debris tells other objects it is debris; it collides physically and ignores damage.
    int getCollisionType() const override;
    // A blast pushes the piece at a world position.
    void applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position) override;

    const std::string& getTypeName() const { return typeName; }
    const std::string& getExplosionGroup() const { return explosionGroup; }
    // The time from launch to explosion drawn at construction, before the task's jitter.
    float getPeriod() const { return period; }
    bool isInFlight() const { return isActive(); }
    Ogre::ParticleSystem& getFireSystem() const { return *fireSystem; }

private:
    Ogre::ParticleSystem* fireSystem = nullptr;
    std::string typeName;
    float period;
    FunctionTask explodeTask;
    std::string explosionGroup;
};

} // namespace Tolvarine

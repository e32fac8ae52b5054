#pragma once

#include "DamageType.h"
#include "DisableTime.h"
#include "MultiPoolFactory.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <functional>
#include <string>
#include <vector>

namespace Tolvarine {

class Config;
class Faction;
class Targetable;

// Every fired object in play (plain, guided and complex projectiles and beams) is one of these,
// of a named projectile type: a ".fireable" file of data/entities, whose section "Fireable"
// chooses the kind of object and tunes it. Each type is read once and gets a pool of ready-made
// objects; weapons take objects from the pools by type name, launch them, and the objects give
// themselves back when they end.
class FireableProjectile {
public:
    // The folder the game's projectile types are read from.
    static const char* const TYPE_FOLDER;

    virtual ~FireableProjectile();

    // Starts the object's flight for `faction` from `position` with `orientation`. The firer's
    // velocity and the target are used by the kinds that need them. A projectile taken from its
    // pool is inactive until launched.
    virtual void launch(Faction* faction, bool isPlayer, const Ogre::Vector3& position,
                        const Ogre::Vector3& ownerVelocity, const Ogre::Quaternion& orientation,
                        float speed, Targetable* target) = 0;
    // Ends the object's life and gives it back to its pool.
    virtual void deactivate(DisableTime time) = 0;

    // Reads every ".fireable" file (or its enciphered twin ".fireablex") of the folder, in byte
    // order of the file names, skipping names that begin with "."; registers each under its file
    // name without extension and fills its pool with "poolSize" of section "Factory" objects
    // (default 0). A plain file and its twin are one type, read from the first file of the name;
    // a name already registered keeps its type. A missing folder is logged and throws
    // ConfigurationError. Every file is read and checked before any type is registered, so a
    // type that cannot be built throws out of here and nothing is registered. Everything its kind
    // reads when an object is built (body, collision geometry, mesh, billboards, glow, trail, a
    // missile's frame, thrust and guidance) is read and checked whatever the pool size, each
    // refusal followed by the file's "Config: in" line.
    static void loadTypes();
    static void loadTypes(const std::string& folder);
    // A check of other types that name projectile types (the weapons of the ship and station
    // types), which shutdown runs with the newly read types answering every look-up by name,
    // before it takes them. Registered once by the loaders of those types.
    static void addReferenceCheck(std::function<void()> check);

    // The configuration of a registered type. An unknown name logs "There is no projectile type "
    // followed by the name and throws ConfigurationError.
    static Config& getType(const std::string& name);
    static bool hasType(const std::string& name);
    // Every registered type name, in ascending order.
    static std::vector<std::string> getTypeNames();

    // The pools' creator: builds a new object of the kind the type chooses. The flags "guided",
    // "beam" and "complex" of section "Fireable" are tested in that order and the first one set
    // wins; none set makes a plain projectile.
    static FireableProjectile* createByKind(const std::string& name);

    // An inactive object of the named type from its pool, which grows by one when it has no free
    // object. A name without a pool logs "Multipool factory cannot create " + name + " as there
    // is no creator registered" and throws FatalError.
    static FireableProjectile* create(const std::string& name);

    // Gives a live object back to the pool of its type, the release watches told first; an object
    // that is not live, or a name without a pool, changes nothing.
    static void release(FireableProjectile* projectile, const std::string& name);
    // Registers, for the life of the program, a function told of every live object about to go
    // back to its pool: a holder that keeps an object beyond its flight lets go of it there, before
    // the pool can hand the object to another user.
    static void addReleaseWatch(std::function<void(const FireableProjectile& released)> watch);
    // Takes an object that gave itself back while its user still holds it into the live set
    // again (a projectile launched anew while in flight ends its old flight first). False when
    // the object is not free in that pool.
    static bool reclaim(FireableProjectile* projectile, const std::string& name);

    // Deactivates every live object of every pool, in type-name order, with disable time 2; the
    // end of a scenario calls it.
    static void releaseAll();
    // releaseAll, then destroys every pooled object and forgets every type, without reading the
    // types again. Whatever may hold a projectile (AI and weapon targets, threat lists, the
    // selection, the camera) lets go of it first (Targetable::announceDeletion).
    static void unloadTypes();
    // Reads the types again from the folder last loaded (the developer test ground reloads changed
    // type files with it). Every file is read and checked as loadTypes does, and the reference
    // checks run on the new types; a refusal throws with its log lines and leaves the types, their
    // pools and everything in play as they were. Then only the projectiles are returned and
    // deleted (unloadTypes), and the new types registered with their pools: ships, explosions and
    // the rest stay in play.
    static void shutdown();

    // The file of a type: the folder of the types joined with name + ".fireable".
    static std::string getPath(const std::string& name);

    static MultiPoolFactory<FireableProjectile>& getPools();

    // "Beam", "Plasma" or "Conventional"; any other text logs "Unknown damage type string: "
    // followed by the text and gives CONVENTIONAL.
    static DamageType parseDamageType(const std::string& text);

protected:
    FireableProjectile() = default;
    FireableProjectile(const FireableProjectile&) = delete;
    FireableProjectile& operator=(const FireableProjectile&) = delete;
};

} // namespace Tolvarine

#pragma once

#include "DamageType.h"
#include "DisableTime.h"
#include "MultiPoolFactory.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

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
    // (default 0). A plain file and its twin are one type: the first file of a name is used and
    // later ones are skipped, so no pool is built twice. A missing folder is logged and throws
    // ConfigurationError; a type whose objects cannot be built throws out of here and is not
    // registered. Everything its kind reads when an object is built (body, collision geometry,
    // mesh, billboards, glow, trail, a missile's frame, thrust and guidance) is read and checked
    // whatever the pool size, each refusal followed by the file's "Config: in" line.
    static void loadTypes();
    static void loadTypes(const std::string& folder);

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

    // Gives a live object back to the pool of its type; an object that is not live, or a name
    // without a pool, changes nothing.
    static void release(FireableProjectile* projectile, const std::string& name);
    // Takes an object that gave itself back while its user still holds it into the live set
    // again (a projectile launched anew while in flight ends its old flight first). False when
    // the object is not free in that pool.
    static bool reclaim(FireableProjectile* projectile, const std::string& name);

    // Deactivates every live object of every pool, in type-name order, with disable time 2; the
    // end of a scenario calls it.
    static void releaseAll();
    // releaseAll, then destroys every pooled object and forgets every type, without reading the
    // types again.
    static void unloadTypes();
    // Returns every pooled object of the game to its pool (Scenario::releasePooledObjects), then
    // unloadTypes, then loadTypes from the folder last loaded: the developer test ground reloads
    // changed type files with it.
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

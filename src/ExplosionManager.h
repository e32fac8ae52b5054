#pragma once

#include "CrowdCount.h"
#include "MultiPoolFactory.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class ComplexExplosion;
class Config;
class ResponseCurves;

// Knows every explosion type, sorts the types into named groups and keeps one pool of explosions
// per type. Whatever explodes asks for an explosion of a group, never of a type, and the manager
// picks a member of the group at random, so one group name gives varied explosions.
//
// An explosion type is a ".explosion" file (or its enciphered twin ".explosionx") of
// data/explosions; its file name without extension is the type name. Section "Factory"
// "poolSize" (default 0) is the number of explosions built at start-up; section "Explosion"
// "group" (required) names the group the type joins. The rest of the file is the explosion's
// (see ComplexExplosion).
//
// One instance, created at start-up and kept for the life of the program.
class ExplosionManager {
public:
    // The folder the game's explosion types are read from.
    static const char* const TYPE_FOLDER;

    // Becomes the singleton and loads the types of the game's folder.
    ExplosionManager();
    // The same from another folder, with the glows' curves from `curves` (the program's curve file
    // when null). A failure leaves no singleton and no explosion behind.
    explicit ExplosionManager(const std::string& folder, const ResponseCurves* curves = nullptr);
    // Destroys every pooled explosion.
    ~ExplosionManager();
    ExplosionManager(const ExplosionManager&) = delete;
    ExplosionManager& operator=(const ExplosionManager&) = delete;

    static ExplosionManager& getSingleton();
    static ExplosionManager* getSingletonPtr();

    // Reads the type files of the folder once, in byte order of the file names, skipping names
    // that begin with "." and extensions other than the two; a plain file and its twin are one
    // type (the first file of a name counts). Each type gets its pool and joins its group, with
    // the log line "Explosion <type> added in group <group>". Does nothing once types are loaded.
    void loadTypes();

    // The configuration of a loaded type. An unknown name logs "There is no explosion type "
    // followed by the name and throws ConfigurationError.
    Config& getType(const std::string& name) const;
    // The creator of a type's pool: a new explosion of that type.
    ComplexExplosion* createExplosion(const std::string& name);
    // An explosion of the named type from its pool, not yet active. A name without a pool logs
    // "Multipool factory cannot create " + name + " as there is no creator registered" and throws
    // FatalError.
    ComplexExplosion* create(const std::string& name);
    // An explosion of a type drawn evenly from the group's members with Ogre::Math::RangeRandom,
    // not yet active. An unknown group logs "There is no group called " followed by the name and
    // throws ConfigurationError.
    ComplexExplosion* createFromGroup(const std::string& group);

    // Gives a live explosion back to the pool of its type; anything else changes nothing.
    void release(ComplexExplosion* explosion, const std::string& name);
    // Takes an explosion that gave itself back while its user still holds it into the live set
    // again. False when it is not free in that pool.
    bool reclaim(ComplexExplosion* explosion, const std::string& name);
    // Deactivates every live explosion with disable time 2.
    void releaseAll();

    bool hasGroup(const std::string& group) const { return groups.count(group) != 0; }
    // The explosion group that key `key` of `section` in a type file names, for an object that
    // explodes into it later (a shot's hit, a debris piece's end). Read by the object as it is
    // built and by its type's check at load, so that an unknown group stops the start and not
    // the first hit. With a manager, a group it does not have is logged as "<path>: there is no
    // explosion group <group>" with the file's line "Config: in <path>, section <section>, key
    // <key>", and throws ConfigurationError; without one (tools that load no explosions) any name
    // is taken.
    static std::string readGroup(const Config& file, const std::string& section, const std::string& key);
    // Checks, once the spray and debris types are loaded too, that every explosion type's
    // "particleSpray" and debris pieces name loaded types: an unknown one would end the game at
    // the type's first explosion. The first unknown name is logged with its file's line and
    // throws ConfigurationError.
    void checkNames() const;
    // The members of a group in loading order; empty for an unknown group.
    std::vector<std::string> getGroup(const std::string& group) const;
    std::vector<std::string> getGroupNames() const;
    std::vector<std::string> getTypeNames() const;
    MultiPoolFactory<ComplexExplosion>& getPools() { return pools; }
    std::size_t getLiveCount() const { return pools.getLiveCount(); }

    // The explosion events of dying ships leave an explosion out where its place already holds
    // MAX_NEAR explosions in play close by: in the cube of CROWD_EDGE units it would start in or
    // one of the 26 around it (every explosion within CROWD_EDGE on each axis counts, none beyond
    // twice that). Every explosion in play counts where it started, whoever started it; hits,
    // debris and breaches always start theirs. One death fanned out to 1,000 blasts at one point
    // stopped the frames for 25 s (their debris colliding with each other there); with 1,000 close
    // by, 34 to 60 s; with 300, 9.8 s in its first round; with 100, 0.2 to 0.6 s. Ships destroyed
    // together 60 units apart never come near it.
    static constexpr double CROWD_EDGE = 50.0;
    static constexpr std::size_t MAX_NEAR = 100;
    // The explosions in play close to `place`, as MAX_NEAR counts them.
    std::size_t countNear(const Ogre::Vector3& place) const { return crowd.near(place); }
    // The explosions in play by where they started; ComplexExplosion enters and leaves it.
    CrowdCount& getCrowd() { return crowd; }

private:
    void loadType(const std::string& path, const std::string& name);

    static ExplosionManager* singleton;

    std::string folder;
    const ResponseCurves* curves;
    MultiPoolFactory<ComplexExplosion> pools;
    std::map<std::string, std::vector<std::string>> groups;
    std::map<std::string, std::unique_ptr<Config>> types;
    CrowdCount crowd{CROWD_EDGE};
};

} // namespace Tolvarine

#pragma once

#include "Config.h"

#include <OgrePrerequisites.h>
#include <OgreVector.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class CameraBase;
class FixedTask;

// The space dust that gives the player a sense of speed: named particle systems whose first
// emitter is kept ahead of the current camera along its direction of travel, emitting in
// proportion to the camera's speed, so a still camera makes no dust. Now and then, on the
// real-time clock (so also while paused), the dust that has fallen too far behind the camera is
// killed; the rest is kept alive. The camera controller hands over its current camera at every
// switch; the running scenario adds the dust systems when it sets up its factions and clears
// them when it unloads. One instance, made by the engine's start-up; never destroyed in the game.
//
// Settings, section "Debris" of "cfg/debris.cfg": "globalRate" (multiplier of every system's
// emission, 1 by default, written back when changed), "defaultLeadDistance" and
// "defaultMaxVisibleDistance" (of a new system) and "cullPeriodS" (seconds between culls).
class DebrisSystem {
public:
    struct Record {
        Ogre::SceneNode* node;
        Ogre::ParticleSystem* particleSystem;
        // Emitter 0's rate in the template; `rate` is the system's own multiplier, and
        // `effectiveRate` their product.
        float baseRate;
        float rate;
        float effectiveRate;
        float leadDistance;
        float maxVisibleDistanceSquared;
    };

    // Reads the settings file, which must exist, and registers the fixed task "Debris System
    // Update" (order 40: after the cameras, before the scenery). A missing file is logged and
    // throws ConfigurationError.
    explicit DebrisSystem(Ogre::SceneManager& scene, const std::string& settingsPath = "cfg/debris.cfg");
    ~DebrisSystem();
    DebrisSystem(const DebrisSystem&) = delete;
    DebrisSystem& operator=(const DebrisSystem&) = delete;

    // Null before start-up has made it.
    static DebrisSystem* getSingleton();

    // The camera the dust follows; null (no dust moves, nothing is culled) until one is set.
    void setCamera(CameraBase* current) { camera = current; }
    CameraBase* getCamera() const { return camera; }

    // A particle system `name` of the template `templateName` on a node of that name under the
    // root, with the default lead and visible distances. A missing setting, or an unknown
    // template, is logged and throws ConfigurationError with nothing added. A quota that memory
    // cannot hold is held to what it can, with a line.
    void addSystem(const std::string& name, const std::string& templateName);
    // The setters change the first system of that name; an unknown name changes nothing.
    void setSystemEmissionRate(const std::string& name, float rate);
    void setSystemLeadDistance(const std::string& name, float distance);
    void setSystemMaxVisibleDistance(const std::string& name, float distance);
    // Sets the multiplier of every system and saves it at once as "globalRate", adding the key
    // to the settings file when it is not there yet.
    void setGlobalEmissionRate(float rate);
    float getGlobalEmissionRate() const { return globalRate; }
    // Destroys every dust system and its node; a system of the same name may be added again.
    void clear();
    const std::vector<Record>& getSystems() const { return systems; }

    // The fixed task's body: places and drives the emitters, then culls when it is time.
    void update(float lastFrameTime, float smoothedFrameTime);

    // Registers the class "DebrisSystem" with the module being started.
    static void exportToPython();

private:
    // What a particle of the quota takes: 240 bytes once drawn (2,579 MB at a quota of 10,000,000,
    // 200 MB at 2,500), and as much again while the renderer's buffer is first filled (a quota held
    // to 240 bytes a particle of the free memory ran it out there).
    static constexpr double BYTES_PER_PARTICLE = 480.0;

    static void holdQuotaToMemory(Ogre::ParticleSystem& system, const std::string& templateName);
    Record* find(const std::string& name);
    void cull(const Ogre::Vector3& eye);

    static DebrisSystem* singleton;

    Ogre::SceneManager& scene;
    std::string settingsPath;
    Config settings;
    CameraBase* camera = nullptr;
    std::vector<Record> systems;
    float globalRate = 1.0f;
    bool cullPeriodRead = false;
    float cullPeriod = 0.0f;
    double nextCull = 0.0;
    std::unique_ptr<FixedTask> updateTask;
};

} // namespace Tolvarine

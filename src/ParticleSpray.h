#pragma once

#include "CrowdCount.h"
#include "ResponseCurve.h"
#include "SceneDynamicBody.h"

#include <OgrePrerequisites.h>
#include <OgreVector.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tolvarine {

class Config;
class FunctionTask;
class ResponseCurves;
template <typename T>
class MultiPoolFactory;

// A short burst of particles of a named type: sparks from hit plating, the fire and smoke of an
// explosion. A particle system of the rendering engine rides on a physics-driven scene node, is
// fired at a position with a velocity, faces and drifts along that velocity, scales every
// emitter's rate along a response curve over the type's duration and gives itself back to the
// pool of its type once its last particle has died.
//
// Types are the files "<type>.spray" (or their enciphered twins "<type>.sprayx") of the
// explosions folder:
//
//   [ParticleSpray]
//   systemName = <particle template>
//   duration = <seconds of the emission curve>
//   rateCurveName = <response curve over the duration>
//   timeResolution = <seconds between rate updates>
//   [Factory]
//   poolSize = <sprays made at start-up, default 0>
//   [Physics]
//   mass, massRadius, velocityDecay, rotationDecay (see PhysicsBody)
//
// Every spray's particle system takes memory for its template's whole quota as it is made, and
// more when it is first drawn (SprayMemory); a spray that memory cannot hold is never made: a pool
// filled with such sprays is refused at start-up, and in play the spray is left out.
class ParticleSpray : public SceneDynamicBody {
public:
    using Pools = MultiPoolFactory<ParticleSpray>;

    // Reads every spray type of "data/explosions" once per process and fills one pool per type.
    // The first load also has every scenario's end and unload return all sprays to their pools.
    static void loadTypes();
    // The same for another folder. The sprays are made in `sceneManager` with the curves of
    // `curves`, or, where null, in the engine's scene manager with the program's curve file.
    // The folder is listed before anything is read (reading a plain file refreshes its twin
    // beside it) and walked in name order; names beginning with "." and other extensions are
    // skipped, and a plain file and its twin are one type. Every type is checked as it is read,
    // also those whose pools start empty: a missing key, a duration or time resolution that is
    // not above 0, or an unknown curve or particle template is logged and throws
    // ConfigurationError (a negative pool size counts as 0, with the pools' line). Does nothing
    // once types are loaded.
    static void loadTypes(const std::string& folder, Ogre::SceneManager* sceneManager = nullptr,
                          const ResponseCurves* curves = nullptr);
    // Returns every spray to its pool, deletes all sprays and forgets every type, so that the
    // types can be read again. The sprays' scene manager must still exist.
    static void unloadTypes();

    // The pools' creator: a new spray of a loaded type. An unknown type is logged and throws
    // ConfigurationError; one whose particle system memory cannot hold throws FillWatch::Shortage
    // with the figures, which refuses a pool being filled.
    static ParticleSpray* createFromType(const std::string& type);

    // Takes a spray of the type from its pool and fires it. An unknown type is logged and throws
    // FatalError. Where the pool has none idle and a new one would run the memory out, the spray
    // is left out and counted, with the line "ParticleSpray: sprays of <type> in <file> are left
    // out where memory would run out: <figures> (said once for the type)"; hits, explosions and
    // explosion sequences all fire their sprays here.
    static void spray(const std::string& type, const Ogre::Vector3& position,
                      const Ogre::Vector3& velocity);
    // How many sprays `spray` has left out for want of memory since the program started.
    static std::uint64_t getLeftOutForMemory() { return leftOutForMemory; }

    // Deactivates every live spray of every type, which gives each back to its pool.
    static void releaseAll();

    // The spray events of explosion sequences start only as many sprays as keep MAX_NEAR sprays in
    // play close to their place: in the cube of CROWD_EDGE units they would start in and the 26
    // around it (every spray within CROWD_EDGE on each axis counts, none beyond twice that). Every
    // spray in play counts where it started, whoever started it. Every spray is a particle system
    // and a body of its own, made when its pool has no free one and kept from then on, and every
    // frame draws the particles of every live one, where they pile up over each other: six ships
    // destroyed together with 3,000 sprays in each of their four spray events stopped the frames
    // for 28 to 38 s at 5.7 GB with no bound; with 6,000 close by, 5.8 to 7.7 s (20 frames in 11
    // to 12 s) at 840 MB; with 4,000, 2.1 to 2.2 s at 450 MB. (ShipExplosionEvent bounds them in
    // all, spread out or not.)
    static constexpr double CROWD_EDGE = 50.0;
    static constexpr unsigned MAX_NEAR = 4000;
    // How many more sprays those events may start at `place` now, under MAX_NEAR.
    static unsigned roomNear(const Ogre::Vector3& place);

    static Pools& getPools();

    // A spray of the type described by `config`, in the engine's scene manager with the program's
    // curve file.
    ParticleSpray(Config& config, const std::string& type);
    // The same in `sceneManager`, with the curves of `curves` (the program's when null).
    ParticleSpray(Ogre::SceneManager& sceneManager, Config& config, const std::string& type,
                  const ResponseCurves* curves = nullptr);
    ~ParticleSpray() override;

    // Places the spray at `position` facing along `velocity`, launches it with that velocity and
    // starts the emission curve from the game clock's time now (again from its start when the
    // spray is already live). A spray that went back to its pool while its user still held it
    // is taken out again, so that the pool never hands it to anyone else while it runs.
    void start(const Ogre::Vector3& position, const Ogre::Vector3& velocity);

    // One step of the emission curve; stops the spray and returns false once the duration has
    // passed and the last particle has died.
    bool animate(float elapsed);

    // Takes the spray out of the scene, stops its body, its curve and its particles, and gives
    // it back to its pool.
    void deactivate() override;

    const std::string& getTypeName() const { return typeName; }
    Ogre::ParticleSystem& getParticleSystem() const { return *particleSystem; }
    float getDuration() const { return duration; }
    // Every emitter's rate as the template sets it, in emitter order.
    const std::vector<float>& getBaseRates() const { return baseRates; }

private:
    struct Settings;
    class FirstDraw;

    ParticleSpray(Ogre::SceneManager& sceneManager, Config& config, const std::string& type,
                  const Settings& settings);
    static Settings readSettings(Config& config, const std::string& type,
                                 const ResponseCurves* curves);

    // A particle system of the settings' template, in the memory counted for it (SprayMemory).
    static Ogre::ParticleSystem* makeSystem(Ogre::SceneManager& sceneManager, const std::string& type,
                                            const Settings& settings);
    void noteDrawn();
    void setRates(float factor);
    void reclaimFromPool();

    static unsigned nextNumber;
    static std::uint64_t leftOutForMemory;

    Ogre::SceneManager& sceneManager;
    std::string typeName;
    Ogre::ParticleSystem* particleSystem = nullptr;
    std::size_t quota = 0;
    // Whether the system has been drawn, and the renderer has made its buffers.
    bool drawn = false;
    std::unique_ptr<FirstDraw> firstDraw;
    double startTime = 0.0;
    float duration = 0.0f;
    ResponseCurve rateCurve;
    std::vector<float> baseRates;
    std::unique_ptr<FunctionTask> animateTask;
    // Where the spray is counted among those in play, while it is.
    std::optional<CrowdCount::Cube> crowdCube;
};

} // namespace Tolvarine
